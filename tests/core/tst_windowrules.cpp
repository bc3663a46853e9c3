// The windows' rules without widgets: list grids, title, search, main and
// administrative windows, the version fetch from a server on 127.0.0.1.
#include "FakeDesktop.h"
#include "LocalHttpServer.h"
#include "core/common/ColorMath.h"
#include "core/common/Globals.h"
#include "core/common/Startup.h"
#include "core/rules/AdminRules.h"
#include "core/rules/FindRules.h"
#include "core/rules/GridTable.h"
#include "core/rules/MainButtons.h"
#include "core/rules/TitleRules.h"
#include "core/rules/VersionCheck.h"
#include "core/users/Installation.h"
#include "core/users/UnattendedSetup.h"
#include "core/users/UserRecord.h"

#include <QSignalSpy>
#include <QtTest>

namespace
{

// "ok:<text>", "failed" or why there was no answer (bounded wait).
QString answer(VersionCheck &check, LocalHttpServer &server, const QString &address = QString())
{
    QSignalSpy spy(&check, &VersionCheck::finished);
    if (!check.start(address.isEmpty() ? server.address() : address))
        return QStringLiteral("not started");
    if (spy.isEmpty() && !spy.wait(10000))
        return QStringLiteral("no answer");
    const QList<QVariant> args = spy.takeFirst();
    return args.at(0).toBool() ? "ok:" + QString::fromLatin1(args.at(1).toByteArray())
                               : QStringLiteral("failed") + (args.at(1).toByteArray().isEmpty()
                                                                 ? QString()
                                                                 : QStringLiteral(" with text"));
}

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

const QString MainFormat = QStringLiteral("<Date Rec'd|<Case #|<Category|<Description|<Rec# "
                                          "(hidden)|<SortCol (hidden)");

// The texts of one column from row 1 down, joined by commas.
QString column(const GridTable &t, int col)
{
    QStringList out;
    for (int r = 1; r < t.Rows(); ++r)
        out << t.TextMatrix(r, col);
    return out.join(',');
}

GridTable tableWith(const QStringList &rows, const QString &format = MainFormat)
{
    GridTable t;
    t.setFormatString(format);
    for (const QString &row : rows)
        t.AddItem(row);
    return t;
}

// A "Key|Row" table: each key with its row number.
GridTable keyed(const QStringList &keys)
{
    GridTable t = tableWith({}, QStringLiteral("Key|Row"));
    for (int i = 0; i < keys.size(); ++i)
        t.AddItem(keys[i] + '\t' + QString::number(i + 1));
    return t;
}

// Rows r0..r1, columns 0..c1: each cell's back colour as a letter from `names`.
QString painted(const GridTable &t, int r0, int r1, int c1, const QMap<quint32, QChar> &names)
{
    QString out;
    for (int r = r0; r <= r1; ++r) {
        for (int c = 0; c <= c1; ++c)
            out += names.value(t.cellBackColor(r, c), '.');
        out += ' ';
    }
    return out;
}

// Column `show` after sorting by column `key` in `order`.
QString sorted(GridTable t, int order, int key = 0, int show = 1)
{
    t.setCol(key);
    t.Sort(order);
    return column(t, show);
}

} // namespace

