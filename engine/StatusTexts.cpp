// SPDX-License-Identifier: GPL-3.0-or-later
#include "StatusTexts.h"

#include "BackupOutcome.h"
#include "BackupVerification.h"
#include "PartialRestore.h"
#include "PathSeparators.h"
#include "QuickSlot.h"
#include "RestoreRecovery.h"
#include "WholeSaveRestore.h"
#include "WriteRefused.h"

#include <vector>

namespace saver {

std::string FailureReason(const std::error_code& error)
{
    if (error == std::errc::no_such_file_or_directory || error == std::errc::not_a_directory)
        return "找不到存档";
    if (error == std::errc::no_space_on_device || error == std::errc::file_too_large)
        return "磁盘空间不足";
    if (error == std::errc::permission_denied || error == std::errc::operation_not_permitted ||
        error == std::errc::read_only_file_system)
        return "没有权限";
    if (error == std::errc::resource_unavailable_try_again)
        return "存档正在被写入";
    if (error == std::errc::operation_canceled)
        return "已取消";
    if (error == std::errc::operation_in_progress)
        return "存档正在恢复";
    if (error == std::errc::is_a_directory)
        return "所选路径是文件夹";
    if (error == std::errc::invalid_argument || error == std::errc::illegal_byte_sequence)
        return "路径无效";
    if (error == std::errc::filename_too_long)
        return "路径太长";
    return "读写错误";
}

std::string FailureReason(const std::error_code& error, const std::string& folder)
{
    if (!IsWriteRefused(error) || folder.empty())
        return FailureReason(error);
    return "Windows 拒绝写入 " + WithSystemSeparators(folder) +
           "（可能是“受控文件夹访问”或杀毒软件拦截了本程序：请在 Windows 安全中心或杀毒软件中允许 "
           "mcsaver.exe，或把程序放到别的文件夹）";
}

std::string SaveFailedText(const std::error_code& error, const std::string& folder)
{
    return "保存失败：" + FailureReason(error, folder);
}

namespace {

std::string ManifestProblemText(ManifestProblem problem)
{
    switch (problem) {
    case ManifestProblem::None:
        break;
    case ManifestProblem::Missing:
        return "没有清单";
    case ManifestProblem::Unreadable:
        return "清单无法读取";
    case ManifestProblem::Truncated:
        return "清单不完整";
    case ManifestProblem::Garbage:
        return "清单无法识别";
    case ManifestProblem::Newer:
        return "清单由更新版本的程序写成";
    }
    return {};
}

// "3 个文件与清单不符：", then a line for each.
std::string DamageText(const CheckRecord& record)
{
    std::string text = std::to_string(record.Problems()) + " 个文件与清单不符：";
    const auto add = [&](const char* title, const std::vector<std::string>& paths) {
        for (const std::string& path : paths)
            text += std::string("\n") + title + "：" + WithSystemSeparators(path);
    };
    add("损坏", record.damaged);
    add("缺失", record.missing);
    add("多出", record.extra);
    return text;
}

} // namespace

std::string CheckStateText(const CheckRecord& record)
{
    switch (record.state) {
    case CheckRecord::State::Good:
        return "完好";
    case CheckRecord::State::Damaged:
        return "损坏（" + std::to_string(record.Problems()) + "）";
    case CheckRecord::State::Unchecked:
        break;
    }
    return "未校验";
}

std::string CheckDetailText(const CheckRecord& record)
{
    if (record.state == CheckRecord::State::Good)
        return "上次校验：每个文件都与清单相符";
    if (record.state == CheckRecord::State::Damaged)
        return "上次校验发现 " + DamageText(record);
    if (record.manifestMade)
        return "未校验：" + ManifestProblemText(record.manifestProblem) +
               "，上次校验已按备份当时的内容生成了清单；再校验一次才能确认备份完好";
    if (record.manifestProblem != ManifestProblem::None)
        return "未校验：" + ManifestProblemText(record.manifestProblem);
    if (record.outdated)
        return "未校验：清单在上次校验后被改动过";
    return "未校验：从未校验过";
}

std::string VerifyText(const std::string& name, const VerifyOutcome& outcome)
{
    if (outcome.error)
        return "校验 " + name + " 失败：" + FailureReason(outcome.error) +
               (outcome.failedPath.empty()
                    ? ""
                    : "（" + WithSystemSeparators(outcome.failedPath) + "）");
    const CheckRecord& record = outcome.record;
    if (record.state == CheckRecord::State::Good)
        return "校验 " + name + "：完好";
    if (record.state == CheckRecord::State::Damaged)
        return "校验 " + name + " 发现 " + DamageText(record);
    if (record.manifestMade)
        return "校验 " + name + "：" + ManifestProblemText(record.manifestProblem) +
               "，已按备份现在的内容生成清单（这不说明备份完好，以后的校验以它为准）";
    return "校验 " + name + "：未校验，" + ManifestProblemText(record.manifestProblem);
}

std::string SizeText(std::uint64_t bytes)
{
    if (bytes < 1000)
        return std::to_string(bytes) + " B";
    constexpr const char* kUnits[] = {"KB", "MB", "GB", "TB"};
    // Tenths of the unit, rounded, so that 999.96 KB reads 1.0 MB and not 1000.0 KB.
    std::uint64_t scale = 1000;
    std::size_t unit = 0;
    while (unit + 1 < std::size(kUnits) && (bytes + scale / 20) / scale >= 1000) {
        scale *= 1000;
        ++unit;
    }
    const std::uint64_t tenths = (bytes + scale / 20) / (scale / 10);
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " " + kUnits[unit];
}

std::string ProgressText(std::uint64_t bytesDone, std::uint64_t bytesTotal)
{
    const std::uint64_t percent =
        bytesTotal == 0 ? 0 : (bytesDone >= bytesTotal ? 100 : bytesDone * 100 / bytesTotal);
    return "正在保存… " + std::to_string(percent) + "%";
}

namespace {

std::string WholeSaveText(const BackupOutcome& outcome)
{
    const WholeSaveResult& copy = outcome.copy;
    if (copy.error && !copy.blockedBy.empty())
        return "保存失败：无法删除 " + copy.blockedBy + "（" + FailureReason(copy.error) + "）";
    if (copy.error && !copy.failedPath.empty())
        return "保存失败：无法读取 " + WithSystemSeparators(copy.failedPath) + "（" +
               FailureReason(copy.error) + "）";
    if (copy.error && copy.bytesFree > 0)
        return SaveFailedText(copy.error) + "（需要 " + SizeText(copy.bytesAdded) + "，可用 " +
               SizeText(copy.bytesFree) + "）";
    if (copy.error)
        return SaveFailedText(copy.error, outcome.folder);
    std::string text = "第" + std::to_string(outcome.number) + "次 ";
    text += copy.changedFiles > 0 ? "保存成功（复制时存档有变动）" : "保存成功！";
    text += "（新增 " + SizeText(copy.bytesAdded) + "）";
    if (copy.pruned.error)
        text += "；旧备份删除失败：" + WithSystemSeparators(copy.pruned.failedPath) + "（" +
                FailureReason(copy.pruned.error) + "）";
    for (const std::string& link : copy.pruned.skippedLinks)
        text += "；" + WithSystemSeparators(link) + " 是符号链接，不是备份，未删除";
    return text;
}

} // namespace

StatusTexts StatusOf(const BackupOutcome& outcome)
{
    using Kind = BackupOutcome::Kind;
    const std::string when = PlainTime(outcome.when);
    switch (outcome.kind) {
    case Kind::Started:
        return {when, ProgressText(0, 0)};
    case Kind::Busy:
        return {when, "上一次整体保存尚未完成"};
    case Kind::NoSave:
        return {when, "请先选择level.dat的路径"};
    case Kind::Unchanged:
        return {when, "存档未变化，跳过"};
    case Kind::Made:
    case Kind::Failed:
        break;
    }
    if (outcome.backup == BackupKind::WholeSave)
        return {when, WholeSaveText(outcome)};
    if (outcome.kind == Kind::Failed)
        return {when, SaveFailedText(outcome.error, outcome.folder)};
    return {when, when + "保存成功！"};
}

QuickTexts QuickTextsOf(const QuickResult& result)
{
    using Problem = QuickResult::Problem;
    if (result.outcome == QuickResult::Outcome::Done)
        return {};
    if (result.outcome == QuickResult::Outcome::NoSlot)
        return {"tmp.back不存在", "程序目录没有发现备份文件！"};
    const std::string failed = result.restore ? "覆盖失败：" : "快速保存失败：";
    // A restore says the game's file is as it was; a quick save that got as far as writing,
    // that the slot is.
    const std::string untouched = result.restore                    ? "（游戏存档未改动）"
                                  : result.problem == Problem::Step ? "（原有的快速存档未改动）"
                                                                    : "";
    std::string what;
    switch (result.problem) {
    case Problem::NoDataFolder:
        what = "找不到程序的数据文件夹 " + WithSystemSeparators(result.path);
        break;
    case Problem::SlotIsFolder:
        what = WithSystemSeparators(result.path) + " 是一个文件夹";
        break;
    case Problem::SourceMissing:
        what = "找不到 " + WithSystemSeparators(result.path);
        break;
    case Problem::None:
    case Problem::NoSave:
    case Problem::Step:
        what = FailureReason(result.error, result.path);
        break;
    }
    return {result.restore ? "覆盖失败" : "保存失败", failed + what + untouched};
}

namespace {

std::string NotUndoneText(const RestoreRecovery& recovery)
{
    return "未能全部撤销（" + FailureReason(recovery.error) + "）" +
           (recovery.kept.empty() ? std::string()
                                  : "，没能放回的原文件在 " + WithSystemSeparators(recovery.kept)) +
           "，下次启动时会再试";
}

std::string PartialRecoveryText(const RestoreRecovery& recovery)
{
    const std::string start = "上次部分恢复存档 " + recovery.saveName + " 时程序被中断";
    switch (recovery.kind) {
    case RestoreRecovery::Kind::PutBack:
        return start + "，已撤销：被替换的文件已放回 " + WithSystemSeparators(recovery.target);
    case RestoreRecovery::Kind::KeptAside:
        return start + "，" + NotUndoneText(recovery);
    default:
        return start + "，存档未改动。";
    }
}

std::string Listed(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : "、") + WithSystemSeparators(name);
    return text;
}

} // namespace

