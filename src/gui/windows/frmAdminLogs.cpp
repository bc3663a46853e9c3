// The administrative window's log review: the panel of the four logs, the
// log box and the text search in it.
#include "gui/windows/frmAdmin.h"

#include "core/common/Desktop.h"
#include "core/print/LogSeal.h"
#include "gui/controls/Grid.h"
#include "gui/controls/ZelButton.h"
#include "gui/platform/Presenter.h"
#include "gui/platform/ShowMsgBox.h"
#include "gui/platform/WindowLook.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QColor>
#include <QFontMetrics>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>
#include <algorithm>
#include <iterator>

namespace
{

// Hover colour that gives the pulsing search button its pulse.
constexpr OleColor FindFinishedHover = 0x80FF80;
// The log panel: the option row, and the row of the search buttons.
constexpr double OptionRowHeight = 560;
constexpr double FindRowHeight = 450;
constexpr double ChainRowHeight = 330;
constexpr double SealButtonWidth = 1500;
// The log box shows at least this many characters a line (a log line is
// about 70 to 75), more when the log shown has longer lines.
constexpr int LogBoxColumns = 80;
// Lines of a log held by one paragraph of the log box (the others end in a
// line separator): a text document builds a 100,000-paragraph text about
// ten times slower than one of 1,600 paragraphs, and lays out only the
// paragraphs in view.
constexpr int LogLinesPerParagraph = 64;

int px(double twips)
{
    return TwipsToPixels(twips);
}

} // namespace

void frmAdmin::buildLogPanel()
{
    const int width = picLogs->width();
    const int height = picLogs->height();
    const QFont buttonFont = ProgramFont(QStringLiteral("Verdana"), 8.25, true);
    // Widths in twips, by the length of the captions.
    const double optionWidths[LogOptionCount] = {1750, 2000, 1550, 2000};
    double optionLeft = 0;
    for (int i = 1; i <= LogOptionCount; ++i) {
        auto *o = new QRadioButton(picLogs);
        o->setObjectName(QStringLiteral("optViewLog(%1)").arg(i));
        o->setFont(ProgramFont(QStringLiteral("Tahoma"), 8.25));
        o->setGeometry(px(optionLeft), 0, px(optionWidths[i - 1]), px(OptionRowHeight));
        optionLeft += optionWidths[i - 1];
        o->setToolTip(LogReviewText::OptionTip(i));
        o->setAccessibleDescription(o->toolTip());
        optViewLog[i] = o;
        // Selected however that happens: a click, a key, assistive
        // technology's "Toggle" (which never clicks), or the review opening.
        connect(o, &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                optViewLog_Click(i);
        });
    }
    txtLogText = new QPlainTextEdit(picLogs);
    txtLogText->setObjectName(QStringLiteral("txtLogText"));
    txtLogText->setAccessibleName(QStringLiteral("Activity log"));
    QFont logFont = ProgramFont(QStringLiteral("Courier New"), 9);
    logFont.setStyleHint(QFont::TypeWriter); // fixed pitch where Courier New is missing
    txtLogText->setFont(logFont);
    txtLogText->setLineWrapMode(QPlainTextEdit::NoWrap);
    // The logs are only read here: the box selects and copies, never edits,
    // and keeps no undo history of the text put into it.
    txtLogText->setReadOnly(true);
    txtLogText->setUndoRedoEnabled(false);
    txtLogText->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    const int textTop = px(OptionRowHeight) + px(60);
    const int findTop = height - px(FindRowHeight);
    const int chainTop = findTop - px(90) - px(ChainRowHeight);
    txtLogText->setGeometry(0, textTop, width, chainTop - textTop);

    auto makeButton = [&](ZelButton *&b, const QString &name, double left, double w) {
        b = new ZelButton(picLogs);
        b->setObjectName(name);
        b->setFont(buttonFont);
        b->setProgramLook();
        b->setGeometry(px(left), findTop, px(w), px(FindRowHeight));
    };
    makeButton(cmdFindText, QStringLiteral("cmdFindText"), 0, 1500);
    makeButton(cmdFindFinished, QStringLiteral("cmdFindFinished"), 1600, 1200);
    cmdFindFinished->setBackOver(FindFinishedHover);
    cmdFindFinished->hide();
    QAbstractTextDocumentLayout *layout = txtLogText->document()->documentLayout();
    connect(layout, &QAbstractTextDocumentLayout::update, this, &frmAdmin::countLogLines);
    connect(layout, &QAbstractTextDocumentLayout::documentSizeChanged, this,
            &frmAdmin::countLogLines);
    labelLogNote = new QLabel(LogReviewText::NoteText(), picLogs);
    labelLogNote->setObjectName(QStringLiteral("labelLogNote"));
    labelLogNote->setFont(ProgramFont(QStringLiteral("Tahoma"), 7));
    labelLogNote->setWordWrap(true);
    labelLogNote->setGeometry(px(2900), findTop, width - px(2900), px(FindRowHeight));
    labelLogNote->hide();
    lblChainState = new QLabel(picLogs);
    lblChainState->setObjectName(QStringLiteral("lblChainState"));
    lblChainState->setAccessibleName(QStringLiteral("Chain state"));
    lblChainState->setFont(ProgramFont(QStringLiteral("Tahoma"), 8));
    lblChainState->setGeometry(0, chainTop, width - px(SealButtonWidth + 100), px(ChainRowHeight));
    cmdSealLogs = new ZelButton(picLogs);
    cmdSealLogs->setObjectName(QStringLiteral("cmdSealLogs"));
    cmdSealLogs->setFont(buttonFont);
    cmdSealLogs->setProgramLook();
    cmdSealLogs->setCaption(SealLogsCaption());
    cmdSealLogs->setToolTip(SealLogsTip());
    cmdSealLogs->setAccessibleDescription(SealLogsTip());
    cmdSealLogs->setGeometry(width - px(SealButtonWidth), chainTop, px(SealButtonWidth),
                             px(ChainRowHeight));
    connect(cmdSealLogs, &QPushButton::clicked, this, &frmAdmin::cmdSealLogs_Click);
    connect(cmdFindText, &QPushButton::clicked, this, &frmAdmin::cmdFindText_Click);
    connect(cmdFindFinished, &QPushButton::clicked, this, &frmAdmin::cmdFindFinished_Click);
}

