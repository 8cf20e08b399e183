#pragma once

#include <QLockFile>
#include <QString>

namespace hodra {

// One running copy per user: a lock file in the user's runtime directory. A lock left
// by a process that no longer runs is taken over.
class InstanceLock {
public:
    InstanceLock();
    explicit InstanceLock(const QString& path);

    bool TryAcquire();
    QString Path() const { return path; }

    static QString DefaultPath();

private:
    bool HolderIsGone() const;

    QString path;
    QLockFile lock;
};

}  // namespace hodra
