// One SNMP trap sent by the service's own code beside the same trap sent by
// net-snmp's snmptrap command, both to a datagram listener on port 162 of a
// loopback address in a private network namespace that the benchmark makes.
// Each iteration waits until its datagram has arrived. The service's figure
// is also given as a ratio to the command's (goal: at most 0.1).
// Run as root: build/bench/trap_bench --benchmark_repetitions=5
// --benchmark_enable_random_interleaving=true
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include <ctl_driver_records.h>

#include "config_file.h"
#include "service_settings.h"
#include "snmp_trap.h"

namespace {

constexpr const char* TEXT = "Adapter 0, Array Drive 3: drive rebuild finished successfully";
int g_listener = -1;
double g_commandSeconds = 0;  // the command's time per trap, from its last run

// Brings the namespace's loopback interface up.
bool loopbackUp()
{
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq ifr{};
    std::strcpy(ifr.ifr_name, "lo");
    const bool ok = fd >= 0 && ioctl(fd, SIOCGIFFLAGS, &ifr) == 0 &&
                    (ifr.ifr_flags |= IFF_UP, ioctl(fd, SIOCSIFFLAGS, &ifr) == 0);
    if (fd >= 0)
        close(fd);
    return ok;
}

// Waits for one datagram on the listener; false after a second without one.
bool received()
{
    pollfd p{g_listener, POLLIN, 0};
    char buf[2048];
    return poll(&p, 1, 1000) == 1 && recv(g_listener, buf, sizeof buf, 0) > 0;
}

void BM_SnmptrapCommand(benchmark::State& state)
{
    const std::string ent = TRAP_ENTERPRISE;
    const std::string stamp = std::to_string(static_cast<uint32_t>(time(nullptr)));
    const std::string vars[] = {ent + ".10.1", ent + ".10.2", ent + ".10.3", ent + ".10.4"};
    const char* argv[] = {"snmptrap", "-v", "1", "-c", "brantu", "-m", "", "127.0.0.1:162", ent.c_str(),
                          "127.0.0.1", "6", "102", stamp.c_str(), vars[0].c_str(), "i", "0", vars[1].c_str(), "i",
                          "7", vars[2].c_str(), "i", stamp.c_str(), vars[3].c_str(), "s", TEXT, nullptr};
    const std::string dir = "SNMP_PERSISTENT_DIR=/tmp/trap_bench." + std::to_string(getpid());
    const std::string conf = "SNMPCONFPATH=/tmp/trap_bench." + std::to_string(getpid());
    const char* envp[] = {dir.c_str(), conf.c_str(), nullptr};
    const auto t0 = std::chrono::steady_clock::now();
    for (auto _ : state) {
        const pid_t pid = fork();
        if (pid == 0) {
            execve("/usr/bin/snmptrap", const_cast<char* const*>(argv), const_cast<char* const*>(envp));
            _exit(127);
        }
        int status = 0;
        if (pid < 0 || waitpid(pid, &status, 0) != pid || status != 0 || !received()) {
            state.SkipWithError("snmptrap failed");
            break;
        }
    }
    g_commandSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() /
                       static_cast<double>(state.iterations() ? state.iterations() : 1);
}
BENCHMARK(BM_SnmptrapCommand)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_ServiceTrap(benchmark::State& state)
{
    EventRecord e;
    e.data[4] = 7;
    e.severity = 0;
    const auto t0 = std::chrono::steady_clock::now();
    for (auto _ : state) {
        if (send_event_traps(e, TEXT) != 0 || !received()) {
            state.SkipWithError("trap failed");
            break;
        }
    }
    const double each = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() /
                        static_cast<double>(state.iterations() ? state.iterations() : 1);
    if (g_commandSeconds > 0)
        state.counters["ratio_to_snmptrap"] = each / g_commandSeconds;
}
BENCHMARK(BM_ServiceTrap)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv)
{
    if (unshare(CLONE_NEWNET) != 0 || !loopbackUp()) {
        std::fprintf(stderr, "trap_bench: cannot make a private network namespace (run as root)\n");
        return 1;
    }
    g_listener = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(SNMP_TRAP_PORT);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (g_listener < 0 || bind(g_listener, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        std::fprintf(stderr, "trap_bench: cannot listen on 127.0.0.1:162\n");
        return 1;
    }
    settings_reset();
    g_settings.logLevel = 1;  // the success records are level 2: nothing is logged
    std::strcpy(g_settings.agentAddress, "127.0.0.1");
    static TrapTarget target;
    std::strcpy(target.address, "127.0.0.1");
    g_targets = &target;

    // Run the command first, so the ratio has its floor.
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_targets = nullptr;
    std::error_code ignored;
    std::filesystem::remove_all("/tmp/trap_bench." + std::to_string(getpid()), ignored);
    return 0;
}
