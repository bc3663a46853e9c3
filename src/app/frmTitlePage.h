// The title window: the first window the person sees.
#pragma once

#include <QWidget>

class ZelButton;

class frmTitlePage : public QWidget
{
    Q_OBJECT
public:
    explicit frmTitlePage(QWidget *parent = nullptr);

    ZelButton *cmdSignIn = nullptr;
    ZelButton *cmdQuit = nullptr;

public slots:
    void cmdSignIn_Click();
    void cmdQuit_Click();

protected:
    void closeEvent(QCloseEvent *event) override;
};
