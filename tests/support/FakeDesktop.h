// The test desktop: answers from a script queued by the test and records
// every request, so tests assert exact titles, texts and captions. A
// message box that no scripted answer expects fails the running test with
// its title and text and is answered 0.
#pragma once

#include "core/common/Desktop.h"
#include "core/store/Store.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QQueue>
#include <QStringList>
#include <functional>

struct PrintedText {
    int job = 0;         // index of the job in printJobs
    int page = 1;        // 1 for the first page of its job
    double x = 0, y = 0; // inches
    QString text;
    bool bold = false;
    bool underline = false;
};

// A filled rectangle (a barcode's bar or module), inches on its page.
struct PrintedRect {
    int job = 0;
    int page = 1;
    double x = 0, y = 0, width = 0, height = 0;
};

class FakePageSurface;

class FakeDesktop : public Desktop
{
public:
    FakeDesktop();
    ~FakeDesktop() override;

    // ---- script ----
    // The next message box is answered with this button (and box state).
    // When expectedTitle is not empty the box must carry that title.
    void answerMsgBox(int choice, bool dontShow = false, const QString &expectedTitle = QString());
    // The next message box is answered by a function of the request.
    void answerMsgBoxWith(std::function<MsgBoxAnswer(const MsgBoxRequest &)> answer);
    void answerInputBox(std::optional<QString> answer);
    void answerFolder(std::optional<QString> answer);
    void setOpenUrlResult(bool ok) { m_openUrlResult = ok; }
    // What hasMailProgram answers (nothing: the desktop can not tell).
    void setMailProgram(std::optional<bool> known) { m_mailProgram = known; }
    // The printable width of the paper (8.0: Letter; A4 is 7.77).
    void setPageWidth(double inches) { m_pageWidth = inches; }
    void setNow(const QDateTime &now) { m_now = now; }
    void advance(qint64 secs) { m_now = m_now.addSecs(secs); }
    void setScreen(QSize pixels, double dpi = 96.0)
    {
        m_screen = pixels;
        m_dpi = dpi;
    }
    void setPrinterAvailable(bool ok) { m_printerAvailable = ok; }
    // The stamp fileStamp gives for path (nothing: missing or unreachable)
    // instead of the real file's.
    void setFileStamp(const QString &path, const std::optional<FileStamp> &stamp)
    {
        m_stamps.insert(path, stamp);
    }
    // The printer takes no job: endDoc fails with this reason.
    void setPrinterRefuses(const QString &reason) { m_refusal = reason; }
    // PDF files can not be written: beginPdf gives nothing.
    void setPdfAvailable(bool ok) { m_pdfAvailable = ok; }
    // The person presses Cancel in the progress window once this many pages
    // of a job are done (0: never).
    void cancelAfterPages(int pages) { m_cancelAfter = pages; }
    // Queued answers not yet used (a test usually checks this is 0).
    int pendingAnswers() const;

    // ---- records ----
    QList<MsgBoxRequest> msgBoxes;
    QList<QPair<QString, QString>> systemBoxes;
    QStringList inputPrompts;
    QStringList inputTitles;   // of the same input boxes
    QStringList inputDefaults; // the text each one offered
    QStringList folderTitles;
    QStringList folderStarts; // the folder each chooser opened in
    QList<QUrl> openedUrls;
    QStringList clipboard; // every text copied, in order
    QList<Beep> beeps;
    QStringList sounds;
    QStringList stampedFiles; // every path fileStamp was asked about
    // Finished jobs: their names, and every text they printed (empty texts that only end a line
    // included). Abandoned jobs leave only their names in killedJobs.
    QStringList printJobs;
    QList<PrintedText> printed;
    QList<PrintedRect> rects;
    QList<PaperSize> papers; // the paper each finished job asked for
    QStringList killedJobs;
    QList<int> expectedPages; // what each job was told to expect

    // ---- Desktop ----
    MsgBoxAnswer messageBox(const MsgBoxRequest &request) override;
    void systemMessageBox(const QString &title, const QString &text) override;
    std::optional<QString> inputBox(const QString &title, const QString &prompt,
                                    const QString &defaultText) override;
    std::optional<QString> chooseFolder(const QString &title, const QString &startFolder) override;
    bool openUrl(const QUrl &url) override;
    std::optional<bool> hasMailProgram() override { return m_mailProgram; }
    void copyToClipboard(const QString &text) override { clipboard.append(text); }
    QDateTime now() override { return m_now; }
    QSize screenSize() override { return m_screen; }
    double logicalDpi() override { return m_dpi; }
    void beep(Beep kind) override { beeps.append(kind); }
    bool playSound(const QString &file) override
    {
        sounds.append(file);
        return true;
    }
    void stopSound() override {}
    std::optional<FileStamp> fileStamp(const QString &path) override
    {
        stampedFiles.append(path);
        const auto scripted = m_stamps.constFind(path);
        if (scripted != m_stamps.constEnd())
            return *scripted;
        return Desktop::fileStamp(path);
    }
    // Records the wait and moves the clock on by it; nothing waits.
    void pause(int ms) override
    {
        pauses.append(ms);
        m_now = m_now.addMSecs(ms);
    }
    QList<int> pauses;
    std::unique_ptr<PageSurface> beginPrint(const QString &title,
                                            const PaperSize &paper = {}) override;
    std::unique_ptr<PageSurface> beginPdf(const QString &title, const QString &file,
                                          const PaperSize &paper = {}) override;
    QString documentsFolder() override { return m_documents; }

private:
    QHash<QString, std::optional<FileStamp>> m_stamps;
    friend class FakePageSurface;
    QQueue<std::function<MsgBoxAnswer(const MsgBoxRequest &)>> m_msgAnswers;
    QQueue<std::optional<QString>> m_inputAnswers;
    QQueue<std::optional<QString>> m_folderAnswers;
    bool m_openUrlResult = true;
    std::optional<bool> m_mailProgram;
    double m_pageWidth = 8.0;
    bool m_printerAvailable = true;
    bool m_pdfAvailable = true;
    QString m_refusal;
    int m_cancelAfter = 0;
    QString m_documents;
    QDateTime m_now;
    QSize m_screen{1920, 1080};
    double m_dpi = 96.0;
};

// Installs a FakeDesktop for the lifetime of the object, and a fresh data
// folder with its data set, session and store, and a settings file.
class TestEnvironment
{
    struct Impl;
    std::unique_ptr<Impl> d;

public:
    TestEnvironment();
    ~TestEnvironment();
    FakeDesktop desktop;
    DataSet data;
    Session session;
    FolderStore store{data};
    QString folder() const;
    QString path(const QString &bareName) const;
    // The per-user settings file the program writes.
    QString settingsFile() const;
    void setFaultHook(FileFaultHook hook) { data.options.FaultHook = std::move(hook); }
};
