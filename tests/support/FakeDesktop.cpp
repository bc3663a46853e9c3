#include "FakeDesktop.h"

#include "core/common/Globals.h"
#include "core/common/Settings.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

// A page surface that remembers what is printed where. Text widths are
// measured with a fixed 0.1 inch a character at 10 points (0.2 inch a
// line) so that layouts are the same on every machine.
class FakePageSurface : public PageSurface
{
public:
    FakePageSurface(FakeDesktop *owner, QString title, QString file, PaperSize paper)
        : m_owner(owner), m_title(std::move(title)), m_file(std::move(file)), m_paper(paper)
    {
    }
    void setFont(const PrintFont &font) override { m_font = font; }
    PrintFont font() const override { return m_font; }
    double currentX() const override { return m_x; }
    double currentY() const override { return m_y; }
    void setCurrentX(double inches) override { m_x = inches; }
    void setCurrentY(double inches) override { m_y = inches; }
    double pageWidth() const override
    {
        return m_paper.isEmpty() ? m_owner->m_pageWidth : m_paper.width;
    }
    double pageHeight() const override { return m_paper.isEmpty() ? 10.5 : m_paper.height; }
    double scale() const { return (m_font.size > 0 ? m_font.size : 10.0) / 10.0; }
    double textWidth(const QString &text) const override { return 0.1 * text.size() * scale(); }
    double textHeight(const QString &) const override { return 0.2 * scale(); }
    void record(const QString &text)
    {
        PrintedText p;
        p.page = m_page;
        p.x = m_x;
        p.y = m_y;
        p.text = text;
        p.bold = m_font.bold;
        p.underline = m_font.underline;
        m_items.append(p);
    }
    void printLine(const QString &text) override
    {
        record(text);
        m_x = 0;
        m_y += textHeight(text);
    }
    void printText(const QString &text) override
    {
        record(text);
        m_x += textWidth(text);
    }
    void fillRect(double x, double y, double width, double height) override
    {
        m_rects.append({0, m_page, x, y, width, height});
    }
    void newPage() override
    {
        ++m_page;
        m_x = m_y = 0;
    }
    bool endDoc() override
    {
        if (m_file.isEmpty() && !m_owner->m_refusal.isEmpty())
            return false;
        const int job = int(m_owner->printJobs.size());
        for (PrintedText &p : m_items)
            p.job = job;
        m_owner->printed.append(m_items);
        for (PrintedRect &r : m_rects)
            r.job = job;
        m_owner->rects.append(m_rects);
        m_owner->papers.append(m_paper);
        m_owner->printJobs.append(m_title);
        if (!m_file.isEmpty()) {
            QFile out(m_file);
            if (out.open(QIODevice::WriteOnly))
                out.write("%PDF-1.4 fake " + m_title.toUtf8() + "\n");
        }
        return true;
    }
    void killDoc() override { m_owner->killedJobs.append(m_title); }
    void expectPages(int pages) override { m_owner->expectedPages.append(pages); }
    bool cancelled() const override
    {
        return m_owner->m_cancelAfter > 0 && m_page - 1 >= m_owner->m_cancelAfter;
    }
    QString errorString() const override
    {
        return m_file.isEmpty() ? m_owner->m_refusal : QString();
    }

private:
    FakeDesktop *m_owner;
    QString m_title;
    QString m_file;
    PrintFont m_font;
    double m_x = 0, m_y = 0;
    int m_page = 1;
    QList<PrintedText> m_items;
    QList<PrintedRect> m_rects;
    PaperSize m_paper;
};

// A request in a failure message: title | text | buttons.
static QString Describe(const MsgBoxRequest &r)
{
    return QStringLiteral("\"%1\" | \"%2\" | [%3]")
        .arg(r.title, QString(r.text).replace(QLatin1String("\r\n"), QLatin1String("\\r\\n")),
             r.buttons.join(QLatin1String("; ")));
}

FakeDesktop::FakeDesktop()
    : m_documents(QDir::temp().filePath(QStringLiteral("custorin-no-documents"))),
      m_now(QDate(2026, 12, 4), QTime(22, 45, 32), Qt::LocalTime)
{
}

FakeDesktop::~FakeDesktop() = default;