std::string RecoveryText(const RestoreRecovery& recovery)
{
    if (recovery.partial)
        return PartialRecoveryText(recovery);
    const std::string start = "上次恢复存档 " + recovery.saveName + " 时程序被中断";
    switch (recovery.kind) {
    case RestoreRecovery::Kind::None:
        return {};
    case RestoreRecovery::Kind::Untouched:
        return start + "，存档未改动。";
    case RestoreRecovery::Kind::PutBack:
        return start + "，原来的存档已放回原处：" + WithSystemSeparators(recovery.target);
    case RestoreRecovery::Kind::Completed:
        return start + "，但恢复已经完成。" +
               (recovery.kept.empty() ? std::string()
                                      : "原来的存档在 " + WithSystemSeparators(recovery.kept));
    case RestoreRecovery::Kind::KeptAside:
        return start + "，原来的存档未能放回原处（" +
               (recovery.inTheWay ? WithSystemSeparators(recovery.target) + " 已被另一个文件夹占用"
                                  : FailureReason(recovery.error)) +
               "），它完整地保存在 " + WithSystemSeparators(recovery.kept);
    case RestoreRecovery::Kind::Unreadable:
        return "上次恢复存档时程序被中断，但它的记录无法读取：" +
               WithSystemSeparators(recovery.kept) + "。请检查存档，确认无误后删除这个文件";
    }
    return {};
}

