#include "core/common/DatabaseFailure.h"

#include "core/common/Globals.h"

QString DatabaseFailureTitle(const DatabaseFailure &failure)
{
    if (failure.unreachable)
        return QStringLiteral("Database not available");
    return failure.change ? QStringLiteral("Database change not made")
                          : QStringLiteral("Database not read");
}

QString DatabaseFailureText(const DatabaseFailure &failure)
{
    const QString nothing =
        failure.change ? QStringLiteral("Nothing of it has been written.") + CrLf : QString();
    if (failure.unreachable)
        return QStringLiteral("The database server could not be reached") + CrLf +
               QStringLiteral("while ") + failure.operation + QStringLiteral(".") + CrLf + CrLf +
               nothing + QStringLiteral("Custorin connects again when the server is back;") + CrLf +
               QStringLiteral("please try again then.");
    return QStringLiteral("The database refused a step of ") + failure.operation +
           QStringLiteral(":") + CrLf + failure.serverText + CrLf + CrLf + nothing +
           QStringLiteral("Please tell the database's administrator.");
}
