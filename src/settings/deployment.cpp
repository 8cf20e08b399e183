#include "settings/deployment.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "time/platform/unique_fd.h"
#include "build_info.h"
#include "settings/key_file.h"
#include "settings/settings_texts.h"

namespace hodra {
namespace {

constexpr char kProfileFile[] = "/Hodra Client V2.0/Hodra2.conf";
constexpr char kGroup[] = "Deployment";
constexpr std::size_t kLongestFile = 64 * 1024;

using Values = std::map<std::string, std::string>;

// A value as QSettings writes it: plain, or in double quotes with backslash escapes.
std::string Unquoted(const std::string& value) {
    if (value.size() < 2 || value.front() != '"' || value.back() != '"') {
        return value;
    }
    std::string out;
    for (std::size_t i = 1; i + 1 < value.size(); ++i) {
        if (value[i] == '\\' && i + 2 < value.size()) {
            ++i;
        }
        out += value[i];
    }
    return out;
}

// The non-empty values of the "Deployment" group of an INI text.
Values ParseGroup(std::istream& in) {
    Values values;
    for (const auto& [key, written] : ReadKeyFileGroup(in, kGroup)) {
        if (std::string value = Unquoted(written); !value.empty()) {
            values.emplace(key, std::move(value));
        }
    }
    return values;
}

// Keys already set keep their value: earlier files win.
void Merge(Values& into, const Values& more) {
    into.insert(more.begin(), more.end());
}

// Whole seconds, digits only: 0 (no limit) or 1 to 1,000,000,000. A sign, a fraction, an
// exponent, a unit or a separator is no limit an administrator could mean for sure.
std::optional<double> ParseMaxStep(const std::string& text) {
    constexpr std::uint64_t kLargest = 1000000000;
    std::uint64_t seconds = 0;
    const bool digitsOnly = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (!digitsOnly || ec != std::errc() || end != text.data() + text.size() || seconds > kLargest) {
        return std::nullopt;
    }
    return static_cast<double>(seconds);
}

Deployment WithDefaults(const Values& values) {
    Deployment d = BuiltInDeployment();
    auto take = [&values](const char* key, std::string& field) {
        if (const auto it = values.find(key); it != values.end()) {
            field = it->second;
        }
    };
    take("PrimaryHost", d.primaryHost);
    take("SecondaryHost", d.secondaryHost);
    take("WebPage", d.webPage);
    take("NtsTrustedCerts", d.ntsTrustedCerts);
    if (const auto it = values.find("MaxStep"); it != values.end()) {
        if (const auto seconds = ParseMaxStep(it->second)) {
            d.maxStep = *seconds;
        } else {
            d.ignoredMaxStep = it->second;
        }
    }
    return d;
}

bool WritableByOthers(const struct stat& s) {
    return (s.st_mode & S_IWOTH) != 0 || ((s.st_mode & S_IWGRP) != 0 && s.st_gid != 0);
}

// An access list can let a user write what the mode bits keep to root: such a file or
// directory is not taken on trust (its group bits would only be the list's mask).
bool HasAccessList(int fd) {
    return fgetxattr(fd, "system.posix_acl_access", nullptr, 0) > 0;
}

bool HasAccessList(const std::string& path) {
    return lgetxattr(path.c_str(), "system.posix_acl_access", nullptr, 0) > 0;
}

// A sticky directory (/tmp) lets others add entries but not remove or rename root's.
bool DirectoryWritableByOthers(const struct stat& s) {
    return WritableByOthers(s) && (s.st_mode & S_ISVTX) == 0;
}

// Why the directories above path could let someone else replace it, or "".
std::string UnsafeDirectory(const std::string& path) {
    std::string dir = path.substr(0, path.find_last_of('/'));
    for (;;) {
        const std::string shown = dir.empty() ? "/" : dir;
        struct stat s {};
        if (lstat(shown.c_str(), &s) != 0 || !S_ISDIR(s.st_mode)) {
            return shown + ": " + text::kNotPlainDirectory;
        }
        if (s.st_uid != 0 || DirectoryWritableByOthers(s) || HasAccessList(shown)) {
            return shown + ": " + text::kChangeableByOthers;
        }
        if (dir.empty()) {
            return {};
        }
        dir = dir.substr(0, dir.find_last_of('/'));
    }
}

AdministratorDeployment Refuse(std::string reason) {
    AdministratorDeployment a;
    a.verdict = AdministratorDeployment::Verdict::Refused;
    a.reason = std::move(reason);
    a.values = BuiltInDeployment();
    return a;
}

}  // namespace

Deployment BuiltInDeployment() {
    Deployment d;
    d.primaryHost = kDefaultPrimaryHost;
    d.secondaryHost = kDefaultSecondaryHost;
    d.webPage = kDefaultWebPage;
    return d;
}

std::vector<std::string> SystemDeploymentFiles(const char* xdgConfigDirs) {
    std::vector<std::string> files;
    std::stringstream dirs(xdgConfigDirs != nullptr ? xdgConfigDirs : "");
    for (std::string dir; std::getline(dirs, dir, ':');) {
        if (!dir.empty()) {
            files.push_back(dir + kProfileFile);
        }
    }
    if (files.empty()) {
        files.push_back(std::string("/etc/xdg") + kProfileFile);
    }
    return files;
}

Deployment ReadDeployment(const std::vector<std::string>& files) {
    Values values;
    for (const std::string& path : files) {
        std::ifstream in(path);
        if (in) {
            Merge(values, ParseGroup(in));
        }
    }
    return WithDefaults(values);
}

Deployment LoadDeployment() {
    return ReadDeployment(SystemDeploymentFiles(std::getenv("XDG_CONFIG_DIRS")));
}

AdministratorFile ReadAdministratorFile(const std::string& path, std::size_t longest) {
    AdministratorFile file;
    if (path.empty() || path.front() != '/') {
        file.reason = path + ": " + text::kNotAbsolute;
        return file;
    }
    const UniqueFd opened(open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    const int fd = opened.Get();
    if (fd < 0) {
        file.missing = errno == ENOENT;
        file.reason = path + ": " + std::strerror(errno);
        return file;
    }
    struct stat s {};
    if (fstat(fd, &s) != 0 || !S_ISREG(s.st_mode)) {
        file.reason = path + ": " + text::kNotPlainFile;
    } else if (s.st_uid != 0 || WritableByOthers(s) || HasAccessList(fd)) {
        file.reason = path + ": " + text::kChangeableByOthers;
    } else if (s.st_size < 0 || static_cast<std::size_t>(s.st_size) > longest) {
        file.reason = path + ": " + text::kTooLong;
    } else {
        file.text.resize(static_cast<std::size_t>(s.st_size));
        if (read(fd, file.text.data(), file.text.size()) != static_cast<ssize_t>(file.text.size())) {
            file.reason = path + ": " + text::kReadShort;
        }
    }
    if (file.reason.empty()) {
        file.reason = UnsafeDirectory(path);
    }
    file.trusted = file.reason.empty();
    if (!file.trusted) {
        file.text.clear();
    }
    return file;
}

namespace {

AdministratorFile ReadUsersFile(const std::string& path, std::size_t longest) {
    AdministratorFile file;
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    if (!in || text.str().size() > longest) {
        file.missing = !in;
        file.reason = path + ": " + (in ? text::kTooLong : text::kUnreadable);
        return file;
    }
    file.trusted = true;
    file.text = text.str();
    return file;
}

}  // namespace

AdministratorFile ReadTrustedCertificates(const std::string& path, bool administrators) {
    constexpr std::size_t kLongestTrustFile = 1024 * 1024;
    AdministratorFile file =
        administrators ? ReadAdministratorFile(path, kLongestTrustFile) : ReadUsersFile(path, kLongestTrustFile);
    // A file that names no certificate trusts no server; it never stands for the system's store.
    if (file.trusted && file.text.find("-----BEGIN CERTIFICATE-----") == std::string::npos) {
        file.trusted = false;
        file.reason = path + ": " + text::kNoCertificate;
        file.text.clear();
    }
    return file;
}

AdministratorDeployment ReadAdministratorDeployment(const std::string& path) {
    const AdministratorFile file = ReadAdministratorFile(path, kLongestFile);
    if (file.missing) {
        return {AdministratorDeployment::Verdict::Absent, {}, BuiltInDeployment()};
    }
    if (!file.trusted) {
        return Refuse(file.reason);
    }
    std::istringstream in(file.text);
    return {AdministratorDeployment::Verdict::Trusted, {}, WithDefaults(ParseGroup(in))};
}

}  // namespace hodra
