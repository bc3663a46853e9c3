// The owner-drawn push button used for every command button.
#pragma once

#include <QPushButton>

class ZelButton : public QPushButton
{
    Q_OBJECT
public:
    explicit ZelButton(QWidget *parent = nullptr);
};
