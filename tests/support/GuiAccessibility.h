// What assistive technology does to a control, through the accessibility
// interface that screen readers and automation use; what the pointer shows.
#pragma once

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QCursor>
#include <QTest>
#include <QWidget>

// A screen reader's "Toggle" on an option or check box: the box changes
// without being clicked.
inline void toggleAsScreenReader(QWidget *control)
{
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(control);
    QVERIFY(face && face->actionInterface());
    QVERIFY(face->actionInterface()->actionNames().contains(
        QAccessibleActionInterface::toggleAction()));
    face->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
}

inline bool hourglassShown()
{
    return QApplication::overrideCursor() &&
           QApplication::overrideCursor()->shape() == Qt::WaitCursor;
}
