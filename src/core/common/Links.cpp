#include "core/common/Links.h"

#include "core/common/DataSet.h"
#include "core/common/Desktop.h"
#include "core/common/Globals.h"

#include <QFile>
#include <QUrl>

QString BuildLink(int kind, const QString &target)
{
    if (kind == 1)
        return QStringLiteral("mailto:") + (target.isEmpty() ? VendorMail : target);
    return QStringLiteral("http://") + (target.isEmpty() ? VendorWebSite : target);
}

std::optional<MsgBoxRequest> OpenLink(int kind, const QString &target)
{
    // The link goes to the system unchanged (a mail link's query included).
    if (desktop().openUrl(QUrl(BuildLink(kind, target), QUrl::TolerantMode)))
        return std::nullopt;
    return MsgBoxRequest{QStringLiteral("Connection Error"),
                         MsgIcon::Stop,
                         QStringLiteral("An internet connection") + CrLf +
                             QStringLiteral("could not be established."),
                         MsgButton::First,
                         false,
                         {QStringLiteral("&Okay")}};
}

std::optional<MsgBoxRequest> OpenManual(const DataSet &ds)
{
    const QString path = DataPath(ds, AppTitle + QStringLiteral(".PDF"));
    if (QFile::exists(path)) {
        // A manual that exists but has no viewer is not reported.
        desktop().openUrl(QUrl::fromLocalFile(path));
        return std::nullopt;
    }
    return MsgBoxRequest{QStringLiteral("Can not open ") + AppTitle + QStringLiteral(" Manual"),
                         MsgIcon::Warning,
                         QStringLiteral("The ") + AppTitle + QStringLiteral(" manual") + CrLf +
                             QStringLiteral("(in PDF format) is either") + CrLf +
                             QStringLiteral("missing or can not be opened..."),
                         MsgButton::First,
                         false,
                         {QStringLiteral("&Okay") + QStringLiteral(", return to the program")}};
}
