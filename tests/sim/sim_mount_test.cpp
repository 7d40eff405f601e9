// The emulator mounted for real: plain open, write and read on its files.
#include "driver_layout.h"
#include "record_builder.h"
#include "sim_mount.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>
#include <poll.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <sys/wait.h>
#include <unistd.h>

#ifndef KZMSIM_PATH
#error "KZMSIM_PATH must name the kzmsim program"
#endif

using namespace kzmsim;
using simtest::Bytes;

namespace {

const char* kThreeEntries = R"({"controllerCount": 25, "controllers": [{"entry": 0}, {"entry": 2}, {"entry": 3}]})";

// Writes a record to kzmh/<entry> with one write; returns errno or 0.
int writeRecord(const SimMount& m, int entry, const Bytes& rec)
{
    const int fd = open((m.root() + "/kzmh/" + std::to_string(entry)).c_str(), O_WRONLY);
    if (fd < 0)
        return errno;
    const ssize_t n = write(fd, rec.data(), rec.size());
    const int err = n < 0 ? errno : (n == static_cast<ssize_t>(rec.size()) ? 0 : EIO);
    close(fd);
    return err;
}

// Opens kzmh/<entry> anew and reads the reply with one read of up to `size` bytes.
Bytes readReply(const SimMount& m, int entry, size_t size)
{
    const int fd = open((m.root() + "/kzmh/" + std::to_string(entry)).c_str(), O_RDONLY);
    if (fd < 0)
        return {};
    Bytes reply(size);
    const ssize_t n = read(fd, reply.data(), reply.size());
    close(fd);
    reply.resize(n < 0 ? 0 : static_cast<size_t>(n));
    return reply;
}

bool exists(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

std::string readAll(const std::string& path)
{
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// How a run of kzmsim ended and what it wrote.
struct KzmsimRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs kzmsim with the arguments to its end (one that mounts goes to the
// background, and the parent ends); its output goes through files in a
// directory of its own.
KzmsimRun runKzmsim(const std::vector<std::string>& args)
{
    KzmsimRun run;
    char dirTemplate[] = "/tmp/kzmsim-run-XXXXXX";
    const char* dir = mkdtemp(dirTemplate);
    if (!dir)
        return run;
    const std::string outPath = std::string(dir) + "/out", errPath = std::string(dir) + "/err";
    const pid_t pid = fork();
    if (pid == 0) {
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0)
            _exit(126);
        std::vector<char*> argv{const_cast<char*>(KZMSIM_PATH)};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(KZMSIM_PATH, argv.data());
        _exit(127);
    }
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        run.exitCode = WEXITSTATUS(status);
    run.out = readAll(outPath);
    run.err = readAll(errPath);
    unlink(outPath.c_str());
    unlink(errPath.c_str());
    rmdir(dir);
    return run;
}

}  // namespace

TEST(SimMount, ServesTheConfiguredEntriesAndTheirCount)
{
    SimMount m(kThreeEntries);
    ASSERT_TRUE(m.ok());
    for (int e : {0, 2, 3})
        EXPECT_TRUE(exists(m.root() + "/kzmh/" + std::to_string(e))) << e;
    for (int e : {1, 4, 19})
        EXPECT_FALSE(exists(m.root() + "/kzmh/" + std::to_string(e))) << e;

    ASSERT_EQ(writeRecord(m, 0, simtest::driverRecord(DRVREQ_CONTROLLER_COUNT)), 0);
    const Bytes reply = readReply(m, 0, REPLY_SIZE);
    ASSERT_EQ(reply.size(), REPLY_SIZE);
    EXPECT_EQ(wire::get16(reply.data(), 8), 25);
}

TEST(SimMount, OnlyAPlainEntryNumberNamesARequestFile)
{
    SimMount m(kThreeEntries);
    ASSERT_TRUE(m.ok());
    // Asked twice: the kernel keeps names that exist, never names that do not.
    for (int round = 0; round < 2; ++round) {
        for (const char* name : {"00", "02", "002", "+2", "-0", "2x", "x", "1000", "4", "2/x"})
            EXPECT_FALSE(exists(m.root() + "/kzmh/" + name)) << name;
        for (const char* name : {"0", "2", "3"})
            EXPECT_TRUE(exists(m.root() + "/kzmh/" + name)) << name;
        for (const char* name : {"scsi", "kzmsim/control", "kzmsim/log"})
            EXPECT_TRUE(exists(m.root() + "/" + name)) << name;
        EXPECT_FALSE(exists(m.root() + "/kzmsim/other"));
    }
}

TEST(SimMount, BusyThenSuccessAndReplyKeptAcrossReopen)
{
    SimMount m(kThreeEntries);
    ASSERT_TRUE(m.ok());
    EXPECT_FALSE(m.control("frobnicate 3"));
    ASSERT_TRUE(m.control("busy 2"));
    const Bytes rec = simtest::ioctlRecord(0x04, 0xFFFF, Bytes(36, 0x42));
    EXPECT_EQ(writeRecord(m, 2, rec), EBUSY);
    EXPECT_EQ(writeRecord(m, 2, rec), EBUSY);
    ASSERT_EQ(writeRecord(m, 2, rec), 0);

    const Bytes first = readReply(m, 2, 4096);
    ASSERT_EQ(first.size(), REPLY_SIZE + 36);
    EXPECT_EQ(wire::get32(first.data(), REPLY_STATUS), 1u);
    EXPECT_EQ(wire::get32(first.data(), REPLY_ANSWER + 4), 1u) << "the cache information: cache on";
    EXPECT_EQ(Bytes(first.begin() + 20, first.begin() + 44), Bytes(24, 0)) << "its counters";
    EXPECT_EQ(readReply(m, 2, 4096), first) << "the reply stays for the next open";

    const std::vector<std::string> log = m.log();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].substr(0, 53), "2\t0x4A00\t0\t9\t5\t0x00000004\t0x0000FFFF\t36\t0\t0x00000001\t");
}

