// A fresh data folder with the clock set and a person signed in, its files
// read and written by bare name.
#pragma once

#include "FakeDesktop.h"
#include "TestFiles.h"
#include "core/common/Globals.h"

#include <QDir>
#include <QFile>
#include <QMap>

struct TestFolder : TestEnvironment {
    explicit TestFolder(const QDateTime &now = QDateTime(QDate(2026, 12, 4), QTime(22, 50, 0)),
                        const QString &user = QStringLiteral("Pat Doe"))
    {
        desktop.setNow(now);
        session.CurrentUserName = user;
    }
    QByteArray read(const QString &name) const { return readFile(path(name)); }
    void write(const QString &name, const QByteArray &bytes) const { writeFile(path(name), bytes); }
    bool exists(const QString &name) const { return QFile::exists(path(name)); }
    // A folder standing where a file should be: it can never be opened.
    bool block(const QString &name) const { return QDir(folder()).mkdir(name); }
};

// Every file of a folder with its bytes (subfolders left out).
inline QMap<QString, QByteArray> folderFiles(const QString &folder)
{
    QMap<QString, QByteArray> files;
    for (const QString &name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
        files.insert(name, readFile(QDir(folder).filePath(name)));
    return files;
}

// A program built beside the tests (tests/tools).
inline QString testTool(const QString &name)
{
    return QDir(qEnvironmentVariable("CUSTORIN_TOOLS_DIR")).filePath(name);
}
