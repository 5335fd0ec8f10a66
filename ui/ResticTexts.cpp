// SPDX-License-Identifier: GPL-3.0-or-later
#include "ResticTexts.h"

#include "ResticSystem.h"

namespace {

// restic ends with the line that says what went wrong.
QString LastLine(const QString& text)
{
    return text.section(QLatin1Char('\n'), -1).trimmed();
}

} // namespace

QString ResticOutcomeText(const ResticOutcome& outcome)
{
    using Kind = ResticOutcome::Kind;
    switch (outcome.kind) {
    case Kind::Done:
        return QStringLiteral("完成");
    case Kind::SomeFilesUnread:
        return QStringLiteral("restic 无法读取备份中的部分文件，上传的快照不完整：") +
               outcome.message.section(QLatin1Char('\n'), 0, 0).left(300);
    case Kind::Locked:
        return QStringLiteral("仓库正被另一个 restic 使用（已锁定），稍后自动重试");
    case Kind::WrongPassword:
        return QStringLiteral("restic 仓库的密码不对，异地备份已停止。"
                              "请在“备份管理”里检查密码文件或密码命令");
    case Kind::NoRepository:
        return QStringLiteral("那里还没有 restic 仓库，异地备份已停止。"
                              "请在“备份管理”里点“检查仓库”创建它");
    case Kind::NotStarted:
        return ResticInstallHint();
    case Kind::TimedOut:
        return QStringLiteral("restic 长时间没有回应，已停止它");
    case Kind::Cancelled:
        return QStringLiteral("已取消");
    case Kind::Failed:
        break;
    }
    // Stopped before restic ran.
    if (outcome.exitCode < 0)
        return outcome.message;
    return QStringLiteral("restic 出错（退出码 %1）：%2")
        .arg(outcome.exitCode)
        .arg(LastLine(outcome.message));
}
