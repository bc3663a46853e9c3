#include "admin/frmAdmin.h"

// Sign-in, the user grid and administration are built on this shell.
frmAdmin::frmAdmin(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmAdmin"));
}

frmAdmin::~frmAdmin() = default;
