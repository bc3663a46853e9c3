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

QStringList blankTexts()
{
    QStringList t;
    for (int i = 0; i < CardField::Count; ++i)
        t << QString();
    return t;
}

// A card filled in the way a person fills it.
QStringList goodTexts()
{
    QStringList t = blankTexts();
    t[CardField::CaseNumber] = "09-001234";
    t[CardField::Category] = "Electronics";
    t[CardField::Description] = "Black laptop computer";
    t[CardField::ReceivedDate] = "03/04/2009";
    return t;
}

QByteArray dontUnderstand(const char *what)
{
    return QByteArray("I don't understand the\r\n'") + what + "' entry";
}

} // namespace

class TestEntryCard : public QObject
{
    Q_OBJECT
private slots:
    void fieldLimitsMatchTheRecord()
    {
        // A text field's limit is its width in the record: nothing a person
        // types is cut when stored.
        const int offsets[][2] = {
            {CardField::CaseNumber, EntryLayout::CaseNumber},
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
            {CardField::ChainOfCustody, EntryLayout::ChainOfCustody},
        };
        for (const auto &o : offsets)
            QCOMPARE(CardFieldAt(o[0]).maxLength, EntryTextWidth(o[1]));
        QCOMPARE(CardFieldAt(CardField::Value).maxLength, 15);
        QCOMPARE(CardFieldAt(CardField::ReceivedDate).maxLength, 20);
        QCOMPARE(CardFieldAt(CardField::ReleasedDate).maxLength, 20);
        QCOMPARE(RequiredCardFields(), QVector<int>({1, 3, 7, 11}));
        for (int i = 0; i < CardField::Count; ++i) {
            QCOMPARE(CardFieldAt(i).required, RequiredCardFields().contains(i));
            QCOMPARE(CardFieldAt(i).multiLine, i == 15 || i == 16);
        }
    }

    void categoryMenu()
    {
        // What each choice puts into the box, and where the focus goes.
        QCOMPARE(CategoryForMenuItem(1), QString());
        QCOMPARE(CategoryForMenuItem(21), QString());
        QCOMPARE(CategoryForMenuItem(13), QStringLiteral("Other"));
        QVERIFY(CategoryMenuMovesOn(1));
        QVERIFY(CategoryMenuMovesOn(13));
        QVERIFY(!CategoryMenuMovesOn(21));
        // Every category the menu puts into the box fits the record's field.
        for (int i = 1; i <= 21; ++i)
            QVERIFY(CategoryForMenuItem(i).size() <= EntryTextWidth(EntryLayout::Category));
    }

    void goodDataMessagesInOrder()
    {
        // Acceptable: blank value, amounts as people write them, dates with
        // and without a time, a released date of only blanks.
        for (const char *value : {"", "0", "1234.5", "$1,234.50", "  12  ", "-3"}) {
            QStringList t = goodTexts();
            t[CardField::Value] = value;
            const CardCheck c = CheckGoodData(t);
            QVERIFY2(c.ok, value);
            QVERIFY(c.messages.isEmpty());
            QCOMPARE(c.focusField(), -1);
        }
        QStringList t = goodTexts();
        t[CardField::ReceivedDate] = "3/4/2009 2:05:09 PM";
        t[CardField::ReleasedDate] = "   ";
        QVERIFY(CheckGoodData(t).ok);
        QVERIFY(CheckGoodData(t).clearReleasedDate);
        t[CardField::ReleasedDate] = "Jan 5, 2010";
        QVERIFY(CheckGoodData(t).ok);
        QVERIFY(!CheckGoodData(t).clearReleasedDate);

        QCOMPARE(ValueErrorText(), QStringLiteral("I don't understand the 'Value' entry"));
        QCOMPARE(ReceivedDateErrorText().toLatin1(), dontUnderstand("Received Date"));
        QCOMPARE(ReleasedDateErrorText().toLatin1(), dontUnderstand("Released Date"));

        // "abc" and "xyz": two messages, one after the other; the focus
        // ends on the Received Date box.
        t = goodTexts();
        t[CardField::Value] = "abc";
        t[CardField::ReceivedDate] = "xyz";
        CardCheck c = CheckGoodData(t);
        QVERIFY(!c.ok);
        QCOMPARE(c.messages, QStringList({ValueErrorText(), ReceivedDateErrorText()}));
        QCOMPARE(c.failedFields, QVector<int>({CardField::Value, CardField::ReceivedDate}));
        QCOMPARE(c.focusField(), int(CardField::ReceivedDate));
        QVERIFY(c.clearReleasedDate);
        // All three at once, in the order value, received, released.
        t = goodTexts();
        t[CardField::Value] = "12,34";
        t[CardField::ReceivedDate] = "2/30/2009";
        t[CardField::ReleasedDate] = "13/45/2009";
        c = CheckGoodData(t);
        QVERIFY(!c.ok);
        QCOMPARE(c.messages,
                 QStringList({ValueErrorText(), ReceivedDateErrorText(), ReleasedDateErrorText()}));
        QCOMPARE(c.focusField(), int(CardField::ReleasedDate));
        QVERIFY(!c.clearReleasedDate);
        // An empty received date is not a date; only the released date bad.
        t = goodTexts();
        t[CardField::ReceivedDate] = "  ";
        QCOMPARE(CheckGoodData(t).messages, QStringList({ReceivedDateErrorText()}));
        t = goodTexts();
        t[CardField::ReleasedDate] = "soon";
        QCOMPARE(CheckGoodData(t).messages, QStringList({ReleasedDateErrorText()}));
        QCOMPARE(CheckGoodData(t).focusField(), int(CardField::ReleasedDate));
    }

