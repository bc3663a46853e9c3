#include "core/rules/MainButtons.h"

#include "core/common/Globals.h"

QString MainButtonName(MainButton button)
{
    switch (button) {
    case MainButton::Help:
        return QStringLiteral("cmdHelp");
    case MainButton::About:
        return QStringLiteral("cmdAbout");
    case MainButton::UserInfo:
        return QStringLiteral("cmdUserInfo");
    case MainButton::RefreshGrid:
        return QStringLiteral("cmdRefreshGrid");
    case MainButton::AdminWindow:
        return QStringLiteral("cmdAdminWindow");
    case MainButton::Quit:
        return QStringLiteral("cmdQuit");
    case MainButton::AddEntry:
        return QStringLiteral("cmdAddEntry");
    case MainButton::ArchiveEntry:
        return QStringLiteral("cmdArchiveEntry");
    case MainButton::RestoreEntry:
        return QStringLiteral("cmdRestoreEntry");
    case MainButton::DeleteEntry:
        return QStringLiteral("cmdDeleteEntry");
    case MainButton::FindEntries:
        return QStringLiteral("cmdFindEntries");
    case MainButton::SeeAllEntries:
        return QStringLiteral("cmdSeeAllEntries");
    case MainButton::PrintList:
        return QStringLiteral("cmdPrintList");
    case MainButton::ExportData:
        return QStringLiteral("cmdExportData");
    case MainButton::SeeEntry:
        return QStringLiteral("cmdSeeEntry");
    }
    return QString();
}

QVector<MainButtonState> MainButtonStates(const MainListState &s)
{
    const bool all = s.mode == ListMode::AllEntries;
    const bool active = !s.inactiveList;
    const bool highlighted = s.currentRow >= 1;
    const bool several = s.entriesListed >= 2;
    const bool canAdd = s.accessLevel == 3 || s.accessLevel == 4;
    const bool full = s.accessLevel == 4;

    QVector<MainButtonState> out;
    out.reserve(MainButtonCount);
    auto add = [&out](MainButton b, const QString &caption, const QString &tip, bool visible,
                      bool enabled) {
        out.push_back({b, caption, tip, visible, enabled});
    };

    // The captions of the first six are the window's own design.
    add(MainButton::Help, QStringLiteral("&Help"), QStringLiteral(" Illustrated Manual <F1> "),
        true, true);
    add(MainButton::About, QStringLiteral("Ab&out"),
        QStringLiteral(" About ") + AppTitle + QStringLiteral(" "), true, true);
    add(MainButton::UserInfo, QStringLiteral("&User Info"),
        QStringLiteral(" User name/access information "), true, true);
    add(MainButton::RefreshGrid, QStringLiteral("Re&fresh List"),
        QStringLiteral(" Refresh the displayed evidence list") +
            QStringLiteral(" (right-click for more info & audio options) "),
        true, true);
    add(MainButton::AdminWindow, QStringLiteral("Ad&min Window"),
        QStringLiteral(" Return to the Administrative Window "), true, true);
    add(MainButton::Quit, QStringLiteral("&Quit"),
        QStringLiteral(" Click here to exit ") + AppTitle + QStringLiteral(" "), true, true);

    add(MainButton::AddEntry, QStringLiteral("&Add New Entry"),
        QStringLiteral(" Add a new entry to your database (right-click to use 'template' option) "),
        all && active, canAdd);
    add(MainButton::ArchiveEntry, QStringLiteral("A&rchive this Entry"),
        QStringLiteral(" Archive the highlighted entry to the 'Inactive' list "),
        all && highlighted && active, full);
    add(MainButton::RestoreEntry, QStringLiteral("Res&tore this Entry"),
        QStringLiteral(" Return the highlighted archived entry to the 'Active List' "),
        all && highlighted && !active, full);
    add(MainButton::DeleteEntry, QStringLiteral("&Delete this Entry"),
        QStringLiteral(" Permanently delete the highlighted entry from the ") + AppTitle +
            QStringLiteral(" database "),
        all && highlighted, full);
    add(MainButton::FindEntries, QStringLiteral("&Search/Summarize"),
        QStringLiteral(" Search for one or more record(s) according to... "), all && several, true);
    add(MainButton::SeeAllEntries, QStringLiteral("See &All Entries"),
        QStringLiteral(" See a list of all evidence currently in your database "), !all, true);
    add(MainButton::PrintList, QStringLiteral("Print this &List..."),
        QStringLiteral(" Be sure your printer is ready! "), several, true);
    add(MainButton::ExportData, QStringLiteral("E&xport this data"),
        QStringLiteral(" Create a spreadsheet data file for Excel "), several, true);
    add(MainButton::SeeEntry,
        QStringLiteral("This is a summary") + CrLf + QStringLiteral("of the entry") + CrLf +
            QStringLiteral("hightlighted above.") + CrLf + CrLf +
            QStringLiteral("To see/edit ALL info,") + CrLf +
            QStringLiteral("or to print or email") + CrLf +
            QStringLiteral("this entry, click here."),
        QStringLiteral(" See the complete details of the highlighted entry "), highlighted, true);
    return out;
}

namespace
{
quint32 component(int v)
{
    return quint32(qBound(0, v, 255));
}
} // namespace

quint32 FlashBackColor(const ButtonPulse &f)
{
    return (component(f.mirror) << 16) | (component(f.mirror) << 8);
}

quint32 FlashForeColor(const ButtonPulse &f)
{
    return (component(f.mirror) << 16) | (component(f.level) << 8);
}