class TestWindowRules : public QObject
{
    Q_OBJECT
private slots:
    void versionsAddressesScreen()
    {
        // More digits than the pattern's places are all shown; zero is "0".
        QCOMPARE(VersionText({123, 4567, 98765}), QStringLiteral("Version w123.4567.98765"));
        // Numbers, not text: 9.9 is older than 9.10.
        QCOMPARE(CompareVersions({9, 9, 0}, {9, 10, 0}), -1);

        // Three good texts, then the refused ones ("-").
        QStringList parsed;
        for (const QByteArray &b :
             {QByteArray("9.12"), QByteArray("\n10.0.0\n\n"), QByteArray("Version w9.12.0003"),
              QByteArray("9"), QByteArray("9.x"), QByteArray("9.12.3.4"), QByteArray("12345.1"),
              QByteArray("9.12 beta"), QByteArray("Version 9.12"), QByteArray("9.12\n9.13"),
              QByteArray("9.12\0", 5), QByteArray(300, ' ') + "9.12"}) {
            const auto v = ParseVersionText(b);
            parsed << (v ? QStringLiteral("%1.%2.%3").arg(v->major).arg(v->minor).arg(v->revision)
                         : QStringLiteral("-"));
        }
        QCOMPARE(parsed.join(' '), QStringLiteral("9.12.0 10.0.0 9.12.3 - - - - - - - - -"));

        const ProgramVersion running{9, 11, 0};
        QCOMPARE(JudgeVersionAnswer(true, "9.11.1\r\n", running), VersionOutcome::Newer);
        QCOMPARE(JudgeVersionAnswer(true, "9.10.9999", running), VersionOutcome::Current);
        QCOMPARE(JudgeVersionAnswer(true, " \r\n", running), VersionOutcome::Empty);
        QCOMPARE(JudgeVersionAnswer(true, "garbage", running), VersionOutcome::Failed);
        // A failed request is a failure whatever came with it.
        QCOMPARE(JudgeVersionAnswer(false, "9.12.0", running), VersionOutcome::Failed);

        QCOMPARE(NormalizedSiteAddress(QStringLiteral("  ")), QString());
        QCOMPARE(NormalizedSiteAddress(QStringLiteral(" HTTP://10.0.0.5:8080/custorin// ")),
                 QStringLiteral("10.0.0.5:8080/custorin"));
        // Without an update address the documents are on the vendor's site.
        QCOMPARE(VersionInfoDocument(QString()) + ' ' + WindowsNoticeDocument(QString()),
                 QStringLiteral("www.custorin.example/VersionInfo/VersionInfo-Custorin.pdf "
                                "www.custorin.example/manual/windowsnotice.pdf"));
        QCOMPARE(NewUserOverviewMessage(),
                 QStringLiteral("Welcome! Are you a new user? If so, then let's take a moment "
                                "for a quick overview.\r\n\r\n") +
                     OverviewText());
        // At least 1024 wide and 720 high, fractions counting.
        QVERIFY(!ScreenNeedsWarning(1024, 720) && ScreenNeedsWarning(1023.9, 1024));
        QVERIFY(ScreenNeedsWarning(1024, 719.5));
    }

    void pulses()
    {
        // Up by 4, the mirror falling; a button face and a hover colour at 4.
        ButtonPulse s;
        s.tick();
        QVERIFY(s.level == 4 && s.mirror == 244 && s.step == 4);
        QCOMPARE(PulseColorsFor(0xFF80FF, s).back, OleColor(0xF474F4));
        QCOMPARE(PulseColorsFor(0xFF80FF, s).fore, OleColor(0x040004));
        QCOMPARE(PulseColorsFor(0xF2E6DC, s).back, OleColor(0x74F4F4));
        // It turns above 248 (mirror from 8) and below 8 (mirror from 248).
        s = {252, 0, 4};
        s.tick();
        QVERIFY(s.level == 248 && s.mirror == 12 && s.step == -4);
        s = {4, 256, -4};
        QCOMPARE(PulseColorsFor(0xF2E6DC, s).back, OleColor(0x80FFFF)); // parts above 255
        s.tick();
        QVERIFY(s.level == 8 && s.mirror == 244 && s.step == 4);

        // See All Entries flashes; at the bright end its mirror starts again at 2.
        ButtonPulse f = SeeAllEntriesPulse();
        f.tick();
        QCOMPARE(FlashBackColor(f), quint32(0xF4F400)); // RGB(0, 244, 244)
        QCOMPARE(FlashForeColor(f), quint32(0xF40400)); // RGB(0, 4, 244)
        f = SeeAllEntriesPulse();
        f.level = 252;
        f.step = 4;
        f.tick();
        QVERIFY(f.level == 248 && f.mirror == 6);
        QCOMPARE(FlashForeColor(f), quint32(0x06F800));
    }

