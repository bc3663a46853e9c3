#include "core/print/EntryPrintout.h"

#include "core/common/Formats.h"
#include "core/common/Globals.h"
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
constexpr double FieldRight = 7.5; // short fields wrap here, or at the paper's edge

QString fieldText(const EntryPrintout &entry, int index)
{
    return entry.texts.value(index);
}

// Asks one print option: the first button prints it, the second leaves it
// out, anything else stops.
std::optional<bool> askOption(const std::function<int(const MsgBoxRequest &)> &ask,
                              const QString &text)
{
    const int choice = ask({PrintOptionTitle(), MsgIcon::Question, text, MsgButton::First, false,
                            PrintOptionButtons()});
    if (choice == MsgButton::First)
        return true;
    if (choice == MsgButton::Second)
        return false;
    return std::nullopt;
}

// Prints label, ":  " and text with the label ending at labelEnd. A text
// too wide for the rest of the line goes on over further lines, each
// starting where its first line's text starts.
void printField(PageSurface &surface, const QString &label, const QString &text, double labelEnd)
{
    const QString lead = label + QStringLiteral(":  ");
    const double start = labelEnd - surface.textWidth(label);
    const double textX = start + surface.textWidth(lead);
    const double right = qMin(FieldRight, surface.pageWidth());
    const QStringList parts = WrapToWidth(surface, text, right - textX);
    surface.setCurrentX(start);
    surface.printLine(lead + parts.first());
    for (qsizetype k = 1; k < parts.size(); ++k) {
        surface.setCurrentX(textX);
        surface.printLine(parts.at(k));
    }
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

std::optional<EntryPrintOptions>
AskEntryPrintOptions(const QString &storedNarrative, const QString &storedCustody,
                     const std::function<int(const MsgBoxRequest &)> &ask)
{
    EntryPrintOptions options;
    if (!storedNarrative.trimmed().isEmpty()) {
        const std::optional<bool> yes =
            askOption(ask, QStringLiteral("Do you want to print the narrative also?"));
        if (!yes)
            return std::nullopt;
        options.narrative = *yes;
    }
    if (!storedCustody.trimmed().isEmpty()) {
        const std::optional<bool> yes = askOption(
            ask, QStringLiteral("Do you want to print the") + CrLf +
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
    surface.printLine(entry.agencyName);
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
        // it starts a new line at the margin. A line too wide for the paper
        // (wide capitals) goes on under itself.
        const QString lead = QStringLiteral("Narrative: ");
        const double right = qMin(FieldRight, surface.pageWidth());
        const QStringList parts = lines(narrative);
        for (int k = 0; k < parts.size(); ++k) {
            const double textX = Margin + (k == 0 ? surface.textWidth(lead) : 0.0);
            const QStringList wrapped = WrapToWidth(surface, parts.at(k), right - textX);
            for (int w = 0; w < wrapped.size(); ++w) {
                surface.setCurrentX(w == 0 ? Margin : textX);
                surface.printLine(k == 0 && w == 0 ? lead + wrapped.at(w) : wrapped.at(w));
            }
        }
        return PrintResult::Done;
    }
    return PrintLongText(surface, narrative, CardFieldAt(NarrativeField).caption, true, false, true,
                         true, LongTextLeft, LongTextRight);
}

PrintResult PrintCustodyPage(PageSurface &surface, const EntryPrintout &entry)
{
    // Every page names the item, so that a loose page can be put back.
    const auto heading = [&] {
        printField(surface, QStringLiteral("Control Number"),
                   fieldText(entry, CardField::ControlNumber).trimmed(), CustodyLabelEnd);
        printField(surface, QStringLiteral("Case Number"),
                   fieldText(entry, CardField::CaseNumber).trimmed(), CustodyLabelEnd);
        surface.printLine(QString());
    };
    surface.setCurrentY(Margin);
    heading();
    return PrintLongText(surface, fieldText(entry, CustodyField), CardFieldAt(CustodyField).caption,
                         true, false, true, true, LongTextLeft, LongTextRight, heading);
}

PrintResult PrintEntry(const EntryPrintout &entry, const EntryPrintOptions &options,
                       const PrintAsk &ask)
{
    const QDateTime when = desktop().now();
    const QString control = fieldText(entry, CardField::ControlNumber).trimmed();
    PrintSession session(QStringLiteral("this entry"), when, ask);
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
