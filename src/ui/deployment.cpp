#include "deployment.h"

#include <QSettings>

#include "build_info.h"

namespace hodra {
namespace {

Deployment Read(QSettings& file) {
    file.beginGroup("Deployment");
    auto text = [&file](const char* key, const char* fallback) {
        const QString value = file.value(key).toString().trimmed();
        return value.isEmpty() ? QString::fromUtf8(fallback) : value;
    };
    Deployment d;
    d.primaryHost = text("PrimaryHost", kDefaultPrimaryHost).toStdString();
    d.secondaryHost = text("SecondaryHost", kDefaultSecondaryHost).toStdString();
    d.webPage = text("WebPage", kDefaultWebPage);
    file.endGroup();
    return d;
}

}  // namespace

Deployment LoadDeployment() {
    QSettings system(QSettings::NativeFormat, QSettings::SystemScope, "Hodra Client V2.0", "Hodra2");
    return Read(system);
}

Deployment LoadDeployment(const QString& iniPath) {
    QSettings file(iniPath, QSettings::IniFormat);
    return Read(file);
}

}  // namespace hodra
