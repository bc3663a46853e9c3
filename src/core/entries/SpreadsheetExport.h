// The spreadsheet export of the main window's list: the entries listed, in
// the list's order, written as comma-separated values that a spreadsheet
// program opens, and the questions and notices around it.
//
// The file: one line per record ended by CR LF, Windows-1252 bytes, every
// value between double quotes with a double quote inside it written twice
// (a comma, CR or LF inside a value stays inside its quotes), commas between
// the values. A text that begins with "=", "+", "-", "@", a tab or a CR and
// is not a plain number ("-5", "+1.5") gets an apostrophe in front, so that
// a spreadsheet shows it as text and never runs it as a formula. The heading line names the fifteen
// columns; each entry gives its control number as fourteen digits, the text fields trimmed, the
// value in its shortest general form, the dates as "mm/dd/yyyy" (no released date: an empty value).
//
// Record numbers move when another workstation deletes entries, so each
// listed row carries the control number its entry had when the list was
// loaded, and the line comes from the record holding that entry now: the
// one at the listed number, or, when that holds another entry, the one
// found by the control number (entries after a deleted one move up). An
// entry no longer in the file is left out and counted, never replaced by
// whatever took its place. The file is written under a temporary name and
// renamed when complete: a failed export leaves no half file and an earlier
// file of the same name as it was.
#pragma once

#include "core/common/DataSet.h"
#include "core/common/Desktop.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <vector>

// One row of the list: where its entry sat in the data file when the list
// was loaded, and that entry's control number.
struct ListedEntry {
    int recordNumber = 0;
    double controlNumber = 0;
};

// "Custorin2Excel-" + now as "mmddhhnnss" + ".csv".
QString ExportFileName(const QDateTime &now);

// The heading line (with its CR LF).
QByteArray ExportHeadingLine();

// Appends one value between double quotes to line, doubling the double
// quotes inside it; bytes are Windows-1252 already. No apostrophe: for
// texts of the program's own.
void AppendCsvValue(QByteArray &line, const char *bytes, qsizetype size);
// The same for a text a person typed: with the apostrophe in front where a
// spreadsheet would run it as a formula.
void AppendCsvText(QByteArray &line, const char *bytes, qsizetype size);

// The line (with its CR LF) of the entry in record (5000 bytes as they
// stand in the data file).
QByteArray ExportRecordLine(const char *record);

struct ExportOutcome {
    enum Status {
        Written,         // the file is complete under its name
        DataUnavailable, // the data file could not be opened (retried for a
                         // while already): the person may try again or give up
        DataNotRead,     // the data file could not be read through
        FileFailed,      // the export file could not be written
    };
    Status status = Written;
    int written = 0;     // entry lines in the file
    int leftOut = 0;     // listed entries no longer in the data file
    QString reason;      // FileFailed: why, in the system's words
    bool logged = false; // Written: its line in DataRecords.Log was written
};

// Writes the heading and the line of every listed entry, in the order of
// rows, as the file at path. The data file is read without a lock. Asks
// nothing: nothing is written unless the status is Written. A file written
// is recorded in DataRecords.Log (ExportLogLine).
ExportOutcome WriteSpreadsheetFile(DataSet &ds, const QString &path,
                                   const std::vector<ListedEntry> &rows);
// "12/07/2026 at 07:10:00 - List of 12 entries exported to '/x/y.csv' by Pat Doe"
QString ExportLogLine(const Session &who, const QDateTime &now, int entries, const QString &path);
// What the person is told when the data file could not be opened (Retry,
// Cancel: Retry runs the export again) or not read through (Okay).
MsgBoxRequest ExportOutcomeMessage(const DataSet &ds, ExportOutcome::Status status);

// ---- What the person is asked and told ----

// "Create a Spreadsheet Data File": Continue or Cancel.
MsgBoxRequest ExportIntroQuestion();
// "Data File Export Wizard": the file name; Create or Cancel.
MsgBoxRequest ExportNameQuestion(const QString &fileName);
// "Spreadsheet file created": where the file is, by its full path.
MsgBoxRequest ExportDoneNotice(const QString &path);
// The export file could not be written: its name, the folder and why.
MsgBoxRequest ExportFailedNotice(const QString &fileName, const QString &folder,
                                 const QString &reason);
// How many listed entries were left out because they were deleted meanwhile.
MsgBoxRequest ExportLeftOutNotice(int leftOut, int listed);

// The caption of the export button while the file is being written.
QString ExportBusyCaption(); // "Creating..."
// Its colours then (0xBBGGRR): dark red on yellow.
constexpr quint32 ExportBusyFore = 0x0000C0; // RGB(192, 0, 0)
constexpr quint32 ExportBusyBack = 0x00FFFF; // RGB(255, 255, 0)
