// Where a data folder keeps its inventories: one side file each,
// "Inventories/<id>.txt" (FolderStore's inventory methods).
#pragma once

#include "core/common/DataSet.h"

#include <QString>

// The folder of the side files, and one file by its id.
QString InventoriesFolder(const DataSet &ds);
QString InventoryFilePath(const DataSet &ds, const QString &id);
