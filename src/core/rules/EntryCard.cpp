#include "core/rules/EntryCard.h"

#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "core/common/InputChecks.h"

#include <algorithm>

namespace
{

QString dontUnderstand()
{
    return QStringLiteral("I don't understand the");
}

} // namespace

const CardFieldSpec &CardFieldAt(int index)
{
    static const QVector<CardFieldSpec> fields = {
        {QStringLiteral("Control Number"), 14, false, QString(), false},
        {QStringLiteral("Case Number"), 15, true, QStringLiteral(" What is the case number? "),
         false},
        {QStringLiteral("Location/Bin/Shelf"), 50, false,
         QStringLiteral(" Where is this evidence being stored? "), false},
        {QStringLiteral("Category"), 20, true, QStringLiteral(" What kind of item is it? "), false},
        {QStringLiteral("Brand Name"), 20, false, QStringLiteral(" What is the brand name? "),
         false},
        {QStringLiteral("Model Number/Name"), 20, false,
         QStringLiteral(" What is the model number/name? "), false},
        {QStringLiteral("Serial Number"), 20, false, QStringLiteral(" What is the serial number? "),
         false},
        {QStringLiteral("Description (Name of Item, Size, Color, Type, etc.)"), 60, true,
         QStringLiteral(" Describe the evidence in more detail. "), false},
        {QStringLiteral("Value"), 15, false, QStringLiteral(" What is the value of the evidence? "),
         false},
        {QStringLiteral("Owner/Address/Phone"), 100, false,
         QStringLiteral(" Who is the owner of this evidence? "), false},
        {QStringLiteral("Received from"), 70, false,
         QStringLiteral(" Who turned in this evidence? "), false},
        {QStringLiteral("Received Date"), 20, true,
         QStringLiteral(" When was this evidence turned in? "), false},
        {QStringLiteral("Released to (or other disposition)"), 70, false,
         QStringLiteral(" Who was this evidence released to or how was it disposed of? "), false},
        {QStringLiteral("Released Date"), 20, false,
         QStringLiteral(" When was this evidence released or disposed of? "), false},
        {QStringLiteral("Defendant"), 50, false,
         QStringLiteral(" Who is the defendant connected with this evidence? "), false},
        {QStringLiteral("Narrative, comments, case notes, etc."), 1921, false,
         QStringLiteral(" Enter comments, case notes, etc. "), true},
        {QStringLiteral("Chain-of-Custody Documentation"), 2099, false,
         QStringLiteral(" Enter 'Chain-of-Custody' documentation here "), true},
    };
    Q_ASSERT(index >= 0 && index < fields.size());
    return fields.at(qBound(0, index, int(fields.size()) - 1));
}

const QVector<int> &RequiredCardFields()
{
    static const QVector<int> fields = {CardField::CaseNumber, CardField::Category,
                                        CardField::Description, CardField::ReceivedDate};
    return fields;
}

QString CardAddingCaption()
{
    return QStringLiteral("Add a New Entry");
}

QString CardViewingCaption()
{
    return QStringLiteral("See/Edit this Existing Entry");
}

QString MinimumEntryNoticeCaption()
{
    return QStringLiteral(" (NOTE: Required entries in red) ");
}

QString CategoryChangeHint()
{
    return QStringLiteral("Double-click to change...");
}

QString EntryErrorTitle()
{
    return QStringLiteral("Entry Error?");
}

const QVector<CategoryMenuItem> &CategoryMenuItems()
{
    static const QVector<CategoryMenuItem> items = [] {
        QVector<CategoryMenuItem> list;
        auto item = [&list](const char *caption) {
            list.append({QString::fromLatin1(caption), false});
        };
        auto separator = [&list] { list.append({QString(), true}); };
        item("No entry");
        separator();
        for (const char *c : {"Appliances", "Clothing", "Computer Equipment", "Currency",
                              "Documents", "Drugs/Narcotics", "Electronics", "Furniture",
                              "Jewelry/Metals", "Office Equipment", "Other", "Paraphernalia",
                              "Sporting Goods", "Tools", "Vehicles", "Weapons", "Yard Equipment"})
            item(c);
        separator();
        item("Other (enter yourself)");
        return list;
    }();
    return items;
}

