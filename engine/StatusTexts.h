// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <system_error>

namespace saver {

// What the two status labels of the main window show after a backup.
struct StatusTexts
{
    std::string lblShow1; // when
    std::string lblShow2; // outcome

    friend bool operator==(const StatusTexts&, const StatusTexts&) = default;
};

// A short reason a user can act on: "找不到存档", "磁盘空间不足", "没有权限", ...
std::string FailureReason(const std::error_code& error);

// FailureReason, or for a write the system refused in `folder` (WriteRefused.h), the folder and
// what may have refused it.
std::string FailureReason(const std::error_code& error, const std::string& folder);

// "保存失败：" followed by the reason; `folder` is where the backup was being written.
std::string SaveFailedText(const std::error_code& error, const std::string& folder = {});

// "12.4 MB": decimal units, as file managers show them.
std::string SizeText(std::uint64_t bytes);

// "正在保存… 37%"
std::string ProgressText(std::uint64_t bytesDone, std::uint64_t bytesTotal);

} // namespace saver
