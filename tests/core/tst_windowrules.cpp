// The windows' rules without widgets: grids, title, search, main and admin
// windows, the version fetch, the entry list and filter, the Refresh watch.
#include "EntryTexts.h"
#include "FakeDesktop.h"
#include "LocalHttpServer.h"
#include "SampleData.h"
#include "TestBytes.h"
#include "TestFiles.h"
#include "TestFolder.h"
#include "core/common/ColorMath.h"
#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "core/entries/DataFile.h"
#include "core/entries/EntryList.h"
#include "core/entries/EntryStore.h"
#include "core/entries/OwnWrites.h"
#include "core/entries/SearchFilter.h"
#include "core/rules/AdminRules.h"
#include "core/rules/FindRules.h"
#include "core/rules/GridTable.h"
#include "core/rules/MainButtons.h"
#include "core/rules/NetworkWatch.h"
#include "core/rules/TitleRules.h"
#include "core/rules/VersionCheck.h"
#include "core/users/Installation.h"
#include "core/users/UnattendedSetup.h"
#include "core/users/UserRecord.h"

#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QtTest>
#include <limits>

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

QString sorted(GridTable t, int order, int key = 0, int show = 1)
{
    t.setCol(key);
    t.Sort(order);
    return column(t, show);
}

QByteArray record(double control, const QByteArray &caseNumber, const QByteArray &category,
                  const QByteArray &description, qint64 value, double received, quint8 status)
{
    return le16(72) + doubleBytes(control) + padded(caseNumber, 15) + padded("Bin 4", 50) +
           padded(category, 20) + padded("Acme", 20) + padded("M-1", 20) + padded("SN 77", 20) +
           padded(description, 60) + le64(value) + QByteArray(170, ' ') + doubleBytes(received) +
           QByteArray(70, ' ') + doubleBytes(0.0) + QByteArray(4520, ' ') + char(status);
}

constexpr double Jan5th2009 = 39818, Dec31st2008 = 39813;

// "record:date|case|category|description" per row, then counts, total and
// the first and last received day.
QString listed(const EntryListData &d)
{
    QStringList rows;
    for (const EntryListRow &r : d.rows)
        rows << QStringLiteral("%1:%2|%3|%4|%5")
                    .arg(r.recordNumber)
                    .arg(d.date(r), d.caseNumber(r), d.category(r), d.description(r));
    return rows.join(' ') +
           QStringLiteral(" (%1 active, %2 archived, %3, %4..%5)")
               .arg(d.activeCount)
               .arg(d.archivedCount)
               .arg(d.total)
               .arg(d.earliest.toString(Qt::ISODate), d.latest.toString(Qt::ISODate));
}

EntryRecord Sample()
{
    EntryRecord e = EntryWithTexts("  09-123 |Shelf A|Firearm|Remington|870|RS0042|Shotgun, 12 "
                                   "ga|Pat Doe|Ofc. Smith|Jane Roe|Bob Smart|Found in trunk.|Lab "
                                   "1/6/2009 ");
    e.ControlNumber = oleDate(2009, 1, 5, 14, 30);
    e.Value = 12345000; // $1,234.50
    e.ReceivedDate = oleDate(2009, 1, 5);
    e.Status = 1;
    return e;
}

const QString SharedFile = QStringLiteral("/share/Custorin.Data");

FileStamp stamp(int second, qint64 size)
{
    return FileStamp{QDateTime(QDate(2026, 3, 9), QTime(14, 0, second)), size, QDateTime()};
}

QDateTime at(int minute, int second, int ms = 0)
{
    return QDateTime(QDate(2026, 3, 9), QTime(10, minute, second, ms));
}

// Per tick the face after it (n normal, y yellow, r red, g green), "L" when
// it looked at the file, "S" when it wanted the sound.
QString ticks(NetworkWatch &watch, const QList<QDateTime> &times, bool entries = true,
              bool soundOn = false, const QString &file = SharedFile)
{
    QStringList out;
    for (const QDateTime &now : times) {
        const WatchTick t = watch.tick(now, entries, soundOn, file);
        out << QStringLiteral("nyrg").at(int(watch.face())) + QString(t.examined ? "L" : "") +
                   (t.playSound ? "S" : "");
    }
    return out.join(' ');
}

QString seconds(NetworkWatch &watch, const QDateTime &from, int count, bool entries = true,
                bool soundOn = false)
{
    QList<QDateTime> times;
    for (int i = 0; i < count; ++i)
        times << from.addSecs(i);
    return ticks(watch, times, entries, soundOn);
}

} // namespace

