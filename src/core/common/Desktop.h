// The desktop seam: everything that waits on a person or asks the operating
// system goes through one Desktop object, installed once at start-up. The
// real one (GuiDesktop) shows windows and talks to the system; the test one
// answers from a script and records every request.
#pragma once

#include <QDateTime>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <memory>
#include <optional>

// The icons of the message box, by the numbers the program has always
// used for them (each comes with its system beep).
namespace MsgIcon
{
enum Icon : int {
    None = 0,
    Program = 1, // the program's own icon, as None
    Stop = 2,    // critical
    Question = 3,
    Warning = 4,     // exclamation
    Information = 5, // asterisk
};
} // namespace MsgIcon

// The buttons of a message box, numbered from the left as the caller gave
// their captions; None is the answer of a box closed without a button
// (Esc, the close box) or one that could not be shown.
namespace MsgButton
{
enum Number : int { None = 0, First = 1, Second = 2, Third = 3 };
} // namespace MsgButton

// One question or notice for the message box service.
struct MsgBoxRequest {
    QString title;
    int icon = MsgIcon::None;
    QString text; // lines joined with CR LF
    int defaultButton = MsgButton::First;
    bool offerDontShow = false;
    QStringList buttons; // captions of buttons 1..n
};

struct MsgBoxAnswer {
    int choice = MsgButton::None; // the button pressed
    bool dontShow = false;
};

// The system beeps that go with the message box icons.
enum class Beep { Default, Hand, Question, Exclamation, Asterisk };

// What the watch of a shared file compares: when it was last written, how
// long it is and when it was made (a file replaced by another is new). Times
// as the file system gives them; a network drive may round them to a second
// or two.
struct FileStamp {
    QDateTime modified;
    qint64 size = -1;
    QDateTime born; // invalid where the file system does not say
    bool operator==(const FileStamp &o) const
    {
        return modified == o.modified && size == o.size && born == o.born;
    }
    bool operator!=(const FileStamp &o) const { return !(*this == o); }
};

// The font of printed text, as the printouts name it.
struct PrintFont {
    QString name = QStringLiteral("Arial");
    double size = 10.0; // points
    bool bold = false;
    bool italic = false;
    bool underline = false;
};

// The paper of a print job in inches, without margins: labels are placed
// from the paper's edge. Empty: the queue's own paper and margins.
struct PaperSize {
    double width = 0;
    double height = 0;
    bool isEmpty() const { return width <= 0 || height <= 0; }
};

// A printed page surface. Positions and sizes are in inches from the top
// left corner of the printable area.
class PageSurface
{
public:
    virtual ~PageSurface() = default;
    virtual void setFont(const PrintFont &font) = 0;
    virtual PrintFont font() const = 0;
    virtual double currentX() const = 0;
    virtual double currentY() const = 0;
    virtual void setCurrentX(double inches) = 0;
    virtual void setCurrentY(double inches) = 0;
    virtual double pageWidth() const = 0;
    virtual double pageHeight() const = 0;
    virtual double textWidth(const QString &text) const = 0;
    virtual double textHeight(const QString &text) const = 0;
    // Prints text at the current position; the position moves to the start
    // of the next line (x = 0, y += line height).
    virtual void printLine(const QString &text) = 0;
    // Prints text at the current position and leaves the position after it
    // on the same line.
    virtual void printText(const QString &text) = 0;
    // Fills the rectangle in black (the bars and modules of a barcode).
    virtual void fillRect(double x, double y, double width, double height) = 0;
    virtual void newPage() = 0;
    // Ends the document: it goes to the print queue (or its PDF is written).
    // False when that failed; errorString() then says why.
    virtual bool endDoc() = 0;
    // Abandons the document; nothing is printed.
    virtual void killDoc() = 0;
    // The number of pages the document will have, when the layout knows it
    // beforehand (the progress window of a long job shows it).
    virtual void expectPages(int /*pages*/) {}
    // True once the person has cancelled the job in its progress window;
    // the layout stops at the next page and the job is abandoned.
    virtual bool cancelled() const { return false; }
    // Why the job failed, in words for the person; empty when not known.
    virtual QString errorString() const { return QString(); }
};

