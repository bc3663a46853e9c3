// Links and the manual, opened with the system's own programs.
#pragma once

#include "core/common/Desktop.h"

#include <QString>
#include <optional>

class DataSet;

// Opens a link with the system's default program: kind 1 "mailto:" +
// target (the vendor's address when empty), kind 2 "http://" + target (the
// vendor's web site when empty). What the person must be told when it
// could not; nothing when it was opened.
std::optional<MsgBoxRequest> OpenLink(int kind, const QString &target);
// The link OpenLink opens.
QString BuildLink(int kind, const QString &target);

// Opens the manual (title + ".PDF" in the data folder) with the system's
// viewer. What the person must be told when it is missing; nothing
// otherwise (a manual without a viewer is not reported).
std::optional<MsgBoxRequest> OpenManual(const DataSet &ds);
