// The title window: the first window the person sees. It shows the
// program's name, description and version, checks in the background for a
// newer version, and leads on to sign-in in the administrative window
// ("&Continue") or ends the program ("Exit Custorin", or the close box).
#pragma once

#include "core/common/Session.h"
#include "core/store/Store.h"

#include "core/rules/TitleRules.h"

#include <QByteArray>
#include <QWidget>

class QLabel;
class QTimer;
class VersionCheck;
class ZelButton;

class frmTitlePage : public QWidget
{
    Q_OBJECT
public:
    frmTitlePage(Store &store, Session &session, QWidget *parent = nullptr);
    ~frmTitlePage() override;

    ZelButton *cmdSignIn = nullptr;
    ZelButton *cmdQuit = nullptr;
    ZelButton *cmdVersionInfo = nullptr;
    ZelButton *cmdWindowsNotice = nullptr;
    QLabel *labelAppTitle = nullptr;
    QLabel *labelAppDescription = nullptr;
    QLabel *labelVersion = nullptr;
    QLabel *labelZelContact[3] = {}; // elements 1 (e-mail) and 2 (web site)
    QLabel *imgBackground = nullptr;
    QTimer *timerFlashButton = nullptr;
    VersionCheck *GetURLtext = nullptr;

    // Window state.
    bool UpdateAvailable = false;
    ZelButton *FlashingButton = nullptr; // the button being pulsed, or none
    ButtonPulse Flash;
    bool activatedOnce() const { return m_activatedOnce; }
    VersionOutcome versionOutcome() const { return m_versionOutcome; }

public slots:
    // The set-up done the first time the window is shown: labels and
    // captions, the version check (in the background) and the pulse.
    void Form_Activate();
    void cmdSignIn_Click();
    void cmdQuit_Click();
    void cmdVersionInfo_Click();
    void cmdWindowsNotice_Click();
    void labelZelContact_Click(int index);
    void timerFlashButton_Timer();

signals:
    // The version check has come to an outcome (also NotAsked, at once,
    // when no update address is set up).
    void versionChecked(VersionOutcome outcome);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void versionAnswered(bool ok, const QByteArray &body);
    void startPulse(ZelButton *button, int firstDelay);
    void stopPulse();

    bool m_activatedOnce = false;
    bool m_signingIn = false;
    bool m_handingOver = false;
    VersionOutcome m_versionOutcome = VersionOutcome::NotAsked;
    QString m_site; // the update address, normalized; empty when none
    OleColor m_savedBack = 0, m_savedFore = 0;
    Store &m_store;
    Session &m_session;
    DataSet &data() const { return m_store.dataSet(); }
};
