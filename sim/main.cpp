// kora7740p-sim: the controller's console on a pseudo-terminal, published as a COM port.
#include <csignal>
#include <cstdio>
#include <ctime>
#include <pthread.h>

#include "link/PortNames.h"
#include "sim/SimulatorCli.h"

int main(int argc, char** argv)
{
    using namespace kora::sim;
    std::string error;
    const auto options = ParseCommandLine({argv + 1, argv + argc}, &error);
    if (!options) {
        std::fprintf(stderr, "kora7740p-sim: %s\n\n%s", error.c_str(), UsageText().c_str());
        return 2;
    }
    if (options->help) {
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    }

    // SIGINT and SIGTERM are taken with sigwait below; block them before any thread starts.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    Simulator simulator(options->simulator);
    ApplyFaults(*options, simulator.faults());
    if (!simulator.start(&error)) {
        std::fprintf(stderr, "kora7740p-sim: cannot start: %s\n", error.c_str());
        return 1;
    }
    const auto folder = options->portsDir.empty() ? kora::PortsFolder() : options->portsDir;
    if (!simulator.publishAs(folder, options->comName)) {
        std::fprintf(stderr, "kora7740p-sim: cannot publish %s in %s\n", options->comName.c_str(),
                     folder.c_str());
        return 1;
    }
    std::printf("KORA-7740P simulator on %s, published as %s\n", simulator.terminalPath().c_str(),
                (folder / options->comName).c_str());
    std::fflush(stdout);

    if (options->hangUpAfterMs > 0) {
        timespec wait{options->hangUpAfterMs / 1000, (options->hangUpAfterMs % 1000) * 1'000'000L};
        if (sigtimedwait(&signals, nullptr, &wait) < 0) {
            simulator.faults().hangUp = true;
            std::puts("line hung up");
            std::fflush(stdout);
        } else {
            return 0;
        }
    }
    int received = 0;
    sigwait(&signals, &received);
    return 0;
}
