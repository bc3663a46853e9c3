// The message box window (keys, the close box, the tick, icons and beeps,
// the "Display issue" fallback) and the busy guard (no input reaches a busy
// window, its controls keep their look; nesting, release, closing).
#include "FakeDesktop.h"
#include "core/common/ActivityLog.h"
#include "core/common/FolderLock.h"
#include "gui/controls/ZelButton.h"
#include "gui/platform/BusyGuard.h"
#include "gui/platform/Presenter.h"
#include "gui/platform/ShowMsgBox.h"
#include "gui/platform/WindowLook.h"
#include "gui/platform/frmMsgBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <memory>

namespace
{

MsgBoxRequest request(QStringList buttons, int defaultButton = 1, bool offer = false,
                      QString text = QStringLiteral("Delete this entry?"), int icon = 3)
{
    return MsgBoxRequest{
        QStringLiteral("Delete entry?"), icon, text, defaultButton, offer, buttons};
}

// The answer after the box was shown and worked by keys or the mouse.
MsgBoxAnswer answerTo(const MsgBoxRequest &r, const std::function<void(frmMsgBox &)> &work)
{
    frmMsgBox box(r);
    box.show();
    if (!QTest::qWaitForWindowActive(&box))
        return {-1, false};
    work(box);
    QTest::qWait(300); // an access key clicks once its pressed look has shown
    return box.isVisible() ? MsgBoxAnswer{-2, false} : box.answer();
}

QString text(MsgBoxAnswer a)
{
    return QStringLiteral("%1 %2").arg(a.choice).arg(a.dontShow);
}

struct TwoWindows {
    std::unique_ptr<QWidget> busy = std::make_unique<QWidget>();
    QPushButton *button = new QPushButton(QStringLiteral("&Go"), busy.get());
    QLineEdit *edit = new QLineEdit(busy.get());
    std::unique_ptr<QLineEdit> other = std::make_unique<QLineEdit>();
    QSignalSpy clicked{button, &QPushButton::clicked};

    TwoWindows()
    {
        auto *layout = new QVBoxLayout(busy.get());
        layout->addWidget(button);
        layout->addWidget(edit);
        busy->show();
        other->show();
    }
    // Every way of pressing the button and typing; how often it was pressed.
    int pressAndType()
    {
        QTest::mouseClick(button, Qt::LeftButton);
        QTest::keyClick(button, Qt::Key_Space);
        QTest::keyClicks(edit, QStringLiteral("abc"));
        busy->activateWindow();
        if (QTest::qWaitForWindowActive(busy.get())) {
            QTest::keyClick(busy.get(), Qt::Key_G, Qt::AltModifier);
            QTest::qWait(300); // an access key clicks once its pressed look has shown
        }
        return int(clicked.count());
    }
};

bool hourglassShown()
{
    return QApplication::overrideCursor() &&
           QApplication::overrideCursor()->shape() == Qt::WaitCursor;
}

} // namespace

class TestPlatform : public QObject
{
    Q_OBJECT
private slots:
    // Enter presses the default, Esc and the close box give 0, an access
    // key its button; the tick counts whatever closes the box; a default
    // that names no button leaves Enter pressing nothing.
    void keysMouseAndTheTick()
    {
        TestEnvironment env;
        const QStringList three{"&Yes, delete this entry", "&No, keep it", "&Help"};
        const auto key = [](Qt::Key k, Qt::KeyboardModifiers m = {}) {
            return [k, m](frmMsgBox &b) { QTest::keyClick(&b, k, m); };
        };
        const auto tick = [](frmMsgBox &b) {
            QTest::mouseClick(b.dontAskBox(), Qt::LeftButton, {}, QPoint(5, 5));
        };
        QCOMPARE(text(answerTo(request({"&Okay"}), key(Qt::Key_Return))), QStringLiteral("1 0"));
        QCOMPARE(text(answerTo(request(three, 2), key(Qt::Key_Enter))), QStringLiteral("2 0"));
        QCOMPARE(text(answerTo(request(three, 2), key(Qt::Key_H, Qt::AltModifier))),
                 QStringLiteral("3 0"));
        QCOMPARE(text(answerTo(request({"&Yes", "&No"}, 1, true),
                               [&](frmMsgBox &b) {
                                   tick(b);
                                   QTest::keyClick(&b, Qt::Key_Escape);
                               })),
                 QStringLiteral("0 1"));
        QCOMPARE(text(answerTo(request({"&Yes", "&No"}, 1, true),
                               [&](frmMsgBox &b) {
                                   tick(b);
                                   QTest::mouseClick(b.button(1), Qt::LeftButton);
                               })),
                 QStringLiteral("1 1"));
        QCOMPARE(text(answerTo(request({"&Yes", "&No"}, 7),
                               [](frmMsgBox &b) {
                                   QTest::keyClick(&b, Qt::Key_Return);
                                   if (b.isVisible())
                                       QTest::mouseClick(b.button(2), Qt::LeftButton);
                               })),
                 QStringLiteral("2 0"));
        // Through the service: a box without the offer never reports a tick.
        env.desktop.answerMsgBox(0, true);
        QCOMPARE(ShowMsgBox(request({"&Yes", "&No"}, 1, true)).dontShow, true);
        env.desktop.answerMsgBox(0, true);
        QCOMPARE(ShowMsgBox(request({"&Yes", "&No"}, 1, false)).dontShow, false);
        // An answer naming no button is taken as no button.
        env.desktop.answerMsgBox(3);
        QCOMPARE(ShowMsgBox("T", 2, "x", 1, false, {"&Okay", "&Cancel"}).choice, 0);
    }