TEST(SimMount, BigBlockWriteArrivesInPiecesAndReadsBack)
{
    SimMount m;
    ASSERT_TRUE(m.ok());
    const uint32_t blocks = 600;  // 300 KiB: more than one FUSE write
    Bytes data(blocks * BLOCK_SIZE);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i % 251);
    ASSERT_EQ(writeRecord(m, 1, simtest::blockRecord(OP_BLOCK_WRITE, 4, 10, blocks, data)), 0);
    ASSERT_EQ(writeRecord(m, 1, simtest::blockRecord(OP_BLOCK_READ, 4, 10, blocks, {})), 0);
    const Bytes reply = readReply(m, 1, REPLY_SIZE + data.size() + 100);
    ASSERT_EQ(reply.size(), REPLY_SIZE + data.size());
    EXPECT_TRUE(std::equal(data.begin(), data.end(), reply.begin() + 8));
}

TEST(SimMount, ScsiFileKeepsBytesWithTheirNul)
{
    SimMount m;
    ASSERT_TRUE(m.ok());
    const std::string line("scsi add-single-device 2 0 5 0\0", 31);
    for (int i = 0; i < 2; ++i) {
        const int fd = open((m.root() + "/scsi").c_str(), O_WRONLY | O_TRUNC);
        ASSERT_GE(fd, 0);
        EXPECT_EQ(write(fd, line.data(), line.size()), static_cast<ssize_t>(line.size()));
        close(fd);
    }
    EXPECT_EQ(m.readFile("scsi"), line + line);
}

TEST(SimMount, BadRecordFailsWithEinval)
{
    SimMount m;
    ASSERT_TRUE(m.ok());
    Bytes rec = simtest::driverRecord(DRVREQ_DRIVER_VERSION);
    wire::put32(rec.data(), 0, 0x12345678);
    EXPECT_EQ(writeRecord(m, 0, rec), EINVAL);
    EXPECT_TRUE(m.log().empty());
}

TEST(SimMount, FailedScenarioLeavesNoMount)
{
    std::string root;
    {
        SimMount m(R"({"controllers": [{"entry": 1}, {"entry": 1}]})");
        EXPECT_FALSE(m.ok());
        root = m.root();
    }
    struct statfs fs {};
    EXPECT_NE(statfs(root.c_str(), &fs), 0) << "the temporary directory is gone";
}

