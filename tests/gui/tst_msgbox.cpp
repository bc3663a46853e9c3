// The message box window: keys, the close box, the check box, icons and
// beeps, wrapping, and the "Display issue" fallback.
#include "FakeDesktop.h"
#include "core/common/MsgBox.h"
#include "gui/controls/ZelButton.h"
#include "gui/platform/frmMsgBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QTest>

namespace
{

MsgBoxRequest request(QStringList buttons, int defaultButton = 1, bool offer = false,
                      QString text = QStringLiteral("Delete this entry?\r\nIt can not be undone."),
                      int icon = 3)
{
    MsgBoxRequest r;
    r.title = QStringLiteral("Delete entry?");
    r.icon = icon;
    r.text = text;
    r.defaultButton = defaultButton;
    r.offerDontShow = offer;
    r.buttons = buttons;
    return r;
}

} // namespace

class TestMsgBox : public QObject
{
    Q_OBJECT
private slots:
    void enterAndEscape()
    {
        TestEnvironment env;
        {
            frmMsgBox box(request({"&Okay"}));
            box.show();
            QVERIFY(QTest::qWaitForWindowActive(&box));
            QCOMPARE(box.windowTitle(), QStringLiteral("Delete entry?"));
            QVERIFY(box.button(1)->isDefault());
            QVERIFY(box.button(1)->hasFocus());
            QCOMPARE(box.button(1)->text(), QStringLiteral(" &Okay "));
            QTest::keyClick(&box, Qt::Key_Return);
            QVERIFY(!box.isVisible());
            QCOMPARE(box.answer().choice, 1);
        }
        {
            frmMsgBox box(request({"&Okay"}));
            box.show();
            QTest::keyClick(&box, Qt::Key_Escape);
            QVERIFY(!box.isVisible());
            QCOMPARE(box.answer().choice, 0);
        }
        {
            // Default button 2 of 3: Enter presses it; the access key of
            // button 3 presses that one.
            frmMsgBox box(request({"&Yes, delete this entry", "&No, keep it", "&Help"}, 2));
            box.show();
            QVERIFY(QTest::qWaitForWindowActive(&box));
            QVERIFY(box.button(2)->hasFocus());
            QTest::keyClick(&box, Qt::Key_Enter);
            QCOMPARE(box.answer().choice, 2);
        }
        {
            frmMsgBox box(request({"&Yes, delete this entry", "&No, keep it", "&Help"}, 2));
            box.show();
            QVERIFY(QTest::qWaitForWindowActive(&box));
            QTest::keyClick(&box, Qt::Key_H, Qt::AltModifier);
            // An access key clicks the button after its pressed look shows.
            QTRY_COMPARE(box.answer().choice, 3);
        }
    }

    void closeBoxAndDefaultOutOfRange()
    {
        TestEnvironment env;
        {
            // The tick counts whatever closes the box: the close box and Esc
            // as much as a button.
            frmMsgBox closed(request({"&Yes", "&No"}, 1, true));
            closed.show();
            closed.dontAskBox()->setChecked(true);
            closed.close();
            QCOMPARE(closed.answer().choice, 0);
            QCOMPARE(closed.answer().dontShow, true);

            frmMsgBox escaped(request({"&Yes", "&No"}, 1, true));
            escaped.show();
            QVERIFY(QTest::qWaitForWindowActive(&escaped));
            QTest::mouseClick(escaped.dontAskBox(), Qt::LeftButton, {}, QPoint(5, 5));
            QTest::keyClick(&escaped, Qt::Key_Escape);
            QVERIFY(!escaped.isVisible());
            QCOMPARE(escaped.answer().choice, 0);
            QCOMPARE(escaped.answer().dontShow, true);

            frmMsgBox unticked(request({"&Yes", "&No"}, 1, true));
            unticked.show();
            QTest::keyClick(&unticked, Qt::Key_Escape);
            QCOMPARE(unticked.answer().dontShow, false);

            // Through the service: the tick of a box closed without a
            // button reaches the caller; a box without the offer never
            // reports one.
            env.desktop.answerMsgBox(0, true);
            QCOMPARE(ShowMsgBox(request({"&Yes", "&No"}, 1, true)).dontShow, true);
            env.desktop.answerMsgBox(0, true);
            QCOMPARE(ShowMsgBox(request({"&Yes", "&No"}, 1, false)).dontShow, false);
        }
        {
            // A default that names no button: Enter presses nothing, a
            // click still works.
            frmMsgBox box(request({"&Yes", "&No"}, 7));
            box.show();
            QVERIFY(!box.button(1)->isDefault() && !box.button(2)->isDefault());
            QTest::keyClick(&box, Qt::Key_Return);
            QVERIFY(box.isVisible());
            QTest::mouseClick(box.button(2), Qt::LeftButton);
            QCOMPARE(box.answer().choice, 2);
        }
    }

