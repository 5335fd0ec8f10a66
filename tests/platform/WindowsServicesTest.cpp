// SPDX-License-Identifier: GPL-3.0-or-later
#include "DataFolder.h"
#include "FileHandle.h"
#include "FolderCopier.h"
#include "SystemServices.h"
#include "TestFiles.h"
#include "WidePath.h"
#include "WriteRefused.h"

#include <gtest/gtest.h>

namespace saver {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::WriteFile;

class WindowsServices : public test::InTempDir
{
protected:
    // The save World with `files` in it, and an empty folder for its backup.
    void MakeSave(std::initializer_list<std::pair<std::string, std::string>> files)
    {
        for (const auto& [name, bytes] : files)
            Put("save/World/" + name, bytes);
        fs::remove_all(In("backup"));
        fs::create_directory(In("backup"));
    }

    SystemServices m_services{m_dir.path()};
};

// The settings of the program before this one are in the ANSI code page; UTF-8 stays as it is.
// ctest runs it also in a Chinese locale, where Wine's ANSI code page is GBK.
TEST_F(WindowsServices, ReadsALineThatIsNotUtf8InTheAnsiCodePage)
{
    const std::string gbk = "D:\\\xD3\xCE\xCF\xB7\\level.dat"; // D:\游戏\level.dat
    const std::string utf8 = "D:\\\xE6\xB8\xB8\xE6\x88\x8F\\level.dat";
    const std::string cp1252 = "D:\\\xC3\x93\xC3\x8E\xC3\x8F\xC2\xB7\\level.dat";
    if (::GetACP() != 936 && ::GetACP() != 1252)
        GTEST_SKIP() << "no expected text for code page " << ::GetACP();
    for (const auto& [stored, read] :
         {std::pair{gbk, ::GetACP() == 936 ? utf8 : cp1252}, {utf8, utf8}}) {
        WriteFile(In("saver.ini"), stored + "\r\n");
        EXPECT_EQ(m_services.ReadFirstLine(In("saver.ini")).text, read);
    }
}

// The game saves by renaming level.dat aside and its new version into the name; a copy
// that is reading level.dat at that moment must let both renames happen.
TEST_F(WindowsServices, TheGameRenamesAFileWhileTheCopyReadsIt)
{
    MakeSave(
        {{"level.dat", test::RandomBytes(5 << 20, 1)}, {"level.dat_new", "new"}}); // read in steps
    std::error_code aside, into;
    FolderCopyOptions options;
    options.leaveOut = [](const std::string& path) { return path.ends_with("_new"); };
    options.progress = [&](std::uint64_t done, std::uint64_t) {
        if (done > 0 && done < (5 << 20)) {
            aside = m_services.Rename(In("save/World/level.dat"), In("save/World/level.dat_old"),
                                      false);
            into = m_services.Rename(In("save/World/level.dat_new"), In("save/World/level.dat"),
                                     false);
        }
    };
    EXPECT_FALSE(m_services.CopyFolder(In("save/World"), In("backup"), options).error);
    EXPECT_EQ(std::pair(aside.value(), into.value()), std::pair(0, 0));
    EXPECT_EQ(ReadFile(In("save/World/level.dat")), "new");
    EXPECT_EQ(fs::file_size(In("backup/World/level.dat")), 5u << 20);
}

TEST_F(WindowsServices, SeesAFileThatAnotherHandleLocksOrHoldsAlone)
{
    const std::string lock = In("session.lock");
    WriteFile(lock, "\xE2\x98\x83");
    for (const DWORD share : {DWORD{FILE_SHARE_READ | FILE_SHARE_WRITE}, DWORD{0}}) {
        const HANDLE game = ::CreateFileW(fs::path(lock).c_str(), GENERIC_READ | GENERIC_WRITE,
                                          share, nullptr, OPEN_EXISTING, 0, nullptr);
        OVERLAPPED whole = {};
        EXPECT_TRUE(share == 0 || ::LockFileEx(game, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &whole));
        EXPECT_TRUE(m_services.IsLockedByAnotherProcess(lock)) << share;
        ::CloseHandle(game);
        EXPECT_FALSE(m_services.IsLockedByAnotherProcess(lock)) << share;
    }
}

// A running game holds a byte-range lock over its whole session.lock, which Windows enforces on
// every read and Wine does not, so the copy's reads are refused here as Windows would: the
// backup keeps the game's lock as far as it reads, and any other file refused that way stops it,
// named. A write refused as in a folder that Controlled Folder Access guards (Wine, as root,
// refuses none) is told apart from an unreadable file of the save, and is no file of it.
TEST_F(WindowsServices, ABackupOfAWorldInPlayKeepsTheGamesLockAndTellsWhatStopsIt)
{
    MakeSave({{"level.dat", "level"},
              {"session.lock", "\xE2\x98\x83"},
              {"DIM1/session.lock", "not the game's"}});
    // The file whose reads are refused, and the one the copy names as stopping it, if any.
    for (const auto& [refused, failedPath] :
         std::initializer_list<std::pair<std::string, std::string>>{
             {"session.lock", ""},
             {"level.dat", "save/World/level.dat"},
             {"DIM1\\session.lock", "save/World/DIM1/session.lock"}}) {
        MakeSave({});
        const ReadCall read = [&](HANDLE file, char* buffer, DWORD size, DWORD& got) {
            std::wstring name(1024, L'\0');
            name.resize(::GetFinalPathNameByHandleW(file, name.data(), 1024, 0));
            if (name.ends_with(L"World\\" + std::wstring(refused.begin(), refused.end()))) {
                ::SetLastError(ERROR_LOCK_VIOLATION);
                return false;
            }
            return ReadPart(file, buffer, size, got);
        };
        const FolderCopyResult copy =
            FolderCopier(FolderCopyOptions{}, {.read = read}).Run(In("save/World"), In("backup"));
        EXPECT_EQ(copy.failedPath, failedPath.empty() ? "" : In(failedPath)) << refused;
        EXPECT_EQ(copy.error.value(), failedPath.empty() ? 0 : EAGAIN);
        if (failedPath.empty()) {
            EXPECT_EQ(ReadFile(In("backup/World/level.dat")), "level");
            EXPECT_EQ(ReadFile(In("backup/World/session.lock")), "");
        }
    }
    // A game that holds the file without sharing it at all.
    const HANDLE game =
        ::CreateFileW(fs::path(In("save/World/session.lock")).c_str(), GENERIC_READ | GENERIC_WRITE,
                      0, nullptr, OPEN_EXISTING, 0, nullptr);
    MakeSave({});
    EXPECT_FALSE(m_services.CopyFolder(In("save/World"), In("backup"), {}).error);
    EXPECT_EQ(ReadFile(In("backup/World/session.lock")), "");
    ::CloseHandle(game);
    MakeSave({});
    const CreateCall refuse = [](const std::wstring&) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    };
    const FolderCopyResult copy =
        FolderCopier(FolderCopyOptions{}, {.create = refuse}).Run(In("save/World"), In("backup"));
    EXPECT_TRUE(IsWriteRefused(copy.error));
    EXPECT_EQ(copy.error, std::errc::permission_denied);
    EXPECT_EQ(copy.failedPath, "");
    EXPECT_FALSE(IsWriteRefused(m_services.WriteOneLine(In("missing/file"), "x")));
}

