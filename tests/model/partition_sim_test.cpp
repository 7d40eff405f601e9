// Partition tables end to end: tables that util-linux sfdisk writes onto a
// host drive file of the emulator, read back through CHostDrive; the
// master boot code written over them.
#include "drive_sim_test.h"

#include "master_boot_code.h"
#include "model_errors.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// Disk 0 carries host drive 0 of 1,000,000 sectors (64 x 32, 488 cylinders);
// disk 1 host drive 1 of 20,000,000 sectors (255 x 63, 1244 cylinders).
const std::string kMachine = R"({"entry": 0, "profile": "new", "firmwareVersion": "0x02200000",
    "channels": [{"kind": 2, "devices": [{"target": 0, "capacity": 1001200}, {"target": 1, "capacity": 20001200}]}],
    "logicalDrives": [{"number": 0, "members": [[0, 0]]}, {"number": 1, "members": [[0, 1]]}]})";

constexpr const char* kHead = "label: dos\nlabel-id: 0x1234abcd\nunit: sectors\n\n";

// The table of the f1 drive: three primaries, two logical partitions.
constexpr const char* kF1 =
    "start=2048, size=204800, type=83, bootable\n"
    "start=206848, size=102400, type=82\n"
    "start=309248, size=600064, type=5\n"
    "start=311296, size=100352, type=b\n"
    "start=413696, size=200704, type=83\n";

// One decoded entry as the tests expect it.
struct Want {
    const char* name;  // nullptr: unused
    uint32_t start, end, mb, percent;
};

// Runs `program args` with `input` on its standard input; its exit status.
int RunProgram(const std::vector<std::string>& args, const std::string& input, std::string* output = nullptr)
{
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0)
        return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        close(in[1]);
        close(out[0]);
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    if (!input.empty() && write(in[1], input.data(), input.size()) < 0)
        input.size();
    close(in[1]);
    std::string text;
    char buf[4096];
    for (ssize_t n; (n = read(out[0], buf, sizeof buf)) > 0;)
        text.append(buf, static_cast<size_t>(n));
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (output != nullptr)
        *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The sfdisk program (root's PATH may lack /usr/sbin).
std::string Sfdisk()
{
    for (const char* p : {"/usr/sbin/sfdisk", "/sbin/sfdisk"})
        if (access(p, X_OK) == 0)
            return p;
    return "sfdisk";
}

}  // namespace

class PartitionTest : public DriveSimTest {
protected:
    void SetUp() override
    {
        c_ = Read(kMachine);
        ASSERT_NE(c_, nullptr);
        for (int n : {0, 1})
            ASSERT_EQ(c_->logDrives[Drive(*c_, n)].CreateHostDrive(n), 1);
        ASSERT_EQ(c_->Refresh(), 1);
    }

    // The file of host drive n.
    std::string File(int n) const { return sim_->root() + "/kzmsim/hostdrive/0/" + std::to_string(n); }

    // sfdisk writes `table` onto host drive n; its exit status.
    int Partition(int n, const std::string& table) const
    {
        return RunProgram({Sfdisk(), "--no-reread", "--no-tell-kernel", "-q", "-w", "never", File(n)}, table);
    }

    // Sector s of host drive n read through its file.
    std::vector<uint8_t> Sector(int n, uint64_t s) const
    {
        std::vector<uint8_t> out(512);
        const int fd = open(File(n).c_str(), O_RDONLY);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(pread(fd, out.data(), 512, static_cast<off_t>(s * 512)), 512);
        close(fd);
        return out;
    }

