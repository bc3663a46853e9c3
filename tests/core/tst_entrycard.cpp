// The entry card's rules without widgets: the field limits against the
// record layout, the category menu, the check of value and dates with its
// messages, the record filled from the card (exact bytes), the texts an
// entry shows, the fill indicator and the buttons of each mode.
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
    void fieldLimitsAndCategoryMenu()
    {
        // A text field's limit is its width in the record: nothing a person
        // types is cut when stored.
        const int widths[][2] = {{CardField::CaseNumber, EntryLayout::CaseNumber},
                                 {CardField::Location, EntryLayout::Location},
                                 {CardField::Category, EntryLayout::Category},
                                 {CardField::BrandName, EntryLayout::BrandName},
                                 {CardField::ModelNumber, EntryLayout::ModelNumber},
                                 {CardField::SerialNumber, EntryLayout::SerialNumber},
                                 {CardField::Description, EntryLayout::Description},
                                 {CardField::Owner, EntryLayout::Owner},
                                 {CardField::ReceivedFrom, EntryLayout::ReceivedFrom},
                                 {CardField::ReleasedTo, EntryLayout::ReleasedTo},
                                 {CardField::Defendant, EntryLayout::Defendant},
                                 {CardField::Narrative, EntryLayout::Narrative},
                                 {CardField::ChainOfCustody, EntryLayout::ChainOfCustody}};
        for (const auto &w : widths)
            QCOMPARE(CardFieldAt(w[0]).maxLength, EntryTextWidth(w[1]));
        QCOMPARE(CardFieldAt(CardField::Value).maxLength, 15);
        QCOMPARE(CardFieldAt(CardField::ReceivedDate).maxLength, 20);
        QCOMPARE(RequiredCardFields(), QVector<int>({1, 3, 7, 11}));
        // What each menu choice puts into the box, and where the focus goes.
        QCOMPARE(CategoryForMenuItem(13), QStringLiteral("Other"));
        QVERIFY(CategoryForMenuItem(1).isEmpty() && CategoryForMenuItem(21).isEmpty());
        QVERIFY(CategoryMenuMovesOn(1) && CategoryMenuMovesOn(13) && !CategoryMenuMovesOn(21));
        for (int i = 1; i <= 21; ++i)
            QVERIFY(CategoryForMenuItem(i).size() <= EntryTextWidth(EntryLayout::Category));
    }

    void checkOfValueAndDates()
    {
        // Acceptable: a blank value, amounts as people write them, dates
        // with and without a time, a released date of only blanks.
        for (const char *value : {"", "0", "$1,234.50", "  12  ", "-3"})
            QVERIFY2(CheckGoodData(card({{CardField::Value, value}})).ok, value);
        CardCheck c = CheckGoodData(card(
            {{CardField::ReceivedDate, "3/4/2009 2:05:09 PM"}, {CardField::ReleasedDate, "   "}}));
        QVERIFY(c.ok && c.clearReleasedDate && c.messages.isEmpty() && c.focusField() == -1);
        QVERIFY(!CheckGoodData(card({{CardField::ReleasedDate, "Jan 5, 2010"}})).clearReleasedDate);

        const QString value = QStringLiteral("I don't understand the 'Value' entry");
        const QString received = QStringLiteral("I don't understand the\r\n'Received Date' entry");
        const QString released = QStringLiteral("I don't understand the\r\n'Released Date' entry");
        QVERIFY(ValueErrorText() == value && ReceivedDateErrorText() == received &&
                ReleasedDateErrorText() == released);
        // Every wrong one in the order value, received, released; the focus
        // ends on the last.
        c = CheckGoodData(card({{CardField::Value, "12,34"},
                                {CardField::ReceivedDate, "2/30/2009"},
                                {CardField::ReleasedDate, "13/45/2009"}}));
        QVERIFY(!c.ok);
        QCOMPARE(c.messages, QStringList({value, received, released}));
        QCOMPARE(c.focusField(), int(CardField::ReleasedDate));
        // The deletion marker is no case number, on one line or not.
        c = CheckGoodData(card({{CardField::CaseNumber, " $Killed$\r\n"}}));
        QCOMPARE(c.messages, QStringList({"'$Killed$' can not be used as a 'Case Number':\r\n"
                                          "it marks an entry while it is being deleted."}));
        c = CheckGoodData(card({{CardField::Value, "abc"}, {CardField::ReceivedDate, "  "}}));
        QCOMPARE(c.failedFields, QVector<int>({CardField::Value, CardField::ReceivedDate}));
        QVERIFY(c.clearReleasedDate);
    }

    void fillingTheRecordExactBytes()
    {
        QStringList t = card({{CardField::ControlNumber, "20260517093000"}, // never taken
                              {CardField::CaseNumber, "  09-001234  "},
                              {CardField::Location, " Bin 4, shelf 2 "},
                              {CardField::BrandName, "Dell"},
                              {CardField::ModelNumber, "Latitude D620"},
                              {CardField::SerialNumber, "SN-0042"},
                              {CardField::Description, "Caf\u00e9 laptop \u2603"}, // é fits, ☃ not
                              {CardField::Value, "$1,234.50"},
                              {CardField::Owner, "John Q. Public, 12 Main St"},
                              {CardField::ReceivedFrom, "Officer Smith"},
                              {CardField::ReceivedDate, "3/4/2009 2:05:09 PM"},
                              {CardField::ReleasedDate, "   "},
                              {CardField::Defendant, "Doe"},
                              {CardField::Narrative, QString(2000, 'n')},
                              {CardField::ChainOfCustody, "line one\r\nline two"}});
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
            QByteArray(8, '\0') + padded("Doe", 50) + padded("keep one", 150) + padded("", 150) +
            padded("keep three", 150) + QByteArray(1921, 'n') +
            padded("line one\r\nline two", 2099) + char(2);
        QCOMPARE(e.Pack(), expected);
        // A blank value is 0; a released date is stored when there is one.
        t[CardField::Value] = "";
        t[CardField::ReleasedDate] = "1/5/2010";
        FillEntryFromCard(e, t);
        QCOMPARE(e.Pack().mid(215, 8), le64(0));
        QCOMPARE(e.Pack().mid(471, 8), doubleBytes(40183.0));
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
        QCOMPARE(t.size(), CardField::Count);
        QCOMPARE(t.mid(0, 2), QStringList({"20090304140509", "09-1"}));
        QCOMPARE(t[CardField::Value], QStringLiteral("1234.5"));
        QCOMPARE(t[CardField::ReceivedDate], QStringLiteral("3/4/2009"));
        QCOMPARE(t[CardField::Narrative], QStringLiteral("first\r\nsecond"));
        e.Value = 0;
        e.ReceivedDate = e.ControlNumber;
        e.ReleasedDate = -5;  // not a date of this century: shown empty
        e.ControlNumber = 17; // a legacy sequence number, as the date it denotes
        t = CardTextsFromEntry(e);
        QCOMPARE(t[CardField::Value], QStringLiteral("0"));
        QCOMPARE(t[CardField::ReceivedDate], QStringLiteral("3/4/2009 2:05:09 PM"));
        QCOMPARE(t[CardField::ReleasedDate], QString());
        QCOMPARE(t[CardField::ControlNumber], QStringLiteral("19000116000000"));
        // What the card shows goes back into the same record unchanged.
        EntryRecord back = e;
        FillEntryFromCard(back, t);
        QVERIFY(back.Value == 0 && back.ReceivedDate == e.ReceivedDate && back.ReleasedDate == 0);

        QCOMPARE(CardShownText("a\r\nb\rc\nd"), QStringLiteral("a\nb\nc\nd"));
        QCOMPARE(CardRecordText("a\nb"), QStringLiteral("a\r\nb"));
        QCOMPARE(CardRecordText("a\r\nb"), QStringLiteral("a\r\nb"));
        QCOMPARE(StorableText("\u20ac5 \u00e9t\u00e9 \u4e2d \U0001F600"),
                 "\u20ac5 \u00e9t\u00e9 ? ?");
    }

    void requiredFieldsFillIndicatorAndButtons()
    {
        QVERIFY(RequiredCardFields().size() == 4 && RequiredFieldsFilled(card()));
        for (int i : RequiredCardFields())
            QVERIFY(!RequiredFieldsFilled(card({{i, "   "}})));
        // At least 1% from the first character, then whole percents rounded.
        QStringList captions;
        for (int count : {0, 1, 19, 29, 961, 1921})
            captions << FillIndicatorCaption(count, 1921);
        QCOMPARE(captions, QStringList({"", " 1% full ", " 1% full ", " 2% full ", " 50% full ",
                                        " 100% full "}));
        QCOMPARE(TodayText(QDateTime(QDate(2026, 5, 7), QTime(9, 30))),
                 QStringLiteral("05/07/2026"));

        // The buttons each mode shows, and which are enabled.
        auto buttons = [](CardMode mode, int level, bool filled) {
            QStringList out;
            for (const CardButtonSpec &b : CardButtons(mode, level, filled))
                if (b.visible)
                    out << b.name + (b.enabled ? "" : "-");
            return out.join(' ');
        };
        const CardMode adding{true, false, true}, viewing{false, true, false},
            editing{false, true, true};
        QCOMPARE(buttons(adding, 3, false), "cmdHelp cmdAddSave- cmdAddCancel");
        QCOMPARE(buttons(adding, 3, true), "cmdHelp cmdAddSave cmdAddCancel");
        QCOMPARE(buttons(viewing, 1, true),
                 "cmdHelp cmdFinished cmdEditEntry- cmdPrintEntry cmdEmailEntry");
        QCOMPARE(buttons(viewing, 2, true),
                 "cmdHelp cmdFinished cmdEditEntry cmdPrintEntry cmdEmailEntry");
        QCOMPARE(buttons(editing, 2, false), "cmdHelp cmdEditSave- cmdEditCancel");
    }
};

QTEST_APPLESS_MAIN(TestEntryCard)
#include "tst_entrycard.moc"
