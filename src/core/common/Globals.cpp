#include "core/common/Globals.h"

#include <QDir>

QString DataPath(const QString &bareName)
{
    if (DataFolder.isEmpty())
        return QDir::current().absoluteFilePath(bareName);
    return QDir(DataFolder).absoluteFilePath(bareName);
}

QString AccessLevelName(int level)
{
    if (level < 1 || level > AccessLevelNames.size())
        return QString();
    return AccessLevelNames.at(level - 1);
}

void InitProgramTables()
{
    DataFileName = AppTitle + QStringLiteral(".Data");
    AccessLevelNames = {QStringLiteral("Read Only"), QStringLiteral("Read/Edit"),
                        QStringLiteral("Read/Edit/Add"), QStringLiteral("Full Access")};
    DataFileList = {DataFileName,
                    UserFileName,
                    QStringLiteral("SignInOut.Log"),
                    QStringLiteral("UserList.Log"),
                    QStringLiteral("DataRecords.Log"),
                    QStringLiteral("Search.Log")};
}

void ResetProgramState()
{
    InitProgramTables();
    CurrentUserName.clear();
    CurrentAccessLevel = 0;
    AgencyName.clear();
    ListNeedsReload = false;
    Search = SearchCriteria();
}