    void fillingTheRecordExactBytes()
    {
        QStringList t = blankTexts();
        t[CardField::ControlNumber] = "20260517093000"; // never taken from the card
        t[CardField::CaseNumber] = "  09-001234  ";
        t[CardField::Location] = "Bin 4, shelf 2";
        t[CardField::Category] = "Electronics";
        t[CardField::BrandName] = "Dell";
        t[CardField::ModelNumber] = "Latitude D620";
        t[CardField::SerialNumber] = "SN-0042";
        t[CardField::Description] = QString::fromUtf8("Caf\u00e9 laptop \u2603"); // é fits, ☃ not
        t[CardField::Value] = "$1,234.50";
        t[CardField::Owner] = "John Q. Public, 12 Main St";
        t[CardField::ReceivedFrom] = "Officer Smith";
        t[CardField::ReceivedDate] = "3/4/2009 2:05:09 PM";
        t[CardField::ReleasedTo] = "";
        t[CardField::ReleasedDate] = "   ";
        t[CardField::Defendant] = "Doe";
        t[CardField::Narrative] = QString(2000, QLatin1Char('n'));
        t[CardField::ChainOfCustody] = "line one\r\nline two";

        EntryRecord e;
        e.VersionStamp = 61;
        e.ControlNumber = 38000.5;
        e.Reserved1 = "keep one";
        e.Reserved3 = "keep three";
        e.Status = 2;
        FillEntryFromCard(e, t);
        const QByteArray bytes = e.Pack();

        QByteArray expected(EntryLayout::Length, ' ');
        auto put = [&expected](int offset, const QByteArray &b) {
            expected.replace(offset, b.size(), b);
        };
        put(0, QByteArray("\x3d\x00", 2));
        put(2, doubleBytes(38000.5));
        put(10, padded("09-001234", 15));
        put(25, padded("Bin 4, shelf 2", 50));
        put(75, padded("Electronics", 20));
        put(95, padded("Dell", 20));
        put(115, padded("Latitude D620", 20));
        put(135, padded("SN-0042", 20));
        put(155, padded("Caf\xe9 laptop ?", 60));
        put(215, le64(12345000));
        put(223, padded("John Q. Public, 12 Main St", 100));
        put(323, padded("Officer Smith", 70));
        put(393, doubleBytes(39876.0 + (14 * 3600 + 5 * 60 + 9) / 86400.0));
        put(401, padded("", 70));
        put(471, QByteArray(8, '\0'));
        put(479, padded("Doe", 50));
        put(529, padded("keep one", 150));
        put(679, padded("", 150));
        put(829, padded("keep three", 150));
        put(979, QByteArray(1921, 'n'));
        put(2900, padded("line one\r\nline two", 2099));
        expected[4999] = char(2);
        QCOMPARE(bytes, expected);

        // A blank value is 0; a released date is stored when there is one.
        t[CardField::Value] = "";
        t[CardField::ReleasedDate] = "1/5/2010";
        FillEntryFromCard(e, t);
        const QByteArray again = e.Pack();
        QCOMPARE(again.mid(215, 8), le64(0));
        QCOMPARE(again.mid(471, 8), doubleBytes(40183.0));
    }

