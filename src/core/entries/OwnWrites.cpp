#include "core/entries/OwnWrites.h"

namespace
{

constexpr int MaxKept = 64;

} // namespace

void NoteOwnWrite(DataSet &ds, const std::optional<FileStamp> &before,
                  const std::optional<FileStamp> &after)
{
    QList<OwnWrite> &writes = ds.ownWrites;
    writes.append({before, after});
    while (writes.size() > MaxKept)
        writes.removeFirst();
}

bool TakeOwnChange(DataSet &ds, const std::optional<FileStamp> &from,
                   const std::optional<FileStamp> &to)
{
    QList<OwnWrite> &writes = ds.ownWrites;
    std::optional<FileStamp> at = from;
    for (const OwnWrite &w : writes) {
        // A write that started from another stamp followed another
        // workstation's: the chain does not go on through it.
        if (w.before == at)
            at = w.after;
    }
    writes.clear();
    return at == to;
}

QList<OwnWrite> PendingOwnWrites(const DataSet &ds)
{
    return ds.ownWrites;
}

void ForgetOwnWrites(DataSet &ds)
{
    ds.ownWrites.clear();
}