std::string RestoreReason(const RestoreOutcome& outcome)
{
    using Cause = RestoreOutcome::Cause;
    switch (outcome.cause) {
    case Cause::Error:
        break;
    case Cause::NoSaveChosen:
        return "请先选择level.dat的路径";
    case Cause::NoSaveInBackup:
        return "备份里没有存档文件夹";
    case Cause::DataFolderInside:
        return "程序的数据文件夹在这个存档里面，无法整体恢复";
    case Cause::EarlierUnresolved:
        return RecoveryText(outcome.recovery);
    case Cause::BackupBeingRemoved:
        return "这个备份正在被删除";
    case Cause::InTheWay:
        return "上次恢复留下了 " + WithSystemSeparators(outcome.place) + "，请先检查它";
    case Cause::BackupChanged:
        return "备份里的文件在复制时丢失或改动了";
    case Cause::SaveChanged:
        return "存档在复制时有变动";
    case Cause::NoSaveInPlace:
        return "找不到要恢复到的存档";
    case Cause::NothingChosen:
        return "所选的文件夹里没有文件";
    case Cause::FilesGone:
        return "所选的文件已不在";
    case Cause::PlaceIsFolder:
        return "存档里的 " + WithSystemSeparators(outcome.place) + " 是一个文件夹";
    case Cause::TooManyFiles:
        return "一次选的文件太多，请分几次恢复";
    case Cause::OnlySomeFiles:
        return "这里只有部分恢复替换下的文件，请用“部分恢复”放回它们";
    }
    return FailureReason(outcome.error, outcome.recovery.target);
}

