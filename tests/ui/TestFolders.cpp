#include "TestFolders.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <stdexcept>

TestFolders::TestFolders()
{
    if (!m_root.isValid() || !QDir(m_root.path()).mkpath(QStringLiteral("app")) ||
        !QDir(m_root.path()).mkpath(QStringLiteral("world/region"))) {
        throw std::runtime_error("cannot make the test folders");
    }
    WriteTestFile(LevelDat(), "level data, first version");
    WriteTestFile(SaveFolder() + QStringLiteral("/region/r.0.0.mca"), QByteArray(64 * 1024, 'r'));
}

QString TestFolders::AppDir() const
{
    return m_root.path() + QStringLiteral("/app");
}

QString TestFolders::SaveFolder() const
{
    return m_root.path() + QStringLiteral("/world");
}

QString TestFolders::LevelDat() const
{
    return SaveFolder() + QStringLiteral("/level.dat");
}

void WriteTestFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size()) {
        throw std::runtime_error("cannot write " + path.toStdString());
    }
}

QByteArray ReadTestFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw std::runtime_error("cannot read " + path.toStdString());
    }
    return file.readAll();
}

QStringList FindFiles(const QString& folder, const QString& name)
{
    QStringList found;
    QDirIterator it(folder, {name}, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        found << it.next();
    }
    return found;
}
