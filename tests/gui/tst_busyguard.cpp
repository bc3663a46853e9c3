// The busy window: the hourglass, and no input reaching the window while
// file work runs (access keys included), without changing the look of its
// controls; nested guards, release, and a window closed or deleted busy.
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

class TestBusyGuard : public QObject
{
    Q_OBJECT

private slots:
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

    void closedOrDeletedWhileBusy()
    {
        auto w = std::make_unique<TwoWindows>();
        {
            // The program may still close the window.
            BusyGuard busy(w->busy.get());
            QVERIFY(w->busy->close() && !w->busy->isVisible());
        }
        w->busy->show();
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
