#include "platform/instance_lock.h"

#include <QDir>
#include <QStandardPaths>
#include <QSysInfo>
#include <cerrno>
#include <csignal>

namespace hodra {

QString InstanceLock::DefaultPath() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) {
        dir = QDir::tempPath();
    }
    return QDir(dir).filePath(QStringLiteral("hodra2.lock"));
}

InstanceLock::InstanceLock() : InstanceLock(DefaultPath()) {}

InstanceLock::InstanceLock(const QString& path) : path(path), lock(path) {
    // Never treat a live holder as stale by age: only a dead holder's lock is taken over.
    lock.setStaleLockTime(0);
}

bool InstanceLock::TryAcquire() {
    if (lock.tryLock(0)) {
        return true;
    }
    return lock.error() == QLockFile::LockFailedError && HolderIsGone() && lock.removeStaleLockFile() &&
           lock.tryLock(0);
}

// The holder recorded in the lock file no longer runs on this machine.
bool InstanceLock::HolderIsGone() const {
    qint64 pid = 0;
    QString host;
    QString application;
    if (!lock.getLockInfo(&pid, &host, &application)) {
        return false;
    }
    if (!host.isEmpty() && host != QSysInfo::machineHostName()) {
        return false;
    }
    return pid > 0 && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

}  // namespace hodra
