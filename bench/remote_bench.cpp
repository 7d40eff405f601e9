// The remote path and the emulator's own cost, against one emulator in one run:
//
// - RemoteRequest: one IOCTL read through dulm over loopback (the library's
//   TCP/IP client module), the same request through the local driver module,
//   and a raw loopback round trip of the same packet size, interleaved in
//   every iteration. Goals: remote p50 <= local p50 + 1.5 round trips,
//   remote p99 <= local p99 + 300 us.
// - TenClients: ten connections at once, five per controller of the default
//   scenario, beside one connection alone. Goal: at least 1.8 x the
//   requests per second of one client, every reply its own and correct.
// - EmulatorCycle: the request cycle (open, write, close, open, read, close)
//   on a kzmsim controller file beside the same cycle on floor_fuse, a file
//   that keeps what is written, under the same mount settings. Goal: at most
//   1.25 x the floor.
//
// dulm runs in private namespaces (port 11798 on a private loopback) and the
// benchmarks run on a thread inside its network. Counters ending in _ok are 1
// when the goal is met. Run with --benchmark_repetitions=5
// --benchmark_enable_random_interleaving=true on a busy machine.
#include "byte_order.h"
#include "ctl_request.h"
#include "daemon_sandbox.h"
#include "driver_record.h"
#include "ioctl_read.h"
#include "local_module.h"
#include "remote_packet.h"
#include "remote_peer.h"
#include "request_log.h"
#include "sim_mount.h"
#include "tcp_module.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <crypt.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#ifndef FLOOR_FUSE_PATH
#error "FLOOR_FUSE_PATH must name the floor_fuse program"
#endif

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint32_t KEY_BOARD = 0x28;  // board details, 84 bytes
constexpr uint16_t SIZE_BOARD = 84;
constexpr uint32_t KEY_CACHE = 0x04;  // cache information, 36 bytes
constexpr uint16_t SIZE_CACHE = 36;
constexpr int CONTROLLERS = 2;        // of the default scenario
constexpr int CLIENTS = 10;
constexpr int REQUESTS_PER_CLIENT = 60;
constexpr int ALONE_REQUESTS = 200;
const char* const USER = "admin";
const char* const PASSWORD = "secret";

SimMount* g_sim = nullptr;
SimMount* g_floor = nullptr;
std::atomic<long> g_emulatorRequests{0};  // IOCTL reads of keys 0x28 and 0x29 sent to kzmsim

// The parameter bytes of an IOCTL read through the local driver module.
bool localRead(uint16_t controller, uint32_t key, uint16_t size, std::vector<uint8_t>& param)
{
    CtlCommand cmd;
    CtlRequest r;
    prepareIoctlRead(key, size, param, cmd, r);
    ++g_emulatorRequests;
    return local_request(0, controller, &r) == CTL_OK;
}

// The same read through the TCP/IP client module.
bool remoteRead(uint16_t controller, uint32_t key, uint16_t size, std::vector<uint8_t>& param)
{
    CtlCommand cmd;
    CtlRequest r;
    prepareIoctlRead(key, size, param, cmd, r);
    ++g_emulatorRequests;
    return tcp_request(0, controller, &r) == CTL_OK;
}