QString CategoryForMenuItem(int index)
{
    if (index <= CategoryMenuFirst || index >= CategoryMenuLast)
        return QString();
    const CategoryMenuItem &item = CategoryMenuItems().at(index - 1);
    return item.separator ? QString() : item.caption;
}

bool CategoryMenuMovesOn(int index)
{
    return index != CategoryMenuLast;
}

QString CardShownText(const QString &recordText)
{
    QString shown = recordText;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

QString CardRecordText(const QString &shownText)
{
    QString text = CardShownText(shownText); // one form of line break first
    text.replace(QLatin1Char('\n'), CrLf);
    return text;
}

QString StorableText(const QString &text)
{
    return FromWindows1252(ToWindows1252(text));
}

QString CardStoredText(int index, const QString &text)
{
    // A one-line field never holds a line break or a tab (a paste brings
    // them in); the narrative and the chain of custody keep their lines.
    const QString oneLine = CardFieldAt(index).multiLine ? text : OneLine(text);
    return StorableText(oneLine.trimmed());
}

QString CardValueText(qint64 value)
{
    return GeneralMoney(value);
}

QString CardDateText(double oleDate)
{
    // No date, or one before 1900 (which only a damaged or empty field
    // holds), shows as an empty box.
    const QDateTime dt = FromOleDate(oleDate);
    if (oleDate == 0 || !dt.isValid() || dt.date().year() < 1900)
        return QString();
    return GeneralDate(oleDate);
}

QStringList CardTextsFromEntry(const EntryRecord &e)
{
    QStringList t;
    t.reserve(CardField::Count);
    t << ControlNumberStamp(e.ControlNumber) << e.CaseNumber << e.Location << e.Category
      << e.BrandName << e.ModelNumber << e.SerialNumber << e.Description << CardValueText(e.Value)
      << e.Owner << e.ReceivedFrom << CardDateText(e.ReceivedDate) << e.ReleasedTo
      << CardDateText(e.ReleasedDate) << e.Defendant << e.Narrative << e.ChainOfCustody;
    for (QString &s : t)
        s = s.trimmed();
    return t;
}

bool RequiredFieldsFilled(const QStringList &texts)
{
    for (int i : RequiredCardFields()) {
        if (i >= texts.size() || texts.at(i).trimmed().isEmpty())
            return false;
    }
    return true;
}

QString FillIndicatorCaption(int length, int maxLength)
{
    if (length <= 0 || maxLength <= 0)
        return QString();
    const double fraction = std::max(0.01, double(length) / double(maxLength));
    return QLatin1Char(' ') + PercentText(fraction) + QStringLiteral(" full ");
}

QString TodayText(const QDateTime &now)
{
    return DateText(now);
}

QString ReservedCaseNumberText()
{
    return QStringLiteral("'") + KilledMarker +
           QStringLiteral("' can not be used as a 'Case Number':") + CrLf +
           QStringLiteral("it marks an entry while it is being deleted.");
}

QString ValueErrorText()
{
    return dontUnderstand() + QStringLiteral(" 'Value' entry");
}

QString ReceivedDateErrorText()
{
    return dontUnderstand() + CrLf + QStringLiteral("'Received Date' entry");
}

QString ReleasedDateErrorText()
{
    return dontUnderstand() + CrLf + QStringLiteral("'Released Date' entry");
}

CardCheck CheckGoodData(const QStringList &texts)
{
    CardCheck check;
    auto text = [&texts](int i) { return i < texts.size() ? texts.at(i).trimmed() : QString(); };
    auto fail = [&check](int field, const QString &message) {
        check.ok = false;
        check.messages << message;
        check.failedFields << field;
    };

    if (OneLine(text(CardField::CaseNumber)).trimmed() == KilledMarker)
        fail(CardField::CaseNumber, ReservedCaseNumberText());

    const QString value = text(CardField::Value);
    if (!value.isEmpty() && !ParseAmount(value))
        fail(CardField::Value, ValueErrorText());

    if (!ParseDate(text(CardField::ReceivedDate)))
        fail(CardField::ReceivedDate, ReceivedDateErrorText());

    const QString released = text(CardField::ReleasedDate);
    if (released.isEmpty())
        check.clearReleasedDate = true;
    else if (!ParseDate(released))
        fail(CardField::ReleasedDate, ReleasedDateErrorText());
    return check;
}

void FillEntryFromCard(EntryRecord &e, const QStringList &texts)
{
    auto text = [&texts](int i) {
        const QString t = i < texts.size() ? texts.at(i) : QString();
        return (CardFieldAt(i).multiLine ? t : OneLine(t)).trimmed();
    };
    auto date = [&text](int i) -> double {
        const QString t = text(i);
        if (t.isEmpty())
            return 0;
        const auto parsed = ParseDate(t);
        return parsed ? ToOleDate(*parsed) : 0;
    };
    e.CaseNumber = text(CardField::CaseNumber);
    e.Category = text(CardField::Category);
    e.BrandName = text(CardField::BrandName);
    e.ModelNumber = text(CardField::ModelNumber);
    e.SerialNumber = text(CardField::SerialNumber);
    e.Description = text(CardField::Description);
    e.Value = ParseAmount(text(CardField::Value)).value_or(0);
    e.Owner = text(CardField::Owner);
    e.ReceivedFrom = text(CardField::ReceivedFrom);
    e.ReceivedDate = date(CardField::ReceivedDate);
    e.ReleasedTo = text(CardField::ReleasedTo);
    e.ReleasedDate = date(CardField::ReleasedDate);
    e.Defendant = text(CardField::Defendant);
    e.Location = text(CardField::Location);
    e.Narrative = text(CardField::Narrative);
    e.ChainOfCustody = text(CardField::ChainOfCustody);
}

QVector<CardButtonSpec> CardButtons(const CardMode &m, int accessLevel, bool requiredFilled)
{
    QVector<CardButtonSpec> b;
    b.append({QStringLiteral("cmdHelp"), QString(), QStringLiteral(" Illustrated Manual <F1> "),
              true, true});
    b.append({QStringLiteral("cmdFinished"), QString(),
              QStringLiteral(" Close this entry form and return to the Main Window "),
              !m.adding && !m.editing, true});
    b.append({QStringLiteral("cmdEditEntry"), QStringLiteral("&Edit this Entry"),
              QStringLiteral(" Change the info in this entry... "), m.viewing && !m.editing,
              accessLevel > 1});
    b.append({QStringLiteral("cmdAddSave"), QStringLiteral("&Save New Entry"), QString(), m.adding,
              requiredFilled});
    b.append({QStringLiteral("cmdAddCancel"), QStringLiteral("&Cancel New Entry"), QString(),
              m.adding, true});
    b.append({QStringLiteral("cmdEditSave"), QStringLiteral("&Save Changes"), QString(),
              m.viewing && m.editing, requiredFilled});
    b.append({QStringLiteral("cmdEditCancel"), QStringLiteral("&Cancel Changes"), QString(),
              m.viewing && m.editing, true});
    b.append({QStringLiteral("cmdPrintEntry"), QStringLiteral("&Print this Entry"),
              QStringLiteral(" Includes options to print the narrative, etc. "),
              m.viewing && !m.editing, true});
    b.append({QStringLiteral("cmdEmailEntry"), QStringLiteral("E&mail this Entry"),
              QStringLiteral(" Using default email handler... "), m.viewing && !m.editing, true});
    b.append({QStringLiteral("cmdPrintLabel"), QStringLiteral("Print &Label"),
              QStringLiteral(" Print a barcode label for this entry "), m.viewing && !m.editing,
              true});
    return b;
}
