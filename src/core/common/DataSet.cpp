#include "core/common/DataSet.h"

#include <QDir>

DataSet::DataSet(const QString &folder, DataSetOptions opts)
    : options(std::move(opts)), m_folder(folder.isEmpty() ? QString() : QDir(folder).absolutePath())
{
}

DataSet::~DataSet() = default;

QString DataSet::path(const QString &bareName) const
{
    if (m_folder.isEmpty())
        return QDir::current().absoluteFilePath(bareName);
    return QDir(m_folder).absoluteFilePath(bareName);
}

QString DataPath(const DataSet &ds, const QString &bareName)
{
    return ds.path(bareName);
}
