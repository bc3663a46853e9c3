// A test program some of whose checks can not run here (not root, a tool or
// service missing) ends with status 77, a skip to CTest, but only when
// nothing failed: a failure is never hidden behind a skip.
#pragma once

#include <QTest>
#if __has_include(<QApplication>)
#include <QApplication>
#endif

namespace skipstatus
{
inline bool &skipped()
{
    static bool any = false;
    return any;
}
inline int status(int failed)
{
    return failed == 0 && skipped() ? 77 : failed;
}
} // namespace skipstatus

#define SKIP_HERE(why)                                                                             \
    do {                                                                                           \
        skipstatus::skipped() = true;                                                              \
        QSKIP(why);                                                                                \
    } while (false)

#define SKIPPABLE_GUILESS_MAIN(TestObject)                                                         \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        QCoreApplication app(argc, argv);                                                          \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return skipstatus::status(QTest::qExec(&tc, argc, argv));                                  \
    }

#define SKIPPABLE_GUI_MAIN(TestObject)                                                             \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        QApplication app(argc, argv);                                                              \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                   \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return skipstatus::status(QTest::qExec(&tc, argc, argv));                                  \
    }
