#include "ClockFields.h"

#include <gtest/gtest.h>

#include <deque>

namespace saver {
namespace {

struct TextCase
{
    ClockFields time;
    const char* backupStamp;
    const char* plainTime;
    const char* plainStamp;
};

class ClockTexts : public testing::TestWithParam<TextCase>
{
};

TEST_P(ClockTexts, EachTextHasItsOwnPadding)
{
    const TextCase& c = GetParam();
    EXPECT_EQ(BackupStamp(c.time), c.backupStamp);
    EXPECT_EQ(PlainTime(c.time), c.plainTime);
    EXPECT_EQ(PlainStamp(c.time), c.plainStamp);
}

INSTANTIATE_TEST_SUITE_P(Times, ClockTexts,
                         testing::Values(TextCase{{9, 5, 7}, "09_05_07", "9:5:7", "9_5_7"},
                                         TextCase{{0, 0, 0}, "00_00_00", "0:0:0", "0_0_0"},
                                         TextCase{{19, 50, 7}, "19_50_07", "19:50:7", "19_50_7"},
                                         TextCase{{10, 10, 10}, "10_10_10", "10:10:10", "10_10_10"},
                                         TextCase{
                                             {23, 59, 59}, "23_59_59", "23:59:59", "23_59_59"}));

TEST(TwoDigit, PadsOnlySingleDigits)
{
    EXPECT_EQ(TwoDigit(0), "00");
    EXPECT_EQ(TwoDigit(9), "09");
    EXPECT_EQ(TwoDigit(10), "10");
    EXPECT_EQ(TwoDigit(123), "123");
}

// Answers each read with the next text of a list.
class ScriptedClock final : public Clock
{
public:
    explicit ScriptedClock(std::deque<std::string> texts) : m_texts(std::move(texts)) {}
    std::string ClockText() override
    {
        std::string text = m_texts.front();
        if (m_texts.size() > 1)
            m_texts.pop_front();
        return text;
    }

private:
    std::deque<std::string> m_texts;
};

TEST(GetHMS, ReadsTheClockOncePerField)
{
    // The second turns over between the reads: the fields mix the two readings.
    ScriptedClock clock({"10:59:59", "11:00:00", "11:00:00"});
    const ClockFields fields = GetHMS(clock);
    EXPECT_EQ(fields.NowH, 10);
    EXPECT_EQ(fields.NowM, 0);
    EXPECT_EQ(fields.NowS, 0);
}

TEST(GetHMS, ParsesHourMinuteSecond)
{
    ScriptedClock clock({"09:05:07"});
    const ClockFields fields = GetHMS(clock);
    EXPECT_EQ(fields.NowH, 9);
    EXPECT_EQ(fields.NowM, 5);
    EXPECT_EQ(fields.NowS, 7);
}

} // namespace
} // namespace saver
