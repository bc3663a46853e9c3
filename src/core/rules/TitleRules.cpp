#include "core/rules/TitleRules.h"

#include "core/common/Formats.h"
#include "core/common/Globals.h"

#include <QRegularExpression>
#include <algorithm>

int CompareVersions(const ProgramVersion &a, const ProgramVersion &b)
{
    const int parts[2][3] = {{a.major, a.minor, a.revision}, {b.major, b.minor, b.revision}};
    for (int i = 0; i < 3; ++i) {
        if (parts[0][i] != parts[1][i])
            return parts[0][i] < parts[1][i] ? -1 : 1;
    }
    return 0;
}

ProgramVersion RunningVersion()
{
    return {AppVersionMajor, AppVersionMinor, AppVersionRevision};
}

QString VersionText(const ProgramVersion &version)
{
    return QStringLiteral("Version w%1.%2.%3")
        .arg(version.major)
        .arg(version.minor)
        .arg(version.revision);
}

std::optional<ProgramVersion> ParseVersionText(const QByteArray &text)
{
    // A version text is a few bytes; anything long is not one.
    if (text.size() > 256)
        return std::nullopt;
    static const QRegularExpression form(
        QStringLiteral("^[ \\t\\r\\n]*(?:Version w|w)?([0-9]{1,4})\\.([0-9]{1,4})"
                       "(?:\\.([0-9]{1,4}))?[ \\t\\r\\n]*$"));
    const QRegularExpressionMatch m = form.match(QString::fromLatin1(text));
    if (!m.hasMatch())
        return std::nullopt;
    ProgramVersion v;
    v.major = m.captured(1).toInt();
    v.minor = m.captured(2).toInt();
    v.revision = m.captured(3).isEmpty() ? 0 : m.captured(3).toInt();
    return v;
}

VersionOutcome JudgeVersionAnswer(bool ok, const QByteArray &body, const ProgramVersion &running)
{
    if (!ok)
        return VersionOutcome::Failed;
    if (body.trimmed().isEmpty())
        return VersionOutcome::Empty;
    const std::optional<ProgramVersion> published = ParseVersionText(body);
    if (!published)
        return VersionOutcome::Failed;
    return CompareVersions(*published, running) > 0 ? VersionOutcome::Newer
                                                    : VersionOutcome::Current;
}

ButtonText VersionButtonDesignText()
{
    return {QStringLiteral("Version Information"),
            QStringLiteral(" Information about this version of ") + AppTitle +
                QStringLiteral(" (internet connection required) ")};
}

ButtonText VersionButtonText(VersionOutcome outcome)
{
    switch (outcome) {
    case VersionOutcome::Newer:
        return {QStringLiteral("An updated version of ") + AppTitle +
                    QStringLiteral(" is available!"),
                QStringLiteral(" Click here for details ")};
    case VersionOutcome::Current:
        return {QStringLiteral("Version Information for this software..."),
                QStringLiteral(" Internet connection required ")};
    case VersionOutcome::Empty:
        return {QStringLiteral("Could not obtain the latest version info"),
                QStringLiteral(" Possibly no internet connection ")};
    case VersionOutcome::NotAsked:
    case VersionOutcome::Failed:
        break;
    }
    return VersionButtonDesignText();
}

QString NormalizedSiteAddress(const QString &address)
{
    QString site = address.trimmed();
    if (site.startsWith(QLatin1String("http://"), Qt::CaseInsensitive))
        site = site.mid(7);
    while (site.endsWith(QLatin1Char('/')))
        site.chop(1);
    return site;
}

QString VersionTextUrl(const QString &site)
{
    return QStringLiteral("http://") + site + QStringLiteral("/VersionInfo/LatestVersion-") +
           AppTitle + QStringLiteral(".txt");
}

QString VersionInfoDocument(const QString &site)
{
    return (site.isEmpty() ? VendorWebSite : site) + QStringLiteral("/VersionInfo/VersionInfo-") +
           AppTitle + QStringLiteral(".pdf");
}

