// Names the row of a table-driven test when one of its checks fails (the
// failing check returns from the test, which ends the row's scope).
#pragma once

#include <QTest>

struct RowName {
    explicit RowName(const QString &name) : m_name(name) {}
    ~RowName()
    {
        if (QTest::currentTestFailed())
            qWarning("in row: %s", qPrintable(m_name));
    }
    QString m_name;
};
