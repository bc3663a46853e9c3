// The entry card's fields: building and laying them out, their texts,
// what happens as the focus moves through them, and the category menu.
#include "gui/windows/frmSeeEntry.h"

#include "core/common/Desktop.h"
#include "gui/controls/ZelButton.h"
#include "gui/controls/ZelColor.h"
#include "gui/platform/TypingLimit.h"
#include "gui/platform/WindowLook.h"

#include <QAction>
#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QVBoxLayout>

namespace
{

QString indexed(const char *name, int index)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

// A soft, light panel behind a group of fields.
class CardPanel : public QWidget
{
public:
    explicit CardPanel(QWidget *parent) : QWidget(parent) {}

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
        p.fillPath(path, QColor(255, 255, 255, 150));
        p.setPen(QPen(QColor(0, 32, 64, 70), 1));
        p.drawPath(path);
    }
};

} // namespace

void frmSeeEntry::buildFields(QWidget *panelHost)
{
    m_field.resize(CardField::Count);
    m_label.resize(CardField::Count);
    const QFont labelFont = ProgramFont(QStringLiteral("Arial"), 9);
    const QFont fieldFont = ProgramFont(QStringLiteral("Verdana"), 9);

    for (int i = 0; i < CardField::Count; ++i) {
        const CardFieldSpec &spec = CardFieldAt(i);
        QWidget *box = nullptr;
        if (spec.multiLine) {
            auto *edit = new QPlainTextEdit(panelHost);
            edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            edit->setTabChangesFocus(true);
            edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
            edit->setMinimumHeight(110);
            connect(edit, &QPlainTextEdit::textChanged, this, [this, i] {
                limitMultiLine(i);
                txtField_Change(i);
            });
            edit->viewport()->installEventFilter(this);
            box = edit;
        } else {
            auto *edit = new QLineEdit(panelHost);
            // The limit holds back typing; the program's own texts (a date
            // with its time and AM/PM, a large value) are never cut.
            SetTypingLimit(edit, spec.maxLength);
            connect(edit, &QLineEdit::textChanged, this, [this, i] { txtField_Change(i); });
            box = edit;
        }
        box->setObjectName(indexed("txtfield", i));
        box->setFont(fieldFont);
        box->setToolTip(spec.toolTip);
        box->setAccessibleName(spec.caption);
        box->setAccessibleDescription(spec.toolTip);
        box->installEventFilter(this);
        m_field[i] = box;

        auto *label = new QLabel(spec.caption, panelHost);
        label->setObjectName(indexed("lbl", i));
        label->setFont(labelFont);
        label->setBuddy(box);
        m_label[i] = label;
    }
    // Design-time state: locked, out of the tab order, light cyan.
    setFieldsEditable(false);
    for (int i = 0; i < CardField::Count; ++i)
        setFieldBack(i, CardFieldBack);

    // The control number: white on teal, never editable.
    auto *control = static_cast<QLineEdit *>(m_field[CardField::ControlNumber]);
    {
        QPalette pal = control->palette();
        pal.setColor(QPalette::Base, ToQColor(CardControlNumberBack));
        pal.setColor(QPalette::Text, ToQColor(CardControlNumberFore));
        control->setPalette(pal);
        QFont f = control->font();
        f.setBold(true);
        control->setFont(f);
        control->setFocusPolicy(Qt::NoFocus);
    }
    {
        QFont f = m_field[CardField::CaseNumber]->font();
        f.setBold(true);
        m_field[CardField::CaseNumber]->setFont(f);
    }

    for (int k = 0; k < 2; ++k) {
        auto *full = new QLabel(panelHost);
        full->setObjectName(indexed("lblSpaceFull", CardField::Narrative + k));
        full->setFont(ProgramFont(QStringLiteral("Arial"), 8, true));
        full->setAutoFillBackground(true);
        QPalette pal = full->palette();
        pal.setColor(QPalette::Window, QColor(255, 255, 225));
        pal.setColor(QPalette::WindowText, QColor(0, 32, 64));
        full->setPalette(pal);
        full->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        full->hide();
        m_spaceFull[k] = full;
    }

    lblMinimumEntryNotice = new QLabel(panelHost);
    lblMinimumEntryNotice->setObjectName(QStringLiteral("lblMinimumEntryNotice"));
    lblMinimumEntryNotice->setFont(ProgramFont(QStringLiteral("Arial"), 9, true));
    lblMinimumEntryNotice->setAutoFillBackground(true);
    {
        QPalette pal = lblMinimumEntryNotice->palette();
        pal.setColor(QPalette::Window, ToQColor(CardNoticeBack));
        pal.setColor(QPalette::WindowText, ToQColor(CardNoticeFore));
        lblMinimumEntryNotice->setPalette(pal);
    }
    lblMinimumEntryNotice->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    lblMinimumEntryNotice->setText(MinimumEntryNoticeCaption());
    lblMinimumEntryNotice->hide();

    layOutFields(panelHost);
}