class Desktop
{
public:
    virtual ~Desktop() = default;

    // The message box window; the answer is the button pressed.
    virtual MsgBoxAnswer messageBox(const MsgBoxRequest &request) = 0;
    // The system's own message box, used only when the program's cannot be
    // shown ("Display issue"). Stop icon, one OK button.
    virtual void systemMessageBox(const QString &title, const QString &text) = 0;
    // The system input box; nothing when cancelled.
    virtual std::optional<QString> inputBox(const QString &title, const QString &prompt,
                                            const QString &defaultText) = 0;
    // The folder chooser; nothing when cancelled.
    virtual std::optional<QString> chooseFolder(const QString &title,
                                                const QString &startFolder) = 0;
    // Opens a link ("mailto:", "http://") or a file with the system's
    // default program. False when the system could not do it.
    virtual bool openUrl(const QUrl &url) = 0;
    // Whether the desktop names a program for "mailto:" links; nothing when
    // it can not tell (then opening the link is tried).
    virtual std::optional<bool> hasMailProgram() { return std::nullopt; }
    // Puts text on the clipboard.
    virtual void copyToClipboard(const QString & /*text*/) {}

    virtual QDateTime now() = 0;
    // Size of the available screen in pixels, and its logical DPI.
    virtual QSize screenSize() = 0;
    virtual double logicalDpi() = 0;
    virtual void beep(Beep kind) = 0;
    // Starts playing a sound file and returns at once; false when it could
    // not be played (a missing file, no sound device). Says nothing either
    // way.
    virtual bool playSound(const QString &file) = 0;
    // Stops and lets go of whatever playSound started.
    virtual void stopSound() {}
    // The file's stamp, read afresh from the file system; nothing when the
    // file is missing or can not be examined.
    virtual std::optional<FileStamp> fileStamp(const QString &path);
    // Waits ms milliseconds before the program goes on (windows keep
    // painting; what a person types meanwhile waits). The default waits in
    // an event loop that takes no input.
    virtual void pause(int ms);
    // A new print job on the system's default printer; nothing when there
    // is no printer to be had. Title is the job's name in the print queue.
    // The caller ends the job (endDoc or killDoc) and then drops it.
    // A paper that is not empty replaces the queue's paper (labels).
    virtual std::unique_ptr<PageSurface> beginPrint(const QString &title,
                                                    const PaperSize &paper = {}) = 0;
    // The same pages written to a PDF file instead (replacing the file);
    // nothing when none can be written.
    virtual std::unique_ptr<PageSurface>
    beginPdf(const QString & /*title*/, const QString & /*file*/, const PaperSize & /*paper*/ = {})
    {
        return nullptr;
    }
    // The person's documents folder, where printouts saved as PDF go first.
    virtual QString documentsFolder();
};

// A desktop without a person: every question is closed without a button,
// nothing is opened, played or printed. Installed until start-up installs
// the real one; helper programs build on it.
class HeadlessDesktop : public Desktop
{
public:
    MsgBoxAnswer messageBox(const MsgBoxRequest &) override { return {}; }
    void systemMessageBox(const QString &, const QString &) override {}
    std::optional<QString> inputBox(const QString &, const QString &, const QString &) override
    {
        return std::nullopt;
    }
    std::optional<QString> chooseFolder(const QString &, const QString &) override
    {
        return std::nullopt;
    }
    bool openUrl(const QUrl &) override { return false; }
    QDateTime now() override { return QDateTime::currentDateTime(); }
    QSize screenSize() override { return QSize(1920, 1080); }
    double logicalDpi() override { return 96.0; }
    void beep(Beep) override {}
    bool playSound(const QString &) override { return false; }
    std::unique_ptr<PageSurface> beginPrint(const QString &, const PaperSize & = {}) override
    {
        return nullptr;
    }
};

// The installed desktop. There is always one: before start-up installs the
// real one, a headless default answers every question with 0 (no button).
Desktop &desktop();
// Installs d (not owned) and returns the previous one.
Desktop *setDesktop(Desktop *d);

// Twips (1/1440 inch) to pixels and back with the screen's logical DPI.
int TwipsToPixels(double twips);
double PixelsToTwips(double pixels);
