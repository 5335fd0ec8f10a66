#pragma once

#include <string>

namespace saver::test {

// A fresh folder for one test, removed with everything in it when the test ends, read-only
// parts included.
class TempDir
{
public:
    // Made inside `base`, or inside $TMPDIR (else /tmp) when `base` is empty.
    explicit TempDir(const std::string& base = {});
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();

    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

// Creates or replaces the file `path` with exactly `bytes`; throws on failure.
void WriteFile(const std::string& path, const std::string& bytes);
// The whole content of the file `path`; throws on failure.
std::string ReadFile(const std::string& path);

} // namespace saver::test
