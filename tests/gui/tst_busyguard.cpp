// The busy window: the hourglass, and no input reaching the window while
// file work runs, without changing the look of its controls.
#include "gui/platform/BusyGuard.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <memory>

namespace
{

struct TwoWindows {
    std::unique_ptr<QWidget> busy = std::make_unique<QWidget>();
    QPushButton *button = new QPushButton(QStringLiteral("&Go"), busy.get());
    QLineEdit *edit = new QLineEdit(busy.get());
    std::unique_ptr<QLineEdit> other = std::make_unique<QLineEdit>();

    TwoWindows()
    {
        auto *layout = new QVBoxLayout(busy.get());
        layout->addWidget(button);
        layout->addWidget(edit);
        busy->show();
        other->show();
    }
};

bool hourglassShown()
{
    return QApplication::overrideCursor() &&
           QApplication::overrideCursor()->shape() == Qt::WaitCursor;
}

} // namespace

class TestBusyGuard : public QObject
{
    Q_OBJECT

private slots:
    void inputIsHeldOffOnlyWhileBusy()
    {
        TwoWindows w;
        QSignalSpy clicked(w.button, &QPushButton::clicked);
        {
            BusyGuard busy(w.busy.get());
            QVERIFY(hourglassShown());
            QTest::mouseClick(w.button, Qt::LeftButton);
            QTest::keyClicks(w.edit, QStringLiteral("abc"));
            QTest::keyClick(w.button, Qt::Key_Space);
            QCOMPARE(clicked.count(), 0);
            QCOMPARE(w.edit->text(), QString());
            // The controls keep their look: nothing is disabled.
            QVERIFY(w.busy->isEnabled() && w.button->isEnabled() && w.edit->isEnabled());
            // Another window takes input as usual.
            QTest::keyClicks(w.other.get(), QStringLiteral("xy"));
            QCOMPARE(w.other->text(), QStringLiteral("xy"));
        }
        QVERIFY(!QApplication::overrideCursor());
        QTest::mouseClick(w.button, Qt::LeftButton);
        QTest::keyClicks(w.edit, QStringLiteral("abc"));
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(w.edit->text(), QStringLiteral("abc"));
    }

    void accessKeysAreHeldOffToo()
    {
        TwoWindows w;
        QSignalSpy clicked(w.button, &QPushButton::clicked);
        w.other->hide();
        w.busy->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.busy.get()));
        {
            BusyGuard busy(w.busy.get());
            QTest::keyClick(w.busy.get(), Qt::Key_G, Qt::AltModifier);
            QTest::qWait(300); // an access key clicks once its pressed look has shown
            QCOMPARE(clicked.count(), 0);
        }
        QTest::keyClick(w.busy.get(), Qt::Key_G, Qt::AltModifier);
        QTRY_COMPARE(clicked.count(), 1);
    }

    void releaseEndsItEarlyAndOnce()
    {
        TwoWindows w;
        QSignalSpy clicked(w.button, &QPushButton::clicked);
        BusyGuard outer(w.busy.get());
        {
            BusyGuard inner(w.busy.get());
            inner.release();
            QVERIFY(hourglassShown()); // the outer guard still holds
            QTest::mouseClick(w.button, Qt::LeftButton);
            QCOMPARE(clicked.count(), 0);
        } // a released guard leaves the outer one alone
        QVERIFY(hourglassShown());
        outer.release();
        outer.release();
        QVERIFY(!QApplication::overrideCursor());
        QTest::mouseClick(w.button, Qt::LeftButton);
        QCOMPARE(clicked.count(), 1);
    }

    void theProgramMayStillCloseTheWindow()
    {
        TwoWindows w;
        BusyGuard busy(w.busy.get());
        QVERIFY(w.busy->close());
        QVERIFY(!w.busy->isVisible());
    }

    void aWindowDeletedWhileBusyLeavesNothingBehind()
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
};

QTEST_MAIN(TestBusyGuard)
#include "tst_busyguard.moc"