// A file or folder marked read-only in a backup (every name of a file shares the mark) comes
// back writable for the game, and a backup holding such marks is removed whole.
TEST_F(WindowsServices, ReadOnlyMarksStayOutOfARestoreAndDoNotStopARemoval)
{
    const std::string marked[]{"World/level.dat", "World/data/map.dat", "World/data"};
    Put("backup/World/level.dat", "level");
    Put("backup/World/data/map.dat", "map");
    for (const std::string& name : marked)
        ASSERT_TRUE(
            ::SetFileAttributesW(WidePath(In("backup/" + name)).c_str(), FILE_ATTRIBUTE_READONLY));
    fs::create_directory(In("save"));
    ASSERT_FALSE(m_services.CopyFolder(In("backup/World"), In("save"), {}).error);
    for (const std::string& name : marked)
        EXPECT_FALSE(::GetFileAttributesW(WidePath(In("save/" + name)).c_str()) &
                     FILE_ATTRIBUTE_READONLY)
            << name;
    EXPECT_FALSE(m_services.WriteOneLine(In("save/World/level.dat"), "played on"));
    EXPECT_FALSE(m_services.RemoveFolder(In("backup")));
    EXPECT_FALSE(fs::exists(In("backup")));
}

// Wine opens paths of any length, so the prefix that real Windows needs is checked as text.
TEST(WidePath, GivesAbsolutePathsThePrefixThatLiftsTheLengthLimit)
{
    EXPECT_TRUE(WidePath("C:/a//b/../\xE6\xB8\xB8/") == L"\\\\?\\C:\\a\\\u6E38\\"); // 游
    EXPECT_TRUE(WidePath("//server/share/x") == L"\\\\?\\UNC\\server\\share\\x");
    EXPECT_EQ(EnginePath(L"\\\\?\\C:\\a\\\u6E38"), "C:/a/\xE6\xB8\xB8");
    EXPECT_EQ(EnginePath(L"\\\\?\\UNC\\server\\share"), "//server/share");
}

