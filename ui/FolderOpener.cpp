#include "FolderOpener.h"

#include <QDesktopServices>
#include <QUrl>

#include <utility>

namespace {

std::function<bool(const QUrl&)>& TestOpener()
{
    static std::function<bool(const QUrl&)> opener;
    return opener;
}

} // namespace

bool FolderOpener::Open(const QString& folder)
{
    const QUrl address = QUrl::fromLocalFile(folder);
    if (const auto& opener = TestOpener()) {
        return opener(address);
    }
    return QDesktopServices::openUrl(address);
}

void FolderOpener::setOpenerForTests(std::function<bool(const QUrl&)> opener)
{
    TestOpener() = std::move(opener);
}