class TestWindowRules : public QObject
{
    Q_OBJECT
private slots:
    void versionsAddressesScreen()
    {
        QCOMPARE(VersionText({123, 4567, 98765}), QStringLiteral("Version w123.4567.98765"));
        QCOMPARE(CompareVersions({9, 9, 0}, {9, 10, 0}), -1);

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
        QCOMPARE(JudgeVersionAnswer(false, "9.12.0", running), VersionOutcome::Failed);

        QCOMPARE(NormalizedSiteAddress(QStringLiteral("  ")), QString());
        QCOMPARE(NormalizedSiteAddress(QStringLiteral(" HTTP://10.0.0.5:8080/custorin// ")),
                 QStringLiteral("10.0.0.5:8080/custorin"));
        QCOMPARE(VersionInfoDocument(QString()) + ' ' + WindowsNoticeDocument(QString()),
                 QStringLiteral("www.custorin.example/VersionInfo/VersionInfo-Custorin.pdf "
                                "www.custorin.example/manual/windowsnotice.pdf"));
        QCOMPARE(NewUserOverviewMessage(),
                 QStringLiteral("Welcome! Are you a new user? If so, then let's take a moment "
                                "for a quick overview.\r\n\r\n") +
                     OverviewText());
        QVERIFY(!ScreenNeedsWarning(1024, 720) && ScreenNeedsWarning(1023.9, 1024));
        QVERIFY(ScreenNeedsWarning(1024, 719.5));
    }

    void pulsesAndColours()
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

    void fetchesTheVersionTextOrFails()
    {
        LocalHttpServer server;
        QVERIFY(server.listen());
        server.setResponse(LocalHttpServer::response(200, "9.12.3\r\n"));
        VersionCheck check;
        QCOMPARE(answer(check, server, "http://" + server.address() + "/custorin/"),
                 QStringLiteral("ok:9.12.3\r\n"));
        const QList<QByteArray> head = server.requests().first().split('\n');
        QCOMPARE(head.first(),
                 QByteArray("GET /custorin/VersionInfo/LatestVersion-Custorin.txt HTTP/1.1\r"));
        QVERIFY(head.contains("Host: " + server.address().toLatin1() + "\r"));
        QVERIFY(!check.start("   ") && !check.start("http://"));
        QCOMPARE(server.requests().size(), 1);

        for (const auto &[status, body] : QList<QPair<int, QByteArray>>{
                 {404, "9.99.9"}, {200, QByteArray(20000, '9')}, {300, "9.99.9"}, {304, ""}}) {
            server.setResponse(LocalHttpServer::response(status, body));
            QVERIFY2(answer(check, server) == "failed", qPrintable(QString::number(status)));
        }
        LocalHttpServer other;
        QVERIFY(other.listen());
        other.setResponse(LocalHttpServer::response(200, "9.99.9"));
        server.setResponse(LocalHttpServer::response(
            302, QByteArray(), "Location: http://" + other.address().toLatin1() + "/x.txt\r\n"));
        QCOMPARE(answer(check, server), QStringLiteral("failed"));
        QCOMPARE(other.connectionCount(), 0);
        server.setSilent(true);
        check.setTimeoutMs(300);
        QCOMPARE(answer(check, server), QStringLiteral("failed"));

        QSignalSpy spy(&check, &VersionCheck::finished);
        QVERIFY(check.start(server.address()));
        QTRY_COMPARE_WITH_TIMEOUT(server.requests().size(), 8, 10000);
        check.abort();
        QTest::qWait(400);
        QVERIFY(spy.isEmpty());
    }

