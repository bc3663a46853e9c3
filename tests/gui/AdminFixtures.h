// Fixtures of the administrative window tests: user records written byte by
// byte at their offsets, the log files read back, and a helper that works
// a modal window while it is open.
#pragma once

#include <QApplication>
#include <QDate>
#include <QFile>
#include <QTest>
#include <QTimer>
#include <QWidget>
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
    QByteArray b = text.left(width);
    b.append(QByteArray(width - b.size(), ' '));
    return b;
}

// One 500-byte user record: date at 0 (8-byte double, little-endian), first
// name at 8 (15), last name at 23 (20), stored password at 43 (16: a filler
// "Q" before each character), access level at 59 (16-bit), comments at 61.
inline QByteArray userBytes(double created, const QByteArray &first, const QByteArray &last,
                            const QByteArray &password, qint16 level,
                            const QByteArray &comments = QByteArray())
{
    QByteArray r(500, ' ');
    const quint64 bits = [&] {
        quint64 b;
        std::memcpy(&b, &created, 8);
        return b;
    }();
    for (int i = 0; i < 8; ++i)
        r[i] = char((bits >> (8 * i)) & 0xFF);
    r.replace(8, 15, padded(first, 15));
    r.replace(23, 20, padded(last, 20));
    QByteArray stored;
    for (char c : password) {
        stored.append('Q');
        stored.append(c);
    }
    r.replace(43, 16, padded(stored, 16));
    r[59] = char(level & 0xFF);
    r[60] = char((level >> 8) & 0xFF);
    r.replace(61, 439, padded(comments, 439));
    return r;
}

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), qint64(bytes.size()));
}

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
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
