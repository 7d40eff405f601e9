// The partition table code on its own: sizes and shares, crafted entries,
// the DOS plan for a machine that says "MS-DOS", the BIOS parameter block,
// the boot loader's bytes against its source, and a bounded fuzz run.
#include "byte_order.h"
#include "master_boot_code.h"
#include "partition_table.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

constexpr PartitionGeometry kF1{488, 64, 32};  // 1,000,000 sectors

// Sets entry k of r's raw copy and the signature.
void Put(PartitionSector& r, int k, uint8_t type, uint32_t start, uint32_t size, uint8_t boot = 0)
{
    uint8_t* e = r.raw + PART_ENTRY_SIZE * static_cast<size_t>(k);
    e[PART_ENTRY_BOOT] = boot;
    e[PART_ENTRY_TYPE] = type;
    wire::put32(e, PART_ENTRY_START, start);
    wire::put32(e, PART_ENTRY_SIZE_FIELD, size);
    wire::put16(r.raw, PART_SIGNATURE, PART_SIGNATURE_VALUE);
}

// The f1 drive: three primaries, an extended partition at 309248 with two
// logical partitions (records at 309248 and 411648), as sfdisk lays it out.
void F1(PartitionSector& p)
{
    Put(p, 0, 0x83, 2048, 204800, 0x80);
    Put(p, 1, 0x82, 206848, 102400);
    Put(p, 2, 0x05, 309248, 600064);
    ParsePartitionEntries(p, 0, 0, uint64_t{kF1.cylinders} * kF1.heads * kF1.sectors, kF1);
    ASSERT_TRUE(ValidatePartitionEntries(p, kF1));
    p.next = std::make_unique<PartitionSector>();
    Put(*p.next, 0, 0x0B, 2048, 100352);
    Put(*p.next, 1, 0x05, 102400, 202752);
    p.next->sectorNumber = 309248;
    ParsePartitionEntries(*p.next, 309248, 309248, 600064, kF1);
    p.next->next = std::make_unique<PartitionSector>();
    Put(*p.next->next, 0, 0x83, 2048, 200704);
    p.next->next->sectorNumber = 411648;
    ParsePartitionEntries(*p.next->next, 411648, 309248, 600064, kF1);
    p.logicalCount = 2;
}

}  // namespace

TEST(PartitionSizes, MegabytesAndPercent)
{
    struct Case {
        uint64_t size, total;
        uint32_t mb, percent;
    };
    const Case cases[] = {
        {3072, 1000000, 1, 0},        // remainder 1,024 is not above 1,024
        {3073, 1000000, 2, 0},
        {5001, 1000000, 2, 1},        // 5,001 / 10,000 = 0, remainder above 5,000
        {5000, 1000000, 2, 0},
        {204800, 999424, 100, 20},
        {50, 99, 0, 50},              // a total below 100: size x 100 / total
        {7, 0, 0, 0},                 // no total: 0
        {0xFFFFFFFF, 0xFFFFFFFF, 2097152, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.size) + " of " + std::to_string(c.total));
        EXPECT_EQ(PartitionSizeMb(c.size), c.mb);
        EXPECT_EQ(PartitionPercent(c.size, c.total), c.percent);
    }
}

TEST(PartitionDecode, CraftedEntriesNeitherDivideByZeroNorWrap)
{
    // A geometry without heads or sectors puts everything on cylinder 0.
    PartitionSector flat;
    Put(flat, 0, 0x83, 2048, 4096);
    ParsePartitionEntries(flat, 0, 0, 0, PartitionGeometry{0, 0, 0});
    EXPECT_EQ(flat.entries[0].startCylinder, 0u);
    EXPECT_EQ(flat.entries[0].percent, 0u);
    // start + size - 1 beyond 32 bits stays beyond the drive.
    PartitionSector wrap;
    Put(wrap, 0, 0x83, 0x80000000u, 0x80000001u);
    ParsePartitionEntries(wrap, 0, 0, 1000000, kF1);
    EXPECT_GT(wrap.entries[0].endCylinder, wrap.entries[0].startCylinder);
    EXPECT_FALSE(ValidatePartitionEntries(wrap, kF1));
    // A hidden bit alone leaves an unused entry; 0x10 is cleared in the copy.
    PartitionSector hidden;
    Put(hidden, 0, 0x10, 2048, 4096);
    Put(hidden, 1, 0x1B, 8192, 4096);
    ParsePartitionEntries(hidden, 0, 0, 1000000, kF1);
    EXPECT_EQ(hidden.entries[0].unused, 1u);
    EXPECT_STREQ(hidden.entries[1].typeName, "FAT32(hidden)");
    EXPECT_EQ(hidden.Type(1), 0x0B);
}