    void fetchesTheVersionText()
    {
        LocalHttpServer server;
        QVERIFY(server.listen());
        server.setResponse(LocalHttpServer::response(200, "9.12.3\r\n"));
        VersionCheck check;
        // An address with "http://", a folder and a trailing slash.
        QCOMPARE(answer(check, server, "http://" + server.address() + "/custorin/"),
                 QStringLiteral("ok:9.12.3\r\n"));
        const QList<QByteArray> head = server.requests().first().split('\n');
        QCOMPARE(head.first(),
                 QByteArray("GET /custorin/VersionInfo/LatestVersion-Custorin.txt HTTP/1.1\r"));
        QVERIFY(head.contains("Host: " + server.address().toLatin1() + "\r"));
        // Nothing is asked without an address.
        QVERIFY(!check.start("   ") && !check.start("http://"));
        QCOMPARE(server.requests().size(), 1);
    }

    void failuresAndDroppedRequests()
    {
        VersionCheck check;
        LocalHttpServer server;
        QVERIFY(server.listen());
        // An HTTP error, an overlong answer, 3xx without a place to go.
        for (const auto &[status, body] : QList<QPair<int, QByteArray>>{
                 {404, "9.99.9"}, {200, QByteArray(20000, '9')}, {300, "9.99.9"}, {304, ""}}) {
            server.setResponse(LocalHttpServer::response(status, body));
            QVERIFY2(answer(check, server) == "failed", qPrintable(QString::number(status)));
        }
        // A redirection to another site is not followed.
        LocalHttpServer other;
        QVERIFY(other.listen());
        other.setResponse(LocalHttpServer::response(200, "9.99.9"));
        server.setResponse(LocalHttpServer::response(
            302, QByteArray(), "Location: http://" + other.address().toLatin1() + "/x.txt\r\n"));
        QCOMPARE(answer(check, server), QStringLiteral("failed"));
        QCOMPARE(other.connectionCount(), 0);
        // No answer: the check gives up after its time.
        server.setSilent(true);
        check.setTimeoutMs(300);
        QCOMPARE(answer(check, server), QStringLiteral("failed"));

        // A request dropped: no answer.
        QSignalSpy spy(&check, &VersionCheck::finished);
        QVERIFY(check.start(server.address()));
        QTRY_COMPARE_WITH_TIMEOUT(server.requests().size(), 7, 10000);
        check.abort();
        QTest::qWait(400);
        QVERIFY(spy.isEmpty());
    }

