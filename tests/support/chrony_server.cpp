#include "chrony_server.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "time/sntp_client.h"

extern char** environ;

namespace hodra::test {
namespace fs = std::filesystem;

namespace {

const char* const kChronyd = "/usr/sbin/chronyd";
const char* const kUnshare = "/usr/bin/unshare";

}  // namespace

std::string FindFakeTimeLibrary() {
    for (const char* dir :
         {"/usr/lib/x86_64-linux-gnu/faketime", "/usr/lib/aarch64-linux-gnu/faketime", "/usr/lib/faketime"}) {
        const fs::path candidate = fs::path(dir) / "libfaketime.so.1";
        if (fs::exists(candidate)) {
            return candidate.string();
        }
    }
    return {};
}

namespace {

std::uint16_t FreePort(int type) {
    const int s = socket(AF_INET, type, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t size = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
    close(s);
    return ntohs(address.sin_port);
}

}  // namespace

std::uint16_t FreeUdpPort() {
    return FreePort(SOCK_DGRAM);
}

std::uint16_t FreeTcpPort() {
    return FreePort(SOCK_STREAM);
}

bool MakeCertificate(const std::string& dir, const std::string& stem, const std::string& name, bool expired) {
    std::string command;
    if (expired) {
        const std::string faketime = FindFakeTimeLibrary();
        if (faketime.empty()) {
            return false;
        }
        command = "env LD_PRELOAD=" + faketime + " FAKETIME='@2020-01-01 00:00:00' ";
    }
    command += "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 1 -subj /CN=" + name +
               " -addext subjectAltName=DNS:" + name + " -keyout '" + dir + "/" + stem + ".key' -out '" + dir + "/" +
               stem + ".crt' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

bool ChronyServer::Available(const std::string& fakeOffset, std::string* whyNot) {
    std::string missing;
    if (access(kChronyd, X_OK) != 0) {
        missing = "chronyd is not installed (run scripts/setup.sh)";
    } else if (access(kUnshare, X_OK) != 0) {
        missing = "unshare is not installed";
    } else if (!fakeOffset.empty() && FindFakeTimeLibrary().empty()) {
        missing = "libfaketime is not installed (run scripts/setup.sh)";
    }
    if (whyNot != nullptr) {
        *whyNot = missing;
    }
    return missing.empty();
}

std::string ChronyServer::Address() const {
    const bool v6 = options.bindAddress.find(':') != std::string::npos;
    return (v6 ? "[" + options.bindAddress + "]" : options.bindAddress) + ":" + std::to_string(port);
}

ChronyServer::ChronyServer(const Options& given) : options(given) {
    const std::string& fakeOffset = options.fakeOffset;
    char pattern[] = "/tmp/hodra-chrony-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        failure = "cannot make a temporary directory";
        return;
    }
    directory = pattern;
    port = options.port != 0 ? options.port : FreeUdpPort();
    const std::string conf = directory + "/chrony.conf";
    std::ofstream config(conf);
    config << "port " << port << "\nbindaddress " << options.bindAddress << "\nallow " << options.bindAddress << "\n";
    if (!options.alsoBindAddress.empty()) {
        config << "bindaddress " << options.alsoBindAddress << "\nallow " << options.alsoBindAddress << "\n";
    }
    config << options.extraConfig;
    config << "local stratum 8\ncmdport 0\npidfile " << directory << "/chronyd.pid\n";
    if (!options.ntsCertificate.empty()) {
        ntsPort = FreeTcpPort();
        config << "ntsport " << ntsPort << "\nntsservercert " << options.ntsCertificate << "\nntsserverkey "
               << options.ntsKey << "\nntsdumpdir " << directory << "\n";
        if (!options.ntsNtpServer.empty()) {
            config << "ntsntpserver " << options.ntsNtpServer << "\n";
        }
    }
    config.close();

    std::vector<std::string> args = {kUnshare, "--user", "--map-root-user", "env"};
    if (!fakeOffset.empty()) {
        args.push_back("FAKETIME=" + fakeOffset);
        args.push_back("LD_PRELOAD=" + FindFakeTimeLibrary());
    }
    for (const char* a : {kChronyd, "-x", "-n", "-u", "root", "-f"}) {
        args.emplace_back(a);
    }
    args.push_back(conf);
    args.emplace_back("-l");
    args.push_back(directory + "/chronyd.log");
    std::vector<char*> argv;
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        pid = -1;
        failure = "cannot start chronyd";
        return;
    }
    if (!WaitUntilAnswering()) {
        failure = "chronyd did not answer on " + Address();
    }
}

namespace {

bool AcceptsConnections(std::uint16_t tcpPort) {
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(tcpPort);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool connected = connect(s, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0;
    close(s);
    return connected;
}

}  // namespace

bool ChronyServer::WaitUntilAnswering() {
    SntpClient probe(std::chrono::milliseconds(200));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        if (probe.Exchange(Address()) && (ntsPort == 0 || AcceptsConnections(ntsPort))) {
            return true;
        }
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            pid = -1;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

std::optional<double> ChronyServer::ReferenceOffset() const {
    return QueryReference("server " + options.bindAddress + " port " + std::to_string(port) + " iburst maxsamples 1",
                          "");
}

std::optional<double> ChronyServer::ReferenceNtsOffset(const std::string& trustFile) const {
    return QueryReference("server localhost port " + std::to_string(port) + " nts ntsport " + std::to_string(ntsPort) +
                              " iburst maxsamples 1",
                          "'ntstrustedcerts " + trustFile + "' 'ntsdumpdir " + directory + "/client'");
}

std::optional<double> ChronyServer::QueryReference(const std::string& source, const std::string& extra) const {
    const std::string command = std::string(kUnshare) + " --user --map-root-user " + kChronyd +
                                " -Q -u root -f /dev/null '" + source + "' " + extra + " 2>&1";
    // chronyd -Q gives up after one lost exchange; on a loaded machine a second try measures.
    std::optional<double> offset;
    for (int attempt = 0; attempt < 2 && !offset; ++attempt) {
        FILE* output = popen(command.c_str(), "r");
        if (output == nullptr) {
            return std::nullopt;
        }
        char line[512];
        while (fgets(line, sizeof line, output) != nullptr) {
            // "System clock wrong by 289178644.215226 seconds (ignored)": how far our clock is off.
            if (const char* at = std::strstr(line, "System clock wrong by "); at != nullptr) {
                offset = std::strtod(at + std::strlen("System clock wrong by "), nullptr);
            }
        }
        pclose(output);
    }
    return offset;
}

ChronyServer::~ChronyServer() {
    if (pid > 0) {
        kill(pid, SIGTERM);
        int status = 0;
        waitpid(pid, &status, 0);
    }
    if (!directory.empty()) {
        std::error_code ignored;
        fs::remove_all(directory, ignored);
    }
}

}  // namespace hodra::test