// Paths past the 260 characters that Windows allows without the \\?\ prefix.
TEST_F(WindowsServices, WorksOnPathsLongerThanWindowsAllowsByDefault)
{
    const std::string name(100, 'n');
    std::string deep = m_dir.path();
    for (const std::string& folder : {std::string("save"), name, name, name, name}) {
        deep += "/" + folder;
        ASSERT_FALSE(m_services.MakeDir(deep)) << deep.size();
    }
    ASSERT_FALSE(m_services.WriteOneLine(deep + "/level.dat", "long"));
    ASSERT_FALSE(m_services.MakeDir(In("copy")));
    EXPECT_FALSE(m_services.CopyFolder(In("save"), In("copy"), {}).error);
    EXPECT_EQ(
        m_services.ReadFirstLine(In("copy") + deep.substr(m_dir.path().size()) + "/level.dat").text,
        "long");
    EXPECT_FALSE(m_services.RemoveFolder(In("save")));
    EXPECT_EQ(m_services.ListFolder(m_dir.path()), std::vector<std::string>{"copy"});
}

// Beside the executable when it can be written there and is no installed program (by the
// folder it was built for, or the installer's mark beside it); else the user's folder, made
// with its parents.
TEST_F(WindowsServices, ChoosesTheExecutableFolderElseTheUserFolder)
{
    const std::string user = In("Local/mcsaver");
    fs::create_directory(In("exe"));
    fs::create_directory(In("setup"));
    WriteFile(In("setup/installed.txt"), "left by the installer");
    for (const auto& [exe, installed, chosen] : {std::tuple{"exe", "", "exe"},
                                                 {"exe", "exe", "Local/mcsaver"},
                                                 {"setup", "", "Local/mcsaver"},
                                                 {"gone", "", "Local/mcsaver"}}) {
        const DataFolder folder = ChooseDataFolder(In(exe), user, *installed ? In(installed) : "");
        EXPECT_EQ(std::pair(folder.path, folder.error.value()), std::pair(In(chosen), 0)) << exe;
        EXPECT_TRUE(fs::is_empty(In("exe")));
    }
    EXPECT_EQ(ChooseDataFolder(In("gone"), "").error, std::errc::no_such_file_or_directory);
}

} // namespace
} // namespace saver
