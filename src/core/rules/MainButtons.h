// What each button of the main window offers: its caption, tool tip,
// whether it is shown and whether it may be pressed, decided from the list
// shown, the highlighted row and the person's access level.
#pragma once

#include "core/entries/EntryList.h"
#include "core/rules/ButtonPulse.h"

#include <QString>
#include <QVector>

enum class MainButton {
    Help,
    About,
    UserInfo,
    RefreshGrid,
    AdminWindow,
    Quit,
    AddEntry,
    ArchiveEntry,
    RestoreEntry,
    DeleteEntry,
    FindEntries,
    SeeAllEntries,
    PrintList,
    ExportData,
    SeeEntry,
};
constexpr int MainButtonCount = int(MainButton::SeeEntry) + 1;

// The object name of the button ("cmdAddEntry").
QString MainButtonName(MainButton button);

struct MainListState {
    ListMode mode = ListMode::AllEntries;
    bool inactiveList = false; // "Inactive List" selected
    int currentRow = 0;        // 0: no entry highlighted
    int entriesListed = 0;
    int accessLevel = 0; // 1 "Read Only" .. 4 "Full Access"
};

struct MainButtonState {
    MainButton button = MainButton::Help;
    QString caption;
    QString toolTip;
    bool visible = false;
    // Whether it may be pressed; applies only while the button is visible
    // (a hidden button keeps the enabling it had).
    bool enabled = false;
};

// Every button, in the order of MainButton.
QVector<MainButtonState> MainButtonStates(const MainListState &state);

// The colour pulse of "See All Entries" while search results are shown:
// level A and mirror B, which starts again at 2 when A turns at the bright
// end.
inline ButtonPulse SeeAllEntriesPulse()
{
    return ButtonPulse{0, 0, 0, 2};
}
// The button's back colour RGB(0, B, B) and fore colour RGB(0, A, B), as
// colour numbers 0xBBGGRR (components held to 0..255).
quint32 FlashBackColor(const ButtonPulse &pulse);
quint32 FlashForeColor(const ButtonPulse &pulse);