    void textsAnEntryShows()
    {
        EntryRecord e;
        e.ControlNumber = 39876.0 + (14 * 3600 + 5 * 60 + 9) / 86400.0;
        e.CaseNumber = "  09-1  ";
        e.Category = "Tools";
        e.Value = 12345000;
        e.ReceivedDate = 39876.0;
        e.ReleasedDate = 0;
        e.Narrative = "first\r\nsecond  ";
        QStringList t = CardTextsFromEntry(e);
        QCOMPARE(t.size(), CardField::Count);
        QCOMPARE(t[CardField::ControlNumber], QStringLiteral("20090304140509"));
        QCOMPARE(t[CardField::CaseNumber], QStringLiteral("09-1"));
        QCOMPARE(t[CardField::Value], QStringLiteral("1234.5"));
        QCOMPARE(t[CardField::ReceivedDate], QStringLiteral("3/4/2009"));
        QCOMPARE(t[CardField::ReleasedDate], QString());
        QCOMPARE(t[CardField::Narrative], QStringLiteral("first\r\nsecond"));

        e.Value = 0;
        e.ReceivedDate = 39876.0 + (14 * 3600 + 5 * 60 + 9) / 86400.0;
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
        QCOMPARE(back.Pack().mid(215, 8), e.Pack().mid(215, 8));
        QCOMPARE(back.ReceivedDate, e.ReceivedDate);
        QCOMPARE(back.ReleasedDate, 0.0);
    }

    void lineBreaksAndStorableText()
    {
        QCOMPARE(CardShownText("a\r\nb\rc\nd"), QStringLiteral("a\nb\nc\nd"));
        QCOMPARE(CardRecordText("a\nb"), QStringLiteral("a\r\nb"));
        QCOMPARE(CardRecordText("a\r\nb"), QStringLiteral("a\r\nb"));
        QCOMPARE(StorableText(QString::fromUtf8("\u20ac5 \u00e9t\u00e9 \u4e2d \U0001F600")),
                 QString::fromUtf8("\u20ac5 \u00e9t\u00e9 ? ?"));
    }

    void requiredFieldsAndFillIndicator()
    {
        QVERIFY(RequiredFieldsFilled(goodTexts()));
        for (int i : {1, 3, 7, 11}) {
            QStringList t = goodTexts();
            t[i] = "   ";
            QVERIFY(!RequiredFieldsFilled(t));
        }
        QVERIFY(!RequiredFieldsFilled(QStringList()));

        // At least 1% from the first character, then whole percents rounded.
        const int counts[] = {0, 1, 19, 29, 961, 1921};
        const char *captions[] = {"",          " 1% full ",  " 1% full ",
                                  " 2% full ", " 50% full ", " 100% full "};
        for (int i = 0; i < 6; ++i)
            QCOMPARE(FillIndicatorCaption(counts[i], 1921), QString::fromLatin1(captions[i]));

        QCOMPARE(TodayText(QDateTime(QDate(2026, 5, 7), QTime(9, 30))),
                 QStringLiteral("05/07/2026"));
    }

    void buttonsOfEachMode()
    {
        auto find = [](const QVector<CardButtonSpec> &all, const char *name) {
            for (const CardButtonSpec &b : all)
                if (b.name == QLatin1String(name))
                    return b;
            return CardButtonSpec();
        };
        auto visible = [](const QVector<CardButtonSpec> &all) {
            QStringList names;
            for (const CardButtonSpec &b : all)
                if (b.visible)
                    names << b.name;
            return names;
        };

        CardMode adding{true, false, true};
        auto b = CardButtons(adding, 3, false);
        QCOMPARE(b.size(), 9);
        QCOMPARE(visible(b), QStringList({"cmdHelp", "cmdAddSave", "cmdAddCancel"}));
        QVERIFY(!find(b, "cmdAddSave").enabled);
        QVERIFY(find(CardButtons(adding, 3, true), "cmdAddSave").enabled);

        CardMode viewing{false, true, false};
        b = CardButtons(viewing, 1, true);
        QCOMPARE(visible(b), QStringList({"cmdHelp", "cmdFinished", "cmdEditEntry", "cmdPrintEntry",
                                          "cmdEmailEntry"}));
        QVERIFY(!find(b, "cmdEditEntry").enabled); // Read Only
        QVERIFY(find(b, "cmdPrintEntry").enabled);
        QVERIFY(find(b, "cmdEmailEntry").enabled);
        QVERIFY(find(b, "cmdFinished").enabled);
        for (int level : {2, 3, 4})
            QVERIFY(find(CardButtons(viewing, level, true), "cmdEditEntry").enabled);

        CardMode editing{false, true, true};
        b = CardButtons(editing, 2, true);
        QCOMPARE(visible(b), QStringList({"cmdHelp", "cmdEditSave", "cmdEditCancel"}));
        QVERIFY(find(b, "cmdEditSave").enabled);
        QVERIFY(!find(CardButtons(editing, 2, false), "cmdEditSave").enabled);
    }
};

QTEST_APPLESS_MAIN(TestEntryCard)
#include "tst_entrycard.moc"
