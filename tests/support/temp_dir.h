#pragma once

#include <QTemporaryDir>
#include <QString>

namespace hodra::test {

// A fresh directory under /tmp, removed with the object.
class TempDir {
public:
    TempDir() : dir(QStringLiteral("/tmp/hodra-test-XXXXXX")) {}
    QString Path(const QString& name = {}) const { return name.isEmpty() ? dir.path() : dir.filePath(name); }
    std::string StdPath(const QString& name = {}) const { return Path(name).toStdString(); }

private:
    QTemporaryDir dir;
};

}  // namespace hodra::test
