// hodra2-sntp: the time core from the command line (query, compare, sync).
#include <iostream>
#include <string>
#include <vector>

#include "clock_linux.h"
#include "clock_setter.h"
#include "deployment.h"
#include "sntp_client.h"
#include "sntp_command.h"

int main(int argc, char** argv) {
    hodra::DropPrivilegesAtStart();
    const std::vector<std::string> args(argv + 1, argv + argc);
    const hodra::Deployment deployment = hodra::LoadDeployment();
    const auto options = hodra::ParseSntpArguments(args, {deployment.primaryHost, deployment.secondaryHost});
    if (!options) {
        std::cerr << hodra::kSntpUsage << '\n';
        return hodra::kExitUsage;
    }
    if (options->help) {
        std::cout << hodra::kSntpUsage << '\n';
        return hodra::kExitAnswered;
    }
    hodra::SntpClient client;
    hodra::LinuxClockDriver driver;
    hodra::ClockSetter setter(driver);
    return hodra::RunSntpCommand(*options, client, setter, std::cout, std::cerr);
}
