#pragma once

#include <QString>
#include <string>

namespace hodra {

// The two SNTP servers and the service's web page: built-in defaults, overridable by the
// system-scope file of the profile's QSettings (XDG_CONFIG_DIRS), group "Deployment".
struct Deployment {
    std::string primaryHost;
    std::string secondaryHost;
    QString webPage;
};

Deployment LoadDeployment();
// From one INI file instead of the system scope (tests).
Deployment LoadDeployment(const QString& iniPath);

}  // namespace hodra