    // Writes sector s of host drive n through its file.
    void PutSector(int n, uint64_t s, const std::vector<uint8_t>& bytes) const
    {
        const int fd = open(File(n).c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        EXPECT_EQ(pwrite(fd, bytes.data(), 512, static_cast<off_t>(s * 512)), 512);
        close(fd);
    }

    CHostDrive& Host(int n)
    {
        const int h = c_->FindHostDrive(n);
        EXPECT_GE(h, 0);
        return c_->hostDrives[h < 0 ? 0 : h];
    }

    // The first blocks of the block reads logged since `from` lines.
    std::vector<uint64_t> BlockReads(size_t from) const
    {
        std::vector<uint64_t> out;
        const std::vector<std::string> lines = sim_->log();
        for (size_t i = from; i < lines.size(); ++i) {
            std::vector<std::string> f;
            std::stringstream in(lines[i]);
            for (std::string field; std::getline(in, field, '\t');)
                f.push_back(field);
            if (f.size() > 6 && f[3] == "9" && f[4] == "1")
                out.push_back(std::stoull(f[5], nullptr, 16));
        }
        return out;
    }

    size_t LogLines() const { return sim_->log().size(); }

    static void Expect(const PartitionEntry& e, const Want& w, const std::string& where)
    {
        SCOPED_TRACE(where);
        if (w.name == nullptr) {
            EXPECT_EQ(e.unused, 1u);
            return;
        }
        EXPECT_EQ(e.unused, 0u);
        EXPECT_STREQ(e.typeName, w.name);
        EXPECT_EQ(e.startCylinder, w.start);
        EXPECT_EQ(e.endCylinder, w.end);
        EXPECT_EQ(e.sizeMb, w.mb);
        EXPECT_EQ(e.percent, w.percent);
    }

    CController* c_ = nullptr;
};

TEST_F(PartitionTest, HostDriveFilesHoldTheCarrierSectors)
{
    struct stat st {};
    ASSERT_EQ(stat(File(0).c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 1000000LL * 512);
    EXPECT_NE(stat(File(7).c_str(), &st), 0);
    // A sector written through the file is what a block read returns.
    std::vector<uint8_t> bytes(512);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i * 7);
    PutSector(0, 5, bytes);
    std::vector<uint8_t> read(512);
    BlockIoRecord r;
    r.controller = 0;
    r.hostDrive = 0;
    r.firstBlock = 5;
    r.blockCount = 1;
    r.data = read.data();
    r.dataSize = read.size();
    ASSERT_EQ(ctl_read_blocks(r), 0u);
    EXPECT_EQ(read, bytes);
    // ioerr fails the next read of that sector once.
    ASSERT_TRUE(sim_->control("ioerr 0 0 5"));
    EXPECT_EQ(ctl_read_blocks(r), CTLERR_CONTROLLER + 0x000F);
    EXPECT_EQ(ctl_read_blocks(r), 0u);
    EXPECT_FALSE(sim_->control("ioerr 9 0 5"));
}

TEST_F(PartitionTest, AFileGoesWithItsHostDrive)
{
    struct stat st {};
    ASSERT_EQ(stat(File(1).c_str(), &st), 0);
    ASSERT_EQ(Host(1).Remove(1, 0), 1);
    EXPECT_NE(stat(File(1).c_str(), &st), 0);
    EXPECT_LT(open(File(1).c_str(), O_RDONLY), 0);
    EXPECT_EQ(stat(File(0).c_str(), &st), 0);
}

TEST_F(PartitionTest, FilesFollowSwappedNumbers)
{
    struct stat st {};
    ASSERT_EQ(stat(File(0).c_str(), &st), 0);
    ASSERT_EQ(stat(File(1).c_str(), &st), 0);
    std::vector<uint8_t> marker(512, 0x5A);
    PutSector(0, 0, marker);
    ASSERT_EQ(Host(0).SwapNumbers(1, 1), 1);
    // The size and the sectors went with the drive to its new number (the
    // sizes first: a read would make the kernel ask again anyway).
    ASSERT_EQ(stat(File(1).c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 1000000LL * 512);
    ASSERT_EQ(stat(File(0).c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 20000000LL * 512);
    EXPECT_EQ(Sector(1, 0), marker);
    EXPECT_EQ(Sector(0, 0), std::vector<uint8_t>(512, 0));
}

TEST_F(PartitionTest, SfdiskTablesReadBack)
{
    ASSERT_EQ(Partition(0, std::string(kHead) + kF1), 0);
    const size_t from = LogLines();
    ASSERT_EQ(Host(0).Refresh(), 1);
    EXPECT_EQ(BlockReads(from), (std::vector<uint64_t>{0, 309248, 411648}));
    const PartitionSector* p = Host(0).GetPartitions();
    const Want primary[] = {{"LINUX native", 1, 100, 100, 20},
                            {"LINUX swap", 101, 150, 50, 10},
                            {"EXTDOS", 151, 443, 293, 60},
                            {nullptr, 0, 0, 0, 0}};
    for (int k = 0; k < 4; ++k)
        Expect(p->entries[k], primary[k], "primary " + std::to_string(k));
    EXPECT_EQ(p->entries[0].order, 0);
    EXPECT_EQ(p->entries[2].order, 2);
    EXPECT_EQ(p->entries[3].order, -1);
    EXPECT_EQ(p->Boot(0), 0x80);
    const std::vector<uint8_t> s0 = Sector(0, 0);
    EXPECT_TRUE(std::equal(s0.begin() + 446, s0.end(), p->raw));
    EXPECT_EQ(p->logicalCount, 2u);
    EXPECT_FALSE(Host(0).PartitionTableEmpty());
    const PartitionSector* first = p->next.get();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->sectorNumber, 309248u);
    Expect(first->entries[0], {"FAT32", 152, 200, 49, 17}, "first logical");
    EXPECT_EQ(first->entries[1].startCylinder, 201u);
    const PartitionSector* second = first->next.get();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->sectorNumber, 411648u);
    Expect(second->entries[0], {"LINUX native", 202, 299, 98, 33}, "second logical");
    EXPECT_EQ(second->next, nullptr);
    // The machine says "Linux": no DOS plan.
    EXPECT_EQ(Host(0).GetDosPlan()->valid, 0u);
    // The controller's whole read reads them too, and a copy keeps the chain.
    ASSERT_EQ(c_->Refresh(), 1);
    const CHostDrive copy = Host(0);
    ASSERT_NE(copy.GetPartitions()->next, nullptr);
    ASSERT_NE(copy.GetPartitions()->next->next, nullptr);
    EXPECT_EQ(copy.GetPartitions()->next->next->sectorNumber, 411648u);
}

TEST_F(PartitionTest, HiddenAndOtherTypes)
{
    ASSERT_EQ(Partition(0, std::string(kHead) + "start=2048, size=20480, type=16\n"
                                                "start=22528, size=20480, type=14\n"
                                                "start=43008, size=20480, type=7\n"
                                                "start=63488, size=20480, type=c\n"),
              0);
    ASSERT_EQ(Host(0).Refresh(), 1);
    const PartitionSector* p = Host(0).GetPartitions();
    const Want want[] = {{"BIGDOS(hidden)", 1, 10, 10, 2},
                         {"FAT16(hidden)", 11, 20, 10, 2},
                         {"IFS", 21, 30, 10, 2},
                         {"OTHER", 31, 40, 10, 2}};
    for (int k = 0; k < 4; ++k)
        Expect(p->entries[k], want[k], "entry " + std::to_string(k));
    EXPECT_EQ(p->Type(0), 6);
    EXPECT_EQ(p->Type(1), 4);
    EXPECT_EQ(Sector(0, 0)[446 + 4], 0x16);  // the disk keeps its own type
    EXPECT_EQ(p->logicalCount, 0u);
}

TEST_F(PartitionTest, InvalidPrimaryTablesReadNoChain)
{
    struct Case {
        const char* what;
        int drive;
        std::string table;
    };
    const Case cases[] = {
        {"second starts where the first ends", 0,
         std::string(kHead) + "start=2048, size=203776, type=83\nstart=205824, size=102400, type=5\n"
                              "start=206848, size=2048, type=83\n"},
        {"runs to the last sector", 0, std::string(kHead) + "start=2048, size=997952, type=83\n"},
        {"GPT protective table", 0, "label: gpt\n\nstart=2048, size=4096\n"},
        {"1 MiB aligned on 255 x 63", 1,
         std::string(kHead) + "start=2048, size=2048, type=83\nstart=4096, size=204800, type=83\n"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        ASSERT_EQ(Partition(k.drive, k.table), 0);
        const size_t from = LogLines();
        EXPECT_EQ(Host(k.drive).Refresh(), 0);
        EXPECT_EQ(Host(k.drive).error, MODERR_BAD_PARAMETER);
        EXPECT_EQ(BlockReads(from).size(), 1u);
        EXPECT_EQ(Host(k.drive).GetPartitions()->next, nullptr);
    }
    EXPECT_EQ(Host(1).heads, 255);
    EXPECT_EQ(Host(1).sectors, 63);
}

TEST_F(PartitionTest, NoSignatureIsAnEmptyValidTable)
{
    const size_t from = LogLines();
    ASSERT_EQ(Host(0).Refresh(), 1);
    EXPECT_EQ(BlockReads(from).size(), 1u);
    EXPECT_TRUE(Host(0).PartitionTableEmpty());
    EXPECT_FALSE(Host(0).GetPartitions()->HasSignature());
    EXPECT_EQ(Host(0).GetPartitions()->logicalCount, 0u);
}

TEST_F(PartitionTest, BrokenChainsEnd)
{
    ASSERT_EQ(Partition(0, std::string(kHead) + kF1), 0);
    // Sector 0 cannot be read: the refresh fails with the library's code.
    ASSERT_TRUE(sim_->control("ioerr 0 0 0"));
    EXPECT_EQ(Host(0).Refresh(), 0);
    EXPECT_EQ(Host(0).error, CTLERR_CONTROLLER + 0x000F);
    EXPECT_TRUE(Host(0).PartitionTableEmpty());
    // The second record cannot be read: the first stays, the code is kept.
    ASSERT_TRUE(sim_->control("ioerr 0 0 411648"));
    ASSERT_EQ(Host(0).Refresh(), 1);
    EXPECT_EQ(Host(0).error, CTLERR_CONTROLLER + 0x000F);
    EXPECT_EQ(Host(0).GetPartitions()->logicalCount, 1u);
    EXPECT_EQ(Host(0).GetPartitions()->next->next, nullptr);
    // A first record linking to itself is read once.
    std::vector<uint8_t> ebr = Sector(0, 309248);
    wire::put32(ebr.data(), 446 + 16 + 8, 0);
    PutSector(0, 309248, ebr);
    const size_t from = LogLines();
    ASSERT_EQ(Host(0).Refresh(), 1);
    EXPECT_EQ(BlockReads(from), (std::vector<uint64_t>{0, 309248}));
    EXPECT_EQ(Host(0).GetPartitions()->logicalCount, 1u);
    // A link past the extended partition ends the chain too.
    wire::put32(ebr.data(), 446 + 16 + 8, 600064);
    PutSector(0, 309248, ebr);
    const size_t later = LogLines();
    ASSERT_EQ(Host(0).Refresh(), 1);
    EXPECT_EQ(BlockReads(later), (std::vector<uint64_t>{0, 309248}));
}

TEST_F(PartitionTest, MasterBootCodeKeepsTheTableAndSignature)
{
    ASSERT_EQ(Partition(0, std::string(kHead) + kF1), 0);
    std::string before, after;
    ASSERT_EQ(RunProgram({Sfdisk(), "--dump", File(0)}, "", &before), 0);
    const std::vector<uint8_t> old = Sector(0, 0);
    ASSERT_EQ(Host(0).WriteMasterBootCode(), 1);
    ASSERT_EQ(RunProgram({Sfdisk(), "--dump", File(0)}, "", &after), 0);
    EXPECT_EQ(after, before);
    EXPECT_NE(after.find("label-id: 0x1234abcd"), std::string::npos);
    const std::vector<uint8_t> s0 = Sector(0, 0);
    EXPECT_TRUE(std::equal(MasterBootCode, MasterBootCode + MASTER_BOOT_CODE_SIZE, s0.begin()));
    EXPECT_TRUE(std::equal(old.begin() + 440, old.end(), s0.begin() + 440));
}

// The word-sum rule: a sector whose negated sum stays large is written as the
// image leaves it; one whose negated sum is at most 0x0FFFFFFF gets word 108
// (free in the image) set to 0x10000000.
TEST_F(PartitionTest, MasterBootCodeWordSumRule)
{
    uint32_t imageSum = 0;
    for (size_t w = 0; w < MASTER_BOOT_CODE_SIZE / 4; ++w)
        imageSum += wire::get32(MasterBootCode, 4 * w);
    struct Case {
        const char* what;
        uint32_t target;  // the negated sum the prepared sector has after the image
        bool changed;
    };
    const Case cases[] = {{"small negated sum", 0x00000100, true}, {"large negated sum", 0x80000000, false}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        // Word 127 (signature and last entry bytes) is 0xAA55 << 16; word 111 tunes the sum.
        std::vector<uint8_t> sector(512, 0);
        wire::put16(sector.data(), 510, 0xAA55);
        const uint32_t rest = imageSum + 0xAA550000u;
        wire::put32(sector.data(), 444, 0u - k.target - rest);
        PutSector(0, 0, sector);
        ASSERT_EQ(Host(0).WriteMasterBootCode(), 1);
        const std::vector<uint8_t> s0 = Sector(0, 0);
        EXPECT_EQ(wire::get32(s0.data(), 4 * 108), k.changed ? 0x10000000u : 0u);
        uint32_t sum = 0;
        for (size_t w = 0; w < 128; ++w)
            sum += wire::get32(s0.data(), 4 * w);
        EXPECT_EQ(0u - sum, k.changed ? k.target - 0x10000000u : k.target);
        EXPECT_TRUE(std::equal(sector.begin() + 440, sector.end(), s0.begin() + 440));
    }
}
