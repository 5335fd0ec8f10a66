// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <system_error>

namespace saver {

struct BackupOutcome;
struct CheckRecord;
struct VerifyOutcome;
struct PartialRestoreOutcome;
struct QuickResult;
struct RestoreOutcome;
struct RestoreRecovery;

// The status of a backup as the player reads it: when, and what became of it.
struct StatusTexts
{
    std::string time;
    std::string text;

    friend bool operator==(const StatusTexts&, const StatusTexts&) = default;
};

// Every backup's status is worded here, from its outcome.
StatusTexts StatusOf(const BackupOutcome& outcome);

// What the player is shown when a quick save or restore did not go through.
struct QuickTexts
{
    std::string title;
    std::string message;
};
QuickTexts QuickTextsOf(const QuickResult& result);

// What a whole-save restore did, in full; the reason alone, as a refusal before it starts says.
std::string RestoreText(const RestoreOutcome& outcome);
std::string RestoreReason(const RestoreOutcome& outcome);
// What a restore of some files of a save did: how many, where the ones it replaced are, or
// which chosen files were missing and that all of it was undone.
std::string PartialRestoreText(const PartialRestoreOutcome& outcome);
// What the player is told at start of a restore that was cut short; "" when none was.
std::string RecoveryText(const RestoreRecovery& recovery);
// What a restore of level.dat from `backup` over `levelDat` did.
std::string LevelDatRestoreText(const QuickResult& result, const std::string& backup,
                                const std::string& levelDat);

// A short reason a user can act on: "找不到存档", "磁盘空间不足", "没有权限", ...
std::string FailureReason(const std::error_code& error);

// FailureReason, or for a write the system refused in `folder` (WriteRefused.h), the folder and
// what may have refused it.
std::string FailureReason(const std::error_code& error, const std::string& folder);

// "保存失败：" followed by the reason; `folder` is where the backup was being written.
std::string SaveFailedText(const std::error_code& error, const std::string& folder = {});

// "12.4 MB": decimal units, as file managers show them.
std::string SizeText(std::uint64_t bytes);

// A backup's last check in one word for the list: "完好", "损坏（3）" or "未校验".
std::string CheckStateText(const CheckRecord& record);
// The same at length, with the files it found damaged, missing or added, or why there is
// nothing checked.
std::string CheckDetailText(const CheckRecord& record);
// What a check of the backup `name` found, or why it could not be made.
std::string VerifyText(const std::string& name, const VerifyOutcome& outcome);

// "正在保存… 37%"
std::string ProgressText(std::uint64_t bytesDone, std::uint64_t bytesTotal);

} // namespace saver
