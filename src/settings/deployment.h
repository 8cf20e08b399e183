#pragma once

#include <optional>
#include <string>
#include <vector>

namespace hodra {

// The two SNTP servers, the service's web page and the step limit: built-in defaults, overridden key by
// key by the system-scope file "Hodra Client V2.0/Hodra2.conf", group "Deployment".
// No Qt here: the clock helper reads the same file.
struct Deployment {
    static constexpr double kDefaultMaxStep = 1000.0;  // ntpd's panic threshold

    std::string primaryHost;
    std::string secondaryHost;
    std::string webPage;
    // MaxStep: the largest step (seconds) made without the user's word and a second
    // source; 0 means no limit. Whole seconds, 0 or 1 to 1,000,000,000; any other value keeps
    // the default, and is kept here so that the program can say it ignored it.
    double maxStep = kDefaultMaxStep;
    std::optional<std::string> ignoredMaxStep{};
    // NtsTrustedCerts: a PEM file of the certificates nts:// servers must chain to instead
    // of the system's trust store; empty: the system's.
    std::string ntsTrustedCerts{};
};

Deployment BuiltInDeployment();

// The system-scope files in the order the profile's QSettings reads them: one per entry
// of XDG_CONFIG_DIRS (colon-separated; /etc/xdg when unset or empty).
std::vector<std::string> SystemDeploymentFiles(const char* xdgConfigDirs);

// Each value from the first file that sets it, the built-in default otherwise. Files
// that are missing or unreadable set nothing.
Deployment ReadDeployment(const std::vector<std::string>& files);

// The program's deployment: the system-scope files named by this process's environment.
Deployment LoadDeployment();

// The administrator's file at a fixed path, for a program that holds a capability its caller
// lacks: it is used only when it is a regular file that root owns and no one else may
// change, nor any directory above it. A missing file means the built-in defaults.
struct AdministratorDeployment {
    enum class Verdict { Absent, Trusted, Refused };
    Verdict verdict = Verdict::Absent;
    std::string reason;  // why it was refused
    Deployment values;
};
AdministratorDeployment ReadAdministratorDeployment(const std::string& path);

// Any file of the administrator's, read under the same rules: trusted only when it is a
// regular file that root owns and no one else may change, nor any directory above it,
// and no longer than `longest`.
struct AdministratorFile {
    bool trusted = false;
    bool missing = false;
    std::string reason;  // why it is not trusted
    std::string text;
};
AdministratorFile ReadAdministratorFile(const std::string& path, std::size_t longest);

// The PEM text of a trust file for nts:// servers: under the administrator's rules for a
// program that holds a capability its caller lacks, else any file the user can read. A file
// without a single certificate (an empty one) is refused like an unsafe one.
AdministratorFile ReadTrustedCertificates(const std::string& path, bool administrators);

}  // namespace hodra