// An echo partner on 127.0.0.1 in a child process, as the service is a
// process of its own: takes packets of a fixed size and sends each back;
// ends when the client closes.
class Echo {
public:
    explicit Echo(size_t packetSize)
    {
        const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        const bool listening = listener >= 0 && bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
                               listen(listener, 1) == 0 &&
                               getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len) == 0;
        client_ = listening ? socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0) : -1;
        const int peer = client_ >= 0 && connect(client_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0
                             ? accept4(listener, nullptr, nullptr, SOCK_CLOEXEC)
                             : -1;
        if (listener >= 0)
            close(listener);
        if (peer < 0)
            return;
        int one = 1;
        setsockopt(peer, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        setsockopt(client_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        std::vector<uint8_t> b(packetSize);  // made before the fork: the child only receives and sends
        child_ = fork();
        if (child_ == 0) {
            close(client_);
            while (receive(peer, b) && send(peer, b.data(), b.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(b.size())) {
            }
            _exit(0);
        }
        close(peer);
    }
    ~Echo()
    {
        if (client_ >= 0)
            close(client_);
        if (child_ > 0)
            waitpid(child_, nullptr, 0);
    }
    bool ok() const { return child_ > 0; }
    // One round trip of a packet of the fixed size.
    bool roundTrip(std::vector<uint8_t>& b) const
    {
        return send(client_, b.data(), b.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(b.size()) && receive(client_, b);
    }

private:
    static bool receive(int fd, std::vector<uint8_t>& b)
    {
        size_t got = 0;
        while (got < b.size()) {
            const ssize_t n = recv(fd, b.data() + got, b.size() - got, 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            got += static_cast<size_t>(n);
        }
        return true;
    }
    int client_ = -1;
    pid_t child_ = -1;
};

// The value at fraction q of the sorted samples.
double quantile(std::vector<double> v, double q)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(q * static_cast<double>(v.size())))];
}

double microsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

void BM_RemoteRequest(benchmark::State& state)
{
    std::vector<uint8_t> expected, local, remote;
    if (!localRead(0, KEY_BOARD, SIZE_BOARD, expected)) {
        state.SkipWithError("local read failed");
        return;
    }
    // The remote packet of this read: header, command block, data, spare byte.
    const size_t packetSize = REMOTE_MIN_PACKET + CTL_COMMAND_WIRE_SIZE + SIZE_BOARD;
    Echo echo(packetSize);
    if (!echo.ok()) {
        state.SkipWithError("echo partner failed");
        return;
    }
    std::vector<uint8_t> raw(packetSize, 0x5A);
    std::vector<double> tLocal, tRemote, tRtt;
    int turn = 0;
    for (auto _ : state) {
        bool ok = true;
        // The three run in a rotating order, so none always follows another.
        for (int k = 0; k < 3; ++k) {
            const auto start = Clock::now();
            switch ((turn + k) % 3) {
            case 0:
                ok = ok && localRead(0, KEY_BOARD, SIZE_BOARD, local) && local == expected;
                tLocal.push_back(microsSince(start));
                break;
            case 1:
                ok = ok && remoteRead(0, KEY_BOARD, SIZE_BOARD, remote) && remote == expected;
                tRemote.push_back(microsSince(start));
                break;
            default:
                ok = ok && echo.roundTrip(raw);
                tRtt.push_back(microsSince(start));
                break;
            }
        }
        ++turn;
        if (!ok) {
            state.SkipWithError("a request failed or answered wrongly");
            return;
        }
    }
    const double l50 = quantile(tLocal, 0.5), r50 = quantile(tRemote, 0.5), rtt50 = quantile(tRtt, 0.5);
    const double l99 = quantile(tLocal, 0.99), r99 = quantile(tRemote, 0.99);
    state.counters["local_p50_us"] = l50;
    state.counters["remote_p50_us"] = r50;
    state.counters["rtt_p50_us"] = rtt50;
    state.counters["local_p99_us"] = l99;
    state.counters["remote_p99_us"] = r99;
    // Goal: at most 1.5 round trips over the local request at the median.
    state.counters["added_rtts"] = rtt50 > 0 ? (r50 - l50) / rtt50 : 0;
    state.counters["added_rtts_ok"] = r50 <= l50 + 1.5 * rtt50;
    // Goal: at most 300 us over the local request at the 99th percentile.
    state.counters["added_p99_us"] = r99 - l99;
    state.counters["added_p99_ok"] = r99 <= l99 + 300;
}
BENCHMARK(BM_RemoteRequest)->UseRealTime()->Unit(benchmark::kMicrosecond)->Iterations(1500);

// The clients and what each must read: two keys per controller, so that a
// reply meant for another client shows in its bytes.
struct ClientSet {
    std::vector<std::unique_ptr<RemotePeer>> peers;
    std::vector<std::vector<uint8_t>> packets;
    std::vector<std::vector<uint8_t>> expected;
    bool ok = false;
};

ClientSet& clients()
{
    static ClientSet set = [] {
        ClientSet s;
        for (int i = 0; i < CLIENTS; ++i) {
            const auto controller = static_cast<uint8_t>(i % CONTROLLERS);
            const bool cache = (i / CONTROLLERS) % 2 != 0;
            auto peer = std::make_unique<RemotePeer>();
            std::vector<uint8_t> expected;
            if (!peer->login(USER, PASSWORD) ||
                !localRead(controller, cache ? KEY_CACHE : KEY_BOARD, cache ? SIZE_CACHE : SIZE_BOARD, expected))
                return s;
            s.packets.push_back(peer->ioctlRead(controller, cache ? KEY_CACHE : KEY_BOARD, cache ? SIZE_CACHE : SIZE_BOARD));
            s.expected.push_back(expected);
            s.peers.push_back(std::move(peer));
        }
        s.ok = true;
        return s;
    }();
    return set;
}

// Runs `count` requests of client i; false at the first wrong reply.
bool runClient(ClientSet& s, int i, int count)
{
    std::vector<uint8_t> reply;
    for (int n = 0; n < count; ++n) {
        g_emulatorRequests += 1;
        if (!s.peers[i]->exchange(s.packets[i], reply) || !RemotePeer::answers(s.packets[i], reply, s.expected[i]))
            return false;
    }
    return true;
}

void BM_TenClients(benchmark::State& state)
{
    ClientSet& s = clients();
    if (!s.ok) {
        state.SkipWithError("client login failed");
        return;
    }
    double aloneSeconds = 0, togetherSeconds = 0;
    for (auto _ : state) {
        // The first client alone.
        auto start = Clock::now();
        const bool ok = runClient(s, 0, ALONE_REQUESTS);
        aloneSeconds += std::chrono::duration<double>(Clock::now() - start).count();

        std::atomic<int> ready{0};
        std::atomic<bool> go{false};
        std::atomic<int> wrong{0};
        std::vector<std::thread> threads;
        for (int i = 0; i < CLIENTS; ++i)
            threads.emplace_back([&, i] {
                ++ready;
                while (!go.load())
                    std::this_thread::yield();
                if (!runClient(s, i, REQUESTS_PER_CLIENT))
                    ++wrong;
            });
        while (ready.load() < CLIENTS)
            std::this_thread::yield();
        start = Clock::now();
        go.store(true);
        for (std::thread& t : threads)
            t.join();
        togetherSeconds += std::chrono::duration<double>(Clock::now() - start).count();
        if (!ok || wrong.load() != 0) {
            state.SkipWithError("a client got an error or a reply not its own");
            return;
        }
    }
    const double iterations = static_cast<double>(state.iterations());
    const double alone = iterations * ALONE_REQUESTS / aloneSeconds;
    const double together = iterations * CLIENTS * REQUESTS_PER_CLIENT / togetherSeconds;
    state.counters["alone_per_s"] = alone;
    state.counters["ten_per_s"] = together;
    // Goal: ten clients reach at least 1.8 x one client.
    state.counters["speedup"] = together / alone;
    state.counters["speedup_ok"] = together >= 1.8 * alone;
}
BENCHMARK(BM_TenClients)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// The board details record the library writes for the local read.
std::vector<uint8_t> boardRecord()
{
    std::vector<uint8_t> record(DRV_RECORD_SIZE + SIZE_BOARD, 0);
    drvPutHeader(record.data(), DRVREQ_COMMAND, 0, CTLSVC_CACHE);
    CtlCommand cmd;
    cmd.opcode = CTLOP_IOCTL;
    cmd.size = SIZE_BOARD;
    cmd.key = KEY_BOARD;
    cmd.target = CTL_TARGET_CONTROLLER;
    drvPutCommand(record.data(), cmd, CTLSVC_CACHE);
    return record;
}

// Writes the record to the file and reads a reply of `replySize` bytes.
bool cycle(const std::string& path, const std::vector<uint8_t>& record, std::vector<uint8_t>& reply)
{
    int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
    bool ok = fd >= 0 && write(fd, record.data(), record.size()) == static_cast<ssize_t>(record.size());
    if (fd >= 0)
        close(fd);
    fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ok = ok && fd >= 0 && read(fd, reply.data(), reply.size()) == static_cast<ssize_t>(reply.size());
    if (fd >= 0)
        close(fd);
    return ok;
}

void BM_EmulatorCycle(benchmark::State& state)
{
    const std::vector<uint8_t> record = boardRecord();
    std::vector<uint8_t> reply(DRV_REPLY_SIZE + SIZE_BOARD);
    const std::string emulator = g_sim->root() + "/kzmh/0";
    const std::string floor = g_floor->root() + "/kzmh/0";
    std::vector<double> tEmulator, tFloor;
    int turn = 0;
    for (auto _ : state) {
        bool ok = true;
        for (int k = 0; k < 2; ++k) {
            const auto start = Clock::now();
            if ((turn + k) % 2 == 0) {
                ++g_emulatorRequests;
                ok = ok && cycle(emulator, record, reply) && wire::get32(reply.data(), DRV_REPLY_STATUS) == 1;
                tEmulator.push_back(microsSince(start));
            } else {
                ok = ok && cycle(floor, record, reply);
                tFloor.push_back(microsSince(start));
            }
        }
        ++turn;
        if (!ok) {
            state.SkipWithError("a cycle failed");
            return;
        }
    }
    const double e50 = quantile(tEmulator, 0.5), f50 = quantile(tFloor, 0.5);
    state.counters["kzmsim_p50_us"] = e50;
    state.counters["floor_p50_us"] = f50;
    // Goal: at most 1.25 x the floor.
    state.counters["ratio"] = f50 > 0 ? e50 / f50 : 0;
    state.counters["ratio_ok"] = e50 <= 1.25 * f50;
}
BENCHMARK(BM_EmulatorCycle)->UseRealTime()->Unit(benchmark::kMicrosecond)->Iterations(1500);

// IOCTL reads of the two keys in the emulator's log; `full` tells whether
// the log is near the size at which its oldest lines drop out.
long loggedReads(bool& full)
{
    long n = 0;
    size_t bytes = 0;
    char board[32], cache[32];
    std::snprintf(board, sizeof board, "\t0x%08X\t", KEY_BOARD);
    std::snprintf(cache, sizeof cache, "\t0x%08X\t", KEY_CACHE);
    for (const std::string& line : g_sim->log()) {
        bytes += line.size() + 1;
        if (line.find(board) != std::string::npos || line.find(cache) != std::string::npos)
            ++n;
    }
    full = bytes + (64u << 10) > kzmsim::REQUEST_LOG_LIMIT;
    return n;
}

std::string hashOf(const char* password)
{
    crypt_data data{};
    return crypt_r(password, "$6$benchsalt$", &data);
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    SimMount sim;
    SimMount floor("", FLOOR_FUSE_PATH);
    if (!sim.ok() || !floor.ok()) {
        std::fprintf(stderr, "remote_bench: cannot mount kzmsim and floor_fuse (root and FUSE needed)\n");
        return 1;
    }
    g_sim = &sim;
    g_floor = &floor;
    sim.exportRoot();

    DaemonSandbox box;
    box.config = std::string("user ") + USER + " access full\n";
    box.shadow = "root:*:19000:0:99999:7:::\n" + std::string(USER) + ":" + hashOf(PASSWORD) + ":19000::::::\n";
    box.procRoot = sim.root();
    if (!box.start({"-c", "20"}) || box.foregroundExit() != 0 || !box.waitForRecord("Startup.")) {
        std::fprintf(stderr, "remote_bench: dulm did not start: %s\n", box.standardError().c_str());
        return 1;
    }
    uint8_t access = 0xFF;
    int handle = -1;
    if (local_open(LOCAL_INTERFACE_NAME, &access, &handle, nullptr, nullptr) != CTL_OK) {
        std::fprintf(stderr, "remote_bench: the local driver module cannot open\n");
        return 1;
    }

    bool full = false;
    long loggedBefore = 0;
    int rc = 1;
    const bool entered = box.inNetwork([&] {
        InterfaceRecord machine;
        std::strcpy(machine.name, "127.0.0.1");
        int count = 1;
        // The service logs its start before it listens: try for a while.
        CtlResult login = CTLERR_BAD_ARGUMENT;
        if (tcp_list_interfaces(&machine, &count) == CTL_OK && count == 1)
            for (int attempt = 0; attempt < 250 && login != CTL_OK; ++attempt) {
                access = 0;
                login = tcp_connect("127.0.0.1", &access, &handle, USER, PASSWORD);
                if (login != CTL_OK)
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        if (login != CTL_OK) {
            std::fprintf(stderr, "remote_bench: no login at dulm\n");
            return;
        }
        // The service reads each controller's board details after it logs
        // its start and before it listens: counted from here on, the log
        // holds only the benchmarks' requests.
        loggedBefore = loggedReads(full);
        // The service's log records are taken as they come: a full queue
        // of the listener standing for /dev/log would stall the service.
        std::atomic<bool> done{false};
        std::thread drain([&] {
            while (!done.load()) {
                box.records();
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        });
        benchmark::RunSpecifiedBenchmarks();
        clients().peers.clear();
        tcp_disconnect(0);
        done.store(true);
        drain.join();
        rc = 0;
    });
    box.records();
    // Every request the benchmarks sent to the emulator must be in its log.
    const long logged = loggedReads(full) - loggedBefore;
    if (entered && rc == 0 && full) {
        std::fprintf(stderr, "remote_bench: the emulator's log reached its size limit; fewer repetitions let it be checked\n");
    } else if (entered && rc == 0 && logged != g_emulatorRequests.load()) {
        std::fprintf(stderr, "remote_bench: the emulator logged %ld of %ld requests\n", logged,
                     g_emulatorRequests.load());
        rc = 1;
    } else if (entered && rc == 0) {
        std::printf("request log complete: %ld of %ld requests\n", logged, g_emulatorRequests.load());
    }
    benchmark::Shutdown();
    return entered ? rc : 1;
}
