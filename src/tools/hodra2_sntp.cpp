// hodra2-sntp: the time core from the command line (query, compare, sync), and the one
// program that may hold the right to set the clock.
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "build_info.h"
#include "clock_linux.h"
#include "clock_setter.h"
#include "deployment.h"
#include "run_journal.h"
#include "sntp_client.h"
#include "sntp_command.h"
#include "sync_operation.h"
#include "termination_hold.h"
#include "settings_texts.h"
#include "tool_texts.h"

namespace {

// With a borrowed right only the administrator decides where the time comes from: the
// caller's environment (XDG_*, HOME, locale paths) is dropped before anything reads it.
bool LoadServers(bool borrowed, hodra::Deployment& deployment) {
    if (!borrowed) {
        deployment = hodra::LoadDeployment();
        return true;
    }
    const hodra::AdministratorDeployment admin =
        hodra::ReadAdministratorDeployment(hodra::kAdministratorDeploymentFile);
    if (admin.verdict == hodra::AdministratorDeployment::Verdict::Refused) {
        std::cerr << "hodra2-sntp: " << hodra::text::kDeploymentNotUsed << admin.reason << '\n';
        return false;
    }
    deployment = admin.values;
    return true;
}

// Whom the certificate of an nts:// server must chain to: the caller's file, the
// deployment's, or the system's store. With a borrowed right only a file of the
// administrator's counts.
bool LoadNtsTrust(bool borrowed, const hodra::Deployment& deployment, const hodra::SntpCommandOptions& options,
                  hodra::SntpClient& client) {
    const std::string& path = options.ntsCaFile.empty() ? deployment.ntsTrustedCerts : options.ntsCaFile;
    if (path.empty()) {
        return true;
    }
    const hodra::AdministratorFile file = hodra::ReadTrustedCertificates(path, borrowed);
    if (!file.trusted) {
        std::cerr << "hodra2-sntp: " << hodra::text::kTrustFileNotUsed << file.reason << '\n';
        return false;
    }
    client.SetNtsTrust({file.text});
    return true;
}

// The Linux driver, which holds off termination from just before it moves the clock.
class HoldingDriver : public hodra::ClockDriver {
public:
    explicit HoldingDriver(hodra::TerminationHold& hold) : hold(hold) {}
    bool RaiseRight() override {
        hold.Begin();
        return real.RaiseRight();
    }
    void LowerRight() override { real.LowerRight(); }
    bool StepSystemClock(const timespec& offset) override { return real.StepSystemClock(offset); }
    bool SetSystemClock(const timespec& utc) override { return real.SetSystemClock(utc); }
    int LastError() const override { return real.LastError(); }

private:
    hodra::TerminationHold& hold;
    hodra::LinuxClockDriver real;
};

}  // namespace

int main(int argc, char** argv) {
    const bool borrowed = hodra::RunsWithBorrowedRight();
    if (borrowed) {
        clearenv();
    }
    if (!hodra::DropPrivilegesAtStart()) {
        std::cerr << hodra::text::kHelperCannotDropRights;
        return hodra::kExitUsage;
    }
    if (argc < 1) {
        return hodra::kExitUsage;  // started without even its own name
    }
    hodra::Deployment deployment;
    if (!LoadServers(borrowed, deployment)) {
        return hodra::kExitUsage;
    }
    const std::vector<std::string> args(argv + 1, argv + argc);
    auto options = hodra::ParseSntpArguments(args, {deployment.primaryHost, deployment.secondaryHost});
    if (!options) {
        std::cerr << hodra::kSntpUsage << '\n';
        return hodra::kExitUsage;
    }
    if (options->help) {
        std::cout << hodra::kSntpUsage << '\n';
        return hodra::kExitAnswered;
    }
    if (const std::string refusal = borrowed ? hodra::RefusalWithBorrowedRight(*options) : ""; !refusal.empty()) {
        std::cerr << refusal << '\n';
        return hodra::kExitUsage;
    }
    // A run that only compares talks to servers of anyone's choosing: it does so without the right.
    if (!options->sync && !hodra::DropAllPrivileges()) {
        return hodra::kExitUsage;
    }
    hodra::SntpClient client;
    if (!LoadNtsTrust(borrowed, deployment, *options, client)) {
        return hodra::kExitUsage;
    }
    // Destroyed last: the report is out before a stop held off meanwhile takes effect.
    hodra::TerminationHold hold;
    HoldingDriver driver(hold);
    hodra::ClockSetter setter(driver);
    // With a borrowed right only the kernel's own relative step: reading the clock and then
    // setting it would let a caller who stops the helper in between set any time.
    setter.AllowAbsoluteFallback(!borrowed);
    // For the same reason a stamp of our own serves only within a short round trip: the
    // caller could stop us around it, but not by more than the trip took.
    options->kernelStampsOnly = borrowed;
    // The limit is the administrator's too; --allow-large-step is honoured with a borrowed
    // right, since a large step still needs a second of the administrator's servers to agree.
    options->maxStep = deployment.maxStep;
    hodra::SyncOperation operation(client, &setter);
    const hodra::SyncOutcome outcome = hodra::RunSntpRequest(*options, operation);
    const int status = hodra::ReportSntpOutcome(*options, outcome, std::cout, std::cerr);
    // Every step asked of the helper, made or not, with the caller's uid (journald adds it).
    if (options->sync) {
        hodra::SendRunToJournal(outcome, hodra::kHelperJournalName);
    }
    return status;
}
