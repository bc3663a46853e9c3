#pragma once

#include <QWidget>

// Makes a window busy while long file work runs: the hourglass pointer,
// and no mouse, keyboard or close-box input reaches the window or its
// controls (the work may wait for the folder lock and let other events
// through meanwhile). The controls keep their look, as a disabled window's
// do on the desktop, so nothing is repainted for it. Both come back on every
// way out (or earlier, by release()).
class BusyGuard
{
public:
    explicit BusyGuard(QWidget *window);
    ~BusyGuard();
    BusyGuard(const BusyGuard &) = delete;
    BusyGuard &operator=(const BusyGuard &) = delete;
    void release();

private:
    class InputBlocker;
    InputBlocker *m_blocker = nullptr;
};