    void findWindow()
    {
        // The texts as they have always stood, the blank and the misspelling too.
        QCOMPARE(FindOptionCaption(4) + '|' + FindOptionCaption(10) + '|' + FindOptionCaption(18),
                 QStringLiteral("Search 'Location' only |Search 'Defendent' only|"));
        QVERIFY(OpeningFindOption(12) == 12 && OpeningFindOption(13) == 1);
        QVERIFY(!FindEnabledForPhrase("    ") && FindEnabledForPhrase(" a "));
        QCOMPARE(FindToolTipForSummary(13), QStringLiteral(" Daily Summary "));

        // The Find button's colours along one swing of the pulse.
        ButtonPulse p;
        p.tick();
        QCOMPARE(FindPulseBackColor(p), OleColor(0xF4F400)); // RGB(0, 244, 244)
        QCOMPARE(FindPulseForeColor(p), OleColor(0x040400));
        p = {4, 256, -4};
        QCOMPARE(FindPulseBackColor(p), OleColor(0xFFFF00)); // mirror 256 held to 255

        // The list's earliest and latest dates hold the picker's start.
        const PickerBounds b{QDate(2001, 1, 3), QDate(2012, 12, 31)};
        QCOMPARE(
            QList<QDate>({InitialPickerDate(b, {2026, 3, 4}), InitialPickerDate(b, {2000, 3, 4}),
                          InitialPickerDate(PickerBounds(), {2000, 3, 4})}),
            QList<QDate>({{2012, 12, 31}, {2001, 1, 3}, {2000, 3, 4}}));

        // Daily and weekly summaries may start on any day.
        // clang-format off
        const struct { int option; QDate start; const char *title, *tail; } cases[] = {
            {13, {2009, 12, 31}, "Daily Summary", "for Thursday December 31, 2009"},
            {14, {2008, 2, 29}, "Weekly Summary",
             "for a one-week period beginning\r\nFriday February 29, 2008"},
            {15, {2009, 12, 1}, "Monthly Summary",
             "for a one month period\r\nbeginning 12/01/2009"},
            {16, {2009, 2, 1}, "Quarterly Summary",
             "for a three month period\r\nbeginning 02/01/2009"},
            {17, {2000, 1, 1}, "Annual Summary",
             "for a twelve month period\r\nbeginning 01/01/2000"}};
        // clang-format on
        for (const auto &k : cases) {
            const SummaryConfirmation c = SummaryConfirmationFor(k.option, k.start);
            QVERIFY(c.acceptable);
            QCOMPARE(c.title, QString(k.title));
            QCOMPARE(c.text, QStringLiteral("This will summarize all entries\r\n") + k.tail);
            QCOMPARE(c.buttons, QStringList({"&Yes, continue", "&No, select some &other option"}));
        }
        // Longer summaries start on the first of a month only.
        const SummaryConfirmation c = SummaryConfirmationFor(17, QDate(2009, 1, 31));
        QVERIFY(!c.acceptable);
        QCOMPARE(
            c.title + '|' + c.text,
            QStringLiteral("Invalid Beginning Date Chosen|Please select the first of a month"));
        QCOMPARE(c.buttons, QStringList({"Select &another date", "Select some &other option"}));
    }