// ---- the log review ----

void frmAdmin::cmdReviewLogs_Click()
{
    if (!ReviewingLogs) {
        if (!AccessCodeGranted(m_store, m_session))
            return;
        ReviewingLogs = true;
        std::fill(std::begin(LogReviewed), std::end(LogReviewed), false);
        if (LastLogShown > 0) {
            // Selecting the option again below reloads the file.
            optViewLog[LastLogShown]->setAutoExclusive(false);
            optViewLog[LastLogShown]->setChecked(false);
            optViewLog[LastLogShown]->setAutoExclusive(true);
        }
        cmdReviewLogs->setTag(cmdReviewLogs->text());
        cmdReviewLogs->setText(LogReviewText::FinishedReviewingCaption());
        m_reviewLogsTip = cmdReviewLogs->toolTip();
        cmdReviewLogs->setToolTip(LogReviewText::FinishedReviewingTip());
        cmdReviewLogs->setAccessibleDescription(cmdReviewLogs->toolTip());
        grid->hide();
        cmdUserSelected->hide();
        cmdFindText->setText(LogReviewText::FindTextCaption());
        cmdFindText->setToolTip(LogReviewText::FindTextTip());
        cmdFindText->show();
        cmdFindFinished->setText(LogReviewText::FindFinishedCaption());
        cmdFindFinished->setToolTip(LogReviewText::FindFinishedTip());
        cmdFindFinished->hide();
        picLogs->move(picLogs->x(), grid->y());
        picLogs->show();
        picLogs->raise();
        m_windowTag = windowTitle();
        setWindowTitle(LogReviewText::WindowCaption());
        cmdEditList->hide();
        cmdBackupRestore->hide();
        makeDefault(nullptr);
        FlashingButton = cmdReviewLogs;
        timerFlashButton->start();
        optViewLog[qMax(LastLogShown, 1)]->setChecked(true); // shows that log
        return;
    }

    ReviewingLogs = false;
    stopFlash();
    m_logLines = 0;
    txtLogText->clear();
    m_logFinder.setText(QString());
    picLogs->hide();
    picLogs->move(picLogs->x(), m_logPanelHome);
    fitLogBox(0);
    if (data().UserCount >= 1) {
        grid->show();
        grid->update();
    }
    cmdReviewLogs->setText(cmdReviewLogs->Tag());
    cmdReviewLogs->setTag(QString());
    cmdReviewLogs->setToolTip(m_reviewLogsTip);
    cmdReviewLogs->setAccessibleDescription(m_reviewLogsTip);
    restoreColors(cmdReviewLogs);
    cmdEditList->show();
    cmdBackupRestore->show();
    cmdUserSelected->setVisible(data().UserCount > 0);
    if (data().UserCount > 0)
        makeDefault(cmdUserSelected);
    setWindowTitle(m_windowTag);
}

