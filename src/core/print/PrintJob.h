// Sends printouts to the system's default printer. When there is no
// printer, or it does not take a job, the person is told and may save the
// same pages as a PDF file instead.
#pragma once

#include "core/print/PrintText.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>

// Draws one document on a surface without ending it.
using PageLayout = std::function<PrintResult(PageSurface &)>;
// Puts a question or notice before the person and returns the number of
// the button pressed (0 when closed without one); the window supplies it.
using PrintAsk = std::function<int(const MsgBoxRequest &)>;

// One print command (the printed list, or an entry and its chain of
// custody): its documents go to the printer one after another, or all to
// PDF files in one folder once the person has chosen that.
class PrintSession
{
public:
    // what names the printout in messages ("this list"); when is the moment
    // of the command, used in the default PDF file names; ask puts the
    // offer of a PDF file and what became of it before the person.
    PrintSession(const QString &what, const QDateTime &when, PrintAsk ask);

    // Prints one document as the job jobName. Done when it reached the
    // printer or its PDF file; Cancelled when the person cancelled it (in
    // its progress window or by not saving it as PDF); Failed when it could
    // not be printed or saved (the person has been told). After anything
    // but Done the command prints nothing more.
    PrintResult print(const QString &jobName, const PageLayout &layout);

    // The paper of the documents still to print (labels); empty for the
    // queue's own.
    void setPaper(const PaperSize &paper) { m_paper = paper; }

    // Tells the person where the PDF files went, if any were saved.
    void finish();

    // The default name of a document's PDF file: the job name and the
    // command's date and time ("Custorin List 2026-12-06 1405.pdf").
    QString pdfFileName(const QString &jobName) const;
    const QStringList &savedFiles() const { return m_saved; }

private:
    PrintResult toPdf(const QString &jobName, const PageLayout &layout);
    // The file to write, asking for the folder first when none is chosen
    // yet and before replacing a file; empty when the person gave up.
    QString pdfTarget(const QString &jobName);
    bool offerPdf(const QString &title, const QString &problem);

    PrintAsk m_ask;
    QString m_what;
    QDateTime m_when;
    bool m_toPdf = false;
    QString m_folder;
    QStringList m_saved;
    PaperSize m_paper;
};

// Texts of the messages about printing.
QString NoPrinterTitle();      // "No Printer"
QString PrintFailedTitle();    // "Printing Failed"
QString SavePdfTitle();        // "Save as PDF"
QStringList OfferPdfButtons(); // "&Save as a PDF file", "&Don't print it now"
