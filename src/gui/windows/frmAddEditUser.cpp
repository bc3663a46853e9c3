#include "gui/windows/frmAddEditUser.h"

#include "core/common/Desktop.h"
#include "core/common/Globals.h"
#include "core/common/InputChecks.h"
#include "core/rules/AdminRules.h"
#include "gui/controls/GridModel.h"
#include "gui/controls/ZelButton.h"
#include "gui/platform/Presenter.h"
#include "gui/platform/ShowMsgBox.h"
#include "gui/platform/WindowLook.h"

#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTextCursor>
#include <QTimer>

namespace
{

int px(double twips)
{
    return TwipsToPixels(twips);
}

QLabel *makeLabel(QWidget *parent, const QString &name, const QString &text)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

} // namespace

frmAddEditUser::frmAddEditUser(Store &store, Session &session, QWidget *parent)
    : QDialog(parent), m_store(store), m_session(session)
{
    setObjectName(QStringLiteral("frmAddEditUser"));
    setFont(ProgramFont(QStringLiteral("Tahoma"), 9));
    setModal(true);

    const QFont labelFont = ProgramFont(QStringLiteral("Tahoma"), 9, true);
    const QFont boxFont = ProgramFont(QStringLiteral("Verdana"), 9);

    auto addField = [&](QLineEdit *&box, int index, const QString &caption, int maxLength,
                        double top, double width) {
        QLabel *label = makeLabel(this, QStringLiteral("lblField(%1)").arg(index), caption);
        label->setFont(labelFont);
        label->setGeometry(px(240), px(top + 30), px(2800), px(300));
        box = new QLineEdit(this);
        box->setObjectName(QStringLiteral("txtField(%1)").arg(index));
        box->setAccessibleName(caption.trimmed());
        box->setFont(boxFont);
        box->setMaxLength(maxLength);
        box->setGeometry(px(3000), px(top), px(width), px(340));
        label->setBuddy(box);
        box->installEventFilter(this);
        setBoxColor(box, NoFocusColor);
        connect(box, &QLineEdit::textChanged, this, &frmAddEditUser::txtField_Change);
    };
    addField(txtFirstName, 1, AddEditText::FirstNameLabel(), FirstNameMaxLength, 240, 2800);
    addField(txtLastName, 2, AddEditText::LastNameLabel(), LastNameMaxLength, 680, 2800);
    addField(txtPassword, 3, AddEditText::PasswordLabel(), PasswordBoxMaxLength, 1120, 2200);

    auto *frame = new QGroupBox(AddEditText::AccessLevelLabel(), this);
    frame->setObjectName(QStringLiteral("frameAccessLevel"));
    frame->setFont(labelFont);
    frame->setGeometry(px(240), px(1580), px(5560), px(1000));
    for (int i = 1; i <= 4; ++i) {
        auto *opt = new QRadioButton(frame);
        opt->setObjectName(QStringLiteral("optAccessLevel(%1)").arg(i));
        opt->setText(AccessLevelName(i));
        opt->setGeometry(px(i % 2 == 1 ? 200 : 2900), px(i <= 2 ? 330 : 640), px(2500), px(280));
        optAccessLevel.append(opt);
        // Selected however that happens (a click, a key, assistive
        // technology's "Toggle"); selectLevel's own choice is no change.
        connect(opt, &QRadioButton::toggled, this, [this, i](bool on) {
            if (on && i != m_level)
                optAccessLevel_Click(i);
        });
    }

    QLabel *commentsLabel =
        makeLabel(this, QStringLiteral("lblField(4)"), AddEditText::CommentsLabel());
    commentsLabel->setFont(labelFont);
    commentsLabel->setGeometry(px(240), px(2700), px(2000), px(280));
    lblSpaceFull = makeLabel(this, QStringLiteral("lblSpaceFull"), QString());
    lblSpaceFull->setGeometry(px(3800), px(2700), px(2000), px(280));
    lblSpaceFull->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblSpaceFull->hide();
    txtComments = new QPlainTextEdit(this);
    txtComments->setObjectName(QStringLiteral("txtField(4)"));
    txtComments->setAccessibleName(AddEditText::CommentsLabel().trimmed());
    txtComments->setFont(boxFont);
    txtComments->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtComments->setTabChangesFocus(true);
    txtComments->setGeometry(px(240), px(2980), px(5560), px(1200));
    txtComments->installEventFilter(this);
    commentsLabel->setBuddy(txtComments);
    setBoxColor(txtComments, NoFocusColor);
    connect(txtComments, &QPlainTextEdit::textChanged, this, &frmAddEditUser::txtComments_Change);

    lblDateCreated = makeLabel(this, QStringLiteral("lblDateCreated"), QString());
    lblDateCreated->setGeometry(px(240), px(4260), px(3700), px(280));
    lblDateCreated->hide();
    lblMandatory = makeLabel(this, QStringLiteral("lblMandatory"), AddEditText::MandatoryLabel());
    lblMandatory->setGeometry(px(3900), px(4260), px(1900), px(280));
    lblMandatory->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    const QFont buttonFont = ProgramFont(QStringLiteral("Verdana"), 8.25, true);
    cmdSave = new ZelButton(this);
    cmdSave->setObjectName(QStringLiteral("cmdSave"));
    cmdCancel = new ZelButton(this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    for (ZelButton *b : {cmdSave, cmdCancel}) {
        b->setFont(buttonFont);
        b->setProgramLook();
    }
    cmdSave->setGeometry(px(240), px(4640), px(2650), px(450));
    cmdCancel->setGeometry(px(3150), px(4640), px(2650), px(450));
    cmdSave->setDefault(true);
    cmdCancel->setAutoDefault(false);
    cmdCancel->setCancel(true);
    connect(cmdSave, &QPushButton::clicked, this, &frmAddEditUser::cmdSave_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmAddEditUser::cmdCancel_Click);

    setFixedSize(px(6100), px(5300));
    TileBackground(BackgroundTile(), this);
}

bool frmAddEditUser::addMode() const
{
    return m_tag != AddEditText::EditMode();
}

void frmAddEditUser::setRecord(int recordNumber, const UserIdentity &asListed)
{
    m_recordNumber = recordNumber;
    m_identity = asListed;
}

bool frmAddEditUser::Load()
{
    m_loaded = false;
    if (addMode()) {
        if (!OpenUsers(m_store))
            return false;
        m_store.closeUsers();
        m_recordNumber = data().UserCount + 1;
        cmdSave->setText(AddEditText::SaveNewCaption());
        cmdSave->show();
        cmdSave->setEnabled(false);
        cmdCancel->setText(AddEditText::CancelNewCaption());
        selectLevel(1);
        m_loaded = true;
        return true;
    }

    if (!OpenUsers(m_store))
        return false;
    const int count = data().UserCount;
    const UserRecord user = m_store.user(m_recordNumber);
    m_store.closeUsers();
    if (m_recordNumber < 1 || m_recordNumber > count || !m_identity.matches(user)) {
        m_changedElsewhere = true;
        ShowUserResult(data(), m_recordNumber > count ? UserResult::Missing : UserResult::Changed);
        return false;
    }
    m_loadedUser = user;
    cmdSave->setText(AddEditText::SaveChangesCaption());
    cmdSave->setEnabled(true);
    cmdSave->hide();
    cmdCancel->setText(AddEditText::FinishedViewingCaption());
    lblDateCreated->setText(AddEditText::DateCreatedText(user.DateCreated));
    lblDateCreated->show();
    selectLevel(qBound(1, int(user.AccessLevel), 4));
    txtFirstName->setText(user.FirstName.trimmed());
    txtLastName->setText(user.LastName.trimmed());
    txtPassword->setText(UnscramblePassword(user.Password));
    // A store that keeps only a key of the password reads it blank: the
    // box stays empty and saving it so keeps the stored key.
    m_passwordKept = txtPassword->text().isEmpty();
    if (m_passwordKept)
        txtPassword->setPlaceholderText(QStringLiteral("<unchanged>"));
    txtComments->setPlainText(CommentsForBox(user.Comments.trimmed()));
    m_loaded = true;
    return true;
}

void frmAddEditUser::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_activated)
        Form_Activate();
}

