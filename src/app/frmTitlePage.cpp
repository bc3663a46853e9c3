#include "app/frmTitlePage.h"

#include "app/ActivityLog.h"
#include "app/Desktop.h"
#include "app/Globals.h"
#include "app/GuiStandard.h"
#include "app/GuiSupport.h"
#include "app/MsgBox.h"
#include "controls/ZelButton.h"
#include "store/frmMain.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

frmTitlePage::frmTitlePage(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmTitlePage"));
    setWindowTitle(AppTitle + QStringLiteral(" - Title Window"));

    auto *labelAppTitle = new QLabel(AppTitle, this);
    labelAppTitle->setObjectName(QStringLiteral("labelAppTitle"));
    labelAppTitle->setFont(ProgramFont(QStringLiteral("Tahoma"), 28, true));
    labelAppTitle->setAlignment(Qt::AlignCenter);

    auto *labelAppDescription = new QLabel(AppDescription, this);
    labelAppDescription->setObjectName(QStringLiteral("labelAppDescription"));
    labelAppDescription->setFont(ProgramFont(QStringLiteral("Tahoma"), 12));
    labelAppDescription->setAlignment(Qt::AlignCenter);

    cmdSignIn = new ZelButton(this);
    cmdSignIn->setObjectName(QStringLiteral("cmdSignIn"));
    cmdSignIn->setText(QStringLiteral("&Continue"));
    cmdSignIn->setDefault(true);
    cmdQuit = new ZelButton(this);
    cmdQuit->setObjectName(QStringLiteral("cmdQuit"));
    cmdQuit->setText(QStringLiteral("Exit ") + AppTitle);
    for (ZelButton *b : {cmdSignIn, cmdQuit}) {
        b->setFont(ProgramFont(QStringLiteral("Verdana"), 9.75, true));
        b->setProgramLook();
        b->setMinimumSize(TwipsToPixels(2400), TwipsToPixels(500));
    }
    connect(cmdSignIn, &QPushButton::clicked, this, &frmTitlePage::cmdSignIn_Click);
    connect(cmdQuit, &QPushButton::clicked, this, &frmTitlePage::cmdQuit_Click);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdSignIn);
    buttons->addSpacing(TwipsToPixels(300));
    buttons->addWidget(cmdQuit);
    buttons->addStretch();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(TwipsToPixels(600), TwipsToPixels(600), TwipsToPixels(600),
                               TwipsToPixels(450));
    layout->addStretch();
    layout->addWidget(labelAppTitle);
    layout->addWidget(labelAppDescription);
    layout->addStretch();
    layout->addLayout(buttons);

    resize(TwipsToPixels(7200), TwipsToPixels(4200));
    TileBackground(BackgroundTile(), this);
}

void frmTitlePage::cmdSignIn_Click()
{
    // Until the user list and its sign-in exist, the built-in administrator
    // signs in with full access.
    CurrentUserName = QStringLiteral("Administrator");
    CurrentAccessLevel = 4;
    LogSignInOut(LogSignedIn);
    auto *main = new frmMain;
    main->setAttribute(Qt::WA_DeleteOnClose);
    main->show();
    // Leaves without its close question (that one ends the program).
    hide();
    deleteLater();
}

void frmTitlePage::cmdQuit_Click()
{
    QuitProgram(true);
}

void frmTitlePage::closeEvent(QCloseEvent *event)
{
    // The close box behaves as the Exit button.
    if (!ProgramEnding) {
        event->ignore();
        QuitProgram(true);
        return;
    }
    event->accept();
}
