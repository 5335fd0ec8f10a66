#include "AutoSaver.h"
#include "EngineFixture.h"
#include "RunToEnd.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <thread>

namespace saver::test {
namespace {

class ChangingSave : public EngineFixture
{
protected:
    ChangingSave()
    {
        WriteFile(Region(), std::string(12 << 20, 'r'));
        WriteFile(App("saver.ini"), LevelDat() + "\r\n");
        saver.Form_Load();
    }

    std::string Region() const { return SaveFolder() + "/r.0.0.mca"; }

    void Append(const std::string& path, const std::string& bytes)
    {
        std::ofstream(path, std::ios::app | std::ios::binary) << bytes;
    }

    AutoSaver saver{files, clock};
};

// The game writes into a file while it is being copied, on every try: the backup is kept
// and says that the save changed under it.
TEST_F(ChangingSave, KeepsChangingOnEveryTry)
{
    const auto start = saver.Command4_Click();
    const WholeSaveResult result = start.job->Run(
        [&](std::uint64_t done, std::uint64_t total) {
            if (done > 0 && done < total)
                Append(Region(), "more");
        },
        {});
    EXPECT_FALSE(result.error) << result.error.message();
    EXPECT_EQ(result.changedFiles, 1u);
    EXPECT_EQ(saver.FinishWholeSave(*start.job, result).lblShow2,
              "第1次 保存成功（复制时存档有变动）");
    EXPECT_EQ(ReadFile(App("【1】9_5_7/MyWorld/level.dat")), "world v1");
}

// A change seen once is copied again, and the backup holds the file as it ended up.
TEST_F(ChangingSave, ChangedOnceIsCopiedAgain)
{
    bool changed = false;
    const auto start = saver.Command4_Click();
    const WholeSaveResult result = start.job->Run(
        [&](std::uint64_t done, std::uint64_t total) {
            if (!changed && done > 0 && done < total) {
                Append(Region(), "tail");
                changed = true;
            }
        },
        {});
    EXPECT_EQ(saver.FinishWholeSave(*start.job, result).lblShow2, "第1次 保存成功！");
    EXPECT_EQ(ReadFile(App("【1】9_5_7/MyWorld/r.0.0.mca")), ReadFile(Region()));
}

// A game that appends and truncates as fast as it can: the copy still comes to an end
// with a whole backup of everything else.
TEST_F(ChangingSave, BusyWriterDoesNotStopTheCopy)
{
    WriteFile(SaveFolder() + "/steady.dat", "steady");
    std::atomic<bool> stop = false;
    std::thread writer([&] {
        for (int i = 0; !stop; ++i) {
            if (i % 64 == 0)
                std::ofstream(LevelDat(), std::ios::trunc | std::ios::binary) << "w";
            else
                Append(LevelDat(), "world");
        }
    });
    const StatusTexts status = RunToEnd(saver, saver.Command4_Click().job);
    stop = true;
    writer.join();
    EXPECT_TRUE(status.lblShow2 == "第1次 保存成功！" ||
                status.lblShow2 == "第1次 保存成功（复制时存档有变动）")
        << status.lblShow2;
    EXPECT_EQ(ReadFile(App("【1】9_5_7/MyWorld/steady.dat")), "steady");
    EXPECT_EQ(ReadFile(App("【1】9_5_7/MyWorld/r.0.0.mca")), std::string(12 << 20, 'r'));
}

} // namespace
} // namespace saver::test
