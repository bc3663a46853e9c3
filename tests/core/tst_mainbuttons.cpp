// The main window's button table: which buttons each list, selection and
// search mode shows, what each access level may press, and the colour
// pulse of "See All Entries".
#include "core/rules/MainButtons.h"

#include <QtTest>

namespace
{

MainListState list(ListMode mode, bool inactive, int row, int entries, int level = 4)
{
    MainListState s;
    s.mode = mode;
    s.inactiveList = inactive;
    s.currentRow = row;
    s.entriesListed = entries;
    s.accessLevel = level;
    return s;
}

// The buttons among those that come and go: shown ones by name, a "-" after
// those that can not be pressed.
QString shown(const MainListState &s)
{
    QStringList names;
    for (const MainButtonState &b : MainButtonStates(s)) {
        if (int(b.button) > int(MainButton::Quit) && b.visible)
            names << MainButtonName(b.button).mid(3) + (b.enabled ? "" : "-");
    }
    return names.join(' ');
}

} // namespace

class TestMainButtons : public QObject
{
    Q_OBJECT
private slots:
    void whatEachListAndLevelShows()
    {
        // The fixed buttons are always there.
        for (const MainButtonState &s : MainButtonStates(list(ListMode::DateSearch, true, 0, 0, 1)))
            QVERIFY(int(s.button) > int(MainButton::Quit) || (s.visible && s.enabled));
        const QPair<MainListState, QString> cases[] = {
            // Empty active list: only Add. One entry: no Search, Print or Export.
            {list(ListMode::AllEntries, false, 0, 0), "AddEntry"},
            {list(ListMode::AllEntries, false, 1, 1), "AddEntry ArchiveEntry DeleteEntry SeeEntry"},
            {list(ListMode::AllEntries, false, 2, 2),
             "AddEntry ArchiveEntry DeleteEntry FindEntries PrintList ExportData SeeEntry"},
            // Inactive list: Restore instead of Archive, no Add.
            {list(ListMode::AllEntries, true, 1, 1), "RestoreEntry DeleteEntry SeeEntry"},
            {list(ListMode::AllEntries, true, 0, 0), ""},
            // Search results: See All Entries; Print and Export for two or more.
            {list(ListMode::TextSearch, false, 1, 3),
             "SeeAllEntries PrintList ExportData SeeEntry"},
            {list(ListMode::DateSearch, true, 1, 1), "SeeAllEntries SeeEntry"},
            // Levels 1 and 2 see what they may not press; 3 may add; 4 all.
            {list(ListMode::AllEntries, false, 1, 2, 1),
             "AddEntry- ArchiveEntry- DeleteEntry- FindEntries PrintList ExportData SeeEntry"},
            {list(ListMode::AllEntries, false, 1, 2, 2),
             "AddEntry- ArchiveEntry- DeleteEntry- FindEntries PrintList ExportData SeeEntry"},
            {list(ListMode::AllEntries, false, 1, 2, 3),
             "AddEntry ArchiveEntry- DeleteEntry- FindEntries PrintList ExportData SeeEntry"},
            {list(ListMode::AllEntries, true, 1, 2, 3),
             "RestoreEntry- DeleteEntry- FindEntries PrintList ExportData SeeEntry"},
            {list(ListMode::AllEntries, true, 1, 2, 4),
             "RestoreEntry DeleteEntry FindEntries PrintList ExportData SeeEntry"},
        };
        for (const auto &c : cases)
            QCOMPARE(shown(c.first), c.second);
    }

    void colourPulse()
    {
        ButtonPulse f = SeeAllEntriesPulse();
        f.tick();
        QCOMPARE(FlashBackColor(f), quint32(0xF4F400)); // RGB(0, 244, 244)
        QCOMPARE(FlashForeColor(f), quint32(0xF40400)); // RGB(0, 4, 244)
        int top = 0;
        for (int steps = 0; f.step > 0 && steps < 200; ++steps) {
            top = f.level;
            f.tick();
        }
        // Up to 252, then down again, the mirror starting again at 2.
        QVERIFY(top == 252 && f.level == 248 && f.mirror == 6);
        QCOMPARE(FlashBackColor(f), quint32(0x060600));
        QCOMPARE(FlashForeColor(f), quint32(0x06F800));
        // Components beyond a byte are held to it.
        QCOMPARE(FlashBackColor(ButtonPulse{300, -5, 4}), quint32(0x000000));
        QCOMPARE(FlashForeColor(ButtonPulse{300, 260, 4}), quint32(0xFFFF00));
    }
};

QTEST_GUILESS_MAIN(TestMainButtons)
#include "tst_mainbuttons.moc"