// A refused control write fails with EINVAL, and kzmsim/refused says which
// line and why, oldest first.
TEST(SimMount, RefusedControlLinesSayWhyInTheRefusedFile)
{
    SimMount m;
    ASSERT_TRUE(m.ok());
    EXPECT_EQ(m.readFile("kzmsim/refused"), "");
    const int fd = open((m.root() + "/kzmsim/control").c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    errno = 0;
    EXPECT_EQ(write(fd, "pull 1 0 9\n", 11), -1);
    EXPECT_EQ(errno, EINVAL);
    close(fd);
    EXPECT_FALSE(m.control("statrate 0 1 2"));
    EXPECT_TRUE(m.control("fail 1 0 1"));
    EXPECT_EQ(m.readFile("kzmsim/refused"),
              "refused \"pull 1 0 9\": no device at ID 9 of channel index 0 on entry 1\n"
              "refused \"statrate 0 1 2\": malformed; usage: statrate C RO WO BR BW\n");
}

// A second emulator on a folder that is mounted already is refused and
// leaves the first one serving.
TEST(SimMount, ASecondEmulatorOnAMountPointIsRefused)
{
    SimMount m;
    ASSERT_TRUE(m.ok());
    const KzmsimRun second = runKzmsim({m.root()});
    if (second.exitCode == 0)
        std::system(("fusermount3 -u " + m.root()).c_str());  // it mounted over the first: take it off
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_EQ(second.err, "kzmsim: " + m.root() + " is already a mount point; unmount it first (fusermount3 -u " +
                              m.root() + ")\n");
    EXPECT_TRUE(m.control("busy 0")) << "the first emulator still serves";
    EXPECT_EQ(m.readFile("kzmsim/refused"), "");
}

// A scenario key the reader does not know ends kzmsim with its name and place.
TEST(SimMount, AMisspeltScenarioKeyIsNamed)
{
    char dirTemplate[] = "/tmp/kzmsim-key-XXXXXX";
    const char* dir = mkdtemp(dirTemplate);
    ASSERT_NE(dir, nullptr);
    const std::string scenario = std::string(dir) + "/scenario.json";
    std::ofstream(scenario) << R"({"controllers": [{"entry": 0}, {"entry": 1, "profil": "old"}]})";
    const KzmsimRun run = runKzmsim({"--scenario", scenario, dir, "-f"});
    if (run.exitCode == 0)
        std::system(("fusermount3 -u " + std::string(dir)).c_str());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "kzmsim: " + scenario + ": unknown key \"profil\" in controllers[1]\n");
    unlink(scenario.c_str());
    rmdir(dir);
}

// Help and version are the emulator's own first: its usage, files, control
// lines and documentation before the FUSE library's options.
TEST(SimMount, HelpAndVersionAreTheEmulatorsOwn)
{
    for (const char* help : {"--help", "-h"}) {
        SCOPED_TRACE(help);
        const KzmsimRun run = runKzmsim({help});
        EXPECT_EQ(run.exitCode, 0);
        const std::string& out = run.out;
        EXPECT_EQ(out.rfind("usage: kzmsim [--scenario FILE] MOUNTPOINT [-f] [fuse options]\n"
                            "       kzmsim --image FILE LEVEL.MINOR\n",
                            0),
                  0u)
            << out;
        const size_t fuse = out.find("FUSE options:");
        ASSERT_NE(fuse, std::string::npos) << out;
        for (const char* own : {"--scenario FILE", "kzmsim/control", "kzmsim/refused", "  statrate C RO WO BR BW\n",
                                "  pull C CH ID\n", "  hostcluster C D TYPE (0..2) OWNER\n", "docs/emulator.md"})
            EXPECT_LT(out.find(own), fuse) << own << "\n" << out;
        // The documentation it names is there.
        const size_t at = out.find("(/");
        ASSERT_NE(at, std::string::npos) << out;
        EXPECT_TRUE(exists(out.substr(at + 1, out.find(')', at) - at - 1))) << out;
    }
    const KzmsimRun version = runKzmsim({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("kzmsim version 1.0\nFUSE library version 3.", 0), 0u) << version.out;
}

TEST(SimMount, UnmountsAndRemovesItsDirectory)
{
    std::string root;
    {
        SimMount m;
        ASSERT_TRUE(m.ok());
        root = m.root();
        // An open file does not keep the mount alive past the fixture.
        const int fd = open((root + "/kzmh/0").c_str(), O_RDONLY);
        EXPECT_GE(fd, 0);
        close(fd);
    }
    EXPECT_FALSE(exists(root));
}

namespace {

// True when dir is the root of a FUSE mount.
bool FuseMounted(const std::string& dir)
{
    struct statfs fs {};
    return statfs(dir.c_str(), &fs) == 0 && fs.f_type == 0x65735546;
}

// Waits, at most `bound`, until dir is no longer a FUSE mount, woken by each
// change of the mount table; true once it is gone.
bool WaitUnmounted(const std::string& dir, std::chrono::milliseconds bound)
{
    // Opened before the first look, so that a change after it wakes the poll.
    const int table = open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
    const auto end = std::chrono::steady_clock::now() + bound;
    bool gone = !FuseMounted(dir);
    while (!gone && table >= 0) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
        if (left <= 0)
            break;
        pollfd p{table, POLLPRI, 0};
        if (poll(&p, 1, static_cast<int>(left)) < 0 && errno != EINTR)
            break;
        gone = !FuseMounted(dir);
    }
    if (table >= 0)
        close(table);
    return gone;
}

}  // namespace