void FakeDesktop::answerMsgBox(int choice, bool dontShow, const QString &expectedTitle)
{
    m_msgAnswers.enqueue([=](const MsgBoxRequest &r) {
        if (!expectedTitle.isEmpty() && r.title != expectedTitle) {
            QTest::qFail(qPrintable(QStringLiteral("message box \"%1\" expected, got %2")
                                        .arg(expectedTitle, Describe(r))),
                         __FILE__, __LINE__);
        }
        return MsgBoxAnswer{choice, dontShow};
    });
}

void FakeDesktop::answerMsgBoxWith(std::function<MsgBoxAnswer(const MsgBoxRequest &)> answer)
{
    m_msgAnswers.enqueue(std::move(answer));
}

void FakeDesktop::answerInputBox(std::optional<QString> answer)
{
    m_inputAnswers.enqueue(std::move(answer));
}

void FakeDesktop::answerFolder(std::optional<QString> answer)
{
    m_folderAnswers.enqueue(std::move(answer));
}

int FakeDesktop::pendingAnswers() const
{
    return int(m_msgAnswers.size() + m_inputAnswers.size() + m_folderAnswers.size());
}

MsgBoxAnswer FakeDesktop::messageBox(const MsgBoxRequest &request)
{
    msgBoxes.append(request);
    if (m_msgAnswers.isEmpty()) {
        QTest::qFail(qPrintable(QStringLiteral("unexpected message box ") + Describe(request)),
                     __FILE__, __LINE__);
        return {};
    }
    return m_msgAnswers.dequeue()(request);
}

void FakeDesktop::systemMessageBox(const QString &title, const QString &text)
{
    systemBoxes.append({title, text});
}

std::optional<QString> FakeDesktop::inputBox(const QString &title, const QString &prompt,
                                             const QString &defaultText)
{
    inputPrompts.append(prompt);
    inputTitles.append(title);
    inputDefaults.append(defaultText);
    if (m_inputAnswers.isEmpty()) {
        QTest::qFail(
            qPrintable(QStringLiteral("unexpected input box \"%1\": %2").arg(title, prompt)),
            __FILE__, __LINE__);
        return std::nullopt;
    }
    return m_inputAnswers.dequeue();
}

std::optional<QString> FakeDesktop::chooseFolder(const QString &title, const QString &startFolder)
{
    folderTitles.append(title);
    folderStarts.append(startFolder);
    if (m_folderAnswers.isEmpty()) {
        QTest::qFail(qPrintable(QStringLiteral("unexpected folder chooser \"%1\"").arg(title)),
                     __FILE__, __LINE__);
        return std::nullopt;
    }
    return m_folderAnswers.dequeue();
}

bool FakeDesktop::openUrl(const QUrl &url)
{
    openedUrls.append(url);
    return m_openUrlResult;
}

std::unique_ptr<PageSurface> FakeDesktop::beginPrint(const QString &title, const PaperSize &paper)
{
    if (!m_printerAvailable)
        return nullptr;
    return std::make_unique<FakePageSurface>(this, title, QString(), paper);
}

std::unique_ptr<PageSurface> FakeDesktop::beginPdf(const QString &title, const QString &file,
                                                   const PaperSize &paper)
{
    if (!m_pdfAvailable)
        return nullptr;
    return std::make_unique<FakePageSurface>(this, title, file, paper);
}

struct TestEnvironment::Impl {
    QTemporaryDir dir;
    Desktop *previous = nullptr;
};

TestEnvironment::TestEnvironment() : d(std::make_unique<Impl>()), data(d->dir.path())
{
    data.attach(&session);
    // The person at the test's desktop answers the data set's questions.
    data.ask = [this](const MsgBoxRequest &r) { return desktop.messageBox(r).choice; };
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       d->dir.filePath(QStringLiteral("settings")));
    d->previous = setDesktop(&desktop);
}

TestEnvironment::~TestEnvironment()
{
    setDesktop(d->previous);
}

QString TestEnvironment::settingsFile() const
{
    return d->dir.filePath(QStringLiteral("settings/") + AppTitle + QLatin1Char('/') + AppTitle +
                           QStringLiteral(".ini"));
}

QString TestEnvironment::folder() const
{
    return d->dir.path();
}

QString TestEnvironment::path(const QString &bareName) const
{
    return d->dir.filePath(bareName);
}
