// The data set, as an inventory reaches it.
//
// What an inventory needs of the open data set besides its store: the
// person, the workstation and the time.
#pragma once

#include "core/common/DataSet.h"
#include "core/common/Desktop.h"

#include <QDateTime>
#include <QString>

namespace dataset
{

QString person(const DataSet &ds);
QString workstation(const DataSet &ds);
QDateTime now();

} // namespace dataset
