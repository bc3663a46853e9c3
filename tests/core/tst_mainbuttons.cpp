// The main window's button table: which buttons each list, selection and
// search mode shows, what each
// access level may press, and the colour pulse of "See All Entries".
#include "core/rules/MainButtons.h"

#include <QtTest>

namespace
{

MainButtonState stateOf(const QVector<MainButtonState> &all, MainButton b)
{
    return all[int(b)];
}

// The names of the shown buttons among the eight that come and go.
QString shown(const MainListState &s)
{
    const QVector<MainButtonState> all = MainButtonStates(s);
    QStringList names;
    for (MainButton b :
         {MainButton::AddEntry, MainButton::ArchiveEntry, MainButton::RestoreEntry,
          MainButton::DeleteEntry, MainButton::FindEntries, MainButton::SeeAllEntries,
          MainButton::PrintList, MainButton::ExportData, MainButton::SeeEntry}) {
        if (stateOf(all, b).visible)
            names << MainButtonName(b).mid(3);
    }
    return names.join(' ');
}

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

} // namespace

class TestMainButtons : public QObject
{
    Q_OBJECT
private slots:
    void fixedButtonsAlwaysThere()
    {
        for (int level = 1; level <= 4; ++level) {
            const auto all = MainButtonStates(list(ListMode::DateSearch, true, 0, 0, level));
            QCOMPARE(all.size(), MainButtonCount);
            for (const MainButtonState &s : all) {
                if (int(s.button) <= int(MainButton::Quit))
                    QVERIFY(s.visible && s.enabled);
            }
        }
    }

    void whatEachListShows()
    {
        // Empty active list: only Add.
        QCOMPARE(shown(list(ListMode::AllEntries, false, 0, 0)), QStringLiteral("AddEntry"));
        // One entry: no Search, Print or Export.
        QCOMPARE(shown(list(ListMode::AllEntries, false, 1, 1)),
                 QStringLiteral("AddEntry ArchiveEntry DeleteEntry SeeEntry"));
        QCOMPARE(shown(list(ListMode::AllEntries, false, 2, 2)),
                 QStringLiteral("AddEntry ArchiveEntry DeleteEntry FindEntries PrintList "
                                "ExportData SeeEntry"));
        // Inactive list: Restore instead of Archive, no Add.
        QCOMPARE(shown(list(ListMode::AllEntries, true, 1, 1)),
                 QStringLiteral("RestoreEntry DeleteEntry SeeEntry"));
        QCOMPARE(shown(list(ListMode::AllEntries, true, 3, 5)),
                 QStringLiteral("RestoreEntry DeleteEntry FindEntries PrintList ExportData "
                                "SeeEntry"));
        QCOMPARE(shown(list(ListMode::AllEntries, true, 0, 0)), QString());
        // Search results: See All Entries; Print and Export for two or more.
        QCOMPARE(shown(list(ListMode::TextSearch, false, 1, 3)),
                 QStringLiteral("SeeAllEntries PrintList ExportData SeeEntry"));
        QCOMPARE(shown(list(ListMode::DateSearch, true, 1, 1)),
                 QStringLiteral("SeeAllEntries SeeEntry"));
    }

    void accessLevels()
    {
        // level -> Add, Archive, Restore, Delete enabled
        const QList<QPair<int, QString>> table{{1, "----"}, {2, "----"}, {3, "A---"}, {4, "AARD"}};
        for (const auto &row : table) {
            const auto active =
                MainButtonStates(list(ListMode::AllEntries, false, 1, 2, row.first));
            const auto inactive =
                MainButtonStates(list(ListMode::AllEntries, true, 1, 2, row.first));
            QString got;
            got += stateOf(active, MainButton::AddEntry).enabled ? 'A' : '-';
            got += stateOf(active, MainButton::ArchiveEntry).enabled ? 'A' : '-';
            got += stateOf(inactive, MainButton::RestoreEntry).enabled ? 'R' : '-';
            got += stateOf(active, MainButton::DeleteEntry).enabled ? 'D' : '-';
            QCOMPARE(got, row.second);
            // Whoever signed in may look, search, print and export.
            for (MainButton b : {MainButton::FindEntries, MainButton::PrintList,
                                 MainButton::ExportData, MainButton::SeeEntry})
                QVERIFY(stateOf(active, b).enabled);
            // Level 2 sees the buttons it may not press.
            QVERIFY(stateOf(active, MainButton::AddEntry).visible);
            QVERIFY(stateOf(active, MainButton::ArchiveEntry).visible);
            QVERIFY(stateOf(active, MainButton::DeleteEntry).visible);
        }
    }

    void colourPulse()
    {
        ButtonPulse f = SeeAllEntriesPulse();
        f.tick();
        QCOMPARE(FlashBackColor(f), quint32(0xF4F400)); // RGB(0, 244, 244)
        QCOMPARE(FlashForeColor(f), quint32(0xF40400)); // RGB(0, 4, 244)
        int top = 0, steps = 0;
        while (f.step > 0 && steps < 200) {
            top = f.level;
            f.tick();
            ++steps;
        }
        // Up to 252, then down again, the mirror starting again at 2.
        QCOMPARE(top, 252);
        QCOMPARE(f.level, 248);
        QCOMPARE(f.mirror, 6);
        QCOMPARE(FlashBackColor(f), quint32(0x060600));
        QCOMPARE(FlashForeColor(f), quint32(0x06F800));
        // Components beyond a byte are held to it.
        QCOMPARE(FlashBackColor(ButtonPulse{300, -5, 4}), quint32(0x000000));
        QCOMPARE(FlashForeColor(ButtonPulse{300, 260, 4}), quint32(0xFFFF00));
    }
};

QTEST_GUILESS_MAIN(TestMainButtons)
#include "tst_mainbuttons.moc"
