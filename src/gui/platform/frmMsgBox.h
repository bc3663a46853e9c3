// The message box window: the text, a row of the caller's own buttons, an
// optional "Don't show this again" box, laid out around the text.
#pragma once

#include "core/common/Desktop.h"
#include "core/common/MsgBox.h"

#include <QDialog>
#include <QVector>

class QCheckBox;
class QFrame;
class QLabel;
class ZelButton;

class frmMsgBox : public QDialog
{
    Q_OBJECT
public:
    explicit frmMsgBox(const MsgBoxRequest &request, QWidget *parent = nullptr);

    // Shows the request modally; when it would not fit the screen, the
    // system's box says so instead and the answer is 0.
    static MsgBoxAnswer Run(const MsgBoxRequest &request);

    const MsgBoxLayout &layout() const { return m_layout; }
    MsgBoxAnswer answer() const { return m_answer; }
    ZelButton *button(int number) const; // 0 is the template (Esc)
    QLabel *messageLabel() const { return m_label; }
    QCheckBox *dontAskBox() const { return m_check; }

protected:
    void showEvent(QShowEvent *event) override;
    void reject() override;

private:
    void buildControls();
    bool measure();
    void placeMessage();
    void placeIcon();
    void placeBandAndCheck();
    void cmdMessageButton_Click(int number);
    void placeDefaultButton();

    MsgBoxRequest m_request;
    MsgBoxLayout m_layout;
    MsgBoxAnswer m_answer;
    QLabel *m_label = nullptr;
    QLabel *m_icon = nullptr;
    QCheckBox *m_check = nullptr;
    QFrame *m_band = nullptr;
    QVector<ZelButton *> m_buttons; // index 0 is the template
};
