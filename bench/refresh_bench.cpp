// CController::Refresh of a large configuration against the mounted
// emulator, beside the bare open/write/close/open/read/close cycle of one
// request record on the same mount. The refresh's cost per request (its
// request count taken from the emulator's log) stays within 1.2 cycles:
// BM_Refresh's `ratio` counter. Run BM_BareCycle first (the default order).
#include "byte_order.h"
#include "controller.h"
#include "ctl_commands.h"
#include "driver_record.h"
#include "sim_mount.h"
#include "xport.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kChannels = 6;
constexpr int kDisksPerChannel = 15;
constexpr double kGoal = 1.2;

std::unique_ptr<SimMount> g_sim;
std::unique_ptr<CController> g_controller;
double g_cycleSeconds = 0;  // the floor: one bare request cycle
// The requests of one refresh, counted from the log before the benchmarks
// run: the log keeps only its newest lines, and the bare cycles alone may
// fill it.
size_t g_requestsPerRefresh = 0;

// "new" profile, 6 SCSI channels of 15 disks; logical drives 0-29 on the
// first 30 disks: 0-9 single, 10-19 five mirrors, 20-29 two RAID-5 arrays
// (made by the model at set-up).
std::string Scenario()
{
    std::string channels;
    for (int ch = 0; ch < kChannels; ++ch) {
        std::string devices;
        for (int t = 0; t < kDisksPerChannel; ++t)
            devices += (t ? ", " : "") + std::string(R"({"target": )") + std::to_string(t) + "}";
        channels += (ch ? ", " : "") + std::string(R"({"kind": 2, "devices": [)") + devices + "]}";
    }
    std::string drives;
    for (int n = 0; n < 30; ++n)
        drives += (n ? ", " : "") + std::string(R"({"number": )") + std::to_string(n) + R"(, "members": [[)" +
                  std::to_string(n / kDisksPerChannel) + ", " + std::to_string(n % kDisksPerChannel) + "]]}";
    std::string mirrors;
    for (int m = 0; m < 5; ++m)
        mirrors += (m ? ", " : "") + std::string(R"({"drives": [)") + std::to_string(10 + 2 * m) + ", " +
                   std::to_string(11 + 2 * m) + "]}";
    return R"({"controllers": [{"entry": 0, "profile": "new", "channels": [)" + channels +
           R"(], "logicalDrives": [)" + drives + R"(], "mirrors": [)" + mirrors + "]}]}";
}

// Writes a table of `count` host drives on carrier `carrier` of `capacity`
// sectors: the base drive and count - 1 more numbered from *next.
bool WriteTable(int carrier, uint32_t capacity, int count, int* next)
{
    std::vector<uint8_t> t(HDTABLE_HEAD + HDENTRY_SIZE * static_cast<size_t>(count), 0);
    wire::put32(t.data(), HDTABLE_COUNT, static_cast<uint32_t>(count));
    wire::put32(t.data(), HDTABLE_WORD1, HDTABLE_WORD1_VALUE);
    const uint32_t gap = 1200;
    const uint32_t size = (capacity - gap) / static_cast<uint32_t>(count) - gap;
    for (int k = 0; k < count; ++k) {
        uint8_t* e = t.data() + HDTABLE_HEAD + HDENTRY_SIZE * static_cast<size_t>(k);
        e[HDENTRY_NUMBER] = static_cast<uint8_t>(k == 0 ? carrier : (*next)++);
        e[HDENTRY_CARRIER] = static_cast<uint8_t>(carrier);
        wire::put32(e, HDENTRY_SECTORS, size);
        wire::put32(e, HDENTRY_START, gap + static_cast<uint32_t>(k) * (size + gap));
    }
    return ctl_write_host_drive_table(0, 0, static_cast<uint32_t>(carrier), t.data(), static_cast<uint16_t>(t.size())) ==
           CTL_OK;
}