void frmAdmin::optViewLog_Click(int index)
{
    if (index < 1 || index > LogOptionCount)
        return;
    LastLogShown = index;
    // The box's whole text is replaced at once (emptying it first would
    // cost a second pass over a long log).
    const LogText log = LoadLogText(m_store, LogReviewText::LogFile(index));
    labelLogNote->setVisible(log.hasEntries);
    fitLogBox(qMax(LogBoxColumns, log.widestLine));
    showLogText(log.text);
    m_logFinder.setText(log.text);
    LogChainState chain;
    // The review is recorded the first time each log is shown in this opening.
    const bool firstShown = !LogReviewed[index];
    LogReviewed[index] = true;
    RunBusy(this,
            [&] { chain = ReviewLogChain(m_store, LogReviewText::LogFile(index), firstShown); });
    lblChainState->setText(chain.text);
    lblChainState->setStyleSheet(chain.badLine ? QStringLiteral("color: #b00000; font-weight: bold")
                                               : QString());
    markLogLine(chain.badLine);
    if (log.hasEntries) {
        // The newest lines in view, from their start.
        txtLogText->moveCursor(QTextCursor::End);
        showLineStart(false);
    }
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    txtLogText->setFocus();
}

void frmAdmin::cmdSealLogs_Click()
{
    LogSealResult sealed;
    RunBusy(this, [&] { sealed = SealLogsNow(m_store); });
    if (sealed.lines.isEmpty()) {
        ShowMsgBox(sealed.message);
        return;
    }
    if (std::unique_ptr<PageSurface> page = desktop().beginPrint(QStringLiteral("Log Seal")))
        PrintLogSeal(*page, sealed.lines);
    optViewLog_Click(qMax(LastLogShown, 1)); // the seal and its line shown
}

void frmAdmin::markLogLine(int line)
{
    QList<QTextEdit::ExtraSelection> marks;
    const QString &text = m_logFinder.text();
    qsizetype start = 0;
    for (int n = 1; n < line && start >= 0; ++n) {
        const qsizetype nl = text.indexOf(QLatin1Char('\n'), start);
        start = nl < 0 ? -1 : nl + 1;
    }
    if (line > 0 && start >= 0) {
        QTextEdit::ExtraSelection mark;
        mark.cursor = QTextCursor(txtLogText->document());
        mark.cursor.setPosition(int(start));
        const qsizetype end = text.indexOf(QLatin1Char('\n'), start);
        mark.cursor.setPosition(int(end < 0 ? text.size() : end), QTextCursor::KeepAnchor);
        mark.format.setBackground(QColor(255, 205, 205));
        mark.format.setForeground(QColor(160, 0, 0));
        marks << mark;
    }
    txtLogText->setExtraSelections(marks);
}

LogTextSearch::Hooks frmAdmin::searchHooks()
{
    LogTextSearch::Hooks hooks;
    hooks.started = [this] {
        cmdReviewLogs->hide();
        stopFlash();
        cmdFindText->setTag(cmdFindText->text());
        cmdFindText->setToolTip(LogReviewText::LookingForTip(TextSearch.SearchText));
        cmdFindText->setAccessibleDescription(cmdFindText->toolTip());
        cmdFindFinished->show();
        cmdFindFinished->setCancel(true);
        FlashingButton = cmdFindFinished;
        timerFlashButton->start();
    };
    hooks.finished = [this] {
        cmdFindText->setText(cmdFindText->Tag());
        cmdFindText->setTag(QString());
        cmdFindText->setToolTip(QString());
        cmdFindText->setAccessibleDescription(QString());
        stopFlash();
        cmdFindFinished->setCancel(false);
        cmdFindFinished->hide();
        FlashingButton = cmdReviewLogs;
        cmdReviewLogs->show();
        timerFlashButton->start();
    };
    hooks.select = [this](int start, int length) {
        cmdFindText->setText(LogReviewText::FindNextCaption());
        QTextCursor cursor = txtLogText->textCursor();
        cursor.setPosition(start);
        cursor.setPosition(start + length, QTextCursor::KeepAnchor);
        txtLogText->setTextCursor(cursor);
        showLineStart(true);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        txtLogText->setFocus();
    };
    hooks.ask = [](const MsgBoxRequest &request) { return ShowMsgBox(request).choice; };
    return hooks;
}