    void findWindow()
    {
        QCOMPARE(FindOptionCaption(4) + '|' + FindOptionCaption(10) + '|' + FindOptionCaption(18),
                 QStringLiteral("Search 'Location' only |Search 'Defendent' only|"));
        QVERIFY(OpeningFindOption(12) == 12 && OpeningFindOption(13) == 1);
        QVERIFY(!FindEnabledForPhrase("    ") && FindEnabledForPhrase(" a "));
        QCOMPARE(FindToolTipForSummary(13), QStringLiteral(" Daily Summary "));

        ButtonPulse p;
        p.tick();
        QCOMPARE(FindPulseBackColor(p), OleColor(0xF4F400)); // RGB(0, 244, 244)
        QCOMPARE(FindPulseForeColor(p), OleColor(0x040400));
        p = {4, 256, -4};
        QCOMPARE(FindPulseBackColor(p), OleColor(0xFFFF00)); // mirror 256 held to 255

        const PickerBounds b{QDate(2001, 1, 3), QDate(2012, 12, 31)};
        QCOMPARE(
            QList<QDate>({InitialPickerDate(b, {2026, 3, 4}), InitialPickerDate(b, {2000, 3, 4}),
                          InitialPickerDate(PickerBounds(), {2000, 3, 4})}),
            QList<QDate>({{2012, 12, 31}, {2001, 1, 3}, {2000, 3, 4}}));

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
        // clang-format off
        const struct { bool go; int option; const char *phrase; QDate day; const char *wantPhrase;
                       QDateTime wantStart; const char *wantName; } cases[] = {
            {false, 15, "  gold ", QDate(2009, 1, 1), "", QDateTime(), ""},
            {true, 1, " gold\tring ", QDate(2009, 1, 1), "gold ring", QDateTime(), ""},
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
        QCOMPARE(shown(M::AllEntries, false, 0, 0), "AddEntry");
        QCOMPARE(shown(M::AllEntries, false, 1, 1), "AddEntry ArchiveEntry DeleteEntry SeeEntry");
        QCOMPARE(shown(M::AllEntries, false, 2, 2),
                 "AddEntry ArchiveEntry DeleteEntry FindEntries PrintList ExportData SeeEntry");
        QCOMPARE(shown(M::AllEntries, true, 1, 1), "RestoreEntry DeleteEntry SeeEntry");
        QCOMPARE(shown(M::TextSearch, false, 1, 3), "SeeAllEntries PrintList ExportData SeeEntry");
        QCOMPARE(shown(M::AllEntries, false, 1, 2, 2),
                 "AddEntry- ArchiveEntry- DeleteEntry- FindEntries PrintList ExportData SeeEntry");
        QCOMPARE(shown(M::AllEntries, false, 1, 2, 3),
                 "AddEntry ArchiveEntry- DeleteEntry- FindEntries PrintList ExportData SeeEntry");
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

        OleColor back = 7, fore = 7;
        QVERIFY(PulseColors(0xFF00FF, ButtonPulse{100, 150, 4}, &back, &fore));
        QVERIFY(back == 0x967C96 && fore == 0x646464); // RGB(150, 124, 150), RGB(100, 100, 100)
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

    void setupChecks()
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
    }

    void cellsAndSelection()
    {
        GridTable t = tableWith({}, QStringLiteral("<User List|^Date Created|NameSort|RecNum"));
        t.setFormatString(QStringLiteral(">Amount|Name"));
        QVERIFY(t.Cols() == 2 && t.TextMatrix(0, 3).isEmpty());
        QCOMPARE(t.ColAlignment(0), int(GridTable::AlignRightCenter));

        t = tableWith({"01/05/2004\t04-1234\t\t\t7", "only\ttwo", "a\tb\tc\td\te\tf\tg"});
        QCOMPARE(column(t, 1) + '|' + column(t, 4) + '|' + column(t, 5), "04-1234,two,b|7,,e|,,f");
        QVERIFY(t.AddItem("\t x \t", 2) && !t.AddItem("x", 9) && !t.AddItem("x", -2));
        QCOMPARE(column(t, 1), "04-1234, x ,two,b");
        QVERIFY(t.TextMatrix(5, 0).isEmpty() && t.TextMatrix(-1, 0).isEmpty());
        QVERIFY(!t.setTextMatrix(5, 0, "x") && t.setTextMatrix(4, 5, "key"));
        t.setRow(4);
        QVERIFY(!t.RemoveItem(0) && t.RemoveItem(2));
        QCOMPARE(t.TextMatrix(t.Row(), 5), QStringLiteral("key"));
        QVERIFY(t.RemoveItem(1) && t.RemoveItem(1) && t.RemoveItem(1) && !t.RemoveItem(1));
        QVERIFY(t.Rows() == 1 && t.Row() == 0);
        t.AddItem("x\ty");
        t.setRow(1);
        t.setRows(0);
        QVERIFY(t.Rows() == 1 && t.Row() == 0 && t.TextMatrix(0, 0) == "Date Rec'd");

        t = tableWith({"a", "b", "c", "d"});
        t.setRow(4);
        t.setRowSel(3);
        t.setCol(2);
        t.setColSel(1);
        t.setCellBackColor(0xD0D0D0);
        t.setCellForeColor(0xC00000);
        QCOMPARE(painted(t, 2, 4, 3, {{0xD0D0D0u, 'b'}}), QStringLiteral(".... .bb. .bb. "));
        QCOMPARE(t.cellForeColor(4, 1), 0xC00000u);
        t.AddItem("top", 1);
        QVERIFY(t.cellBackColor(3, 1) == GridTable::NoColor && t.cellBackColor(5, 1) == 0xD0D0D0u);
        QCOMPARE(t.TextMatrix(t.Row(), 0), QStringLiteral("d"));
    }

    void sortOrders()
    {
        GridTable t = tableWith({"d1\t9", "d2\tb-7", "d3\t10", "d4\tA-2", "d5\ta-10", "d6\tB-1"});
        t.setRow(3);
        t.setCol(1);
        QVERIFY(t.Sort(GridTable::SortStringNoCaseAscending));
        QCOMPARE(column(t, 1), "10,9,a-10,A-2,B-1,b-7");
        QCOMPARE(t.TextMatrix(0, 4), QStringLiteral("Rec# (hidden)"));
        QVERIFY(t.Row() == 3 && t.Col() == 1);
        QVERIFY(!t.Sort(0) && !t.Sort(9));

        const GridTable k = keyed({"m", "B", "m", "a", "b", "M", "", "m", "A"});
        QCOMPARE(sorted(k, GridTable::SortStringNoCaseAscending), "7,4,9,2,5,1,3,6,8");
        QCOMPARE(sorted(k, GridTable::SortStringAscending), "7,9,2,6,4,5,1,3,8"); // capitals first
        // Keys alike in eight characters or more, or beginning one another.
        const GridTable l = keyed({"2026-000124", "2026-00012", "2026-000123\u00E9", "20260517",
                                   "2026-000123", "2026-0001", "2026051", "", "2026-000123", "Zz"});
        QCOMPARE(sorted(l, GridTable::SortStringAscending), "8,6,2,5,9,3,1,7,4,10");
        QCOMPARE(sorted(l, GridTable::SortStringDescending), "10,4,7,1,3,5,9,2,6,8");

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
        t = tableWith({"a", "b", "c"});
        QVERIFY(t.setRowTexts(3, {"C", "", "", "", "", "", "D"}));
        QCOMPARE(column(t, 0), "a,b,C,D");
        QVERIFY(!t.setRowTexts(0, {"x"}) && !t.setRowTexts(6, {"x"}));

        t.setRow(3);
        t.setCol(1);
        t.setRowsBackColor(1, 4, 0, 3, 0xF0F0F0, 0xFFFFFF);
        QCOMPARE(painted(t, 0, 4, 5, {{0xF0F0F0u, 'g'}, {0xFFFFFFu, 'w'}}),
                 QStringLiteral("...... wwww.. gggg.. wwww.. gggg.. "));
        QVERIFY(t.Row() == 3 && t.Col() == 1);
        // The shading follows rows that move, gives way to a cell coloured
        // on its own, and leaves rows cut off and made again.
        const QMap<quint32, QChar> names{{0xF0F0F0u, 'g'}, {0xFFFFFFu, 'w'}, {0x111111u, 'x'}};
        GridTable moved = t, cut = t, own = t;
        moved.AddItem("new", 2);
        QCOMPARE(painted(moved, 1, 5, 3, names), QStringLiteral("wwww .... gggg wwww gggg "));
        cut.setRows(3);
        cut.setRows(5);
        QCOMPARE(painted(cut, 1, 4, 0, names), QStringLiteral("w g . . "));
        own.setRow(2);
        own.setCol(1);
        own.setCellBackColor(0x111111);
        QCOMPARE(painted(own, 1, 2, 3, names), QStringLiteral("wwww gxgg "));
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

    void rowsCountsAndTexts()
    {
        QByteArray euro = record(40002, "EU", "Currency", "", 0, Dec31st2008, 1);
        euro[155] = char(0x80);
        euro[156] = char(0xE9);
        const QList<QByteArray> records = {
            record(39818.5, "  09-123  ", "Bicycle", "Red bike, 21 speed", 1234567,
                   Jan5th2009 + 0.75, 1),
            record(40000, "AR-1", "Firearm", "Pistol", 5000000, 0, 2),
            record(40001, "ODD", "Tools", "Drill", 10000, Dec31st2008, 9), // status 9: active
            euro};
        const EntryFilter filter = [](const char *record) {
            return QByteArray(record + 75, 2) == "Bi" || QByteArray(record + 75, 2) == "Fi";
        };
        auto collect = [&](bool inactive, ListMode mode, const EntryFilter &f) {
            EntryListData data;
            for (int n = 1; n <= records.size(); ++n)
                CollectEntryRow(data, n, records[n - 1].constData(), inactive, mode, f);
            return listed(data);
        };
        QCOMPARE(collect(false, ListMode::AllEntries, {}),
                 QString::fromUtf8("1:01/05/2009|09-123|Bicycle|Red bike, 21 speed "
                                   "3:12/31/2008|ODD|Tools|Drill 4:12/31/2008|EU|Currency|€é "
                                   "(3 active, 1 archived, 1244567, 2008-12-31..2009-01-05)"));
        QCOMPARE(collect(true, ListMode::AllEntries, {}),
                 QStringLiteral("2:|AR-1|Firearm|Pistol (3 active, 1 archived, 5000000, ..)"));
        QCOMPARE(collect(false, ListMode::TextSearch, filter),
                 QStringLiteral("1:01/05/2009|09-123|Bicycle|Red bike, 21 speed "
                                "(3 active, 1 archived, 1234567, 2009-01-05..2009-01-05)"));

        // Damaged values hold the total at its limit; the exact sum shows once it fits.
        const qint64 top = std::numeric_limits<qint64>::max();
        const qint64 bottom = std::numeric_limits<qint64>::min();
        const QList<QList<qint64>> values = {
            {top, 10000}, {top, 10000, -20000}, {bottom, -1, bottom}, {bottom, top, 5}};
        const QList<qint64> totals = {top, top - 10000, bottom, 4};
        for (int i = 0; i < values.size(); ++i) {
            EntryListData data;
            for (const qint64 value : values[i]) {
                const QByteArray r = record(40000, "X", "Tools", "", value, Dec31st2008, 1);
                CollectEntryRow(data, 1, r.constData(), false, ListMode::AllEntries, {});
            }
            QCOMPARE(data.total, totals[i]);
        }
        QCOMPARE(EntryListHeader(false, 2, top),
                 QStringLiteral(" All Current Entries (2)  Total Value: $922,337,203,685,477.58"));

        // From the file: none there gives an empty list and creates none; a
        // short last record reads its missing bytes as zeros (status 0).
        TestEnvironment env;
        const QString path = env.path(DataFileName);
        EntryListData data;
        data.activeCount = 5;
        QVERIFY(ReadEntryList(env.data, false, ListMode::AllEntries, {}, &data));
        QCOMPARE(listed(data), QStringLiteral(" (0 active, 0 archived, 0, ..)"));
        QVERIFY(!QFileInfo::exists(path));
        writeFile(path, records[0] + records[1] + records[2].left(3000));
        QVERIFY(ReadEntryList(env.data, false, ListMode::AllEntries, {}, &data));
        QCOMPARE(env.data.RecordCount, 3);
        QCOMPARE(listed(data), QStringLiteral("1:01/05/2009|09-123|Bicycle|Red bike, 21 speed "
                                              "3:12/31/2008|ODD|Tools|Drill "
                                              "(2 active, 1 archived, 1244567, "
                                              "2008-12-31..2009-01-05)"));
        QCOMPARE(data.rows[0].controlNumber, 39818.5);
        QCOMPARE(QFileInfo(path).size(), qint64(13000)); // read only
        QVERIFY(!data.unavailable);
        env.data.options.DataFileOpenRetryMs = 50;
        QVERIFY(QFile::remove(path) && QDir(env.folder()).mkdir(DataFileName));
        QVERIFY(!ReadEntryList(env.data, false, ListMode::AllEntries, {}, &data));
        QVERIFY(data.unavailable && data.rows.empty());
        QCOMPARE(env.data.RecordCount, 0);
        QVERIFY(env.desktop.msgBoxes.isEmpty());
        const MsgBoxRequest ask = DataFileUnavailableMessage(env.data, true);
        QCOMPARE(ask.title + " | " + ask.buttons.join('/'),
                 "Data file not available | &Retry/&Cancel");
    }

    void sortKeyPositionAndSummary()
    {
        QCOMPARE(
            QStringList({EntrySortKey(0, "01/05/2009", "9", "Tools"), EntrySortKey(0, "", "9", "x"),
                         EntrySortKey(1, "", "1A", "x"), EntrySortKey(2, "", "9", "Tools")}),
            QStringList({"200901050000", "", "1A", "Tools"}));
        // clang-format off
        const int positions[][5] = {{10, 0, 0, 10, 10}, {10, 4, 2, 4, 2}, {10, 4, 0, 4, 4},
                                    {3, 7, 9, 3, 3}, {0, 5, 5, 0, 0}};
        // clang-format on
        for (const auto &c : positions) {
            const ListPosition p = ChooseListPosition(c[0], c[1], c[2]);
            QCOMPARE(QList<int>({p.row, p.topRow}), QList<int>({c[3], c[4]}));
        }
        const double newYear1990 = ToOleDate(QDateTime(QDate(1990, 1, 1), QTime(0, 0)));
        QCOMPARE(SummaryControlNumber(newYear1990) + ' ' + SummaryControlNumber(newYear1990 - 1),
                 QStringLiteral("19900101000000 32873"));
        const QByteArray raw = record(123, " 09-1 ", "Bicycle", " Red bike ", 99990000, 0, 1);
        QCOMPARE(EntrySummaryTexts(EntryRecord::Unpack(raw)),
                 QStringList({"00123", "09-1", "Bin 4", "Bicycle", "Acme", "M-1", "SN 77",
                              "Red bike", "$9,999.00"}));
    }

    void matchRules()
    {
        // clang-format off
        const struct { const char *text, *phrase; int caps, whole; bool match; } rows[] = {
            // Letters and 1..9 before or after break the word; "0" does not.
            {"Shotgun, 12 ga", "gun", 1, 1, false}, {"Shotgun, 12 ga", "gun", 1, 0, true},
            {"0gun0", "gun", 1, 1, true}, {"gun9", "gun", 1, 1, false}, {"1gun", "gun", 1, 1, false},
            {"XGUN", "gun", 1, 1, false}, {"shotgun", "gun", 1, 2, true}, // 2: partial words
            // Accented letters, punctuation and underscores are no word characters.
            {"éguné", "gun", 1, 1, true}, {"(gun)", "gun", 1, 1, true}, {"_gun_", "gun", 1, 1, true},
            // A phrase of several words is tested at its two ends only.
            {"red gun case", "gun ca", 1, 0, true}, {"red gun case", "gun ca", 1, 1, false},
            // Capitals; only the first occurrence counts.
            {"ring", "RING", 1, 0, true}, {"ring", "RING", 0, 0, false}, {"ring", "RING", 2, 0, false},
            {"shotgun, a gun", "gun", 1, 1, false}, {"Guns and a gun", "gun", 1, 1, false},
            {"Guns and a gun", "gun", 0, 1, true},
            {"", "", 1, 0, false}, {"gun", "", 1, 0, true}, {"gun", "gun case", 1, 0, false}};
        // clang-format on
        for (const auto &r : rows)
            QVERIFY2(MatchSearchText(QString::fromUtf8(r.text), r.phrase, r.caps, r.whole) ==
                         r.match,
                     qPrintable(QStringLiteral("'%1' in '%2'").arg(r.phrase, r.text)));
    }

    void textOfEachOption()
    {
        const EntryRecord e = Sample();
        QCOMPARE(SearchedText(e, 1),
                 QStringLiteral("20090105143000 09-123 Shelf A Firearm Remington 870 RS0042 "
                                "Shotgun, 12 ga $1,234.50 Pat Doe Ofc. Smith 01/05/2009 Jane Roe "
                                "Bob Smart Found in trunk. Lab 1/6/2009 "));
        EntryRecord released = e;
        released.ReleasedDate = oleDate(2010, 12, 31, 9, 15);
        QVERIFY(SearchedText(released, 1).endsWith("Lab 1/6/2009 12/31/2010"));
        QStringList texts;
        for (int option : {0, 13, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12})
            texts << SearchedText(e, option);
        QCOMPARE(texts.join('|'), QStringLiteral("||20090105143000|09-123|Shelf A|Firearm|"
                                                 "Shotgun, 12 ga|Pat Doe|Ofc. Smith|Jane Roe|Bob "
                                                 "Smart|Found in trunk.|Lab 1/6/2009"));
        // clang-format off
        const struct { const char *phrase; int option, caps, whole; bool listed; } rows[] = {
            {"remington", 1, 1, 0, true}, {"remington", 6, 1, 0, false}, {"gun", 6, 1, 1, false},
            {"SMART", 10, 0, 1, false}, {"$1,234.50", 1, 1, 1, true},
            {"1899", 1, 1, 0, false}, // no 12/30/1899 for "not released"
            {"09", 3, 1, 1, true}, {"gun", 13, 1, 0, false}};
        // clang-format on
        for (const auto &r : rows)
            QVERIFY2(SearchFilter::textSearch(r.phrase, r.option, r.caps, r.whole).accepts(e) ==
                         r.listed,
                     qPrintable(QStringLiteral("'%1' option %2").arg(r.phrase).arg(r.option)));
        QVERIFY(SearchFilter().accepts(e) && SearchFilter().mode() == SearchFilter::Mode::None);
    }

    void summaryRanges()
    {
        // clang-format off
        const struct { int option; QDate start, last; } cases[] = {
            {13, {2009, 1, 5}, {2009, 1, 5}},
            {14, {2008, 12, 28}, {2009, 1, 4}},
            {15, {2009, 1, 31}, {2009, 2, 28}}, {15, {2008, 12, 31}, {2009, 1, 31}},
            {16, {2007, 11, 30}, {2008, 2, 29}}, {17, {2008, 2, 29}, {2009, 2, 28}}};
        // clang-format on
        for (const auto &c : cases) {
            const SummaryRange r = SummaryRangeFor(c.option, c.start);
            QCOMPARE(r.first, c.start);
            QCOMPARE(r.last, c.last);
            QVERIFY(!r.contains(c.start.addDays(-1)) && !r.contains(c.last.addDays(1)));
        }
        QVERIFY(!SummaryRangeFor(12, {2009, 1, 5}).isValid() &&
                !SummaryRangeFor(18, {2009, 1, 5}).isValid() && !SummaryRangeFor(15, {}).isValid());

        // A time of day counts on its own day, so do days before the OLE
        // epoch; a date search with a text option lists nothing.
        auto listed = [](int option, QDate start, double received) {
            EntryRecord e;
            e.ReceivedDate = received;
            return SearchFilter::dateSearch(option, start).accepts(e) ? 'y' : 'n';
        };
        QString week;
        for (double day : {oleDate(2009, 1, 4, 23, 59), oleDate(2009, 1, 5),
                           oleDate(2009, 1, 12, 15, 30), oleDate(2009, 1, 13), 0.0})
            week += listed(14, {2009, 1, 5}, day);
        week += listed(13, {1899, 12, 29}, -1);
        week += listed(1, {2009, 1, 5}, oleDate(2009, 1, 5));
        QCOMPARE(week, QStringLiteral("nyynnyn"));
        QCOMPARE(SearchFilter::dateSearch(14, {2009, 1, 5}).mode(), SearchFilter::Mode::Date);
    }

    // The list sorted at its load is in the order the grid's sort of the
    // sort column gives: days out of range, case, shared categories and not.
    void sortedAtLoadAsTheGridSorts()
    {
        const double days[] = {oleDate(2009, 1, 5, 23, 59),
                               0,
                               oleDate(2009, 1, 5),
                               -657434.0,
                               -700000.0,
                               2958465.99999,
                               oleDate(1998, 12, 31),
                               0.4};
        const QStringList texts{"b-1", "B-1", "a-2", "\u00C4x", "", "a-10", "A-2", "\u00E4X", "z"};
        EntryListData data;
        for (int i = 0; i < 150; ++i) {
            EntryRecord e;
            e.ReceivedDate = days[size_t(i) % std::size(days)];
            e.CaseNumber = texts[i % texts.size()];
            e.Category = (i % 2 ? "cat" : "CAT") + QString::number(i % 67);
            CollectEntryRow(data, i + 1, e.Pack().constData(), false, ListMode::AllEntries, {});
        }
        for (int sort = 0; sort < 3; ++sort) {
            auto cells = std::make_shared<EntryGridCells>(data);
            cells->setSortIndex(sort);
            GridTable t;
            t.setFormatString(EntryGridFormat);
            t.setSourceRows(1, cells->rowCount(),
                            [cells](int r, int c) { return cells->text(r, c); });
            t.setCol(EntryGridSortCol);
            QVERIFY(t.Sort(GridTable::SortStringNoCaseAscending));
            EntryListData sorted = data;
            SortEntryRows(sorted, sort);
            QStringList byGrid, atLoad;
            for (int r = 1; r < t.Rows(); ++r) {
                byGrid << t.TextMatrix(r, EntryGridRecordCol);
                atLoad << RecordNumberText(sorted.rows[size_t(r - 1)].recordNumber);
            }
            QCOMPARE(atLoad.join(','), byGrid.join(','));
        }
    }

    // Tested from its bytes, a record is listed exactly as when unpacked.
    void bytesGiveTheSameAnswer()
    {
        QVector<EntryRecord> entries = SampleData::MakeEntries(150, 77);
        EntryRecord odd = Sample();
        odd.Description = QString::fromUtf8("\tGUN\u00A0 ") + QChar(0) + QStringLiteral("x");
        odd.Owner = QString::fromUtf8("Ms. \u00C9lise M\u00FCller \u00B5-Ring \u20AC5 \u0178");
        odd.Narrative = QStringLiteral("Guns and a gun; shotgun gun0 RING ring.\r\nBob\u00A0");
        odd.Value = -5000;
        entries << odd << EntryRecord();
        for (double ole : {oleDate(2009, 1, 5, 23, 59), -1.25, 0.0}) {
            EntryRecord e = Sample();
            e.ControlNumber = e.ReceivedDate = ole;
            e.ReleasedDate = ole == 0 ? 0 : ole + 31;
            entries << e;
        }
        const QStringList phrases{"gun", "GUN", "\u00E9lise", "\u00B5", "\u039C", "0", "/05/",
                                  "\u00A0", "\t", "12/29/1899", "-$0.50",
                                  // Across fields and the shown values and dates.
                                  "Roe Bob", "smart found", "ga $1,234.50 Pat", "01/05/2009 jane",
                                  "RING ring.", "Shotgun, 12", "trunk. Lab"};
        QVector<QByteArray> bytes;
        QVector<EntryRecord> read;
        for (const EntryRecord &e : entries) {
            bytes << e.Pack();
            read << EntryRecord::Unpack(bytes.last());
        }
        auto compare = [&](const SearchFilter &f) {
            for (int i = 0; i < bytes.size(); ++i) {
                const bool expected = f.accepts(read[i]);
                if (f.acceptsRaw(bytes[i].constData()) != expected)
                    QFAIL(qPrintable(
                        QStringLiteral("%1 in '%2'").arg(expected).arg(SearchedText(read[i], 1))));
            }
        };
        for (const QString &phrase : phrases)
            for (int option = 0; option <= 13; ++option)
                for (int flags = 0; flags < 4; ++flags)
                    compare(SearchFilter::textSearch(phrase, option, flags & 1, flags >> 1));
        // Summaries from the bytes: the received day, a time of day included.
        for (int option = 12; option <= 17; ++option)
            for (const QDate &start : {QDate(2009, 1, 5), QDate(2008, 12, 31), QDate(2005, 6, 1)})
                compare(SearchFilter::dateSearch(option, start));
    }

    void looksEveryFifthSecondAndFlashes()
    {
        TestEnvironment env;
        env.desktop.setFileStamp(SharedFile, stamp(1, 10000));
        NetworkWatch watch;
        watch.start(env.data, stamp(1, 10000));
        QCOMPARE(seconds(watch, at(0, 3), 8), QStringLiteral("n n nL n n n n nL"));
        QCOMPARE(env.desktop.stampedFiles, QStringList(2, SharedFile));
        env.desktop.setFileStamp(SharedFile, stamp(3, 10000)); // the time, not the length
        QCOMPARE(seconds(watch, at(0, 33), 8), QStringLiteral("n n yL r g r g r"));
        QCOMPARE(watch.dataFileStamp(), std::optional<FileStamp>(stamp(3, 10000)));
        env.desktop.setFileStamp(SharedFile, stamp(8, 20000));
        QVERIFY(!seconds(watch, at(0, 41), 10).contains('L'));
        QCOMPARE(watch.dataFileStamp(), std::optional<FileStamp>(stamp(3, 10000)));
        watch.restore();
        QCOMPARE(seconds(watch, at(1, 1), 5), QStringLiteral("n n n n yL"));
        QCOMPARE(watch.dataFileStamp(), std::optional<FileStamp>(stamp(8, 20000)));
        NetworkWatch fresh;
        fresh.start(env.data, std::nullopt);
        QCOMPARE(seconds(fresh, at(1, 20), 1), QStringLiteral("yL"));

        // A busy machine: a tick late by a second still looks (and sounds), a
        // second tick in one second does not, after a pause only its own counts.
        NetworkWatch late;
        late.start(env.data, stamp(2, 15000));
        QCOMPARE(ticks(late,
                       {at(0, 35), at(0, 36), at(0, 39), at(0, 41, 10), at(0, 42), at(1, 1, 5),
                        at(1, 20, 1), at(1, 20, 999)},
                       true, true),
                 QStringLiteral("yL r g rS g r gS r"));
    }

    void replacedFileAndOwnWrites()
    {
        TestEnvironment env;
        env.session.CurrentUserName = QStringLiteral("Lee Carter");
        const QString path = DataPath(env.data, DataFileName), temp = env.path("TempFile.$$$");
        QVERIFY(SampleData::WriteDataFile(path, 3, 7));
        NetworkWatch watch;
        watch.start(env.data, env.desktop.fileStamp(path));
        QVERIFY(SampleData::WriteDataFile(temp, 2, 7));
        QFile f(temp);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(QFileInfo(path).lastModified(), QFileDevice::FileModificationTime));
        f.close();
        QVERIFY(QFile::remove(path) && QFile::rename(temp, path));
        QCOMPARE(ticks(watch, {at(0, 0)}, true, false, path), QStringLiteral("yL"));
        QCOMPARE(watch.dataFileStamp()->size, qint64(10000));
        watch.restore();

        EntryRecord e;
        e.CaseNumber = QStringLiteral("26-0001");
        int n = 0;
        QCOMPARE(AppendEntry(env.data, e, &n), StoreResult::Ok);
        QVERIFY(watch.tick(at(0, 5), true, false, path).ownChange);
        QCOMPARE(watch.dataFileStamp(), env.desktop.fileStamp(path));
        QVERIFY(PendingOwnWrites(env.data).isEmpty());
        const EntryIdentity id = EntryIdentity::of(ReadAllEntries(env.data).at(n - 1));
        QCOMPARE(ArchiveEntry(env.data, n, id), StoreResult::Ok);
        QCOMPARE(DeleteEntry(env.data, n, id), StoreResult::Ok);
        QCOMPARE(PendingOwnWrites(env.data).size(), 2);
        QCOMPARE(ticks(watch, {at(0, 10)}, true, false, path), QStringLiteral("nL"));
        QFile other(path);
        QVERIFY(other.open(QIODevice::Append));
        QCOMPARE(other.write(EntryRecord().Pack()), qint64(5000));
        other.close();
        const EntryIdentity mine = EntryIdentity::of(ReadAllEntries(env.data).at(n - 1));
        QCOMPARE(ArchiveEntry(env.data, n, mine), StoreResult::Ok);
        QCOMPARE(ticks(watch, {at(0, 20)}, true, false, path), QStringLiteral("yL"));
    }
};

QTEST_GUILESS_MAIN(TestWindowRules)
#include "tst_windowrules.moc"