void frmAddEditUser::Form_Activate()
{
    setWindowTitle(
        AddEditText::Caption(addMode() ? AddEditText::AddMode() : AddEditText::EditMode()));
    for (int i = 1; i <= optAccessLevel.size(); ++i)
        optAccessLevel.at(i - 1)->setText(AccessLevelName(i));
    m_activated = true;
    txtFirstName->setFocus();
}

void frmAddEditUser::setBoxColor(QWidget *box, quint32 bgr)
{
    QPalette pal = box->palette();
    pal.setColor(QPalette::Base, BgrToColor(bgr));
    box->setPalette(pal);
}

bool frmAddEditUser::eventFilter(QObject *watched, QEvent *event)
{
    auto *box = qobject_cast<QWidget *>(watched);
    if (box && event->type() == QEvent::FocusIn) {
        setBoxColor(box, addMode() ? AddModeFocusColor : EditModeFocusColor);
        if (box == txtPassword && txtPassword->text().isEmpty() && !m_passwordKept) {
            txtPassword->setText(AddEditText::PasswordHint());
            // Typing replaces the hint.
            QTimer::singleShot(0, txtPassword, [this] { txtPassword->selectAll(); });
        } else if (auto *line = qobject_cast<QLineEdit *>(box)) {
            QTimer::singleShot(0, line, [line] { line->end(false); });
        } else if (box == txtComments) {
            QTimer::singleShot(0, txtComments,
                               [this] { txtComments->moveCursor(QTextCursor::End); });
        }
    } else if (box && event->type() == QEvent::FocusOut) {
        setBoxColor(box, NoFocusColor);
    }
    return QDialog::eventFilter(watched, event);
}

