// The entry card's rules: field limits, the check of value and dates, the
// record filled from the card (exact bytes), the texts shown, the indicator.
#include "TestBytes.h"
#include "core/common/Formats.h"
#include "core/entries/EntryRecord.h"
#include "core/rules/EntryCard.h"

#include <QTest>

namespace
{

// A card filled in the way a person fills it, with changes.
QStringList card(const QList<QPair<int, QString>> &changes = {})
{
    QStringList t(CardField::Count);
    t[CardField::CaseNumber] = "09-001234";
    t[CardField::Category] = "Electronics";
    t[CardField::Description] = "Black laptop computer";
    t[CardField::ReceivedDate] = "03/04/2009";
    for (const auto &c : changes)
        t[c.first] = c.second;
    return t;
}

} // namespace

class TestEntryCard : public QObject
{
    Q_OBJECT
private slots:
    void fieldLimitsAndCheck()
    {
        // A text field's limit is its width in the record: nothing typed is cut.
        namespace F = CardField;
        namespace L = EntryLayout;
        // clang-format off
        const int widths[][2] = {
            {F::CaseNumber, L::CaseNumber}, {F::Location, L::Location}, {F::Category, L::Category},
            {F::BrandName, L::BrandName}, {F::ModelNumber, L::ModelNumber},
            {F::SerialNumber, L::SerialNumber}, {F::Description, L::Description},
            {F::Owner, L::Owner},
            {F::ReceivedFrom, L::ReceivedFrom}, {F::ReleasedTo, L::ReleasedTo},
            {F::Defendant, L::Defendant}, {F::Narrative, L::Narrative},
            {F::ChainOfCustody, L::ChainOfCustody}};
        // clang-format on
        for (const auto &w : widths)
            QCOMPARE(CardFieldAt(w[0]).maxLength, EntryTextWidth(w[1]));
        QCOMPARE(RequiredCardFields(), QVector<int>({1, 3, 7, 11}));

        // A blank value, amounts as written, a time, a blank released date.
        for (const char *value : {"", "$1,234.50", "  12  ", "-3"})
            QVERIFY2(CheckGoodData(card({{CardField::Value, value}})).ok, value);
        CardCheck c = CheckGoodData(card(
            {{CardField::ReceivedDate, "3/4/2009 2:05:09 PM"}, {CardField::ReleasedDate, "   "}}));
        QVERIFY(c.ok && c.clearReleasedDate && c.messages.isEmpty() && c.focusField() == -1);
        QVERIFY(!CheckGoodData(card({{CardField::ReleasedDate, "Jan 5, 2010"}})).clearReleasedDate);
        // Every wrong one in field order; the focus ends on the last.
        c = CheckGoodData(card({{CardField::Value, "12,34"},
                                {CardField::ReceivedDate, "2/30/2009"},
                                {CardField::ReleasedDate, "13/45/2009"}}));
        QVERIFY(!c.ok);
        QCOMPARE(c.messages, QStringList({"I don't understand the 'Value' entry",
                                          "I don't understand the\r\n'Received Date' entry",
                                          "I don't understand the\r\n'Released Date' entry"}));
        QCOMPARE(c.focusField(), int(CardField::ReleasedDate));
        // The deletion marker is no case number, on one line or not.
        c = CheckGoodData(card({{CardField::CaseNumber, " $Killed$\r\n"}}));
        QCOMPARE(c.messages, QStringList({"'$Killed$' can not be used as a 'Case Number':\r\n"
                                          "it marks an entry while it is being deleted."}));
    }