// Puts text into the log box, LogLinesPerParagraph lines a paragraph. The
// box reads back the same text (a line separator reads as a line break) and
// counts positions alike, so matches found in text are selected as they are.
void frmAdmin::showLogText(const QString &text)
{
    QString grouped = text;
    char16_t *c = reinterpret_cast<char16_t *>(grouped.data());
    const qsizetype size = grouped.size();
    int breaks = 0;
    for (qsizetype i = 0; i < size; ++i) {
        if (c[i] == u'\n' && ++breaks % LogLinesPerParagraph != 0)
            c[i] = QChar::LineSeparator;
    }
    m_logLines = breaks + 1;
    txtLogText->setPlainText(grouped);
    countLogLines();
}

// Gives each paragraph of the log box its line count, known without laying
// it out, so that the scroll bar counts lines from the start. A relayout
// (the box's first showing, a change of font) counts every paragraph not in
// view as one line again: then they are counted anew.
void frmAdmin::countLogLines()
{
    QTextDocument *doc = txtLogText->document();
    if (m_countingLines || doc->lineCount() >= m_logLines)
        return;
    m_countingLines = true;
    for (QTextBlock block = doc->firstBlock(); block.isValid(); block = block.next()) {
        if (!block.layout() || block.layout()->lineCount() == 0)
            block.setLineCount(int(block.text().count(QChar::LineSeparator)) + 1);
    }
    QAbstractTextDocumentLayout *layout = doc->documentLayout();
    emit layout->documentSizeChanged(layout->documentSize());
    m_countingLines = false;
}

// The log box wide enough for lines of this many characters (0: the
// window's own size, when the review ends). The window grows to the right
// for it, as far as the screen allows; the help and exit buttons move with
// its right edge.
void frmAdmin::fitLogBox(int columns)
{
    int extra = 0;
    if (columns > 0) {
        const int text =
            QFontMetrics(txtLogText->font()).horizontalAdvance(QString(columns, QLatin1Char('0')));
        const int chrome =
            2 * txtLogText->frameWidth() + 2 * int(txtLogText->document()->documentMargin()) +
            txtLogText->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, txtLogText) +
            txtLogText->cursorWidth() + 2;
        const int frame = isVisible() ? frameGeometry().width() - width() : 0;
        const int room = desktop().screenSize().width() - frame - (width() - m_logExtraWidth);
        extra = qBound(0, text + chrome - (txtLogText->width() - m_logExtraWidth), qMax(room, 0));
    }
    const int grow = extra - m_logExtraWidth;
    if (grow == 0)
        return;
    m_logExtraWidth = extra;
    setFixedSize(width() + grow, height());
    for (QWidget *w : {static_cast<QWidget *>(picLogs), static_cast<QWidget *>(txtLogText),
                       static_cast<QWidget *>(labelLogNote)})
        w->resize(w->width() + grow, w->height());
    for (QWidget *w : {cmdHelp, cmdQuit})
        w->move(w->x() + grow, w->y());
    // A window that now reaches past the screen's right edge moves left.
    const int overhang = frameGeometry().right() + 1 - desktop().screenSize().width();
    if (isVisible() && grow > 0 && overhang > 0)
        move(qMax(0, x() - overhang), y());
}

// After the caret moved (to the end of the log, or past a match): its line
// in view from the start, unless a match lies beyond the box's width.
void frmAdmin::showLineStart(bool match)
{
    txtLogText->ensureCursorVisible();
    txtLogText->horizontalScrollBar()->setValue(0);
    if (match && txtLogText->cursorRect().right() >= txtLogText->viewport()->width())
        txtLogText->ensureCursorVisible();
}

void frmAdmin::cmdFindText_Click()
{
    TextSearch.findText(m_logFinder, searchHooks());
}

void frmAdmin::cmdFindFinished_Click()
{
    TextSearch.finish(searchHooks());
}
