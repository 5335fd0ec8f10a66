// SPDX-License-Identifier: GPL-3.0-or-later
#include "WidePath.h"

#include "Win32.h"

#include <algorithm>

namespace saver {
namespace {

constexpr std::wstring_view kLongPrefix = L"\\\\?\\";
constexpr std::wstring_view kLongUncPrefix = L"\\\\?\\UNC\\";

} // namespace

std::wstring WideText(std::string_view utf8)
{
    if (utf8.empty()) {
        return {};
    }
    const int size = static_cast<int>(utf8.size());
    std::wstring wide(
        static_cast<std::size_t>(::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0)),
        L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(),
                          static_cast<int>(wide.size()));
    return wide;
}

std::string Utf8Text(std::wstring_view wide)
{
    if (wide.empty()) {
        return {};
    }
    const int size = static_cast<int>(wide.size());
    std::string utf8(static_cast<std::size_t>(::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size,
                                                                    nullptr, 0, nullptr, nullptr)),
                     '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), static_cast<int>(utf8.size()),
                          nullptr, nullptr);
    return utf8;
}

std::wstring WidePath(const std::string& path)
{
    std::wstring wide = WideText(path);
    if (wide.empty() || wide.starts_with(kLongPrefix)) {
        return wide;
    }
    std::replace(wide.begin(), wide.end(), L'/', L'\\');
    // A prefixed path is taken as it is, so "..", "." and doubled separators go first.
    const DWORD size = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (size == 0) {
        return wide;
    }
    std::wstring full(size, L'\0');
    full.resize(::GetFullPathNameW(wide.c_str(), size, full.data(), nullptr));
    if (full.starts_with(L"\\\\")) {
        return std::wstring(kLongUncPrefix) + full.substr(2);
    }
    return std::wstring(kLongPrefix) + full;
}

std::string EnginePath(std::wstring_view path)
{
    std::wstring plain;
    if (path.starts_with(kLongUncPrefix)) {
        plain = L"\\\\" + std::wstring(path.substr(kLongUncPrefix.size()));
    } else if (path.starts_with(kLongPrefix)) {
        plain = path.substr(kLongPrefix.size());
    } else {
        plain = path;
    }
    std::replace(plain.begin(), plain.end(), L'\\', L'/');
    return Utf8Text(plain);
}

} // namespace saver
