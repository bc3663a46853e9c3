// Fixtures of the administrative window tests: user records with their
// passwords, the files read back, opening the administrative window.
#pragma once

#include "MainFixtures.h"
#include "TestBytes.h"
#include "TestFiles.h"
#include "gui/controls/Grid.h"
#include "gui/windows/frmAdmin.h"

#include <QApplication>
#include <QDate>
#include <QFile>
#include <QTest>
#include <QWidget>

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

} // namespace fixtures
