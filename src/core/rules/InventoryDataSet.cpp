#include "core/rules/InventoryDataSet.h"

#include "core/common/FolderLock.h"

namespace dataset
{

QString person(const DataSet &ds)
{
    return ds.session().CurrentUserName;
}

QString workstation(const DataSet &ds)
{
    return WorkstationName(ds);
}

QDateTime now()
{
    return desktop().now();
}

} // namespace dataset
