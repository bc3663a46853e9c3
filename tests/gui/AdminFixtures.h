// Fixtures of the administrative window tests: user records with their
// passwords, the files read back, opening the administrative
// window, and a helper that works a modal window while it is open.
#pragma once

#include "TestBytes.h"
#include "TestFiles.h"
#include "gui/controls/Grid.h"
#include "gui/windows/frmAdmin.h"

#include <QApplication>
#include <QDate>
#include <QFile>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace fixtures
{

// A user record holding password in its stored form.
inline QByteArray userWithPassword(double created, const QByteArray &first, const QByteArray &last,
                                   const QByteArray &password, qint16 level,
                                   const QByteArray &comments = QByteArray())
{
    return userBytes(created, first, last, storedPassword(password), level, comments);
}

inline void open(frmAdmin &w)
{
    w.show();
    QApplication::setActiveWindow(&w);
    QTRY_VERIFY(w.activatedOnce());
}

inline int rowOf(const Grid *grid, const QString &name)
{
    for (int r = 1; r < grid->Rows(); ++r) {
        if (grid->TextMatrix(r, 0) == name)
            return r;
    }
    return -1;
}

// Runs work on the modal window T once it is up, then closes it if work
// left it open, so a failing check never leaves the test waiting. It looks
// every 5 ms for 2 s without waiting in between: the window may be opened
// only after the program's own busy work, which runs in an event loop.
template <typename T> void whenModal(std::function<void(T *)> work, int looks = 400)
{
    QTimer::singleShot(5, [work, looks] {
        T *window = qobject_cast<T *>(QApplication::activeModalWidget());
        if (!window && looks > 0) {
            whenModal<T>(work, looks - 1);
            return;
        }
        if (!window) {
            QTest::qFail("the expected modal window did not open", __FILE__, __LINE__);
            return;
        }
        QApplication::setActiveWindow(window);
        work(window);
        if (window->isVisible())
            window->reject();
    });
}

} // namespace fixtures
