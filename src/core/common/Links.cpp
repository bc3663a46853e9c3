#include "core/common/Links.h"

#include "core/common/DataSet.h"
#include "core/common/Desktop.h"
#include "core/common/Globals.h"
#include "core/common/MsgBox.h"

#include <QFile>
#include <QUrl>

QString BuildLink(int kind, const QString &target)
{
    if (kind == 1)
        return QStringLiteral("mailto:") + (target.isEmpty() ? VendorMail : target);
    return QStringLiteral("http://") + (target.isEmpty() ? VendorWebSite : target);
}

void OpenLink(int kind, const QString &target)
{
    // The link goes to the system unchanged (a mail link's query included).
    const bool opened = desktop().openUrl(QUrl(BuildLink(kind, target), QUrl::TolerantMode));
    if (!opened) {
        ShowMsgBox(QStringLiteral("Connection Error"), 2,
                   QStringLiteral("An internet connection") + CrLf +
                       QStringLiteral("could not be established."),
                   1, false, {QStringLiteral("&Okay")});
    }
}

void OpenManual(const DataSet &ds)
{
    const QString path = DataPath(ds, AppTitle + QStringLiteral(".PDF"));
    if (QFile::exists(path)) {
        // A manual that exists but has no viewer is not reported.
        desktop().openUrl(QUrl::fromLocalFile(path));
        return;
    }
    ShowMsgBox(QStringLiteral("Can not open ") + AppTitle + QStringLiteral(" Manual"), 4,
               QStringLiteral("The ") + AppTitle + QStringLiteral(" manual") + CrLf +
                   QStringLiteral("(in PDF format) is either") + CrLf +
                   QStringLiteral("missing or can not be opened..."),
               1, false, {QStringLiteral("&Okay") + QStringLiteral(", return to the program")});
}
