#include "gui/windows/frmSetup.h"

#include "core/common/Desktop.h"
#include "core/common/Globals.h"
#include "core/rules/AdminRules.h"
#include "core/users/Installation.h"
#include "gui/controls/ZelButton.h"
#include "gui/platform/Presenter.h"
#include "gui/platform/ShowMsgBox.h"
#include "gui/platform/WindowLook.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>

namespace
{

int px(double twips)
{
    return TwipsToPixels(twips);
}

} // namespace

frmSetup::frmSetup(Store &store, QWidget *parent) : QDialog(parent), m_store(store)
{
    setObjectName(QStringLiteral("frmSetup"));
    setWindowTitle(AppTitle + QStringLiteral(" - Installation Set-up"));
    setFont(ProgramFont(QStringLiteral("Tahoma"), 9));
    setModal(true);

    lblExplain = new QLabel(this);
    lblExplain->setObjectName(QStringLiteral("lblExplain"));
    lblExplain->setWordWrap(true);
    lblExplain->setText(
        m_store.notSetUpText() +
        QStringLiteral("\n\n"
                       "Please enter the name of your agency and choose the administrative "
                       "access code (exactly %1 characters; upper and lower case differ). "
                       "The code is asked for before the user list, the activity logs and "
                       "backup can be reached.")
            .arg(AccessCodeLength));
    lblExplain->setGeometry(px(240), px(200), px(6600), px(1500));

    const QFont labelFont = ProgramFont(QStringLiteral("Tahoma"), 9, true);
    const QFont boxFont = ProgramFont(QStringLiteral("Verdana"), 9);
    auto addField = [&](QLineEdit *&box, const QString &name, const QString &caption, double top,
                        double width) {
        auto *label = new QLabel(caption, this);
        label->setObjectName(QStringLiteral("lbl") + name.mid(3));
        label->setFont(labelFont);
        label->setGeometry(px(240), px(top + 30), px(2600), px(300));
        box = new QLineEdit(this);
        box->setObjectName(name);
        box->setFont(boxFont);
        box->setAccessibleName(QString(caption).remove(QLatin1Char('&')));
        box->setGeometry(px(2900), px(top), px(width), px(340));
        label->setBuddy(box);
    };
    addField(txtAgencyName, QStringLiteral("txtAgencyName"), QStringLiteral("&Agency Name"), 1800,
             3940);
    addField(txtAccessCode, QStringLiteral("txtAccessCode"), QStringLiteral("Access C&ode"), 2280,
             1500);
    addField(txtConfirmCode, QStringLiteral("txtConfirmCode"),
             QStringLiteral("Access Code (&again)"), 2760, 1500);
    txtAgencyName->setMaxLength(AgencyNameMaxLength);
    for (QLineEdit *code : {txtAccessCode, txtConfirmCode}) {
        code->setEchoMode(QLineEdit::Password);
        code->setMaxLength(AccessCodeLength);
    }

    const QFont buttonFont = ProgramFont(QStringLiteral("Verdana"), 8.25, true);
    cmdSave = new ZelButton(this);
    cmdSave->setObjectName(QStringLiteral("cmdSave"));
    cmdSave->setText(QStringLiteral("&Save Settings"));
    cmdSave->setToolTip(QStringLiteral(" Save the agency name and the access code "));
    cmdCancel = new ZelButton(this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setText(QStringLiteral("&Cancel"));
    cmdCancel->setToolTip(QStringLiteral(" Leave the set-up without saving "));
    for (ZelButton *b : {cmdSave, cmdCancel}) {
        b->setFont(buttonFont);
        b->setProgramLook();
        b->setAccessibleDescription(b->toolTip());
    }
    cmdSave->setGeometry(px(1500), px(3400), px(2200), px(450));
    cmdCancel->setGeometry(px(3900), px(3400), px(2200), px(450));
    cmdSave->setDefault(true);
    cmdCancel->setAutoDefault(false);
    cmdCancel->setCancel(true);
    connect(cmdSave, &QPushButton::clicked, this, &frmSetup::cmdSave_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmSetup::cmdCancel_Click);

    setFixedSize(px(7100), px(4150));
    TileBackground(BackgroundTile(), this);
    txtAgencyName->setFocus();
}

void frmSetup::cmdSave_Click()
{
    const SetupCheck check =
        CheckSetupEntry(txtAgencyName->text(), txtAccessCode->text(), txtConfirmCode->text());
    if (check != SetupCheck::Ok) {
        ShowMsgBox(SetupCheckMessage(data(), check));
        switch (check) {
        case SetupCheck::AgencyEmpty:
        case SetupCheck::AgencyTooLong:
        case SetupCheck::AgencyInvalid:
            txtAgencyName->setFocus();
            break;
        default:
            // Both codes are typed again.
            txtAccessCode->clear();
            txtConfirmCode->clear();
            txtAccessCode->setFocus();
            break;
        }
        return;
    }
    InstallationResult result = InstallationResult::Cancelled;
    RunLocked(this, data(), [&] {
        result =
            m_store.saveInstallation(txtAgencyName->text(), txtAccessCode->text(), SetupBy::Window);
    });
    if (result == InstallationResult::Cancelled)
        return;
    if (result != InstallationResult::Ok) {
        ShowMsgBox(InstallationResultTitle(result), 2, m_store.installationResultText(result), 1,
                   false, {QStringLiteral("&Okay")});
        if (result == InstallationResult::SetUpMeanwhile) {
            // The settings made at the other workstation hold now.
            if (m_store.loadInstallation() == InstallationResult::Ok)
                accept();
            else
                reject();
        } else if (result == InstallationResult::FolderInUse) {
            reject();
        }
        return;
    }
    accept();
}

void frmSetup::cmdCancel_Click()
{
    reject();
}

bool EnsureInstallationConfigured(Store &store, QWidget *parent)
{
    const InstallationResult loaded = store.loadInstallation();
    if (loaded == InstallationResult::Ok)
        return true;
    if (store.holdsUsersOrEntries()) {
        // A folder with users or entries is never set up afresh in a
        // window: whoever could delete or damage the settings would choose
        // the access code.
        ShowMsgBox(InstallationResultTitle(loaded), 2, store.installationProblemText(loaded), 1,
                   false, {QStringLiteral("&Okay")});
        return false;
    }
    if (loaded != InstallationResult::NotConfigured) {
        ShowMsgBox(InstallationResultTitle(loaded), 2, store.installationResultText(loaded), 1,
                   false, {QStringLiteral("&Okay")});
        // Settings that exist but can not be read are not overwritten.
        if (loaded != InstallationResult::Corrupted)
            return false;
    }
    frmSetup window(store, parent);
    return window.exec() == QDialog::Accepted;
}