    void fillingTheRecordExactBytes()
    {
        // In card order; the control number is never taken; ☃ is no cp1252.
        // clang-format off
        QStringList t = {"20260517093000", "  09-001234  ", " Bin 4, shelf 2 ", "Electronics",
                         "Dell", "Latitude D620", "SN-0042", "Caf\u00e9 laptop \u2603",
                         "$1,234.50", "John Q. Public, 12 Main St", "Officer Smith",
                         "3/4/2009 2:05:09 PM", "", "1/5/2010", "Doe", QString(2000, 'n'),
                         "line one\r\nline two"};
        // clang-format on
        EntryRecord e;
        e.VersionStamp = 61;
        e.ControlNumber = 38000.5;
        e.Reserved1 = "keep one";
        e.Reserved3 = "keep three";
        e.Status = 2;
        FillEntryFromCard(e, t);
        const QByteArray expected =
            QByteArray("\x3d\x00", 2) + doubleBytes(38000.5) + padded("09-001234", 15) +
            padded("Bin 4, shelf 2", 50) + padded("Electronics", 20) + padded("Dell", 20) +
            padded("Latitude D620", 20) + padded("SN-0042", 20) + padded("Caf\xe9 laptop ?", 60) +
            le64(12345000) + padded("John Q. Public, 12 Main St", 100) +
            padded("Officer Smith", 70) +
            doubleBytes(39876.0 + (14 * 3600 + 5 * 60 + 9) / 86400.0) + padded("", 70) +
            doubleBytes(40183.0) + padded("Doe", 50) + padded("keep one", 150) + padded("", 150) +
            padded("keep three", 150) + QByteArray(1921, 'n') +
            padded("line one\r\nline two", 2099) + char(2);
        QCOMPARE(e.Pack(), expected);
        // A blank value is 0; a blank released date none.
        t[CardField::Value] = "";
        t[CardField::ReleasedDate] = "  ";
        FillEntryFromCard(e, t);
        QCOMPARE(e.Pack().mid(215, 8) + e.Pack().mid(471, 8), QByteArray(16, '\0'));
    }

    void textsAnEntryShows()
    {
        EntryRecord e;
        e.ControlNumber = 39876.0 + (14 * 3600 + 5 * 60 + 9) / 86400.0;
        e.CaseNumber = "  09-1  ";
        e.Value = 12345000;
        e.ReceivedDate = 39876.0;
        e.Narrative = "first\r\nsecond  ";
        QStringList t = CardTextsFromEntry(e);
        QCOMPARE(QStringList({t[0], t[1], t[CardField::Value], t[CardField::ReceivedDate],
                              t[CardField::Narrative]}),
                 QStringList({"20090304140509", "09-1", "1234.5", "3/4/2009", "first\r\nsecond"}));
        e.Value = 0;
        e.ReceivedDate = e.ControlNumber;
        e.ReleasedDate = -5;  // not a date of this century: shown empty
        e.ControlNumber = 17; // a legacy sequence number, as the date it denotes
        t = CardTextsFromEntry(e);
        QCOMPARE(QStringList({t[0], t[CardField::Value], t[CardField::ReceivedDate],
                              t[CardField::ReleasedDate]}),
                 QStringList({"19000116000000", "0", "3/4/2009 2:05:09 PM", ""}));
        // What the card shows goes back into the same record unchanged.
        EntryRecord back = e;
        FillEntryFromCard(back, t);
        QVERIFY(back.Value == 0 && back.ReceivedDate == e.ReceivedDate && back.ReleasedDate == 0);
        QCOMPARE(CardShownText("a\r\nb\rc\nd"), QStringLiteral("a\nb\nc\nd"));
        QCOMPARE(CardRecordText("a\r\nb") + CardRecordText("a\nb"), "a\r\nba\r\nb");
    }

    void fillIndicator()
    {
        // At least 1% from the first character, then whole percents rounded.
        QStringList captions;
        for (int count : {0, 1, 29, 961, 1921})
            captions << FillIndicatorCaption(count, 1921);
        QCOMPARE(captions,
                 QStringList({"", " 1% full ", " 2% full ", " 50% full ", " 100% full "}));
        QCOMPARE(TodayText(QDateTime(QDate(2026, 5, 7), QTime(9, 30))), "05/07/2026");
    }
};

QTEST_APPLESS_MAIN(TestEntryCard)
#include "tst_entrycard.moc"
