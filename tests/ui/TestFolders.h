#pragma once

#include <QString>
#include <QTemporaryDir>

// A fresh temporary folder holding a small game save (level.dat and a region file) and,
// beside it, the folder the program keeps its files in.
class TestFolders final
{
public:
    TestFolders();
    TestFolders(const TestFolders&) = delete;
    TestFolders& operator=(const TestFolders&) = delete;

    QString AppDir() const;
    QString SaveFolder() const;
    QString LevelDat() const;

private:
    QTemporaryDir m_root;
};

// Creates or replaces `path` with `bytes`; a failure ends the test run, as nothing after it
// would mean anything.
void WriteTestFile(const QString& path, const QByteArray& bytes);
QByteArray ReadTestFile(const QString& path);
// Every file below `folder` whose name is `name`.
QStringList FindFiles(const QString& folder, const QString& name);
