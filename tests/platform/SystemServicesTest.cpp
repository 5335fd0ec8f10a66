#include "SystemServices.h"

#include "TempDir.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>

namespace saver {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::WriteFile;

class ServicesTest : public ::testing::Test
{
protected:
    std::string In(const std::string& name) const { return m_dir.path() + "/" + name; }

    test::TempDir m_dir;
    SystemServices m_services{"/opt/saver"};
};

struct AppDirCase
{
    const char* name;
    const char* given;
    const char* expected;
};

class AppDirTest : public ::testing::TestWithParam<AppDirCase>
{
};

TEST_P(AppDirTest, DropsTrailingSlashes)
{
    EXPECT_EQ(SystemServices(GetParam().given).AppDir(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Paths, AppDirTest,
                         ::testing::Values(AppDirCase{"Plain", "/home/a/saver", "/home/a/saver"},
                                           AppDirCase{"Slash", "/home/a/saver/", "/home/a/saver"},
                                           AppDirCase{"Slashes", "/home/a/saver//",
                                                      "/home/a/saver"},
                                           AppDirCase{"Root", "/", "/"}),
                         test::CaseName{});

enum class Kind { File, Folder, Missing, LinkToFile, LinkToFolder, DanglingLink };

struct PathCase
{
    const char* name;
    Kind kind;
    bool isFile;
    bool isFolder;
};

class PathKindTest : public ServicesTest, public ::testing::WithParamInterface<PathCase>
{
protected:
    void Make(Kind kind, const std::string& path)
    {
        WriteFile(In("file"), "x");
        fs::create_directory(In("folder"));
        switch (kind) {
        case Kind::File:
            WriteFile(path, "x");
            break;
        case Kind::Folder:
            fs::create_directory(path);
            break;
        case Kind::Missing:
            break;
        case Kind::LinkToFile:
            fs::create_symlink(In("file"), path);
            break;
        case Kind::LinkToFolder:
            fs::create_symlink(In("folder"), path);
            break;
        case Kind::DanglingLink:
            fs::create_symlink(In("gone"), path);
            break;
        }
    }
};

TEST_P(PathKindTest, FirstEntryAndFolderExistsFollowLinks)
{
    const std::string path = In("level.dat");
    Make(GetParam().kind, path);
    EXPECT_EQ(m_services.FirstEntry(path), GetParam().isFile ? "level.dat" : "");
    EXPECT_EQ(m_services.FolderExists(path), GetParam().isFolder);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, PathKindTest,
    ::testing::Values(PathCase{"File", Kind::File, true, false},
                      PathCase{"Folder", Kind::Folder, false, true},
                      PathCase{"Missing", Kind::Missing, false, false},
                      PathCase{"LinkToFile", Kind::LinkToFile, true, false},
                      PathCase{"LinkToFolder", Kind::LinkToFolder, false, true},
                      PathCase{"DanglingLink", Kind::DanglingLink, false, false}),
    test::CaseName{});

struct MakeDirCase
{
    const char* name;
    const char* path;
    bool exists;
    std::errc expected;
};

class MakeDirTest : public ServicesTest, public ::testing::WithParamInterface<MakeDirCase>
{
};

TEST_P(MakeDirTest, CreatesOnlyNewFoldersWithExistingParent)
{
    const std::string path = In(GetParam().path);
    if (GetParam().exists) {
        fs::create_directory(path);
    }
    EXPECT_EQ(m_services.MakeDir(path), test::CodeOf(GetParam().expected));
    EXPECT_EQ(fs::is_directory(path), GetParam().exists || GetParam().expected == std::errc{});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MakeDirTest,
    ::testing::Values(MakeDirCase{"New", "new", false, std::errc{}},
                      MakeDirCase{"NewWithSlash", "new/", false, std::errc{}},
                      MakeDirCase{"Taken", "taken", true, std::errc::file_exists},
                      MakeDirCase{"TakenWithSlash", "taken/", true, std::errc::file_exists},
                      MakeDirCase{"ParentMissing", "missing/new", false,
                                  std::errc::no_such_file_or_directory}),
    test::CaseName{});

TEST_F(ServicesTest, DeleteFileRemovesOnlyFiles)
{
    WriteFile(In("a"), "x");
    fs::create_directory(In("folder"));
    EXPECT_FALSE(m_services.DeleteFile(In("a")));
    EXPECT_FALSE(fs::exists(In("a")));
    EXPECT_EQ(m_services.DeleteFile(In("a")), std::errc::no_such_file_or_directory);
    EXPECT_EQ(m_services.DeleteFile(In("folder")), std::errc::is_a_directory);
}

TEST_F(ServicesTest, RemoveFolderRemovesLockedContentButNotLinkTargets)
{
    fs::create_directories(In("outside"));
    WriteFile(In("outside/keep"), "keep");
    fs::create_directories(In("old/locked/deeper"));
    fs::create_directories(In("old/closed"));
    WriteFile(In("old/locked/deeper/file"), "x");
    WriteFile(In("old/closed/file"), "x");
    fs::create_symlink(In("outside"), In("old/locked/outside"));
    fs::create_symlink(In("outside/keep"), In("old/keep"));
    ::chmod(In("old/locked/deeper/file").c_str(), 0444);
    ::chmod(In("old/locked/deeper").c_str(), 0555);
    ::chmod(In("old/locked").c_str(), 0555);
    ::chmod(In("old/closed").c_str(), 0);

    EXPECT_FALSE(m_services.RemoveFolder(In("old")));

    EXPECT_FALSE(fs::exists(fs::symlink_status(In("old"))));
    EXPECT_EQ(ReadFile(In("outside/keep")), "keep");
    EXPECT_EQ(m_services.RemoveFolder(In("old")), std::errc::no_such_file_or_directory);
}

struct CopyCase
{
    const char* name;
    std::size_t size;
    // The source sits on another filesystem, where the kernel refuses to copy by itself.
    bool fromMemory;
};

class CopyFileTest : public ServicesTest, public ::testing::WithParamInterface<CopyCase>
{
};

TEST_P(CopyFileTest, CopiesBytesAndPermissions)
{
    if (GetParam().fromMemory && !fs::is_directory("/dev/shm")) {
        GTEST_SKIP() << "no /dev/shm";
    }
    const test::TempDir sourceDir(GetParam().fromMemory ? "/dev/shm" : m_dir.path());
    const std::string from = sourceDir.path() + "/region.mca";
    const std::string bytes = test::RandomBytes(GetParam().size, 7);
    WriteFile(from, bytes);
    ::chmod(from.c_str(), 0640);

    ASSERT_FALSE(m_services.CopyFile(from, In("copy")));

    EXPECT_TRUE(ReadFile(In("copy")) == bytes);
    EXPECT_EQ(fs::status(In("copy")).permissions(), fs::perms(0640));
}

INSTANTIATE_TEST_SUITE_P(Sizes, CopyFileTest,
                         ::testing::Values(CopyCase{"Empty", 0, false},
                                           CopyCase{"OneByte", 1, false},
                                           CopyCase{"ChunkAndOne", (1u << 20) + 1, false},
                                           CopyCase{"FiveMiB", 5u << 20, false},
                                           CopyCase{"FiveMiBAcrossFilesystems", 5u << 20, true}),
                         test::CaseName{});

TEST_F(ServicesTest, CopyFileLeavesExistingTargetUntouched)
{
    WriteFile(In("from"), "new");
    WriteFile(In("to"), "old");
    EXPECT_EQ(m_services.CopyFile(In("from"), In("to")), std::errc::file_exists);
    EXPECT_EQ(ReadFile(In("to")), "old");
}

TEST_F(ServicesTest, CopyFileFromMissingOrFolderLeavesNoTarget)
{
    fs::create_directory(In("folder"));
    EXPECT_EQ(m_services.CopyFile(In("missing"), In("to")), std::errc::no_such_file_or_directory);
    EXPECT_EQ(m_services.CopyFile(In("folder"), In("to")), std::errc::is_a_directory);
    EXPECT_FALSE(fs::exists(In("to")));
}

TEST_F(ServicesTest, CopyFileFailingHalfwayLeavesNoTarget)
{
    WriteFile(In("from"), test::RandomBytes(3u << 20, 1));
    const test::FileSizeLimit limit(1u << 20);
    EXPECT_EQ(m_services.CopyFile(In("from"), In("to")), std::errc::file_too_large);
    EXPECT_FALSE(fs::exists(In("to")));
}

TEST_F(ServicesTest, CopyFileIntoReadOnlyFolderIsRefused)
{
    if (test::IsRoot()) {
        GTEST_SKIP() << "root ignores permissions";
    }
    WriteFile(In("from"), "x");
    fs::create_directory(In("locked"));
    ::chmod(In("locked").c_str(), 0555);
    EXPECT_EQ(m_services.CopyFile(In("from"), In("locked/to")), std::errc::permission_denied);
}

enum class Entry { None, File, Folder };

struct RenameCase
{
    const char* name;
    Entry from;
    Entry to;
    bool replace;
    std::errc expected;
};

class RenameTest : public ServicesTest, public ::testing::WithParamInterface<RenameCase>
{
protected:
    // Files hold their mark, folders a file "mark" holding it.
    void Make(Entry entry, const std::string& path, const std::string& mark)
    {
        if (entry == Entry::File) {
            WriteFile(path, mark);
        } else if (entry == Entry::Folder) {
            fs::create_directory(path);
            WriteFile(path + "/mark", mark);
        }
    }
    static std::string Mark(const std::string& path)
    {
        if (!fs::exists(path)) {
            return "none";
        }
        return ReadFile(fs::is_directory(path) ? path + "/mark" : path);
    }
};

TEST_P(RenameTest, MovesOrLeavesBothIntact)
{
    Make(GetParam().from, In("from"), "from");
    Make(GetParam().to, In("to"), "to");
    const std::string fromBefore = Mark(In("from"));
    const std::string toBefore = Mark(In("to"));

    EXPECT_EQ(m_services.Rename(In("from"), In("to"), GetParam().replace),
              test::CodeOf(GetParam().expected));

    if (GetParam().expected == std::errc{}) {
        EXPECT_FALSE(fs::exists(In("from")));
        EXPECT_EQ(Mark(In("to")), "from");
    } else {
        EXPECT_EQ(Mark(In("from")), fromBefore);
        EXPECT_EQ(Mark(In("to")), toBefore);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RenameTest,
    ::testing::Values(
        RenameCase{"FileToFreeName", Entry::File, Entry::None, false, std::errc{}},
        RenameCase{"FileToFreeNameReplacing", Entry::File, Entry::None, true, std::errc{}},
        RenameCase{"FileOverFileReplacing", Entry::File, Entry::File, true, std::errc{}},
        RenameCase{"FileOverFile", Entry::File, Entry::File, false, std::errc::file_exists},
        RenameCase{"FolderToFreeName", Entry::Folder, Entry::None, false, std::errc{}},
        RenameCase{"FolderOverFolder", Entry::Folder, Entry::Folder, false, std::errc::file_exists},
        RenameCase{"FileOverFolder", Entry::File, Entry::Folder, false, std::errc::file_exists},
        RenameCase{"MissingSource", Entry::None, Entry::None, false,
                   std::errc::no_such_file_or_directory},
        RenameCase{"MissingSourceReplacing", Entry::None, Entry::File, true,
                   std::errc::no_such_file_or_directory}),
    test::CaseName{});

struct LineCase
{
    const char* name;
    std::string content;
    bool present;
    std::string text;
};

class ReadFirstLineTest : public ServicesTest, public ::testing::WithParamInterface<LineCase>
{
};

TEST_P(ReadFirstLineTest, ReturnsBytesBeforeLineEnd)
{
    WriteFile(In("name.txt"), GetParam().content);
    const FirstLine line = m_services.ReadFirstLine(In("name.txt"));
    EXPECT_FALSE(line.error);
    EXPECT_EQ(line.present, GetParam().present);
    EXPECT_EQ(line.text, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Contents, ReadFirstLineTest,
    ::testing::Values(LineCase{"CrLf", "a\r\nb", true, "a"}, LineCase{"Cr", "a\rb", true, "a"},
                      LineCase{"Lf", "a\nb", true, "a"}, LineCase{"OnlyCrLf", "\r\n", true, ""},
                      LineCase{"LfBeforeCr", "a\n\rb", true, "a"}, LineCase{"Empty", "", false, ""},
                      LineCase{"NoLineEnd", "World 1", true, "World 1"},
                      LineCase{"Utf8", "Welt \xe4\xb8\x96\r\n", true, "Welt \xe4\xb8\x96"},
                      LineCase{"LongLine", std::string(40 * 1024, 'x'), true,
                               std::string(32 * 1024, 'x')},
                      LineCase{"LineEndPastLimit", std::string(32 * 1024, 'y') + "\r\n", true,
                               std::string(32 * 1024, 'y')}),
    test::CaseName{});

TEST_F(ServicesTest, ReadFirstLineOfFolderOrMissingFileFails)
{
    fs::create_directory(In("folder"));
    EXPECT_EQ(m_services.ReadFirstLine(In("folder")).error, std::errc::is_a_directory);
    EXPECT_EQ(m_services.ReadFirstLine(In("missing")).error, std::errc::no_such_file_or_directory);
}

struct TextCase
{
    const char* name;
    std::string text;
};

class WriteOneLineTest : public ServicesTest, public ::testing::WithParamInterface<TextCase>
{
};

TEST_P(WriteOneLineTest, ReplacesContentWithTextAndCrLf)
{
    WriteFile(In("name.txt"), std::string(100, 'o') + "\r\nsecond line\r\n");
    EXPECT_FALSE(m_services.WriteOneLine(In("name.txt"), GetParam().text));
    EXPECT_EQ(ReadFile(In("name.txt")), GetParam().text + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(Texts, WriteOneLineTest,
                         ::testing::Values(TextCase{"Empty", ""}, TextCase{"Ascii", "World"},
                                           TextCase{"Utf8", "\xe4\xb8\x96\xe7\x95\x8c 2"}),
                         test::CaseName{});

TEST_F(ServicesTest, WriteOneLineCreatesMissingFileButNotFolder)
{
    EXPECT_FALSE(m_services.WriteOneLine(In("new.txt"), "x"));
    EXPECT_EQ(ReadFile(In("new.txt")), "x\r\n");
    EXPECT_EQ(m_services.WriteOneLine(In("missing/new.txt"), "x"),
              std::errc::no_such_file_or_directory);
}

} // namespace
} // namespace saver