void frmSeeEntry::layOutFields(QWidget *panelHost)
{
    // One cell: the label over its box (a multi-line box has its fill
    // indicator at the right end of the label row).
    auto cell = [this](int i) {
        auto *v = new QVBoxLayout;
        v->setSpacing(2);
        if (QLabel *full = lblSpaceFull(i)) {
            auto *row = new QHBoxLayout;
            row->addWidget(m_label[i]);
            row->addStretch(1);
            row->addWidget(full);
            v->addLayout(row);
        } else {
            v->addWidget(m_label[i]);
        }
        v->addWidget(m_field[i], CardFieldAt(i).multiLine ? 1 : 0);
        return v;
    };
    auto panelGrid = [&](QVBoxLayout *host, int stretch) {
        auto *panel = new CardPanel(panelHost);
        auto *grid = new QGridLayout(panel);
        grid->setContentsMargins(12, 8, 12, 10);
        grid->setHorizontalSpacing(12);
        grid->setVerticalSpacing(6);
        for (int c = 0; c < 4; ++c)
            grid->setColumnStretch(c, 1);
        host->addWidget(panel, stretch);
        return grid;
    };

    auto *panels = new QVBoxLayout(panelHost);
    panels->setContentsMargins(0, 0, 0, 0);
    panels->setSpacing(8);

    using namespace CardField;
    QGridLayout *item = panelGrid(panels, 0);
    item->addLayout(cell(ControlNumber), 0, 0);
    item->addLayout(cell(CaseNumber), 0, 1);
    item->addLayout(cell(Location), 0, 2, 1, 2);
    item->addLayout(cell(Category), 1, 0);
    item->addLayout(cell(BrandName), 1, 1);
    item->addLayout(cell(ModelNumber), 1, 2);
    item->addLayout(cell(SerialNumber), 1, 3);
    item->addLayout(cell(Description), 2, 0, 1, 3);
    item->addLayout(cell(Value), 2, 3);

    QGridLayout *people = panelGrid(panels, 0);
    people->addLayout(cell(Owner), 0, 0, 1, 2);
    people->addLayout(cell(ReceivedFrom), 0, 2, 1, 2);
    people->addLayout(cell(ReceivedDate), 1, 0);
    people->addLayout(cell(ReleasedTo), 1, 1, 1, 2);
    people->addLayout(cell(ReleasedDate), 1, 3);
    people->addLayout(cell(Defendant), 2, 0, 1, 2);
    people->addWidget(lblMinimumEntryNotice, 2, 2, 1, 2, Qt::AlignRight | Qt::AlignBottom);

    QGridLayout *notes = panelGrid(panels, 1);
    notes->addLayout(cell(Narrative), 0, 0, 1, 2);
    notes->addLayout(cell(ChainOfCustody), 0, 2, 1, 2);
    notes->setRowStretch(0, 1);
}

void frmSeeEntry::buildMenu()
{
    menuCategorymenu = new QMenu(this);
    menuCategorymenu->setObjectName(QStringLiteral("menuCategorymenu"));
    menuCategorymenu->setFont(ProgramFont(QStringLiteral("Arial"), 9));
    m_menuItem.resize(CategoryMenuLast + 1);
    const QVector<CategoryMenuItem> &items = CategoryMenuItems();
    for (int i = 1; i <= items.size(); ++i) {
        const CategoryMenuItem &item = items.at(i - 1);
        QAction *a = item.separator ? menuCategorymenu->addSeparator()
                                    : menuCategorymenu->addAction(item.caption);
        a->setObjectName(indexed("menuCategory", i));
        if (!item.separator)
            connect(a, &QAction::triggered, this, [this, i] { menuCategory_Click(i); });
        m_menuItem[i] = a;
    }
}

// ---------------------------------------------------------------- fields