TEST(SimMount, CrashedTestProcessLeavesNoMount)
{
    // A child process mounts and dies without running the destructor.
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(pipeFds[0]);
        auto* m = new SimMount();
        const std::string root = m->ok() ? m->root() : std::string();
        const ssize_t n = write(pipeFds[1], root.c_str(), root.size());
        (void)n;
        _exit(0);  // no destructor
    }
    close(pipeFds[1]);
    char buf[256] = {};
    const ssize_t n = read(pipeFds[0], buf, sizeof buf - 1);
    close(pipeFds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_GT(n, 0);
    const std::string root(buf, static_cast<size_t>(n));
    EXPECT_TRUE(WaitUnmounted(root, std::chrono::seconds(5)));
    const std::string dir = root.substr(0, root.rfind('/'));
    rmdir(root.c_str());
    unlink((dir + "/kzmsim.out").c_str());
    rmdir(dir.c_str());
}

TEST(SimMount, DefaultControllersAnswerBoardAndCacheInformation)
{
    struct Case {
        int entry;
        const char* typeName;
        uint32_t firmwareVersion;
        uint8_t channels;
        uint16_t levelWord;
    } cases[] = {
        {0, "KZM8530RZ", 0x0221000C, 3, 0x21E},  // new firmware
        {1, "KZM6117RD", 0x02160012, 1, 0x216},  // old firmware
    };
    SimMount m;
    ASSERT_TRUE(m.ok());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry);
        ASSERT_EQ(writeRecord(m, c.entry, simtest::ioctlRecord(0x28, 0xFFFF, Bytes(84, 0))), 0);
        const Bytes board = readReply(m, c.entry, 4096);
        ASSERT_EQ(board.size(), REPLY_SIZE + 84);
        EXPECT_EQ(wire::get32(board.data(), REPLY_STATUS), 1u);
        const uint8_t* info = board.data() + REPLY_ANSWER;
        EXPECT_STREQ(reinterpret_cast<const char*>(info + 32), c.typeName);
        EXPECT_EQ(info[18], c.channels);
        EXPECT_EQ(wire::get32(info, 24), c.firmwareVersion);

        ASSERT_EQ(writeRecord(m, c.entry, simtest::ioctlRecord(0x04, 0xFFFF, Bytes(36, 0))), 0);
        const Bytes cache = readReply(m, c.entry, 4096);
        ASSERT_EQ(cache.size(), REPLY_SIZE + 36);
        EXPECT_EQ(wire::get32(cache.data(), REPLY_STATUS), 1u);
        EXPECT_EQ(wire::get16(cache.data(), REPLY_ANSWER), c.levelWord);
        EXPECT_EQ(wire::get16(cache.data(), REPLY_ANSWER + 4), 1) << "cache on";
        EXPECT_EQ(wire::get16(cache.data(), REPLY_ANSWER + 8), 1) << "delayed write on";
    }
}