TEST(PartitionDosPlan, FreeSpaceOutsideAndInsideTheExtendedPartition)
{
    PartitionSector p;
    F1(p);
    DosPlan plan;
    PlanDosSpace(plan, p, kF1, "Linux", 6, 0);
    EXPECT_EQ(plan.valid, 0u);
    PlanDosSpace(plan, p, kF1, "MS-DOS", 6, 22);
    EXPECT_EQ(plan.valid, 1u);
    EXPECT_EQ(plan.dosLevel, 6);
    EXPECT_EQ(plan.largestCylinders, 0x400000u / 2048);
    EXPECT_EQ(plan.freeStart, 444u);
    EXPECT_EQ(plan.freeCylinders, 44u);
    // Behind the last logical partition (300-443) beats the cylinder between the two.
    EXPECT_EQ(plan.extFreeStart, 300u);
    EXPECT_EQ(plan.extFreeCylinders, 144u);
    EXPECT_EQ(plan.extFreeAfter, 1);
    // Without logical partitions: the whole extended partition, after no record.
    p.next.reset();
    p.logicalCount = 0;
    PlanDosSpace(plan, p, kF1, "MS-DOS", 3, 30);
    EXPECT_EQ(plan.dosLevel, 5);
    EXPECT_EQ(plan.largestCylinders, 0x10000u / 2048);
    EXPECT_EQ(plan.extFreeStart, 151u);
    EXPECT_EQ(plan.extFreeCylinders, 293u);
    EXPECT_EQ(plan.extFreeAfter, -1);

    struct Level {
        int major, minor;
        uint8_t level;
    };
    for (const Level& l : {Level{2, 11, 3}, Level{3, 10, 4}, Level{3, 30, 5}, Level{4, 0, 6}}) {
        PlanDosSpace(plan, p, kF1, "MS-DOS", l.major, l.minor);
        EXPECT_EQ(plan.dosLevel, l.level) << l.major << "." << l.minor;
    }
    // A drive without partitions is free from cylinder 0; no geometry never divides.
    PartitionSector empty;
    PlanDosSpace(plan, empty, kF1, "MS-DOS", 6, 0);
    EXPECT_EQ(plan.freeStart, 0u);
    EXPECT_EQ(plan.freeCylinders, 488u);
    PlanDosSpace(plan, empty, PartitionGeometry{}, "MS-DOS", 6, 0);
    EXPECT_EQ(plan.largestCylinders, 0u);
}

TEST(PartitionBootParameterBlock, Table)
{
    struct Case {
        uint8_t type;
        uint32_t sectors;
        int dosMajor;
        uint8_t perCluster;
        uint16_t smallTotal;
        uint32_t largeTotal;
        uint16_t fatSectors;
    };
    const Case cases[] = {
        {0x06, 20480, 6, 8, 20480, 0, 11},          // 10 MB
        {0x01, 2048, 2, 2, 2048, 0, 4},             // 1 MB FAT12: 1.5 bytes a cluster
        {0x06, 204800, 6, 4, 0, 204800, 201},       // 100 MB
        {0x06, 409600, 6, 8, 0, 409600, 201},       // 200 MB
        {0x06, 1048576, 6, 16, 0, 1048576, 257},    // 512 MB
        {0x06, 6291456, 6, 64, 0, 6291456, 385},    // 3 GB
        {0x04, 65536, 2, 16, 0, 65536, 17},         // 32 MB, older DOS
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.sectors) + " sectors, DOS " + std::to_string(c.dosMajor));
        PartitionSector r;
        Put(r, 1, c.type, 63, c.sectors);
        uint8_t bpb[BPB_SIZE];
        std::fill(std::begin(bpb), std::end(bpb), 0xEE);
        FillBootParameterBlock(bpb, r, 1, PartitionGeometry{1000, 255, 63}, c.dosMajor);
        EXPECT_EQ(wire::get16(bpb, 0), 512);
        EXPECT_EQ(bpb[2], c.perCluster);
        EXPECT_EQ(wire::get16(bpb, 3), 1);
        EXPECT_EQ(bpb[5], 2);
        EXPECT_EQ(wire::get16(bpb, 6), 512);
        EXPECT_EQ(wire::get16(bpb, 8), c.smallTotal);
        EXPECT_EQ(bpb[10], 0xF8);
        EXPECT_EQ(wire::get16(bpb, 11), c.fatSectors);
        EXPECT_EQ(wire::get16(bpb, 13), 63);
        EXPECT_EQ(wire::get16(bpb, 15), 255);
        EXPECT_EQ(wire::get32(bpb, 17), 63u);
        EXPECT_EQ(wire::get32(bpb, 21), c.largeTotal);
    }
}

TEST(MasterBootCode, BytesAreTheAssembledSource)
{
    // Words 84-108 hold a zero word, so the checksum rule never touches the disk signature.
    bool spare = false;
    for (size_t w = 84; w <= 108; ++w)
        spare = spare || wire::get32(MasterBootCode, 4 * w) == 0;
    EXPECT_TRUE(spare);
    if (std::system("command -v nasm >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "nasm is not installed (scripts/install-deps.sh installs it)";
    char dir[] = "/tmp/mbcXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string out = std::string(dir) + "/code.bin";
    const std::string cmd = std::string("nasm -f bin -o ") + out + " " KZM_SOURCE_DIR "/model/boot/master_boot_code.asm";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    std::ifstream in(out, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::remove(out.c_str());
    rmdir(dir);
    ASSERT_EQ(bytes.size(), MASTER_BOOT_CODE_SIZE);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), MasterBootCode));
}

