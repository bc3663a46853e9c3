// The start of the program, after the command line has been read.
#pragma once

#include "core/common/Session.h"
#include "core/common/Startup.h"
#include "core/store/Store.h"

#include <memory>

class QApplication;

// What the running program works on: the data folder's data set, the
// person's session and the store over the data set: the folder's files, or
// the database of conninfo (a libpq key=value string) when one is given.
// main() owns one and hands it to the windows; it outlives every window.
struct Workplace {
    explicit Workplace(const QString &dataDir, const QString &conninfo = QString())
        : data(dataDir), owned(MakeStore(data, conninfo)), store(*owned)
    {
        data.attach(&session);
    }
    Workplace(const Workplace &) = delete;
    Workplace &operator=(const Workplace &) = delete;

    static std::unique_ptr<Store> MakeStore(DataSet &data, const QString &conninfo);

    DataSet data;
    Session session;
    std::unique_ptr<Store> owned;
    Store &store;
};

// The start of the program: refuses a second copy, checks the data folder
// of `work`, removes a stale work file and shows the title window. Returns
// false when the program must end at once. `instance` is held for the
// lifetime of the program.
bool Main(const StartOptions &options, SingleInstance &instance, Workplace &work);
