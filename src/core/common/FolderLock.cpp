#include "core/common/FolderLock.h"

#include "core/common/Globals.h"
#include "core/common/MsgBox.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QThread>

namespace
{

// A holder writes its process id into the lock file right after creating
// it. A program killed in between leaves an empty lock file, which the lock
// would otherwise only take for stale after StaleMs; an empty one that has
// stayed empty for a while belongs to nobody.
bool isAbandonedEmptyLock(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && info.size() == 0 &&
           info.lastModified().msecsTo(QDateTime::currentDateTime()) > FolderLock::EmptyStaleMs;
}

} // namespace

FolderLock::FolderLock() : m_file(std::make_unique<QLockFile>(DataPath(LockFileName)))
{
    m_file->setStaleLockTime(StaleMs);
}

FolderLock::~FolderLock()
{
    release();
}

bool FolderLock::waitFor(int ms)
{
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        if (m_file->tryLock(0)) {
            m_held = true;
            return true;
        }
        if (m_file->error() == QLockFile::PermissionError ||
            m_file->error() == QLockFile::UnknownError)
            return false;
        if (isAbandonedEmptyLock(DataPath(LockFileName)))
            m_file->removeStaleLockFile();
        if (timer.elapsed() >= ms)
            return false;
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(20);
    }
}

bool FolderLock::acquire()
{
    if (m_held)
        return true;
    for (;;) {
        if (waitFor(WaitMs))
            return true;
        QString text;
        if (m_file->error() == QLockFile::LockFailedError) {
            text = QStringLiteral("Another workstation is saving changes to the") + CrLf +
                   QStringLiteral("data files in this folder right now.") + CrLf + CrLf +
                   QStringLiteral("Nothing has been changed yet.");
        } else {
            text = QStringLiteral("The data folder can not be written to:") + CrLf +
                   DataPath(QString()) + CrLf + CrLf + QStringLiteral("Nothing has been changed.");
        }
        const int choice = ShowMsgBox(QStringLiteral("Data folder busy"), 4, text, 1, false,
                                      {QStringLiteral("&Retry"), QStringLiteral("&Cancel")})
                               .choice;
        if (choice != 1)
            return false;
    }
}

bool FolderLock::tryAcquire()
{
    if (m_held)
        return true;
    return waitFor(0);
}

void FolderLock::release()
{
    if (m_held) {
        m_file->unlock();
        m_held = false;
    }
}

bool RemoveStaleTempFile()
{
    const QString path = DataPath(TempFileName);
    if (!QFile::exists(path))
        return true;
    FolderLock lock;
    if (!lock.tryAcquire())
        return false;
    QFile::setPermissions(path, QFile::permissions(path) | QFile::WriteOwner);
    return QFile::remove(path);
}