// Runs the machine emulator `args` with its first serial port on a pipe and
// reads it until `text` shows or `bound` has passed; the emulator is then
// killed and collected. What the serial port wrote.
std::string SerialOutputUntil(const std::vector<std::string>& args, const std::string& text,
                              std::chrono::milliseconds bound)
{
    int serial[2], input[2];
    if (pipe2(serial, O_CLOEXEC) != 0)
        return "";
    if (pipe2(input, O_CLOEXEC) != 0) {
        close(serial[0]);
        close(serial[1]);
        return "";
    }
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        // Standard input stays open and silent; standard error is dropped.
        dup2(input[0], 0);
        dup2(serial[1], 1);
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0)
            dup2(null, 2);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(serial[1]);
    close(input[0]);
    std::string seen;
    const auto end = std::chrono::steady_clock::now() + bound;
    while (pid > 0 && seen.find(text) == std::string::npos) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
        if (left <= 0)
            break;
        pollfd p{serial[0], POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0)
            break;
        char buf[256];
        const ssize_t n = read(serial[0], buf, sizeof buf);
        if (n <= 0)
            break;
        seen.append(buf, static_cast<size_t>(n));
    }
    if (pid > 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    close(serial[0]);
    close(input[1]);
    return seen;
}

TEST(MasterBootCode, BootsTheActivePartitionInAMachineEmulator)
{
    // A 2 MiB disk: our sector 0 with one active partition at sector 2048,
    // whose boot sector writes a marker to the first serial port and halts.
    if (std::system("command -v qemu-system-x86_64 >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "qemu-system-x86 is not installed (scripts/install-deps.sh installs it)";
    constexpr uint32_t kStart = 2048, kSize = 2048;
    std::vector<uint8_t> disk((kStart + kSize) * 512, 0);
    std::copy_n(MasterBootCode, MASTER_BOOT_CODE_SIZE, disk.begin());
    uint8_t* entry = disk.data() + 446;
    entry[0] = 0x80;                                  // active
    entry[1] = 0x20, entry[2] = 0x21, entry[3] = 0x00;  // CHS of sector 2048 on 64 x 32
    entry[4] = 0x83;
    entry[5] = 0x01, entry[6] = 0x20, entry[7] = 0x01;  // CHS of sector 4095
    wire::put32(entry, 8, kStart);
    wire::put32(entry, 12, kSize);
    disk[510] = 0x55, disk[511] = 0xAA;
    const std::vector<uint8_t> marker = {
        0xBA, 0xF8, 0x03,  // mov dx, 0x3F8
        0xBE, 0x12, 0x7C,  // mov si, message
        0xAC,              // next: lodsb
        0x84, 0xC0,        // test al, al
        0x74, 0x03,        // jz halt
        0xEE,              // out dx, al
        0xEB, 0xF8,        // jmp next
        0xFA, 0xF4,        // halt: cli; hlt
        0xEB, 0xFD,        // jmp back to hlt
    };
    uint8_t* vbr = disk.data() + kStart * 512;
    std::copy(marker.begin(), marker.end(), vbr);
    const std::string text = "PARTITION-BOOTED\r\n";
    std::copy(text.begin(), text.end(), vbr + marker.size());
    vbr[510] = 0x55, vbr[511] = 0xAA;

    char dir[] = "/tmp/mbcbootXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string image = std::string(dir) + "/disk.img";
    {
        std::ofstream out(image, std::ios::binary);
        out.write(reinterpret_cast<const char*>(disk.data()), static_cast<std::streamsize>(disk.size()));
    }
    const std::string seen = SerialOutputUntil(
        {"qemu-system-x86_64", "-display", "none", "-monitor", "none", "-no-reboot", "-m", "32", "-serial", "stdio",
         "-drive", "file=" + image + ",format=raw,if=ide"},
        "PARTITION-BOOTED", std::chrono::seconds(30));
    std::filesystem::remove_all(dir);
    EXPECT_NE(seen.find("PARTITION-BOOTED"), std::string::npos) << seen;
}

TEST(PartitionFuzz, DecoderRunsForABoundedTime)
{
    // The f1 tables, mutated for two seconds; the seed is fixed so that a failure can be replayed.
    PartitionSector p;
    F1(p);
    std::vector<uint8_t> seed(8);
    wire::put32(seed.data(), 0, kF1.cylinders);
    seed[4] = 64;
    seed[5] = 32;
    seed[6] = 6;
    for (const PartitionSector* r = &p; r != nullptr; r = r->next.get())
        seed.insert(seed.end(), r->raw, r->raw + PART_RAW_SIZE);
    std::mt19937 gen(21);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    long runs = 0;
    while (std::chrono::steady_clock::now() < end) {
        std::vector<uint8_t> in = seed;
        for (int k = 1 + static_cast<int>(gen() % 8); k > 0; --k)
            in[gen() % in.size()] = static_cast<uint8_t>(gen());
        if (gen() % 4 == 0)
            in.resize(gen() % in.size());
        LLVMFuzzerTestOneInput(in.data(), in.size());
        ++runs;
    }
    EXPECT_GT(runs, 0);
}
