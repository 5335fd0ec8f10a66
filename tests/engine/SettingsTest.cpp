// SPDX-License-Identifier: GPL-3.0-or-later
#include "GlibcUtf8.h"
#include "World.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

namespace saver::test {
namespace {

// saver.ini in every shape it may be found in: the first line is the chosen save when it is
// a path the program could have written, else the prompt stays and the file is named as
// unusable and left as it is.
TEST(Settings, TheFirstLineIsTheChosenSaveWhenItCanBeOne)
{
    const std::pair<std::string, std::optional<std::string>> cases[]{
        {"/games/w/level.dat\r\nrest", "/games/w/level.dat"},
        {"/games/w/level.dat\rrest", "/games/w/level.dat"},
        {"/游戏/我的世界/level.dat", "/游戏/我的世界/level.dat"},
        {"\xEF\xBB\xBF/games/w/level.dat\r\n", "/games/w/level.dat"},
        {"\r\n/games/w/level.dat\r\n", ""},
        {"", std::nullopt},
#ifndef _WIN32 // Windows reads a line that is not UTF-8 in its ANSI code page
        {"/games/\xff\xfe/level.dat\r\n", std::nullopt},
        {"/games/\xc0\xaf/level.dat\r\n", std::nullopt},
#endif
        {std::string("/games/\0/level.dat", 18), std::nullopt},
        {std::string(10 << 20, 'a'), std::nullopt}};
    for (const auto& [content, chosen] : cases) {
        World w;
        WriteFile(w.Path("app/saver.ini"), content);
        AutoSaver saver(w.files, w.clock);
        const bool unusable = !chosen && !content.empty();
        EXPECT_EQ(!saver.Load(), unusable) << content.substr(0, 30);
        EXPECT_EQ(saver.ChosenSave(), chosen) << content.substr(0, 30);
        EXPECT_EQ(w.Read("app/saver.ini"), content);
    }
}

// saver.ini holds the path with the system's separators: on Windows backslashes, as the program
// this one replaces wrote it, and either form leads to the save; on Linux a backslash is a
// character of a name. The program writes the form of the first column back.
TEST(Settings, TheStoredPathHasTheSystemsSeparators)
{
    World w;
    std::string stored = w.Level(), slashes = w.Level();
#ifdef _WIN32
    std::ranges::replace(stored, '/', '\\');
    const std::pair<std::string, std::string> cases[]{
        {stored, w.Level()},
        {slashes, w.Level()},
        {"D:\\存档\\新的世界\\level.dat", "D:/存档/新的世界/level.dat"}};
#else
    const std::pair<std::string, std::string> cases[]{
        {stored, w.Level()}, {"/games/a\\b/level.dat", "/games/a\\b/level.dat"}};
#endif
    for (const auto& [line, chosen] : cases) {
        WriteFile(w.Path("app/saver.ini"), line + "\r\n");
        AutoSaver saver(w.files, w.clock);
        EXPECT_TRUE(saver.Load()) << line;
        EXPECT_EQ(saver.ChosenSave(), chosen) << line;
        EXPECT_FALSE(saver.ChooseSave(chosen));
        const std::string written = line == slashes ? stored : line;
        EXPECT_EQ(w.Read("app/saver.ini"), written + "\r\n");
    }
}

TEST(Settings, APathThatWouldNotReadBackTheSameIsRefused)
{
    World w;
    for (const std::string& path : {w.Path("a\nb/level.dat"), w.Path("\xff/level.dat")}) {
        EXPECT_EQ(FailureReason(w.saver.ChooseSave(path)), "路径无效");
        EXPECT_EQ(w.saver.ChosenSave().value_or(""), w.Level());
        EXPECT_EQ(w.Read("app/saver.ini"), w.Level() + "\r\n");
    }
}

// Every string of up to four bytes from the edges of the UTF-8 ranges.
TEST(Settings, Utf8IsReadAsGlibcReadsIt)
{
    const std::string edges("\x00\x41\x7f\x80\x8f\x90\x9f\xa0\xbf\xc0\xc1\xc2\xdf\xe0\xed\xef"
                            "\xf0\xf4\xf5\xf8\xff",
                            21);
    const std::size_t base = edges.size() + 1; // digit 0 stands for no byte
    for (std::size_t k = 0; k < base * base * base * base; ++k) {
        std::string text;
        for (std::size_t rest = k; rest > 0; rest /= base) {
            if (rest % base != 0)
                text += edges[rest % base - 1];
        }
        ASSERT_EQ(IsValidUtf8(text), GlibcReadsUtf8(text)) << testing::PrintToString(text);
    }
}

} // namespace
} // namespace saver::test
