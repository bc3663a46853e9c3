#include "core/print/EntryPrintout.h"

#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "core/common/MsgBox.h"
#include "core/print/PrintJob.h"
#include "core/rules/EntryCard.h"

namespace
{

constexpr double Margin = 1.0;
constexpr double EntryLabelEnd = 2.5;
constexpr double CustodyLabelEnd = 2.0;
constexpr int ShortFields = 15; // card fields 0 to 14
constexpr int NarrativeField = 15;
constexpr int CustodyField = 16;
constexpr int ShortNarrative = 60; // shorter narratives print on one line
constexpr float LongTextLeft = 1.0f;
constexpr float LongTextRight = 7.5f;

QString fieldText(const EntryPrintout &entry, int index)
{
    return entry.texts.value(index);
}

// Asks one print option: 1 print it, 2 leave it out, anything else stop.
std::optional<bool> askOption(const QString &text)
{
    const MsgBoxAnswer answer =
        ShowMsgBox(PrintOptionTitle(), 3, text, 1, false, PrintOptionButtons());
    if (answer.choice == 1)
        return true;
    if (answer.choice == 2)
        return false;
    return std::nullopt;
}

// Prints label, ":  " and text with the label ending at labelEnd.
void printField(PageSurface &surface, const QString &label, const QString &text, double labelEnd)
{
    surface.setCurrentX(labelEnd - surface.textWidth(label));
    surface.printLine(label + QStringLiteral(":  ") + text);
}

QStringList lines(const QString &text)
{
    QString unified = text;
    unified.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    unified.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return unified.split(QLatin1Char('\n'));
}

} // namespace

QString PrintOptionTitle()
{
    return QStringLiteral("Print Option");
}

QStringList PrintOptionButtons()
{
    return {QStringLiteral("&Yes") + QStringLiteral(", please"), QStringLiteral("&Not this time"),
            QStringLiteral("&Stop, don't print this entry")};
}

std::optional<EntryPrintOptions> AskEntryPrintOptions(const QString &storedNarrative,
                                                      const QString &storedCustody)
{
    EntryPrintOptions options;
    if (!storedNarrative.trimmed().isEmpty()) {
        const std::optional<bool> yes =
            askOption(QStringLiteral("Do you want to print the narrative also?"));
        if (!yes)
            return std::nullopt;
        options.narrative = *yes;
    }
    if (!storedCustody.trimmed().isEmpty()) {
        const std::optional<bool> yes =
            askOption(QStringLiteral("Do you want to print the") + CrLf +
                      QStringLiteral("'Chain-of-Custody' documentation also?") + CrLf + CrLf +
                      QStringLiteral("(This documentation will be printed on a separate page)"));
        if (!yes)
            return std::nullopt;
        options.custody = *yes;
    }
    return options;
}

PrintResult PrintEntryPage(PageSurface &surface, const EntryPrintout &entry, bool withNarrative,
                           const QDateTime &when)
{
    surface.setCurrentX(Margin);
    surface.setCurrentY(Margin);
    surface.printLine(AgencyName);
    surface.setCurrentX(Margin);
    surface.printLine(AppTitle + QStringLiteral(" -- Entry Printout"));
    surface.setCurrentX(Margin);
    surface.printLine(GeneralDate(ToOleDate(when)));
    for (int k = 0; k < 3; ++k)
        surface.printLine(QString());

    for (int i = 0; i < ShortFields; ++i) {
        if (i == CardField::Category || i == CardField::Owner)
            surface.printLine(QString());
        const QString text = fieldText(entry, i);
        if (text.trimmed().isEmpty())
            continue;
        QString label = CardFieldAt(i).caption;
        if (i == CardField::Description)
            label = label.left(11);
        printField(surface, label, text, EntryLabelEnd);
    }

    if (!withNarrative)
        return PrintResult::Done;
    surface.printLine(QString());
    const QString narrative = fieldText(entry, NarrativeField);
    if (narrative.size() < ShortNarrative) {
        // A short narrative on one line after its label; a line break in
        // it starts a new line at the margin.
        const QStringList parts = lines(narrative);
        for (int k = 0; k < parts.size(); ++k) {
            surface.setCurrentX(Margin);
            surface.printLine(k == 0 ? QStringLiteral("Narrative: ") + parts.at(k) : parts.at(k));
        }
        return PrintResult::Done;
    }
    return PrintLongText(surface, narrative, CardFieldAt(NarrativeField).caption, true, false, true,
                         true, LongTextLeft, LongTextRight);
}

PrintResult PrintCustodyPage(PageSurface &surface, const EntryPrintout &entry)
{
    surface.setCurrentY(Margin);
    printField(surface, QStringLiteral("Control Number"),
               fieldText(entry, CardField::ControlNumber).trimmed(), CustodyLabelEnd);
    printField(surface, QStringLiteral("Case Number"),
               fieldText(entry, CardField::CaseNumber).trimmed(), CustodyLabelEnd);
    surface.printLine(QString());
    return PrintLongText(surface, fieldText(entry, CustodyField), CardFieldAt(CustodyField).caption,
                         true, false, true, true, LongTextLeft, LongTextRight);
}

PrintResult PrintEntry(const EntryPrintout &entry, const EntryPrintOptions &options)
{
    const QDateTime when = desktop().now();
    const QString control = fieldText(entry, CardField::ControlNumber).trimmed();
    PrintSession session(QStringLiteral("this entry"), when);
    PrintResult result =
        session.print(AppTitle + QStringLiteral(" Entry ") + control, [&](PageSurface &surface) {
            return PrintEntryPage(surface, entry, options.narrative, when);
        });
    if (result == PrintResult::Done && options.custody) {
        result =
            session.print(AppTitle + QStringLiteral(" Chain-of-Custody ") + control,
                          [&](PageSurface &surface) { return PrintCustodyPage(surface, entry); });
    }
    session.finish();
    return result;
}
