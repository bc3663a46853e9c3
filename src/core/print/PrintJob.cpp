#include "core/print/PrintJob.h"

#include "core/common/Globals.h"
#include "core/common/MsgBox.h"

#include <QDir>
#include <QFileInfo>
#include <utility>

QString NoPrinterTitle()
{
    return QStringLiteral("No Printer");
}

QString PrintFailedTitle()
{
    return QStringLiteral("Printing Failed");
}

QString SavePdfTitle()
{
    return QStringLiteral("Save as PDF");
}

QStringList OfferPdfButtons()
{
    return {QStringLiteral("&Save as a PDF file"), QStringLiteral("&Don't print it now")};
}

PrintSession::PrintSession(const QString &what, const QDateTime &when, PrintAsk ask)
    : m_ask(std::move(ask)), m_what(what), m_when(when)
{
}

QString PrintSession::pdfFileName(const QString &jobName) const
{
    return jobName + QLatin1Char(' ') + m_when.toString(QStringLiteral("yyyy-MM-dd HHmm")) +
           QStringLiteral(".pdf");
}

PrintResult PrintSession::print(const QString &jobName, const PageLayout &layout)
{
    if (m_toPdf)
        return toPdf(jobName, layout);

    std::unique_ptr<PageSurface> surface = desktop().beginPrint(jobName, m_paper);
    if (!surface) {
        const QString problem = QStringLiteral("There is no printer to print ") + m_what +
                                QStringLiteral(" on:") + CrLf +
                                QStringLiteral("no default printer is set up, or the") + CrLf +
                                QStringLiteral("print service is not running.");
        if (!offerPdf(NoPrinterTitle(), problem))
            return PrintResult::Cancelled;
        return toPdf(jobName, layout);
    }

    surface->setFont(PrintoutFont());
    const PrintResult drawn = layout(*surface);
    if (drawn != PrintResult::Done) {
        surface->killDoc();
        return drawn;
    }
    if (surface->endDoc())
        return PrintResult::Done;

    QString problem = QStringLiteral("The printer did not take ") + m_what + QLatin1Char('.');
    const QString why = surface->errorString();
    if (!why.isEmpty())
        problem += CrLf + QLatin1Char('(') + why + QLatin1Char(')');
    surface.reset();
    if (!offerPdf(PrintFailedTitle(), problem))
        return PrintResult::Failed;
    return toPdf(jobName, layout);
}

bool PrintSession::offerPdf(const QString &title, const QString &problem)
{
    const QString text = problem + CrLf + CrLf +
                         QStringLiteral("Do you want to save the pages as a PDF file instead?");
    if (m_ask(MakeMsgBoxRequest(title, 4, text, 1, false, OfferPdfButtons())) != 1)
        return false;
    m_toPdf = true;
    return true;
}

QString PrintSession::pdfTarget(const QString &jobName)
{
    const QString name = pdfFileName(jobName);
    for (;;) {
        if (m_folder.isEmpty()) {
            const std::optional<QString> folder = desktop().chooseFolder(
                QStringLiteral("Choose the folder for the PDF file"), desktop().documentsFolder());
            if (!folder || folder->isEmpty())
                return QString();
            m_folder = *folder;
        }
        const QString path = QDir(m_folder).filePath(name);
        if (!QFileInfo::exists(path))
            return path;
        const int choice = m_ask(MakeMsgBoxRequest(
            SavePdfTitle(), 3,
            QStringLiteral("A file named") + CrLf + name + CrLf +
                QStringLiteral("is already in that folder.") + CrLf + CrLf +
                QStringLiteral("Do you want to replace it?"),
            2, false,
            {QStringLiteral("&Replace it"), QStringLiteral("&Choose another folder"),
             QStringLiteral("&Don't save it")}));
        if (choice == 1)
            return path;
        if (choice != 2)
            return QString();
        m_folder.clear();
    }
}

PrintResult PrintSession::toPdf(const QString &jobName, const PageLayout &layout)
{
    const QString path = pdfTarget(jobName);
    if (path.isEmpty())
        return PrintResult::Cancelled;

    std::unique_ptr<PageSurface> surface = desktop().beginPdf(jobName, path, m_paper);
    QString why;
    if (surface) {
        surface->setFont(PrintoutFont());
        const PrintResult drawn = layout(*surface);
        if (drawn != PrintResult::Done) {
            surface->killDoc();
            return drawn;
        }
        if (surface->endDoc()) {
            m_saved.append(QDir::toNativeSeparators(path));
            return PrintResult::Done;
        }
        why = surface->errorString();
    }
    QString text = QStringLiteral("The PDF file could not be written:") + CrLf +
                   QDir::toNativeSeparators(path);
    if (!why.isEmpty())
        text += CrLf + QLatin1Char('(') + why + QLatin1Char(')');
    m_ask(MakeMsgBoxRequest(PrintFailedTitle(), 2, text, 1, false, {QStringLiteral("&Okay")}));
    return PrintResult::Failed;
}

void PrintSession::finish()
{
    if (m_saved.isEmpty())
        return;
    const QString text =
        (m_saved.size() == 1 ? QStringLiteral("The pages have been saved as")
                             : QStringLiteral("The pages have been saved as these files:")) +
        CrLf + m_saved.join(CrLf);
    m_ask(MakeMsgBoxRequest(SavePdfTitle(), 5, text, 1, false, {QStringLiteral("&Okay")}));
}