    void dontShowBox()
    {
        TestEnvironment env;
        frmMsgBox plain(request({"&Yes", "&No"}));
        frmMsgBox offered(request({"&Yes", "&No"}, 1, true));
        QVERIFY(plain.dontAskBox()->isHidden());
        QVERIFY(!offered.dontAskBox()->isHidden());
        QCOMPARE(offered.dontAskBox()->text(), QStringLiteral("Don't show this again"));
        // 300 twips taller: 20 pixels at 96 DPI.
        QCOMPARE(offered.height() - plain.height(), 20);
        // At left 100 twips, 100 twips below the buttons.
        QCOMPARE(offered.dontAskBox()->x(), 7);
        const QRect b1 = offered.button(1)->geometry();
        QVERIFY(qAbs(offered.dontAskBox()->y() - (b1.bottom() + 1 + 7)) <= 1);

        offered.show();
        QTest::mouseClick(offered.dontAskBox(), Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(offered.dontAskBox()->isChecked());
        QTest::mouseClick(offered.button(1), Qt::LeftButton);
        QCOMPARE(offered.answer().choice, 1);
        QCOMPARE(offered.answer().dontShow, true);
    }

    void buttonRow()
    {
        TestEnvironment env;
        frmMsgBox box(request({"&Yes", "&Let's start over with a new data file", "&Quit"}));
        const MsgBoxLayout &l = box.layout();
        // Widths follow the captions; the gaps are 100 twips; the row is
        // centred on window width / 2 - T / 2.
        QVERIFY(l.buttonWidth[1] > l.buttonWidth[0] && l.buttonWidth[0] > 0);
        QCOMPARE(l.buttonLeft[1], l.buttonLeft[0] + l.buttonWidth[0] + 100);
        QCOMPARE(l.buttonLeft[2], l.buttonLeft[1] + l.buttonWidth[1] + 100);
        QCOMPARE(l.rowTotal, l.buttonWidth[0] + l.buttonWidth[1] + l.buttonWidth[2] + 300);
        QCOMPARE(l.buttonLeft[0], std::nearbyint(l.windowWidth / 2 - l.rowTotal / 2));
        for (int i = 1; i <= 3; ++i) {
            QCOMPARE(box.button(i)->height(), 27); // 400 twips
            QVERIFY(!box.button(i)->isHidden());
        }
        // The template lies outside the window, where Esc still reaches it.
        QVERIFY(box.button(0)->geometry().right() < 0);
        QCOMPARE(box.messageLabel()->pos(), QPoint(52, 17));
    }

    void iconsAndBeeps()
    {
        TestEnvironment env;
        const QList<QPair<int, Beep>> cases = {{0, Beep::Default},     {1, Beep::Default},
                                               {2, Beep::Hand},        {3, Beep::Question},
                                               {4, Beep::Exclamation}, {5, Beep::Asterisk}};
        for (const auto &c : cases) {
            env.desktop.beeps.clear();
            frmMsgBox box(request({"&Okay"}, 1, false, "x", c.first));
            box.show();
            QCOMPARE(env.desktop.beeps, QList<Beep>({c.second}));
            QLabel *icon = box.findChild<QLabel *>("imgIcon");
            QVERIFY(icon && !icon->isHidden());
            QCOMPARE(icon->geometry(), QRect(9, 10, 32, 32));
        }
        env.desktop.beeps.clear();
        frmMsgBox silent(request({"&Okay"}, 1, false, "x", 7));
        silent.show();
        QVERIFY(env.desktop.beeps.isEmpty());
        QVERIFY(silent.findChild<QLabel *>("imgIcon")->isHidden());
    }

    void wrappingAndDisplayIssue()
    {
        TestEnvironment env;
        env.desktop.setScreen({1024, 768});
        // One fifth of a 1024-pixel screen is about 204 pixels.
        const QString longLine = QString("word ").repeated(60).trimmed();
        frmMsgBox wrapped(request({"&Okay"}, 1, false, longLine));
        frmMsgBox single(request({"&Okay"}, 1, false, "word"));
        QVERIFY(wrapped.layout().wordWrap);
        QCOMPARE(wrapped.layout().labelWidth, 2.0 * std::floor(15360.0 / 10));
        QVERIFY(wrapped.height() > single.height() + 40);
        QVERIFY(!single.layout().wordWrap);

        // A message taller than the screen: the system's box says so and
        // the caller gets 0.
        env.desktop.setScreen({640, 200});
        const QString tall = QString("line\r\n").repeated(40);
        const MsgBoxAnswer a = frmMsgBox::Run(request({"&Okay"}, 1, false, tall));
        QCOMPARE(a.choice, 0);
        QCOMPARE(env.desktop.systemBoxes.size(), 1);
        QCOMPARE(env.desktop.systemBoxes.first().first, QStringLiteral("Display issue"));
        QCOMPARE(env.desktop.systemBoxes.first().second,
                 QStringLiteral("Custorin is trying to display a message\r\nthat is too big for "
                                "your screen resolution.\r\n\r\nPlease contact the Custorin "
                                "developers about this."));
        QVERIFY(QApplication::topLevelWidgets().isEmpty() || !QApplication::activeModalWidget());
    }
};

QTEST_MAIN(TestMsgBox)
#include "tst_msgbox.moc"