bool frmAddEditUser::MandatoryFieldsFilled() const
{
    // An unchanged password counts as filled in.
    return ::MandatoryFieldsFilled(txtFirstName->text(), txtLastName->text(),
                                   passwordUnchanged() ? txtPassword->placeholderText()
                                                       : txtPassword->text());
}

bool frmAddEditUser::passwordUnchanged() const
{
    return m_passwordKept && txtPassword->text().isEmpty();
}

void frmAddEditUser::editTouched()
{
    const SaveButtonState now{!cmdSave->isHidden(), cmdSave->isEnabled()};
    const SaveButtonState next = SaveButtonAfterChange(now, MandatoryFieldsFilled());
    cmdSave->setVisible(next.visible);
    cmdSave->setEnabled(next.enabled);
    if (!addMode())
        cmdCancel->setText(AddEditText::CancelChangesCaption());
}

void frmAddEditUser::txtField_Change()
{
    if (m_activated)
        editTouched();
}

void frmAddEditUser::txtComments_Change()
{
    const QString text = txtComments->toPlainText();
    const QString limited = LimitComments(text);
    if (limited != text) {
        QSignalBlocker block(txtComments);
        txtComments->setPlainText(limited);
        txtComments->moveCursor(QTextCursor::End);
    }
    if (limited.isEmpty()) {
        lblSpaceFull->hide();
    } else {
        lblSpaceFull->setText(AddEditText::SpaceFullText(int(CommentsForRecord(limited).size())));
        lblSpaceFull->show();
    }
    if (m_activated)
        editTouched();
}

void frmAddEditUser::selectLevel(int level)
{
    m_level = level;
    for (int i = 1; i <= optAccessLevel.size(); ++i) {
        QRadioButton *opt = optAccessLevel.at(i - 1);
        const bool selected = i == level;
        opt->setChecked(selected);
        QPalette pal = opt->palette();
        pal.setColor(QPalette::WindowText,
                     BgrToColor(selected ? SelectedLevelColor : OtherLevelColor));
        opt->setPalette(pal);
        QFont f = opt->font();
        f.setBold(selected);
        opt->setFont(f);
    }
}

void frmAddEditUser::optAccessLevel_Click(int level)
{
    selectLevel(level);
    if (m_activated && !addMode())
        editTouched();
}

void frmAddEditUser::cmdSave_Click()
{
    if (!m_loaded || !cmdSave->isEnabled() || cmdSave->isHidden())
        return;
    const UserNameCheck names = CheckUserNames(txtFirstName->text(), txtLastName->text());
    if (names != UserNameCheck::Ok) {
        ShowMsgBox(InvalidUserNameMessage(names));
        const bool lastName =
            names == UserNameCheck::ControlCharacter && !HasControlCharacter(txtFirstName->text());
        (lastName ? txtLastName : txtFirstName)->setFocus();
        return;
    }
    if (!passwordUnchanged() && !IsValidPassword(txtPassword->text())) {
        ShowMsgBox(InvalidPasswordEntryMessage());
        txtPassword->setFocus();
        return;
    }
    UserRecord user;
    user.FirstName = txtFirstName->text().trimmed();
    user.LastName = txtLastName->text().trimmed();
    // Blank when unchanged: the store keeps the stored key.
    user.Password = passwordUnchanged() ? QString() : ScramblePassword(txtPassword->text());
    user.AccessLevel = qint16(m_level);
    user.Comments = CommentsForRecord(txtComments->toPlainText().trimmed());

    UserResult result;
    if (addMode()) {
        int n = 0;
        result = RunUserChange(this, data(), [&] { return m_store.addUser(user, &n); });
        if (result == UserResult::Ok)
            m_recordNumber = n;
    } else {
        user.DateCreated = m_loadedUser.DateCreated;
        result = RunUserChange(this, data(),
                               [&] { return m_store.saveUser(m_recordNumber, m_identity, user); });
    }
    switch (result) {
    case UserResult::Ok:
        m_saved = true;
        m_savedUser = user;
        accept();
        return;
    case UserResult::Changed:
    case UserResult::Missing:
        // Another workstation changed the list: nothing was written.
        ShowUserResult(data(), result);
        m_changedElsewhere = true;
        reject();
        return;
    case UserResult::Cancelled:
        return;
    default:
        // Everything typed stays in the window.
        ShowUserResult(data(), result);
        return;
    }
}

void frmAddEditUser::cmdCancel_Click()
{
    reject();
}
