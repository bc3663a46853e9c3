// The main window's buttons by list, mode and access level, the pulse of
// "See All Entries", and the owner-drawn buttons' colour arithmetic.
#include "core/common/ColorMath.h"
#include "core/rules/MainButtons.h"

#include <QtTest>

namespace
{

// The buttons that come and go, shown ones by name, "-" after disabled ones.
QString shown(ListMode mode, bool inactive, int row, int entries, int level = 4)
{
    MainListState s;
    s.mode = mode;
    s.inactiveList = inactive;
    s.currentRow = row;
    s.entriesListed = entries;
    s.accessLevel = level;
    QStringList names;
    for (const MainButtonState &b : MainButtonStates(s)) {
        if (int(b.button) <= int(MainButton::Quit)) {
            if (!b.visible || !b.enabled) // the fixed buttons are always there
                names << "not:" + MainButtonName(b.button);
        } else if (b.visible) {
            names << MainButtonName(b.button).mid(3) + (b.enabled ? "" : "-");
        }
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
        using M = ListMode;
        // Empty active list: only Add. One entry: no Search, Print or Export.
        QCOMPARE(shown(M::AllEntries, false, 0, 0), "AddEntry");
        QCOMPARE(shown(M::AllEntries, false, 1, 1), "AddEntry ArchiveEntry DeleteEntry SeeEntry");
        QCOMPARE(shown(M::AllEntries, false, 2, 2),
                 "AddEntry ArchiveEntry DeleteEntry FindEntries PrintList ExportData SeeEntry");
        // Inactive list: Restore instead of Archive, no Add.
        QCOMPARE(shown(M::AllEntries, true, 1, 1), "RestoreEntry DeleteEntry SeeEntry");
        QCOMPARE(shown(M::AllEntries, true, 0, 0, 1), "");
        // Search results: See All Entries; Print and Export for two or more.
        QCOMPARE(shown(M::TextSearch, false, 1, 3), "SeeAllEntries PrintList ExportData SeeEntry");
        QCOMPARE(shown(M::DateSearch, true, 1, 1), "SeeAllEntries SeeEntry");
        // Levels 1 and 2 see what they may not press; 3 may add; 4 all.
        QCOMPARE(shown(M::AllEntries, false, 1, 2, 2),
                 "AddEntry- ArchiveEntry- DeleteEntry- FindEntries PrintList ExportData SeeEntry");
        QCOMPARE(shown(M::AllEntries, false, 1, 2, 3),
                 "AddEntry ArchiveEntry- DeleteEntry- FindEntries PrintList ExportData SeeEntry");
        QCOMPARE(shown(M::AllEntries, true, 1, 2, 3),
                 "RestoreEntry- DeleteEntry- FindEntries PrintList ExportData SeeEntry");
    }

    void colourPulse()
    {
        ButtonPulse f = SeeAllEntriesPulse();
        f.tick();
        QCOMPARE(FlashBackColor(f), quint32(0xF4F400)); // RGB(0, 244, 244)
        QCOMPARE(FlashForeColor(f), quint32(0xF40400)); // RGB(0, 4, 244)
        // At the bright end the mirror starts again at 2.
        f = SeeAllEntriesPulse();
        f.level = 252;
        f.step = 4;
        f.tick();
        QVERIFY(f.level == 248 && f.mirror == 6);
        QCOMPARE(FlashForeColor(f), quint32(0x06F800));
        // Components beyond a byte are held to it.
        QCOMPARE(FlashBackColor(ButtonPulse{300, -5, 4}), quint32(0x000000));
        QCOMPARE(FlashForeColor(ButtonPulse{300, 260, 4}), quint32(0xFFFF00));
    }

    void colourMath()
    {
        // Red in the low byte, blue in the high byte; parts clamped.
        QCOMPARE(OleRgb(300, -5, 256), OleColor(0xFF00FF));
        QVERIFY(OleBlue(0x733C00) == 0x73 && IsSystemColor(0x8000000F) && !IsSystemColor(0xFFFFFF));
        // Halves to even.
        QList<int> rounded;
        for (double value : {12.5, 13.5, 20.8333, -0.5, -1.5, -2.6})
            rounded << RoundHalfEven(value);
        QCOMPARE(rounded, QList<int>({12, 14, 21, 0, -2, -3}));
        // Blue proportionally, towards zero (100 - 13); soft halves (-12).
        QCOMPARE(ShiftColor(0x646464, -25, true, false), OleColor(0x574B4B));
        QCOMPARE(ShiftColor(0x804020, -25, true, true), OleColor(0x783414));
        // Towards white: part * (255 - w) / 255 + w, rounded.
        QCOMPARE(BlendColor(0xFF8010, 64), OleColor(0xFFA04C)); // 75.98 -> 76, 95.87 + 64 -> 160
        const ZelShades g = GreyShades(0x0000FF);
        QCOMPARE(QList<OleColor>({g.face, g.shadow, g.light, g.highlight, g.text}),
                 QList<OleColor>({0xC0C0C0, 0x808080, 0xDFDFDF, 0xFFFFFF, 0x0000FF}));
    }
};

QTEST_GUILESS_MAIN(TestMainButtons)
#include "tst_mainbuttons.moc"