    void criteriaOnClosing()
    {
        TestEnvironment env;
        // go, option, phrase box, picked day -> phrase, summary start, summary name.
        // clang-format off
        const struct { bool go; int option; const char *phrase; QDate day; const char *wantPhrase;
                       QDateTime wantStart; const char *wantName; } cases[] = {
            // Cancel: no phrase, no date (the option and the boxes are kept).
            {false, 15, "  gold ", QDate(2009, 1, 1), "", QDateTime(), ""},
            // A text search: the trimmed phrase, one line.
            {true, 1, " gold\tring ", QDate(2009, 1, 1), "gold ring", QDateTime(), ""},
            // A summary: the day at midnight and the caption; the phrase dropped.
            {true, 13, "gold", QDate(2004, 1, 5), "", QDateTime(QDate(2004, 1, 5), QTime(0, 0)),
             "Daily Summary"}};
        // clang-format on
        for (const auto &k : cases) {
            const FindCriteria c = CriteriaOnClosing(k.go, k.option, k.phrase, k.day, 0, 1);
            QCOMPARE(c.searchPhrase, QString(k.wantPhrase));
            QCOMPARE(c.summaryStartDate, k.wantStart);
            QCOMPARE(c.summaryName, QString(k.wantName));
            QVERIFY(c.searchOption == k.option && c.ignoreCaps == 0 && c.wholeWordOnly == 1);
        }
        ApplyCriteria(env.session, CriteriaOnClosing(true, 16, "gold", QDate(2009, 4, 1), 1, 0));
        QCOMPARE(env.session.Search.SummaryStartDate, QDateTime(QDate(2009, 4, 1), QTime(0, 0)));
        QVERIFY(env.session.Search.SearchOption == 16 && env.session.Search.IgnoreCaps == 1 &&
                env.session.Search.WholeWordOnly == 0);
    }

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
        // Search results: See All Entries; Print and Export for two or more.
        QCOMPARE(shown(M::TextSearch, false, 1, 3), "SeeAllEntries PrintList ExportData SeeEntry");
        // Levels 1 and 2 see what they may not press; 3 may add; 4 all.
        QCOMPARE(shown(M::AllEntries, false, 1, 2, 2),
                 "AddEntry- ArchiveEntry- DeleteEntry- FindEntries PrintList ExportData SeeEntry");
        QCOMPARE(shown(M::AllEntries, false, 1, 2, 3),
                 "AddEntry ArchiveEntry- DeleteEntry- FindEntries PrintList ExportData SeeEntry");
    }

    void colourMath()
    {
        // Red in the low byte, blue in the high byte; parts clamped.
        QCOMPARE(OleRgb(300, -5, 256), OleColor(0xFF00FF));
        QVERIFY(OleBlue(0x733C00) == 0x73 && IsSystemColor(0x8000000F) && !IsSystemColor(0xFFFFFF));
        // Blue proportionally, towards zero (100 - 13); soft halves (-12).
        QCOMPARE(ShiftColor(0x646464, -25, true, false), OleColor(0x574B4B));
        QCOMPARE(ShiftColor(0x804020, -25, true, true), OleColor(0x783414));
        // Towards white: part * (255 - w) / 255 + w, rounded.
        QCOMPARE(BlendColor(0xFF8010, 64), OleColor(0xFFA04C)); // 75.98 -> 76, 95.87 + 64 -> 160
        const ZelShades g = GreyShades(0x0000FF);
        QCOMPARE(QList<OleColor>({g.face, g.shadow, g.light, g.highlight, g.text}),
                 QList<OleColor>({0xC0C0C0, 0x808080, 0xDFDFDF, 0xFFFFFF, 0x0000FF}));
    }

    void userWindows()
    {
        TestEnvironment env;
        UserRecord u;
        u.FirstName = QStringLiteral("  Ann ");
        u.LastName = QStringLiteral("Smith  ");
        u.AccessLevel = 3;
        u.DateCreated = 45352.75; // 03/01/2024 18:00
        QCOMPARE(UserGridRowText(u, 17),
                 QStringLiteral("Ann Smith\tRead/Edit/Add\t03/01/2024\tSmith Ann\t17"));
        const QStringList keys{"adams bob", "Smith Ann", "Smith Ann", "Young Zed"};
        QVERIFY(RowOfSortKey(keys, "Smith Ann") == 2 && RowOfSortKey(keys, "smith ann") == 0);
        QVERIFY(RowAfterDelete(1) == 1 && RowAfterDelete(7) == 6);

        // Hover colours that pulse.
        OleColor back = 7, fore = 7;
        QVERIFY(PulseColors(0xFF00FF, ButtonPulse{100, 150, 4}, &back, &fore));
        QVERIFY(back == 0x967C96 && fore == 0x646464); // RGB(150, 124, 150), RGB(100, 100, 100)
        // Length -> sign in (enabled, default), cancel default: 4 or more.
        const int cases[][3] = {{0, 0, 1}, {1, 0, 0}, {3, 0, 0}, {4, 1, 0}};
        for (const auto &c : cases) {
            const PasswordEntryState e = PasswordEntryRules(c[0]);
            QCOMPARE(QVector<bool>({e.signInEnabled, e.signInDefault, e.cancelDefault}),
                     QVector<bool>({bool(c[1]), bool(c[1]), bool(c[2])}));
        }

        QCOMPARE(AddEditText::SpaceFullText(1) + AddEditText::SpaceFullText(439),
                 QStringLiteral(" 1% full  100% full "));
        QCOMPARE(LimitComments(QString(437, 'x') + "\nyz"), QString(437, 'x') + "\n");
    }

    void setupChecksAndCommandLine()
    {
        using C = SetupCheck;
        // clang-format off
        const QList<std::tuple<QString, QString, QString, C>> cases = {
            {" ", "Ab3De", "Ab3De", C::AgencyEmpty},
            {QString(61, 'a'), "Ab3De", "Ab3De", C::AgencyTooLong},
            {QString(60, 'a'), "Ab3De", "Ab3De", C::Ok},
            {"A\tB", "Ab3De", "Ab3De", C::AgencyInvalid},
            {"Sheriff", "Ab3D", "Ab3D", C::CodeWrongLength},
            {"Sheriff", "Ab\t3D", "Ab\t3D", C::CodeInvalid},
            {"Sheriff", "Ab3De", "ab3De", C::CodesDiffer}};
        // clang-format on
        for (const auto &[agency, code, again, result] : cases)
            QVERIFY2(CheckSetupEntry(agency, code, again) == result, qPrintable(agency + code));
        QCOMPARE(SetupCheckMessage(DataSet(), C::CodeWrongLength).text,
                 QStringLiteral("The access code must be exactly\r\n5 characters long."));

        const StartOptions o = ParseCommandLine({"--set-agency=Troop C"}, "/");
        QVERIFY(o.unattended() && !o.setAccessCode && o.agencyName == "Troop C");
        QVERIFY(!ParseCommandLine({"--data-dir", "/x"}, "/").unattended());
        QCOMPARE(ParseCommandLine({"--set-agency"}, "/").error,
                 QStringLiteral("--set-agency needs the agency's name"));
    }

    void cellsAndSelection()
    {
        // A second format string with fewer columns keeps no stale heading.
        GridTable t = tableWith({}, QStringLiteral("<User List|^Date Created|NameSort|RecNum"));
        t.setFormatString(QStringLiteral(">Amount|Name"));
        QVERIFY(t.Cols() == 2 && t.TextMatrix(0, 3).isEmpty());
        QCOMPARE(t.ColAlignment(0), int(GridTable::AlignRightCenter));

        // Missing cells stay empty, cells beyond the columns are dropped.
        t = tableWith({"01/05/2004\t04-1234\t\t\t7", "only\ttwo", "a\tb\tc\td\te\tf\tg"});
        QCOMPARE(column(t, 1) + '|' + column(t, 4) + '|' + column(t, 5), "04-1234,two,b|7,,e|,,f");
        QVERIFY(t.AddItem("\t x \t", 2) && !t.AddItem("x", 9) && !t.AddItem("x", -2));
        QCOMPARE(column(t, 1), "04-1234, x ,two,b");
        QVERIFY(t.TextMatrix(5, 0).isEmpty() && t.TextMatrix(-1, 0).isEmpty());
        QVERIFY(!t.setTextMatrix(5, 0, "x") && t.setTextMatrix(4, 5, "key"));
        // The heading row cannot be removed; the current row follows its text.
        t.setRow(4);
        QVERIFY(!t.RemoveItem(0) && t.RemoveItem(2));
        QCOMPARE(t.TextMatrix(t.Row(), 5), QStringLiteral("key"));
        QVERIFY(t.RemoveItem(1) && t.RemoveItem(1) && t.RemoveItem(1) && !t.RemoveItem(1));
        QVERIFY(t.Rows() == 1 && t.Row() == 0);
        // Rows := 0 leaves the heading.
        t.AddItem("x\ty");
        t.setRow(1);
        t.setRows(0);
        QVERIFY(t.Rows() == 1 && t.Row() == 0 && t.TextMatrix(0, 0) == "Date Rec'd");

        t = tableWith({"a", "b", "c", "d"});
        // A rectangle of rows 3..4 (selected upwards from 4), columns 1..2.
        t.setRow(4);
        t.setRowSel(3);
        t.setCol(2);
        t.setColSel(1);
        t.setCellBackColor(0xD0D0D0);
        t.setCellForeColor(0xC00000);
        QCOMPARE(painted(t, 2, 4, 3, {{0xD0D0D0u, 'b'}}), QStringLiteral(".... .bb. .bb. "));
        QCOMPARE(t.cellForeColor(4, 1), 0xC00000u);
        // Colours and the current row follow their rows on an insert.
        t.AddItem("top", 1);
        QVERIFY(t.cellBackColor(3, 1) == GridTable::NoColor && t.cellBackColor(5, 1) == 0xD0D0D0u);
        QCOMPARE(t.TextMatrix(t.Row(), 0), QStringLiteral("d"));
    }

    void sortOrders()
    {
        // As text (10 before 9); the heading and the current cell stay.
        GridTable t = tableWith({"d1\t9", "d2\tb-7", "d3\t10", "d4\tA-2", "d5\ta-10", "d6\tB-1"});
        t.setRow(3);
        t.setCol(1);
        QVERIFY(t.Sort(GridTable::SortStringNoCaseAscending));
        QCOMPARE(column(t, 1), "10,9,a-10,A-2,B-1,b-7");
        QCOMPARE(t.TextMatrix(0, 4), QStringLiteral("Rec# (hidden)"));
        QVERIFY(t.Row() == 3 && t.Col() == 1);
        QVERIFY(!t.Sort(0) && !t.Sort(9));

        // Equal keys keep their order in every direction.
        const GridTable k = keyed({"m", "B", "m", "a", "b", "M", "", "m", "A"});
        QCOMPARE(sorted(k, GridTable::SortStringNoCaseAscending), "7,4,9,2,5,1,3,6,8");
        QCOMPARE(sorted(k, GridTable::SortStringAscending), "7,9,2,6,4,5,1,3,8"); // capitals first
        // Keys alike in eight characters or more, or beginning one another.
        const GridTable l = keyed({"2026-000124", "2026-00012", "2026-000123\u00E9", "20260517",
                                   "2026-000123", "2026-0001", "2026051", "", "2026-000123", "Zz"});
        QCOMPARE(sorted(l, GridTable::SortStringAscending), "8,6,2,5,9,3,1,7,4,10");
        QCOMPARE(sorted(l, GridTable::SortStringDescending), "10,4,7,1,3,5,9,2,6,8");

        // Numeric: text counts as 0; generic: numbers, then text.
        GridTable n = tableWith({"10", "9", "x", "$1,000.00", "-2"});
        QCOMPARE(sorted(n, GridTable::SortNumericAscending, 0, 0), "-2,x,9,10,$1,000.00");
        QCOMPARE(sorted(n, GridTable::SortGenericAscending, 0, 0), "-2,9,10,$1,000.00,x");
        // Twenty equal numbers each: more than a small sort keeps by chance.
        GridTable many = tableWith({});
        QStringList want;
        for (int i = 1; i <= 60; ++i)
            many.AddItem(QStringLiteral("%1\t%2").arg(i % 3).arg(i));
        for (int k : {3, 1, 2}) // the record numbers of the keys 0, 1, 2
            for (int i = k; i <= 60; i += 3)
                want << QString::number(i);
        QCOMPARE(sorted(many, GridTable::SortNumericAscending), want.join(','));

        // Columns 0..1 left to right; only rows Row..RowSel when they differ.
        GridTable c = tableWith({"b\t2\t1", "a\t2\t2", "b\t1\t3", "a\t10\t4", "a\t\t5"});
        c.setColSel(1);
        QVERIFY(c.Sort(GridTable::SortStringNoCaseAscending));
        QCOMPARE(column(c, 2), "5,4,2,3,1");
        c.setRow(2);
        c.setRowSel(4);
        c.setCol(2);
        QVERIFY(c.Sort(GridTable::SortStringNoCaseDescending));
        QCOMPARE(column(c, 2), "5,4,3,2,1");
    }

    void wholeRowsAndShading()
    {
        GridTable t = tableWith({"old\tx", "older"});
        t.setCellBackColor(0x123456); // on the heading row, which keeps it
        std::vector<QString> cells;
        for (int i = 0; i < 14; ++i) // two rows of six and two cells of a third
            cells.push_back(QString::number(i));
        QVERIFY(t.setRowTexts(1, std::move(cells)));
        QCOMPARE(column(t, 0) + '|' + column(t, 5), "0,6,12|5,11,");
        QVERIFY(t.TextMatrix(0, 1) == "Case #" && t.CellBackColor() == 0x123456u);
        // Rows kept before firstRow; the heading row itself is refused.
        t = tableWith({"a", "b", "c"});
        QVERIFY(t.setRowTexts(3, {"C", "", "", "", "", "", "D"}));
        QCOMPARE(column(t, 0), "a,b,C,D");
        QVERIFY(!t.setRowTexts(0, {"x"}) && !t.setRowTexts(6, {"x"}));

        // Even rows grey, odd rows white, columns 0..3; the current cell stays.
        t.setRow(3);
        t.setCol(1);
        t.setRowsBackColor(1, 4, 0, 3, 0xF0F0F0, 0xFFFFFF);
        QCOMPARE(painted(t, 0, 4, 5, {{0xF0F0F0u, 'g'}, {0xFFFFFFu, 'w'}}),
                 QStringLiteral("...... wwww.. gggg.. wwww.. gggg.. "));
        QVERIFY(t.Row() == 3 && t.Col() == 1);
        // A range beyond the table is cut; colours move with a sort.
        t.setRowsBackColor(3, 99, 4, 99, 0x222222, 0x333333);
        t.setCol(0);
        t.Sort(GridTable::SortStringDescending);
        QCOMPARE(column(t, 0), "b,a,D,C");
        QVERIFY(t.cellBackColor(1, 0) == 0xF0F0F0u && t.cellBackColor(4, 5) == 0x333333u);

        // Rows from a cell source: a text written into one of their cells
        // (an empty one too) is the cell's own; the rows keep their source
        // row through a sort (by texts the source shares), an insertion and
        // a removal, and lose it when cut off.
        const QString shared[2] = {QStringLiteral("x"), QStringLiteral("Y")};
        auto source = [&](int r, int c) {
            return c == 2 ? shared[r % 2] : QStringLiteral("s%1c%2").arg(r).arg(c);
        };
        t = tableWith({"a"});
        QVERIFY(!t.setSourceRows(0, 1, source) && !t.setSourceRows(3, 1, source));
        QVERIFY(t.setSourceRows(2, 4, source));
        t.setTextMatrix(3, 1, QString());
        t.setTextMatrix(4, 0, QStringLiteral("own"));
        QCOMPARE(column(t, 0) + '|' + column(t, 1), "a,s0c0,s1c0,own,s3c0|,s0c1,,s2c1,s3c1");
        t.setCol(2);
        QVERIFY(t.Sort(GridTable::SortStringNoCaseAscending));
        QCOMPARE(column(t, 0) + '|' + column(t, 1), "a,s0c0,own,s1c0,s3c0|,s0c1,s2c1,,s3c1");
        QVERIFY(t.AddItem(QStringLiteral("new\tn"), 2) && t.RemoveItem(4));
        QCOMPARE(column(t, 0) + '|' + column(t, 1), "a,new,s0c0,s1c0,s3c0|,n,s0c1,,s3c1");
        t.setRows(3);
        t.setRows(5);
        QCOMPARE(column(t, 0) + '|' + column(t, 2), "a,new,,|,,,");

        // Rows that never had a text of their own: sorted by their source
        // rows alone, coloured, written into, given another column.
        t = tableWith({"a"});
        QVERIFY(t.setSourceRows(2, 4, source));
        t.setCol(2);
        QVERIFY(t.Sort(GridTable::SortStringNoCaseAscending));
        t.setRowsBackColor(2, 5, 0, 0, 0x111111u, 0x222222u);
        t.setTextMatrix(5, 1, QStringLiteral("w"));
        t.setCols(t.Cols() + 1);
        QCOMPARE(column(t, 0) + '|' + column(t, 1), "a,s0c0,s2c0,s1c0,s3c0|,s0c1,s2c1,s1c1,w");
        QCOMPARE(t.cellBackColor(5, 0), 0x222222u);
    }
};

QTEST_GUILESS_MAIN(TestWindowRules)
#include "tst_windowrules.moc"
