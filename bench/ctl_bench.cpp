// One library request through the local driver module against the mounted
// emulator, beside the bare file cycle that carries the same record. On a
// busy machine compare them with --benchmark_repetitions=6
// --benchmark_enable_random_interleaving=true, so that both see the same load.
#include "byte_order.h"
#include "ctl_commands.h"
#include "driver_record.h"
#include "sim_mount.h"
#include "xport.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::unique_ptr<SimMount> g_sim;

// ctl_get_board_info: builder, manager dispatch, local module, two opens.
void BM_LibraryRequest(benchmark::State& state)
{
    uint8_t info[84] = {};
    for (auto _ : state) {
        std::memset(info, 0, sizeof info);  // the data area goes out as zeros, as in the bare cycle
        if (ctl_get_board_info(0, info) != CTL_OK) {
            state.SkipWithError("request failed");
            break;
        }
        benchmark::DoNotOptimize(info);
    }
}
BENCHMARK(BM_LibraryRequest)->UseRealTime();

// The 612-byte record of that request, built by hand.
std::vector<uint8_t> boardInfoRecord()
{
    std::vector<uint8_t> record(528 + 84, 0);
    drvPutHeader(record.data(), DRVREQ_COMMAND, 0, CTLSVC_CACHE);
    wire::put16(record.data(), 20, CTLOP_IOCTL);
    wire::put16(record.data(), 22, 84);
    wire::put32(record.data(), 24, 0x28);
    wire::put32(record.data(), 28, 0xFFFF);
    return record;
}

// True when the emulator's last logged record is `record`: the library and
// the bare cycle then carry the very same bytes.
bool lastLoggedIs(const std::vector<uint8_t>& record)
{
    const std::vector<std::string> log = g_sim->log();
    if (log.empty())
        return false;
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (uint8_t b : record) {
        hex += digits[b >> 4];
        hex += digits[b & 15];
    }
    const std::string& line = log.back();
    return line.size() >= hex.size() && line.compare(line.size() - hex.size(), hex.size(), hex) == 0 &&
           line[line.size() - hex.size() - 1] == '\t';
}

// The same record written and its 492-byte reply read, by hand.
void BM_BareCycle(benchmark::State& state)
{
    const std::vector<uint8_t> record = boardInfoRecord();
    std::vector<uint8_t> reply(408 + 84);
    const std::string path = g_sim->root() + "/kzmh/0";
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
        benchmark::DoNotOptimize(reply.data());
    }
}
BENCHMARK(BM_BareCycle)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    g_sim = std::make_unique<SimMount>();
    if (!g_sim->ok())
        return 1;
    g_sim->exportRoot();
    if (xport_open_local(0) != 0)
        return 1;
    uint8_t info[84] = {};
    if (ctl_get_board_info(0, info) != CTL_OK || !lastLoggedIs(boardInfoRecord())) {
        std::fprintf(stderr, "ctl_bench: the library's record differs from the bare cycle's\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    xport_close();
    g_sim.reset();
    return 0;
}
