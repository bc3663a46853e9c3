// The Refresh button's right-click menu and the main window's small
// information boxes: the Refresh button's explanation, the signed-in
// person and the program's version.
#pragma once

#include "core/common/Desktop.h"

#include <QString>

// The menu: its caption and items 1 to 6 (2 and 5 are separators, whose
// captions are empty).
inline const QString RefreshMenuCaption = QStringLiteral("Refresh Sounds options");
constexpr int RefreshMenuItemCount = 6;
QString RefreshMenuItemCaption(int index);
bool RefreshMenuItemIsSeparator(int index);
// Whether item index may be chosen while the sound is on or off: "Enable"
// (3) only while it is off, "Disable" (4) only while 3 may not be chosen.
bool RefreshMenuItemEnabled(int index, bool soundOn);

// The box of item 1: what the Refresh button's flashing means.
MsgBoxRequest RefreshButtonInfoBox();
// The signed-in person's name and access level.
MsgBoxRequest UserInformationBox(const QString &userName, int accessLevel);
// The program's title, version (major.minor.revision of the build), its
// one-line description and its legal notice after "©".
MsgBoxRequest AboutBox();