    void iconsBeepsAndTheTickBox()
    {
        TestEnvironment env;
        for (int icon : {0, 1, 2, 3, 4, 5, 7}) { // 7: no icon, no beep
            frmMsgBox box(request({"&Okay"}, 1, false, "x", icon));
            box.show();
            QLabel *image = box.findChild<QLabel *>("imgIcon");
            QCOMPARE(image && !image->isHidden(), icon <= 5);
        }
        QCOMPARE(env.desktop.beeps,
                 QList<Beep>({Beep::Default, Beep::Default, Beep::Hand, Beep::Question,
                              Beep::Exclamation, Beep::Asterisk}));
        // The tick box only when offered.
        frmMsgBox plain(request({"&Yes", "&No"}));
        frmMsgBox offered(request({"&Yes", "&No"}, 1, true));
        QVERIFY(plain.dontAskBox()->isHidden() && !offered.dontAskBox()->isHidden());
        QCOMPARE(offered.dontAskBox()->text(), QStringLiteral("Don't show this again"));
    }

    // A message taller than the screen: the system's box says so and the
    // caller gets 0.
    void displayIssue()
    {
        TestEnvironment env;
        env.desktop.setScreen({640, 200});
        const MsgBoxAnswer a =
            frmMsgBox::Run(request({"&Okay"}, 1, false, QString("line\r\n").repeated(40)));
        QCOMPARE(a.choice, 0);
        QCOMPARE(env.desktop.systemBoxes,
                 (QList<QPair<QString, QString>>{
                     {"Display issue", "Custorin is trying to display a message\r\nthat is too "
                                       "big for your screen resolution.\r\n\r\nPlease contact "
                                       "the Custorin developers about this."}}));
    }

