// The entry card's commands: checking and saving an entry, editing,
// printing, labels, e-mail and help.
#include "gui/windows/frmSeeEntry.h"

#include "core/common/Desktop.h"
#include "core/common/Globals.h"
#include "core/common/Links.h"
#include "core/print/EntryPrintout.h"
#include "core/rules/EmailEntry.h"
#include "gui/controls/ZelButton.h"
#include "gui/platform/BusyGuard.h"
#include "gui/platform/Presenter.h"
#include "gui/platform/ShowMsgBox.h"
#include "gui/windows/frmLabels.h"

#include <QLabel>

namespace
{

QString okay()
{
    return QStringLiteral("&Okay");
}

} // namespace

// ---------------------------------------------------------------- checks

bool frmSeeEntry::GoodData()
{
    const CardCheck check = CheckGoodData(fieldTexts());
    for (int k = 0; k < check.messages.size(); ++k) {
        ShowMsgBox(EntryErrorTitle(), 2, check.messages.at(k), 1, false, {okay()});
        m_field[check.failedFields.at(k)]->setFocus(Qt::OtherFocusReason);
    }
    if (check.clearReleasedDate)
        setFieldText(CardField::ReleasedDate, QString());
    return check.ok;
}

// ---------------------------------------------------------------- buttons

void frmSeeEntry::cmdAddSave_Click()
{
    if (!m_adding || !GoodData())
        return;
    EntryRecord entry; // reserved fields blank
    FillEntryFromCard(entry, fieldTexts());
    // The control number is the moment of saving, stamped by the append.
    const StoreResult result =
        RunStoreChange(this, data(), [&] { return m_store.addEntry(entry); });
    if (result != StoreResult::Ok) {
        // Nothing was written; the input stays for another try.
        ShowStoreResult(data(), result);
        return;
    }
    m_session.ListNeedsReload = true;
    accept();
}

void frmSeeEntry::cmdAddCancel_Click()
{
    reject();
}

void frmSeeEntry::cmdFinished_Click()
{
    if (hasSaved())
        accept();
    else
        reject();
}

void frmSeeEntry::cmdEditEntry_Click()
{

    if (!m_viewing || m_editing || m_session.CurrentAccessLevel < 2)
        return;
    m_editing = true;
    ShowRequiredEntries(true);
    SetUpButtons();
    setFieldsEditable(true);
    m_field[CardField::CaseNumber]->setFocus(Qt::OtherFocusReason);
}

void frmSeeEntry::cmdEditSave_Click()
{

    if (!m_viewing || !m_editing)
        return;
    // Input that does not pass stays on the card, still in edit mode, with
    // the focus on the field to correct.
    if (!GoodData())
        return;
    EntryRecord edited = m_asRead;
    FillEntryFromCard(edited, fieldTexts());
    const StoreResult result = RunStoreChange(
        this, data(), [&] { return m_store.saveEntry(m_recordNumber, m_identity, edited); });
    switch (result) {
    case StoreResult::Ok:
        cmdEditSave->setTag(QStringLiteral("Saved"));
        m_session.ListNeedsReload = true;
        // The card now shows, and goes back to, what was stored.
        m_asRead = edited;
        m_identity = EntryIdentity::of(edited);
        m_opening = CardTextsFromEntry(edited);
        break;
    case StoreResult::Changed:
    case StoreResult::Missing:
        // Another workstation changed or removed this entry: nothing
        // was written; the list must be loaded again.
        m_session.ListNeedsReload = true;
        ShowStoreResult(data(), result);
        m_editing = false;
        reject();
        return;
    default:
        // Nothing was written (folder busy, file or log not
        // available): the changes stay on the card for another try.
        ShowStoreResult(data(), result);
        return;
    }
    cmdEditCancel_Click();
}

void frmSeeEntry::cmdEditCancel_Click()
{

    if (!m_viewing)
        return;
    m_editing = false;
    // Leave the focused field first, so that its LostFocus runs now.
    if (m_focusField >= 0) {
        const int left = m_focusField;
        m_focusField = -1;
        txtField_LostFocus(left);
    }
    setFieldsEditable(false);
    showOpeningValues();
    for (int i = 1; i < CardField::Count; ++i) {
        setFieldBack(i, CardFieldBack);
        setLabelBold(i, false);
    }
    m_label[CardField::Category]->setText(CardFieldAt(CardField::Category).caption);
    ShowRequiredEntries(false);
    SetUpButtons();
    if (cmdEditEntry->isEnabled())
        cmdEditEntry->setFocus(Qt::OtherFocusReason);
    else
        cmdFinished->setFocus(Qt::OtherFocusReason);
}

void frmSeeEntry::laterRelease(const QString &title, const QString &what)
{
    ShowMsgBox(title, 5,
               what + QStringLiteral(" comes with a later release of ") + AppTitle +
                   QStringLiteral(".") + CrLf + QStringLiteral("Nothing has been sent or printed."),
               1, false, {okay()});
}

void frmSeeEntry::cmdPrintEntry_Click()
{
    const std::optional<EntryPrintOptions> options =
        AskEntryPrintOptions(m_asRead.Narrative, m_asRead.ChainOfCustody, Ask);
    if (!options)
        return;
    BusyGuard busy(this);
    PrintEntry(EntryPrintout{fieldTexts(), data().AgencyName}, *options, Ask);
}

void frmSeeEntry::cmdPrintLabel_Click()
{
    frmLabels ask(1, -1, this);
    if (ask.exec() != QDialog::Accepted)
        return;
    const QVector<LabelContent> labels{EntryLabel(m_asRead, ask.qrCode())};
    const QString unscannable = CheckLabels(ask.stock(), labels);
    if (!unscannable.isEmpty()) {
        ShowMsgBox(LabelsTitle(), 4, unscannable, 1, false, {okay()});
        return;
    }
    BusyGuard busy(this);
    PrintLabelSheet(ask.stock(), ask.start(), labels, Ask);
}

void frmSeeEntry::cmdEmailEntry_Click()
{
    // Once "Don't show this again" was ticked, this card mails at once.
    if (!EmailWarningOff) {
        const MsgBoxAnswer answer = ShowMsgBox(EmailWarningQuestion());
        EmailWarningOff = answer.dontShow;
        if (answer.choice != 1)
            return;
    }
    // With no mail program the link would vanish without a word.
    if (desktop().hasMailProgram() == false) {
        if (ShowMsgBox(NoMailProgramQuestion()).choice == 1)
            desktop().copyToClipboard(EmailPlainText(fieldTexts()));
        return;
    }
    Tell(OpenLink(1, EmailLinkTarget(fieldTexts())));
}

void frmSeeEntry::cmdHelp_Click()
{
    Tell(OpenManual(data()));
}
