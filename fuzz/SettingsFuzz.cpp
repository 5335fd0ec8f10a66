// saver.ini as anyone may have left it: arbitrary bytes are loaded through the real file
// services, and every path text a user could have chosen survives a save and a load.

#include "ReferenceUtf8.h"
#include "Require.h"
#include "SettingsFile.h"
#include "SystemServices.h"
#include "TempDir.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <system_error>

namespace {

using saver::fuzz::Require;

// The longest path Linux takes, without its terminating NUL.
constexpr std::size_t kLongestPath = 4095;
// The most of saver.ini the program reads.
constexpr std::size_t kLongestLine = std::size_t{32} * 1024;

// One folder for the whole run: a fresh one per input would cost more than the input.
struct Workspace
{
    saver::test::TempDir folder;
    saver::SystemServices files{folder.path()};
    std::string settingsPath = folder.path() + "/saver.ini";
};

bool IsChoosablePath(const std::string& text)
{
    return text.size() <= kLongestPath &&
           text.find_first_of(std::string("\r\n\0", 3)) == std::string::npos &&
           saver::fuzz::DecodeUtf8(text).has_value();
}

void CheckLoad(saver::SettingsFile& settings, const std::string& bytes)
{
    const std::optional<std::string> loaded = settings.Load();
    if (!loaded)
        return;
    Require(loaded->size() <= kLongestLine, "a loaded path is at most 32 KiB");
    Require(loaded->find_first_of("\r\n") == std::string::npos, "a loaded path has no line end");
    Require(saver::fuzz::DecodeUtf8(*loaded).has_value(), "a loaded path is UTF-8");
    const std::string firstLine =
        bytes.substr(0, std::min(bytes.find_first_of("\r\n"), kLongestLine));
    Require(*loaded == firstLine, "a loaded path is the first line of the file");
}

void CheckSave(Workspace& workspace, saver::SettingsFile& settings, const std::string& text)
{
    const std::string before = saver::test::ReadFile(workspace.settingsPath);
    const std::error_code error = settings.Save(text);
    if (IsChoosablePath(text))
        Require(!error, "every path a user can choose is saved");
    if (error) {
        Require(error == std::errc::invalid_argument, "a refused path is called invalid");
        Require(saver::test::ReadFile(workspace.settingsPath) == before,
                "a refused path leaves saver.ini as it was");
        return;
    }
    Require(saver::test::ReadFile(workspace.settingsPath) == text + "\r\n",
            "saver.ini holds the path and CR LF");
    Require(settings.Load() == text, "a saved path loads back the same");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Workspace workspace;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    saver::test::WriteFile(workspace.settingsPath, bytes);
    saver::SettingsFile settings(workspace.files);
    CheckLoad(settings, bytes);
    CheckSave(workspace, settings, bytes);
    return 0;
}