    // The pictures drawn from the SVG files of the resources: their size,
    // clear around the figure, and one colour of the figure each.
    void svgPictures_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("done") << "entry-done" << QSize(30, 30) << QPoint(15, 6)
                              << QColor(40, 140, 70);
        QTest::newRow("help") << "entry-help" << QSize(30, 30) << QPoint(15, 6)
                              << QColor(32, 96, 176);
        QTest::newRow("find help")
            << "find-help" << QSize(24, 24) << QPoint(12, 3) << QColor(60, 110, 200);
        QTest::newRow("glass handle")
            << "find" << QSize(32, 32) << QPoint(24, 24) << QColor(90, 60, 30);
        QTest::newRow("twice as large")
            << "find" << QSize(64, 64) << QPoint(48, 48) << QColor(90, 60, 30);
        QTest::newRow("shield star")
            << "title-shield" << QSize(76, 94) << QPoint(38, 44) << QColor(236, 208, 128);
    }

    void svgPictures()
    {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        QFETCH(QPoint, point);
        QFETCH(QColor, colour);
        const QImage image = SvgPicture(":/icons/" + name + ".svg", size).toImage();
        QCOMPARE(image.size(), size);
        QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
        QCOMPARE(image.pixelColor(point), colour);
    }

    // The background repeats the texture from the top-left corner, also
    // over what the window grew by after it was set.
    void backgroundTexture()
    {
        QWidget window;
        window.resize(100, 100);
        TileBackground(BackgroundTile(), &window);
        window.resize(300, 200);
        const QImage shown = window.grab().toImage();
        const QImage tile = BackgroundTile().toImage();
        for (const QPoint p : {QPoint(10, 20), QPoint(99, 99), QPoint(250, 150), QPoint(299, 199)})
            QCOMPARE(shown.pixel(p), tile.pixel(p.x() % tile.width(), p.y() % tile.height()));
    }

    void inputIsHeldOffOnlyWhileBusy()
    {
        TwoWindows w;
        {
            BusyGuard busy(w.busy.get());
            {
                BusyGuard inner(w.busy.get());
                inner.release();
            } // a released nested guard leaves the outer one holding
            QVERIFY(hourglassShown());
            QCOMPARE(w.pressAndType(), 0);
            QCOMPARE(w.edit->text(), QString());
            // The controls keep their look: nothing is disabled.
            QVERIFY(w.busy->isEnabled() && w.button->isEnabled() && w.edit->isEnabled());
            // Another window takes input as usual.
            QTest::keyClicks(w.other.get(), QStringLiteral("xy"));
            QCOMPARE(w.other->text(), QStringLiteral("xy"));
            busy.release();
            busy.release();
            QVERIFY(!QApplication::overrideCursor());
        }
        QCOMPARE(w.pressAndType(), 3);
        QCOMPARE(w.edit->text(), QStringLiteral("abc"));
    }

    void deletedWhileBusy()
    {
        auto w = std::make_unique<TwoWindows>();
        QLineEdit *other = w->other.release();
        BusyGuard busy(w->busy.get());
        w.reset();
        QTest::keyClicks(other, QStringLiteral("z"));
        QCOMPARE(other->text(), QStringLiteral("z"));
        busy.release();
        QVERIFY(!QApplication::overrideCursor());
        delete other;
    }

    // What the core no longer asks, the presenter does: the busy folder
    // (Retry runs the work again), a file that will not open, and a question
    // from a worker thread, shown on the GUI thread.
    void presenterAsksForTheCore()
    {
        TestEnvironment env;
        env.data.options.LockWaitMs = 50;
        env.data.options.HostNameOverride = "ws-front";
        env.session.CurrentUserName = "Lee Carter";
        FolderLock other(env.data);
        QVERIFY(other.tryAcquire());
        env.desktop.answerMsgBox(1, false, "Data folder busy");
        env.desktop.answerMsgBox(2, false, "Data folder busy");
        int runs = 0;
        UserRecord pat;
        pat.FirstName = "Pat";
        const UserResult r = RunUserChange(nullptr, env.data, [&] {
            ++runs;
            return AppendUser(env.data, pat);
        });
        QCOMPARE(r, UserResult::Cancelled);
        QCOMPARE(runs, 2);
        QCOMPARE(env.desktop.msgBoxes.value(1).text,
                 "Another workstation is saving changes to the\r\ndata files in this folder "
                 "right now:\r\nLee Carter at workstation 'ws-front'.\r\n\r\nNothing has "
                 "been changed yet.");
        other.release();
        QVERIFY(RunLocked(nullptr, env.data, [&] { LogSignInOut(env.data, LogSignedIn); }));
        QCOMPARE(env.desktop.msgBoxes.size(), 2);

        QVERIFY(QDir(env.folder()).mkdir("User.List"));
        env.data.options.UserFileOpenRetryMs = 0;
        env.desktop.answerMsgBox(1, false, "User file not available");
        env.desktop.answerMsgBox(2, false, "User file not available");
        QVERIFY(!OpenUsers(env.store));
        QCOMPARE(env.desktop.msgBoxes.size(), 4);
        QCOMPARE(env.desktop.pendingAnswers(), 0);

        QThread *askedOn = nullptr;
        env.desktop.answerMsgBoxWith([&](const MsgBoxRequest &) {
            askedOn = QThread::currentThread();
            return MsgBoxAnswer{2, false};
        });
        AskThroughWindows(env.data);
        int answer = 0;
        RunBusy(nullptr, [&] { answer = env.data.ask(request({"&Yes", "&No"})); });
        QCOMPARE(answer, 2);
        QCOMPARE(askedOn, QThread::currentThread());
    }
};

QTEST_MAIN(TestPlatform)
#include "tst_platform.moc"
