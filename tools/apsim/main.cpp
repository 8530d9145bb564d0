// apsim: the access point's side of the protocol, with its list in memory (a loopback simulator for tests
// and demos) or in a running hostapd; SIGTERM ends it cleanly.
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "tools/apsim/apsim_engine.h"
#include "tools/apsim/apsim_memory_backend.h"
#include "tools/apsim/apsim_options.h"
#include "tools/apsim/apsim_server.h"
#include "apd/core/hostapd_backend.h"

namespace {

volatile std::sig_atomic_t g_stopFd = -1;

void OnStopSignal(int) {
    const char byte = 1;
    if (g_stopFd >= 0) {
        [[maybe_unused]] const auto written = ::write(g_stopFd, &byte, 1);
    }
}

} // namespace

int main(int argc, char** argv) {
    apsim::Options options;
    std::string error;
    if (!apsim::ParseOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        std::fprintf(stderr, "apsim: %s\n%s", error.c_str(), apsim::Usage().c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(apsim::Usage().c_str(), stdout);
        return 0;
    }

    std::FILE* log = stdout;
    if (!options.logPath.empty()) {
        log = std::fopen(options.logPath.c_str(), "a");
        if (log == nullptr) {
            std::perror(options.logPath.c_str());
            return 1;
        }
    }

    std::unique_ptr<apsim::Backend> backend;
    const bool hostapd = !options.hostapdCtrl.empty();
    if (hostapd) {
        const apsim::HostapdPaths paths{options.acceptFile, options.configPath,
                                        apsim::InterfaceOfControlPath(options.hostapdCtrl)};
        if (!apsim::CheckHostapdSetup(paths, error)) {
            std::fprintf(stderr, "apsim: %s\n", error.c_str());
            return 1;
        }
        auto channel = std::make_unique<apsim::HostapdCtrl>(options.hostapdCtrl);
        // hostapd may come up after us (or restart at any time): commands are refused until it answers.
        const auto pong = channel->Request("PING", error);
        if (pong != "PONG\n") {
            std::fprintf(stderr, "apsim: hostapd does not answer yet: %s\n",
                         pong ? "unexpected answer to PING" : error.c_str());
        }
        backend = std::make_unique<apsim::HostapdBackend>(std::move(channel), paths);
    } else {
        backend = std::make_unique<apsim::MemoryBackend>(options.macs, options.capacity);
    }
    apsim::SimEngine engine(std::move(backend), options.faults);
    // Flushed per line: harnesses read the log while the simulator runs.
    engine.SetLogSink([log](const std::string& line) {
        std::fprintf(log, "%s\n", line.c_str());
        std::fflush(log);
    });

    apsim::Server server(engine);
    if (!server.Start(options.listen, options.port, options.controlPort, error,
                      hostapd ? apsim::ListenScope::Lan : apsim::ListenScope::LoopbackOnly)) {
        std::fprintf(stderr, "apsim: %s\n", error.c_str());
        return 1;
    }

    g_stopFd = server.StopWriteFd();
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    std::printf("apsim listening on %s:%d control %d\n", options.listen.c_str(), server.Port(),
                server.ControlPort());
    std::fflush(stdout);

    const bool ok = server.Run();
    if (log != stdout) std::fclose(log);
    return ok ? 0 : 1;
}
