// Fixtures of the administrative window tests: user records written byte by
// byte at their offsets, the files read back, opening the administrative
// window, and a helper that works a modal window while it is open.
#pragma once

#include "TestFiles.h"
#include "gui/controls/Grid.h"
#include "gui/windows/frmAdmin.h"

#include <QApplication>
#include <QDate>
#include <QFile>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <QtEndian>
#include <cstring>
#include <functional>

namespace fixtures
{

inline double oleDate(int y, int m, int d, int hh = 0, int mm = 0)
{
    return double(QDate(1899, 12, 30).daysTo(QDate(y, m, d))) + (hh * 60 + mm) / 1440.0;
}

inline QByteArray padded(const QByteArray &text, int width)
{
    return text.left(width).leftJustified(width, ' ');
}

// One 500-byte user record: date at 0 (8-byte double, little-endian), first
// name at 8 (15), last name at 23 (20), stored password at 43 (16: a filler
// "Q" before each character), access level at 59 (16-bit), comments at 61.
inline QByteArray userBytes(double created, const QByteArray &first, const QByteArray &last,
                            const QByteArray &password, qint16 level,
                            const QByteArray &comments = QByteArray())
{
    quint64 bits;
    std::memcpy(&bits, &created, 8);
    QByteArray r(8, '\0');
    qToLittleEndian(bits, r.data());
    QByteArray stored;
    for (char c : password)
        stored.append('Q').append(c);
    r += padded(first, 15) + padded(last, 20) + padded(stored, 16);
    r.append(char(level & 0xFF)).append(char((level >> 8) & 0xFF));
    return r + padded(comments, 439);
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
// left it open, so a failing check never leaves the test waiting.
template <typename T> void whenModal(std::function<void(T *)> work)
{
    QTimer::singleShot(0, [work] {
        T *window = nullptr;
        for (int i = 0; i < 200 && !window; ++i) {
            window = qobject_cast<T *>(QApplication::activeModalWidget());
            if (!window)
                QTest::qWait(5);
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