QString WindowsNoticeDocument(const QString &site)
{
    return (site.isEmpty() ? VendorWebSite : site) + QStringLiteral("/manual/windowsnotice.pdf");
}

QString NewUserOverviewTitle()
{
    return QStringLiteral(" ") + AppTitle + QStringLiteral(" - New User Overview");
}

QString OverviewText()
{
    const QString paragraphs[] = {
        AppTitle + QStringLiteral(
                       " keeps the inventory of your agency's property and evidence room. It "
                       "holds any number of items (evidence, found and safekept property, items "
                       "waiting to be released or disposed of), each with its case number, "
                       "storage location, description, value and owner, who turned it in and "
                       "when, and its chain-of-custody record."),
        QStringLiteral("Access to ") + AppTitle +
            QStringLiteral(
                " is controlled by a program administrator whom your agency designates. The "
                "administrator puts each person on the user list with a password and one of "
                "four access levels: Read Only, Read/Edit, Read/Edit/Add or Full Access. "
                "Everyone signs in with their own name and password, and every sign-in, "
                "change and search is written to the activity logs."),
        QStringLiteral("To find items, search all their text or one field (case number, "
                       "location, owner and more) for a word or phrase, or list the active or "
                       "the archived items. Daily, weekly, monthly, quarterly and annual "
                       "summaries list the items received in each period."),
        QStringLiteral(
            "For reports, print the list as it is shown or one item with its narrative and "
            "chain-of-custody record, export the list for a spreadsheet, or e-mail an item. "
            "The Help button of every window opens the manual."),
    };
    QString text;
    for (const QString &p : paragraphs) {
        if (!text.isEmpty())
            text += CrLf + CrLf;
        text += p;
    }
    return text;
}

QString NewUserOverviewMessage()
{
    return QStringLiteral("Welcome! Are you a new user? ") +
           QStringLiteral("If so, then let's take a moment for a quick overview.") + CrLf + CrLf +
           OverviewText();
}

QString NewUserOverviewButton()
{
    return QStringLiteral("&Continue");
}

bool ScreenNeedsWarning(double width, double height)
{
    return width < MinScreenWidth || height < MinScreenHeight;
}

QString ScreenWarningTitle()
{
    return QStringLiteral("Screen Resolution Issue");
}

QString ScreenWarningText(double width, double height)
{
    return AppTitle + QStringLiteral(" is designed for use on a monitor") + CrLf +
           QStringLiteral("with a horizontal resolution of at least 1024.") + CrLf +
           QStringLiteral("and a vertical resolution of at least 720.") + CrLf + CrLf + AppTitle +
           QStringLiteral(" may not display correctly on your") + CrLf +
           QStringLiteral("current screen resolution (") + GeneralNumber(width) +
           QStringLiteral("x") + GeneralNumber(height) + QStringLiteral(").") + CrLf + CrLf +
           QStringLiteral("Consult your Windows' Help documentation") + CrLf +
           QStringLiteral("for adjusting your screen resolution, and") + CrLf +
           QStringLiteral("then choose a setting of at least 1024x768") + CrLf +
           QStringLiteral("(or 1280x720 for widescreen monitors).");
}

QString ScreenWarningButton()
{
    return QStringLiteral("Thank you, &continue");
}

PulseColorPair PulseColorsFor(OleColor backOver, const ButtonPulse &state)
{
    const int m = state.mirror;
    const int l = state.level;
    const int mLow = std::max(0, m - 128);
    const int lLow = std::max(0, l - 64);
    // OleRgb takes parts above 255 as 255.
    if (backOver == 0xFF80FF)
        return {OleRgb(m, mLow, m), OleRgb(l, lLow, l)};
    if (backOver == 0xFFFF80)
        return {OleRgb(mLow, m, m), OleRgb(lLow, l, l)};
    return {OleRgb(m, m, mLow), OleRgb(l, l, lLow)};
}
