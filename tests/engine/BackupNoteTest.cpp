// SPDX-License-Identifier: GPL-3.0-or-later
#include "World.h"

#include "BackupNote.h"
#include "SafeFileOps.h"

#include <gtest/gtest.h>

namespace saver::test {
namespace {

const std::string kFile = "app/【存档】leveldat/09_05_07level.dat", kFolder = "app/【1】9_0_0";

// A character backup and a whole-save backup.
struct Noted : World
{
    Noted()
    {
        std::filesystem::create_directories(NativePath(Path(kFolder)));
        WriteTree(Path(FolderOf(kFile)), {{"09_05_07level.dat", "level data"}});
    }
};

// Bytes that are no UTF-8 reach the note only on Linux: Windows reads such a line in the ANSI
// code page.
TEST(BackupNote, WhateverTheFileHoldsIsShownSafelyAndInPart)
{
    const std::pair<std::string, std::string> cleaned[] = {
        {"\xEF\xBB\xBF村庄 one\xE2\x80\xA8two\tthree", "村庄 one\ntwo three"},
        {"\xFF ok \xC0\xAF bell\x07 c1\xC2\x85 "
         "rtl\xE2\x80\xAE\xE2\x80\xAA\xE2\x81\xA6\xE2\x81\xA9.exe",
         "\uFFFD ok \uFFFD\uFFFD bell\uFFFD c1\uFFFD rtl\uFFFD\uFFFD\uFFFD\uFFFD.exe"},
        {"\xED\xA0\x80 \xF4\x90\x80\x80 \xF4\x8F\xBF\xBF cut \xE6\x97",
         "\uFFFD\uFFFD\uFFFD \uFFFD\uFFFD\uFFFD\uFFFD \U0010FFFF cut \uFFFD\uFFFD"}};
    for (const auto& [bytes, shown] : cleaned)
        EXPECT_EQ(CleanNote(bytes), shown);
    Noted w;
    const std::pair<std::string, std::string> read[] = {
        {"村庄\r\nfour", "村庄"}, {std::string(8 << 20, 'n'), std::string(32 << 10, 'n')}};
    for (const auto& [bytes, shown] : read) {
        WriteFile(w.Path(kFile + ".note"), bytes);
        EXPECT_EQ(w.Listed(kFile).note, shown);
    }
    EXPECT_EQ(NoteSummary("下界\n要塞！", 5), "下界 要…");
}

// Line breaks come back as typed; a note too long is cut between characters; a blank one
// removes the note. The folder keeps the time that tells when the backup was made.
TEST(BackupNote, WrittenNotesReadBackAndLeaveTheFolderTime)
{
    std::string tooLong;
    while (tooLong.size() <= kNoteMostBytes)
        tooLong += "字";
    const std::string kept = tooLong.substr(0, kNoteMostBytes / 3 * 3);
    const std::pair<std::string, std::string> cases[] = {
        {"第一行\r\n第二行\r", "第一行\n第二行\n"}, {tooLong, kept}, {" \r\n\t", ""}};
    Noted w;
    w.real.SetModified(w.Path(kFolder), 1'796'000'000'000'000'000);
    for (const auto& [typed, shown] : cases) {
        for (const std::string& name : {kFile, kFolder}) {
            ASSERT_FALSE(SetNote(w.files, w.Listed(name), typed));
            EXPECT_EQ(w.Listed(name).note, shown);
        }
        EXPECT_EQ(w.files.Status(w.Path(kFolder)).modifiedNs, 1'796'000'000'000'000'000);
    }
    EXPECT_EQ(w.Files().count(kFile + ".note") + w.Files().count(kFolder + "/.note"), 0u);
}

} // namespace
} // namespace saver::test