// The arrays and 60 host drives over the 17 carrying drives.
bool SetUp(CController& c)
{
    if (c.Refresh() != 1)
        return false;
    for (int first : {20, 25}) {
        CLogDrive& d = c.logDrives[c.FindLogicalDrive(first)];
        for (int n = first + 1; n < first + 5; ++n)
            d.AddPendingComponent(c.FindLogicalDrive(n));
        if (d.CreateArray(RAID_TYPE_5, nullptr, nullptr, 0) != 1 || c.Refresh() != 1)
            return false;
    }
    int next = 100;
    int made = 0;
    // 10 single drives and 5 mirrors with 3 host drives each, 2 arrays with 7 and 8.
    for (int n = 0; n < 10; ++n, made += 3)
        if (!WriteTable(n, wire::get32(c.logDrives[c.FindLogicalDrive(n)].info, LDINFO_CAPACITY), 3, &next))
            return false;
    for (int m = 0; m < 5; ++m, made += 3)
        if (!WriteTable(10 + 2 * m, wire::get32(c.logDrives[c.FindLogicalDrive(10 + 2 * m)].info, LDINFO_CAPACITY), 3, &next))
            return false;
    for (int a = 0; a < 2; ++a) {
        const int count = a == 0 ? 7 : 8;
        if (!WriteTable(a == 0 ? 20 : 25, c.arrayDrives[c.FindArrayDrive(a == 0 ? 20 : 25)].Capacity(), count, &next))
            return false;
        made += count;
    }
    return made == 60 && c.Refresh() == 1 && c.hostDrives.count == 60;
}

// The 612-byte record of the board information request, built by hand.
std::vector<uint8_t> BoardInfoRecord()
{
    std::vector<uint8_t> record(528 + 84, 0);
    drvPutHeader(record.data(), DRVREQ_COMMAND, 0, CTLSVC_CACHE);
    wire::put16(record.data(), 20, CTLOP_IOCTL);
    wire::put16(record.data(), 22, 84);
    wire::put32(record.data(), 24, 0x28);
    wire::put32(record.data(), 28, 0xFFFF);
    return record;
}

// The floor: one request record written and its reply read, by hand.
void BM_BareCycle(benchmark::State& state)
{
    const std::vector<uint8_t> record = BoardInfoRecord();
    std::vector<uint8_t> reply(408 + 84);
    const std::string path = g_sim->root() + "/kzmh/0";
    const auto start = std::chrono::steady_clock::now();
    int64_t n = 0;
    for (auto _ : state) {
        int fd = open(path.c_str(), O_WRONLY);
        bool ok = fd >= 0 && write(fd, record.data(), record.size()) == static_cast<ssize_t>(record.size());
        if (fd >= 0)
            close(fd);
        fd = open(path.c_str(), O_RDONLY);
        ok = ok && fd >= 0 && read(fd, reply.data(), reply.size()) > 0;
        if (fd >= 0)
            close(fd);
        if (!ok) {
            state.SkipWithError("bare cycle failed");
            break;
        }
        ++n;
        benchmark::DoNotOptimize(reply.data());
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (n > 0)
        g_cycleSeconds = took.count() / static_cast<double>(n);
}
BENCHMARK(BM_BareCycle)->UseRealTime();

// One whole refresh; `requests` per refresh from the log, `ratio` its time
// over that many bare cycles (goal: at most 1.2).
void BM_Refresh(benchmark::State& state)
{
    const double requests = static_cast<double>(g_requestsPerRefresh);
    const auto start = std::chrono::steady_clock::now();
    int64_t n = 0;
    for (auto _ : state) {
        if (g_controller->Refresh() != 1) {
            state.SkipWithError("refresh failed");
            break;
        }
        ++n;
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (n == 0)
        return;
    state.counters["requests"] = requests;
    if (g_cycleSeconds > 0) {
        const double ratio = took.count() / static_cast<double>(n) / (requests * g_cycleSeconds);
        state.counters["ratio"] = ratio;
        state.counters["goal"] = kGoal;
    }
}
BENCHMARK(BM_Refresh)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    g_sim = std::make_unique<SimMount>(Scenario());
    if (!g_sim->ok())
        return 1;
    g_sim->exportRoot();
    if (xport_open_local(0) != 0)
        return 1;
    g_controller = std::make_unique<CController>(0, 0, HostSystemInfo{});
    if (g_controller->index < 0 || !SetUp(*g_controller)) {
        std::fprintf(stderr, "refresh_bench: the configuration could not be set up\n");
        return 1;
    }
    const size_t logged = g_sim->log().size();
    if (g_controller->Refresh() != 1) {
        std::fprintf(stderr, "refresh_bench: the configuration could not be read\n");
        return 1;
    }
    g_requestsPerRefresh = g_sim->log().size() - logged;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_controller.reset();
    xport_close();
    g_sim.reset();
    return 0;
}
