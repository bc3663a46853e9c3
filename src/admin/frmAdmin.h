// The administrative window: sign-in, and behind the administrative access
// code the user list, the logs and backup.
#pragma once

#include <QWidget>

class frmAdmin : public QWidget
{
    Q_OBJECT
public:
    explicit frmAdmin(QWidget *parent = nullptr);
    ~frmAdmin() override;
};
