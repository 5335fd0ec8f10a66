// SPDX-License-Identifier: GPL-3.0-or-later
#include "World.h"

#include "BackupCatalogue.h"
#include "BackupNote.h"
#include "Leftovers.h"
#include "SafeFileOps.h"

#include <gtest/gtest.h>

namespace saver::test {
namespace {

const std::string kCharacter = "app/【存档】leveldat/09_05_07level.dat";
const std::string kWhole = "app/【1】9_0_0";

// A world with a character backup and a whole-save backup, as the list shows them.
struct NotedWorld : World
{
    NotedWorld()
    {
        std::filesystem::create_directories(NativePath(Path(kWhole + "/World")));
        std::filesystem::create_directories(NativePath(Path(FolderOf(kCharacter))));
        WriteFile(Path(kCharacter), "level data");
        WriteFile(Path("app/tmp.back"), "slot");
        real.SetModified(Path(kWhole), kMadeNs);
    }
    BackupEntry Entry(const std::string& name)
    {
        for (BackupEntry& entry : ListBackups(files))
            if (entry.path == Path(name))
                return entry;
        ADD_FAILURE() << name;
        return {};
    }
    static constexpr std::int64_t kMadeNs = 1'796'000'000'000'000'000;
};

TEST(BackupNote, WhateverTheFileHoldsIsShownSafely)
{
    const struct
    {
        std::string bytes, shown;
    } cases[] = {
        {"村庄坐标 120 64 -30", "村庄坐标 120 64 -30"},
        {"\xEF\xBB\xBF"
         "记事本",
         "记事本"},
        {"one\xE2\x80\xA8two\tthree", "one\ntwo three"},
        {"first\r\nsecond", "first"},
        {"\xFF ok \xC0\xAF", "\uFFFD ok \uFFFD\uFFFD"},
        {"bell\x07 del\x7F c1\xC2\x85", "bell\uFFFD del\uFFFD c1\uFFFD"},
        {"\xED\xA0\x80 \xF4\x90\x80\x80", "\uFFFD\uFFFD\uFFFD \uFFFD\uFFFD\uFFFD\uFFFD"},
        {"rtl\xE2\x80\xAEgnp.exe", "rtl\uFFFDgnp.exe"},
        {"cut \xE6\x97", "cut \uFFFD\uFFFD"},
    };
    NotedWorld w;
    for (const auto& c : cases) {
        WriteFile(w.Path(kCharacter + ".note"), c.bytes);
        WriteFile(w.Path(kWhole + "/.note"), c.bytes);
        EXPECT_EQ(w.Entry(kCharacter).note, c.shown) << c.bytes;
        EXPECT_EQ(w.Entry(kWhole).note, c.shown) << c.bytes;
    }
    // The slot keeps none, whatever lies beside it.
    WriteFile(w.Path("app/tmp.back.note"), "stale");
    EXPECT_EQ(w.Entry("app/tmp.back").note, "");
}

TEST(BackupNote, AHugeFileIsReadOnlyInPart)
{
    NotedWorld w;
    WriteFile(w.Path(kCharacter + ".note"), std::string(8 << 20, 'n'));
    const std::string note = w.Entry(kCharacter).note;
    EXPECT_GE(note.size(), kNoteMostBytes);
    EXPECT_LE(note.size(), 64u * 1024);
    EXPECT_EQ(NoteSummary(note, 5), "nnnn…");
}

std::string Repeated(const std::string& text, std::size_t times)
{
    std::string repeated;
    while (times-- > 0)
        repeated += text;
    return repeated;
}

// Line breaks as typed come back as '\n'; a note too long is cut between characters; a blank
// one removes the note. The folder keeps the time it was made at.
TEST(BackupNote, WrittenNotesReadBackAndLeaveTheFolderTime)
{
    const struct
    {
        std::string typed, kept;
    } cases[] = {
        {"第一行\r\n第二行\n", "第一行\n第二行\n"},
        {"a\rb", "a\nb"},
        {Repeated("字", 6000), Repeated("字", kNoteMostBytes / 3)},
        {" \r\n\t", ""},
    };
    NotedWorld w;
    for (const auto& c : cases) {
        for (const std::string& name : {kCharacter, kWhole}) {
            ASSERT_FALSE(SetNote(w.files, w.Entry(name), c.typed));
            EXPECT_EQ(w.Entry(name).note, c.kept) << name;
        }
        EXPECT_EQ(w.files.Status(w.Path(kWhole)).modifiedNs, NotedWorld::kMadeNs);
    }
    EXPECT_EQ(w.Files().count(kCharacter + ".note") + w.Files().count(kWhole + "/.note"), 0u);
    EXPECT_EQ(SetNote(w.files, w.Entry("app/tmp.back"), "never kept"),
              std::errc::operation_not_supported);
}

// Cut short at any step, the note is the old one or the new one, and nothing else is left.
TEST(BackupNote, CutShortAtAnyStepKeepsAWholeNote)
{
    NotedWorld w;
    ASSERT_FALSE(SetNote(w.files, w.Entry(kWhole), "old"));
    const auto before = w.Files();
    std::error_code error;
    for (int step = 1; step == 1 || error; ++step) {
        w.files.FailAt(step, std::errc::io_error);
        error = SetNote(w.files, w.Entry(kWhole), "new");
        EXPECT_EQ(w.Entry(kWhole).note, error ? "old" : "new") << step;
        EXPECT_TRUE(!error || w.Files() == before) << step;
    }
}

TEST(BackupNote, SummaryIsOneLineCutBetweenCharacters)
{
    EXPECT_EQ(NoteSummary("下界\n要塞", 5), "下界 要塞");
    EXPECT_EQ(NoteSummary("下界\n要塞！", 5), "下界 要…");
    EXPECT_EQ(NoteSummary("", 5), "");
}

// A note half written when the program was killed is cleared at the next start.
TEST(BackupNote, LeftoversOfAWriteAreRemovedAtStart)
{
    NotedWorld w;
    std::filesystem::create_directories(NativePath(w.Path("app/【刷物】leveldat")));
    for (const std::string& name :
         {kWhole + "/.note", kWhole + "/.note.saving", kCharacter + ".note.saving",
          kCharacter + ".note", std::string("app/【刷物】leveldat/09_05_07level.dat.note.saving")})
        WriteFile(w.Path(name), "x");
    RemoveLeftovers(w.files);
    for (const auto& [name, bytes] : w.Files())
        EXPECT_FALSE(name.ends_with(".saving")) << name;
    EXPECT_EQ(w.Files().count(kWhole + "/.note") + w.Files().count(kCharacter + ".note"), 2u);
}

} // namespace
} // namespace saver::test