std::string RestoreText(const RestoreOutcome& outcome)
{
    using Cause = RestoreOutcome::Cause;
    if (!outcome.error) {
        std::string text = "已恢复存档 " + outcome.saveName + "（来自 " + outcome.backupName + "）";
        if (!outcome.movedTo.empty())
            text += "。原来的存档已移到 " + WithSystemSeparators(outcome.movedTo);
        if (!outcome.otherKept.empty())
            text += "；另一份原来的存档在 " + WithSystemSeparators(outcome.otherKept);
        if (outcome.notPinned)
            text += "；未能固定这个备份";
        return text;
    }
    std::string text = "恢复失败：" + RestoreReason(outcome);
    switch (outcome.cause) {
    case Cause::NoSaveChosen:
    case Cause::NoSaveInBackup:
    case Cause::DataFolderInside:
    case Cause::EarlierUnresolved:
        return text; // refused before anything was touched, or said by the earlier restore
    default:
        break;
    }
    switch (outcome.recovery.kind) {
    case RestoreRecovery::Kind::PutBack:
        return text + "。原来的存档已放回原处";
    case RestoreRecovery::Kind::KeptAside:
        return text + "。原来的存档未能放回原处，它完整地保存在 " +
               WithSystemSeparators(outcome.recovery.kept);
    default:
        return text + "（存档未改动）";
    }
}

std::string PartialRestoreText(const PartialRestoreOutcome& outcome)
{
    using Cause = RestoreOutcome::Cause;
    const RestoreOutcome& restore = outcome.restore;
    if (!restore.error) {
        std::string text = "已从 " + restore.backupName + " 恢复存档 " + restore.saveName + " 的 " +
                           std::to_string(outcome.files) + " 个文件";
        if (!restore.movedTo.empty())
            text += "。被替换的文件已移到 " + WithSystemSeparators(restore.movedTo);
        if (restore.notPinned)
            text += "；未能固定这个备份";
        return text;
    }
    std::string text = "部分恢复失败：";
    if (restore.cause != Cause::FilesGone)
        text += RestoreReason(restore);
    if (!outcome.goneFromBackup.empty())
        text += "备份里已没有 " + Listed(outcome.goneFromBackup);
    if (!outcome.goneFromSave.empty())
        text += (outcome.goneFromBackup.empty() ? "" : "；") + std::string("存档里已没有 ") +
                Listed(outcome.goneFromSave);
    switch (restore.cause) {
    case Cause::NoSaveChosen:
    case Cause::NoSaveInBackup:
    case Cause::NoSaveInPlace:
    case Cause::NothingChosen:
    case Cause::EarlierUnresolved:
        return text;
    default:
        break;
    }
    switch (restore.recovery.kind) {
    case RestoreRecovery::Kind::PutBack:
        return text + "。已全部撤销，被替换的文件已放回原处";
    case RestoreRecovery::Kind::KeptAside:
        return text + "。" + NotUndoneText(restore.recovery);
    default:
        return text + "（存档未改动）";
    }
}

std::string LevelDatRestoreText(const QuickResult& result, const std::string& backup,
                                const std::string& levelDat)
{
    if (result.outcome != QuickResult::Outcome::Done)
        return QuickTextsOf(result).message;
    std::string text =
        "已用 " + backup.substr(backup.rfind('/') + 1) + " 覆盖 " + WithSystemSeparators(levelDat);
    if (!result.safetyCopy.empty())
        text += "。原来的 level.dat 已保存为 " + WithSystemSeparators(result.safetyCopy);
    if (result.notKept)
        text += "；未能固定这个备份";
    return text;
}

} // namespace saver
