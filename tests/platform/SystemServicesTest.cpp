// SPDX-License-Identifier: GPL-3.0-or-later
#include "SystemServices.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

// The cases below hold for the services of every system; what only Linux has (permission
// bits, links, resource limits, its rename calls) is checked on Linux alone.
#ifndef _WIN32
#include "NoReplaceRename.h"

#include <fcntl.h>
#include <sys/resource.h>

#include <csignal>
#endif

namespace saver {
namespace {

namespace fs = std::filesystem;
using test::ListTree;
using test::ReadFile;
using test::WriteFile;

class ServicesTest : public test::InTempDir
{
protected:
    SystemServices m_services{"/opt/saver//"};
};

// Every query follows links; a dangling link is as good as nothing there. Nothing here is locked.
TEST_F(ServicesTest, QueriesFollowLinks)
{
    EXPECT_EQ(m_services.AppDir() + SystemServices("/").AppDir(), "/opt/saver/");
    WriteFile(In("file"), "xyz");
    // Whole 100 ns steps, the finest that Windows keeps.
    EXPECT_FALSE(m_services.SetModified(In("file"), 1'500'000'000'123'456'700));
    EXPECT_EQ(m_services.SetModified(In("gone"), 0), std::errc::no_such_file_or_directory);
    fs::create_directory(In("folder"));
    std::vector<std::string> names = {"file", "folder", "gone"};
#ifndef _WIN32
    for (const auto& [link, target] :
         {std::pair{"to file", "file"}, {"to folder", "folder"}, {"dangling", "gone"}})
        fs::create_symlink(target, In(link)), names.emplace_back(link);
#endif
    for (const std::string& name : names) {
        const bool file = name.ends_with("file"), folder = name.ends_with("folder");
        const FileStatus status = m_services.Status(In(name));
        EXPECT_EQ(std::tuple(status.error.value(), status.isFile, status.isFolder),
                  std::tuple(file || folder ? 0 : ENOENT, file, folder))
            << name;
        EXPECT_TRUE(!file || (status.size == 3 && status.modifiedNs == 1'500'000'000'123'456'700));
        EXPECT_EQ(m_services.FirstEntry(In(name)), file ? name : "");
        EXPECT_EQ(m_services.FolderExists(In(name)), folder);
        EXPECT_FALSE(m_services.IsLockedByAnotherProcess(In(name)));
        EXPECT_EQ(m_services.ResolvedPath(In(name)),
                  file || folder ? test::Utf8Path(fs::canonical(In(name))) : In(name));
    }
}

// Locked folders are opened up to be emptied; links inside are removed, never followed. A
// folder emptied that its parent keeps is a failure.
TEST_F(ServicesTest, MakesAndRemovesFilesAndFolders)
{
    EXPECT_FALSE(m_services.MakeDir(In("new/")));
    EXPECT_EQ(m_services.MakeDir(In("new")), std::errc::file_exists);
    EXPECT_EQ(m_services.MakeDir(In("gone/new")), std::errc::no_such_file_or_directory);
    WriteFile(In("new/file"), "x");
    EXPECT_EQ(m_services.DeleteFile(In("new")), std::errc::is_a_directory);
    EXPECT_FALSE(m_services.DeleteFile(In("new/file")));
    EXPECT_EQ(m_services.DeleteFile(In("new/file")), std::errc::no_such_file_or_directory);
    fs::create_directories(In("old/locked/deeper"));
    fs::create_directory(In("old/closed"));
    WriteFile(In("old/locked/deeper/file"), "x");
#ifdef _WIN32
    fs::permissions(In("old/locked/deeper/file"), fs::perms::owner_read); // read-only
    EXPECT_FALSE(m_services.RemoveFolder(In("old")));
#else
    fs::create_symlink(In("new"), In("old/locked/new"));
    fs::permissions(m_dir.path(), fs::perms(0755)); // "nobody" may not remove "old" from it
    for (const auto& [path, mode] : {std::pair{"old/locked/deeper", 0555},
                                     {"old/locked", 0555},
                                     {"old/closed", 0},
                                     {"old", 0755}}) {
        ::chown(In(path).c_str(), 65534, 65534); // for "nobody" to unlock
        ::chmod(In(path).c_str(), static_cast<mode_t>(mode));
    }
    EXPECT_EQ(test::RunUnprivileged([&] { return m_services.RemoveFolder(In("old")).value(); }),
              EACCES);
    EXPECT_EQ(ListTree(m_dir.path()).size(), 2u); // "new" and "old", emptied
    EXPECT_FALSE(m_services.RemoveFolder(In("old")));
#endif
    EXPECT_EQ(ListTree(m_dir.path()).size(), 1u); // "new", now empty
    EXPECT_EQ(m_services.RemoveFolder(In("old")), std::errc::no_such_file_or_directory);
}

TEST_F(ServicesTest, CopyFileCopiesBytesAndPermissionsOrLeavesNothing)
{
    std::vector<std::pair<std::string, int>> cases = {{In("from"), 0}, {In("from"), (5 << 20) + 1}};
#ifndef _WIN32
    const test::TempDir memory("/dev/shm"); // where the kernel may not copy to the disk
    cases.emplace_back(memory.path() + "/from", 5 << 20);
#endif
    for (const auto& [from, size] : cases) {
        const std::string bytes = test::RandomBytes(static_cast<std::size_t>(size), 7);
        WriteFile(from, bytes);
        fs::remove(In("to"));
#ifndef _WIN32
        ::chmod(from.c_str(), 0640);
#endif
        ASSERT_FALSE(m_services.CopyFile(from, In("to")));
        EXPECT_TRUE(ReadFile(In("to")) == bytes) << from << size;
#ifndef _WIN32
        EXPECT_EQ(fs::status(In("to")).permissions(), fs::perms(0640));
#endif
    }
    EXPECT_EQ(m_services.CopyFile(In("from"), In("to")), std::errc::file_exists);
    EXPECT_EQ(m_services.CopyFile(In("gone"), In("new")), std::errc::no_such_file_or_directory);
    EXPECT_EQ(m_services.CopyFile(m_dir.path(), In("new")), std::errc::is_a_directory);
#ifndef _WIN32
    std::signal(SIGXFSZ, SIG_IGN); // writes past the limit fail with EFBIG instead
    rlimit limit = {1 << 20, RLIM_INFINITY}, saved = {};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_EQ(m_services.CopyFile(In("from"), In("new")), std::errc::file_too_large);
    ::setrlimit(RLIMIT_FSIZE, &saved);
#endif
    EXPECT_FALSE(fs::exists(In("new")));
}

#ifndef _WIN32
template <int Error> int Refuse(int, const char*, int, const char*, unsigned)
{
    return errno = Error, -1;
}
#endif

// Each rename that must not replace is also made by hand, as on filesystems whose renameat2
// cannot promise that.
TEST_F(ServicesTest, RenameMovesOrLeavesBothIntact)
{
    std::vector<std::function<std::error_code(bool replace)>> ways = {
        [&](bool replace) { return m_services.Rename(In("from"), In("to"), replace); }};
#ifndef _WIN32
    for (const RenameCall refusing : {Refuse<EINVAL>, Refuse<ENOSYS>})
        ways.emplace_back(
            [&, refusing](bool) { return RenameWithoutReplacing(In("from"), In("to"), refusing); });
#endif
    for (const auto& way : ways) {
        // What is at "from" and at "to" before: "file", "folder" or nothing.
        for (const auto& [from, to, replace, error] : {std::tuple{"file", "", false, 0},
                                                       {"file", "file", true, 0},
                                                       {"file", "file", false, EEXIST},
                                                       {"folder", "", false, 0},
                                                       {"folder", "folder", false, EEXIST},
                                                       {"file", "folder", false, EEXIST},
                                                       {"folder", "file", false, EEXIST},
                                                       {"", "", false, ENOENT},
                                                       {"", "file", true, ENOENT}}) {
            if (replace && &way != ways.data())
                continue;
            for (const auto& [kind, name] : {std::pair{from, "from"}, {to, "to"}}) {
                fs::remove_all(In(name));
                if (std::string_view(kind) == "file")
                    WriteFile(In(name), name);
                else if (*kind != '\0')
                    fs::create_directory(In(name));
            }
            auto expected = ListTree(m_dir.path());
            if (error == 0) {
                expected["to"] = expected["from"];
                expected.erase("from");
            }
            EXPECT_EQ(way(replace).value(), error)
                << from << "→" << to << replace << &way - ways.data();
            EXPECT_EQ(ListTree(m_dir.path()), expected);
        }
    }
}

TEST_F(ServicesTest, ReadsAndWritesOneLine)
{
    const std::string full(32 * 1024, 'x');
    for (const auto& [content, text] : std::initializer_list<std::pair<std::string, std::string>>{
             {"a\rb", "a"}, {"a\n\rb", "a"}, {full + "y\r\n", full}, {"", ""}}) {
        WriteFile(In("name.txt"), content);
        const FirstLine line = m_services.ReadFirstLine(In("name.txt"));
        EXPECT_EQ(std::tuple(line.error.value(), line.present, line.text),
                  std::tuple(0, !content.empty(), text));
        EXPECT_FALSE(m_services.WriteOneLine(In("name.txt"), text));
        EXPECT_EQ(ReadFile(In("name.txt")), text + "\r\n");
    }
    EXPECT_EQ(m_services.ReadFirstLine(m_dir.path()).error, std::errc::is_a_directory);
    EXPECT_EQ(m_services.WriteOneLine(In("gone/a"), "x"), std::errc::no_such_file_or_directory);
}

} // namespace
} // namespace saver
