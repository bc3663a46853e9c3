#include "controls/ZelButton.h"

ZelButton::ZelButton(QWidget *parent) : QPushButton(parent) {}
