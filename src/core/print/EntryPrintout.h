// The entry printout: one document with a heading and the entry's short
// fields, with the narrative when asked, and the chain-of-custody
// documentation as a second document on pages of its own when asked.
#pragma once

#include "core/print/PrintJob.h"
#include "core/print/PrintText.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// What the card shows of the entry, in the record's form (line breaks CR
// LF): the texts of card fields 0 to 16; and the agency whose page it is.
struct EntryPrintout {
    QStringList texts;
    QString agencyName;
};

// The parts asked for besides the entry page.
struct EntryPrintOptions {
    bool narrative = false;
    bool custody = false;
};

// Asks about the narrative (when the stored one is not blank) and the
// chain of custody (likewise), through ask (the window shows the question
// and gives the button pressed). Nothing when the person stopped the print
// command ("&Stop, don't print this entry" or closing a question).
std::optional<EntryPrintOptions>
AskEntryPrintOptions(const QString &storedNarrative, const QString &storedCustody,
                     const std::function<int(const MsgBoxRequest &)> &ask);

// The entry document, without ending it: agency, title line, date and
// time, the short fields with their labels ending at 2.5 inches (a text
// too long for its line wrapped under its first line, within 7.5 inches and
// the paper), and the narrative when withNarrative.
PrintResult PrintEntryPage(PageSurface &surface, const EntryPrintout &entry, bool withNarrative,
                           const QDateTime &when);

// The chain-of-custody document, without ending it: the control and case
// numbers with their labels ending at 2.0 inches, then the documentation;
// every later page starts with the same two numbers.
PrintResult PrintCustodyPage(PageSurface &surface, const EntryPrintout &entry);

// The whole command after the questions: the entry document, then the
// chain-of-custody document when asked (or both saved as PDF when there is
// no printer).
PrintResult PrintEntry(const EntryPrintout &entry, const EntryPrintOptions &options,
                       const PrintAsk &ask);

// The print options' dialog texts.
QString PrintOptionTitle(); // "Print Option"
QStringList PrintOptionButtons();