QString frmSeeEntry::fieldText(int index) const
{
    QWidget *w = m_field.value(index);
    if (auto *line = qobject_cast<QLineEdit *>(w))
        return line->text();
    if (auto *plain = qobject_cast<QPlainTextEdit *>(w))
        return CardRecordText(plain->toPlainText());
    return QString();
}

void frmSeeEntry::setFieldText(int index, const QString &recordText)
{
    QWidget *w = m_field.value(index);
    if (auto *line = qobject_cast<QLineEdit *>(w)) {
        if (line->text() != recordText)
            SetTextWhole(line, recordText);
    } else if (auto *plain = qobject_cast<QPlainTextEdit *>(w)) {
        const QString shown = CardShownText(recordText);
        if (plain->toPlainText() != shown)
            plain->setPlainText(shown);
    }
}

QStringList frmSeeEntry::fieldTexts() const
{
    QStringList texts;
    for (int i = 0; i < CardField::Count; ++i)
        texts << fieldText(i);
    return texts;
}

int frmSeeEntry::fieldIndexOf(const QObject *widget) const
{
    for (int i = 0; i < m_field.size(); ++i) {
        QWidget *f = m_field[i];
        if (widget == f)
            return i;
        if (auto *plain = qobject_cast<QPlainTextEdit *>(f); plain && widget == plain->viewport())
            return i;
    }
    return -1;
}

void frmSeeEntry::setFieldsEditable(bool editable)
{
    for (int i = 1; i < m_field.size(); ++i) {
        QWidget *w = m_field[i];
        w->setFocusPolicy(editable ? Qt::StrongFocus : Qt::NoFocus);
        // Boxes stay locked until entered.
        if (auto *line = qobject_cast<QLineEdit *>(w))
            line->setReadOnly(true);
        else if (auto *plain = qobject_cast<QPlainTextEdit *>(w))
            plain->setReadOnly(true);
    }
    if (!m_field.isEmpty()) {
        auto *control = static_cast<QLineEdit *>(m_field[CardField::ControlNumber]);
        control->setReadOnly(true);
    }
}

void frmSeeEntry::setFieldBack(int index, OleColor colour)
{
    QWidget *w = m_field.value(index);
    if (!w || index == CardField::ControlNumber)
        return;
    QPalette pal = w->palette();
    pal.setColor(QPalette::Base, ToQColor(colour));
    pal.setColor(QPalette::Text, Qt::black);
    w->setPalette(pal);
}

void frmSeeEntry::setLabelBold(int index, bool bold)
{
    QLabel *label = m_label.value(index);
    if (!label)
        return;
    QFont f = label->font();
    f.setBold(bold);
    label->setFont(f);
}

void frmSeeEntry::limitMultiLine(int index)
{
    // The limit counts the record's form, where a line break is CR LF. A
    // paste that does not fit is cut where it was inserted, as a text box
    // with an input limit does.
    auto *plain = qobject_cast<QPlainTextEdit *>(m_field.value(index));
    if (!plain || m_limiting)
        return;
    const int limit = CardFieldAt(index).maxLength;
    const QString shown = plain->toPlainText();
    int excess = int(CardRecordText(shown).size()) - limit;
    if (excess <= 0)
        return;
    m_limiting = true;
    QTextCursor cursor = plain->textCursor();
    const int end = cursor.position();
    int start = end;
    while (excess > 0 && start > 0) {
        --start;
        excess -= shown.at(start) == QLatin1Char('\n') ? 2 : 1;
    }
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    if (excess > 0) {
        // Nothing before the caret to take away: cut the end.
        QString rest = plain->toPlainText();
        while (excess > 0 && !rest.isEmpty()) {
            excess -= rest.endsWith(QLatin1Char('\n')) ? 2 : 1;
            rest.chop(1);
        }
        plain->setPlainText(rest);
        cursor = plain->textCursor();
        cursor.movePosition(QTextCursor::End);
    }
    plain->setTextCursor(cursor);
    m_limiting = false;
    QApplication::beep();
}

bool frmSeeEntry::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease && m_selectTodayOnRelease &&
        watched == m_field.value(CardField::ReceivedDate)) {
        // The click that entered the box put the caret where it landed;
        // today's date stays selected, as after the Tab key, so typing
        // replaces it.
        m_selectTodayOnRelease = false;
        static_cast<QLineEdit *>(watched)->selectAll();
    }
    if (event->type() == QEvent::MouseButtonDblClick) {
        const int i = fieldIndexOf(watched);
        if (i >= 0)
            txtfield_DblClick(i);
    }
    return QDialog::eventFilter(watched, event);
}

// Focus follows the application's focus changes: a field's GotFocus runs
// when the focus reaches it from anywhere in this window, its LostFocus when
// the focus moves on to another control of this window. Focus that only
// leaves for a moment (the category menu, a message box, another
// application) is not a change.
void frmSeeEntry::focusMoved(QWidget *now)
{
    if (!m_started || !now || (now != this && !isAncestorOf(now)))
        return;
    const int index = fieldIndexOf(now);
    if (index == m_focusField)
        return;
    if (m_focusField >= 0) {
        const int left = m_focusField;
        m_focusField = -1;
        txtField_LostFocus(left);
    }
    if (index >= 1)
        txtField_GotFocus(index);
}

void frmSeeEntry::txtField_GotFocus(int index)
{

    if (!m_started || index < 1)
        return;
    if (!m_editing) {
        // No caret is left in a read-only field.
        if (cmdFinished->isVisible())
            cmdFinished->setFocus(Qt::OtherFocusReason);
        return;
    }
    m_focusField = index;
    QWidget *w = m_field[index];
    auto *line = qobject_cast<QLineEdit *>(w);
    auto *plain = qobject_cast<QPlainTextEdit *>(w);
    if (line)
        line->setReadOnly(false);
    if (plain)
        plain->setReadOnly(false);
    if (fieldText(index).isEmpty())
        setFieldText(index, m_opening.value(index));

    setFieldBack(index, m_adding ? CardAddingFocusBack : CardEditingFocusBack);
    if (line)
        line->end(false);
    if (plain)
        plain->moveCursor(QTextCursor::End);
    setLabelBold(index, true);

    if (index == CardField::Category) {
        if (fieldText(index).isEmpty())
            ShowCategoryMenu();
        else
            m_label[index]->setText(CategoryChangeHint());
    }
    if (index == CardField::ReceivedDate && fieldText(index).trimmed().isEmpty()) {
        setFieldText(index, TodayText(desktop().now()));
        line->selectAll();
        m_selectTodayOnRelease = QApplication::mouseButtons() != Qt::NoButton;
    }
}

void frmSeeEntry::txtField_LostFocus(int index)
{

    if (index < 1)
        return;
    if (index == CardField::ReceivedDate)
        m_selectTodayOnRelease = false;
    QWidget *w = m_field[index];
    if (auto *line = qobject_cast<QLineEdit *>(w))
        line->setReadOnly(true);
    else if (auto *plain = qobject_cast<QPlainTextEdit *>(w))
        plain->setReadOnly(true);
    // What the box shows is what the record will hold.
    setFieldText(index, CardStoredText(index, fieldText(index)));
    setFieldBack(index, CardFieldBack);
    setLabelBold(index, false);
    if (index == CardField::Category)
        m_label[index]->setText(CardFieldAt(index).caption);
}

void frmSeeEntry::txtfield_DblClick(int index)
{
    if (index != CardField::Category || !m_editing)
        return;
    auto *line = qobject_cast<QLineEdit *>(m_field[index]);
    if (line && !line->isReadOnly())
        ShowCategoryMenu();
}

void frmSeeEntry::txtField_Change(int index)
{
    if (!m_started)
        return;
    if (m_editing) {
        ZelButton *save = m_adding ? cmdAddSave : cmdEditSave;
        const bool filled = RequiredFieldsFilled(fieldTexts());
        if (save->isEnabled() != filled) {
            save->setEnabled(filled);
            save->Refresh();
        }
    }
    if (QLabel *full = lblSpaceFull(index)) {
        const QString caption =
            FillIndicatorCaption(int(fieldText(index).size()), CardFieldAt(index).maxLength);
        full->setText(caption);
        full->setVisible(!caption.isEmpty());
        full->adjustSize();
    }
}

void frmSeeEntry::ShowCategoryMenu()
{
    QWidget *box = m_field[CardField::Category];
    menuCategorymenu->popup(box->mapToGlobal(QPoint(0, box->height())));
}

void frmSeeEntry::menuCategory_Click(int index)
{
    auto *box = static_cast<QLineEdit *>(m_field[CardField::Category]);
    box->setText(CategoryForMenuItem(index));
    if (CategoryMenuMovesOn(index))
        m_field[CardField::BrandName]->setFocus(Qt::OtherFocusReason);
    else
        box->setFocus(Qt::OtherFocusReason);
}
