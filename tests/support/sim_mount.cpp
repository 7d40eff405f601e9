#include "sim_mount.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include "wait_until.h"

#ifndef KZMSIM_PATH
#error "KZMSIM_PATH must name the kzmsim program"
#endif

namespace {

constexpr long FUSE_MAGIC = 0x65735546;
constexpr auto MOUNT_WAIT = std::chrono::seconds(30);  // a bound only: large scenarios start slowly under load
constexpr auto EXIT_WAIT = std::chrono::seconds(5);

bool isFuseMount(const std::string& path)
{
    struct statfs fs {};
    return statfs(path.c_str(), &fs) == 0 && static_cast<long>(fs.f_type) == FUSE_MAGIC;
}

// Runs a program with arguments and waits for it; true when it exited with 0.
bool runQuiet(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const int devnull = open("/dev/null", O_WRONLY | O_CLOEXEC);
    const pid_t pid = fork();
    if (pid < 0) {
        if (devnull >= 0)
            close(devnull);
        return false;
    }
    if (pid == 0) {
        if (devnull >= 0) {
            dup2(devnull, 1);
            dup2(devnull, 2);
        }
        execvp(argv[0], argv.data());
        _exit(127);
    }
    if (devnull >= 0)
        close(devnull);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Waits up to `bound` for the child to end; true when it was reaped.
bool reap(pid_t pid, std::chrono::milliseconds bound)
{
    return kzmtest::waitUntil(
        [pid] {
            int status = 0;
            const pid_t r = waitpid(pid, &status, WNOHANG);
            return r == pid || (r < 0 && errno == ECHILD);
        },
        static_cast<int>(bound.count()));
}

}  // namespace

SimMount::SimMount(const std::string& scenarioJson, const char* program)
{
    char tmpl[] = "/tmp/kzmsim-test.XXXXXX";
    if (!mkdtemp(tmpl))
        return;
    dir_ = tmpl;
    root_ = dir_ + "/proc_scsi";
    if (mkdir(root_.c_str(), 0755) != 0)
        return;

    std::vector<std::string> args{program ? program : KZMSIM_PATH};
    if (!scenarioJson.empty()) {
        const std::string path = dir_ + "/scenario.json";
        std::ofstream out(path);
        out << scenarioJson;
        if (!out)
            return;
        args.push_back("--scenario");
        args.push_back(path);
    }
    args.push_back(root_);
    args.push_back("-f");
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    // Everything the child needs is prepared before the fork.
    const std::string outPath = dir_ + "/kzmsim.out";
    const int outFd = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (outFd < 0)
        return;
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) {
        close(outFd);
        return;
    }
    if (pid == 0) {
        // Should the test process die without its destructor (a crash), kzmsim
        // gets SIGTERM, on which it unmounts and ends.
        if (prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || getppid() != parent)
            _exit(126);
        dup2(outFd, 1);
        dup2(outFd, 2);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(outFd);
    pid_ = pid;

    struct stat st {};
    bool ended = false;  // kzmsim ended without mounting
    // Its result is ok_, which the tests check through ok().
    static_cast<void>(kzmtest::waitUntil(
        [&] {
            ok_ = isFuseMount(root_) && stat((root_ + "/scsi").c_str(), &st) == 0;
            int status = 0;
            ended = !ok_ && waitpid(pid_, &status, WNOHANG) == pid_;
            return ok_ || ended;
        },
        static_cast<int>(std::chrono::milliseconds(MOUNT_WAIT).count())));
    if (ended)
        pid_ = -1;
}

SimMount::~SimMount()
{
    if (!root_.empty() && isFuseMount(root_)) {
        if (!runQuiet({"fusermount3", "-u", root_}))
            runQuiet({"fusermount3", "-uz", root_});
    }
    if (pid_ > 0) {
        if (!reap(pid_, EXIT_WAIT)) {
            kill(pid_, SIGKILL);
            reap(pid_, EXIT_WAIT);
        }
    }
    // A killed server can leave a dead mount behind: detach it.
    if (!root_.empty() && isFuseMount(root_))
        runQuiet({"fusermount3", "-uz", root_});
    if (!dir_.empty() && !isFuseMount(root_)) {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
}

void SimMount::exportRoot() const
{
    setenv("KZMH_PROC_ROOT", root_.c_str(), 1);
}

bool SimMount::control(const std::string& line) const
{
    const std::string text = (!line.empty() && line.back() == '\n') ? line : line + "\n";
    const int fd = open((root_ + "/kzmsim/control").c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const ssize_t n = write(fd, text.data(), text.size());
    close(fd);
    return n == static_cast<ssize_t>(text.size());
}

std::vector<std::string> SimMount::log() const
{
    const std::string text = readFile("kzmsim/log");
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string SimMount::readFile(const std::string& rel) const
{
    const int fd = open((root_ + "/" + rel).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    std::string out;
    char buf[65536];
    while (true) {
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        out.append(buf, static_cast<size_t>(n));
    }
    close(fd);
    return out;
}

std::string SimMount::readFileOnceItIs(const std::string& rel, const std::string& expected, int boundMs) const
{
    std::string text;
    // The caller compares the text it gets with what it expected.
    static_cast<void>(kzmtest::waitUntil([&] { return (text = readFile(rel)) == expected; }, boundMs));
    return text;
}

std::vector<SimRecord> SimMount::records() const
{
    std::vector<SimRecord> out;
    for (const std::string& line : log())
        if (auto r = SimRecord::parse(line))
            out.push_back(std::move(*r));
    return out;
}

int SimMount::keyCount(const std::string& key) const
{
    int n = 0;
    for (const SimRecord& r : records())
        n += r.key == key;
    return n;
}

std::vector<std::vector<uint8_t>> SimMount::allData(const std::string& key, size_t size) const
{
    std::vector<std::vector<uint8_t>> all;
    for (const SimRecord& r : records())
        if (r.key == key)
            if (std::vector<uint8_t> d = r.data(size); !d.empty() || size == 0)
                all.push_back(std::move(d));
    return all;
}

std::vector<uint8_t> SimMount::lastData(const std::string& key, size_t size) const
{
    std::vector<std::vector<uint8_t>> all = allData(key, size);
    return all.empty() ? std::vector<uint8_t>{} : std::move(all.back());
}

bool SimMount::waitForLog(const std::function<bool(const std::vector<SimRecord>&)>& holds, int boundMs) const
{
    return kzmtest::waitUntil([&] { return holds(records()); }, boundMs);
}

bool SimMount::waitForKeyCount(const std::string& key, int count, int boundMs) const
{
    return kzmtest::waitUntil([&] { return keyCount(key) >= count; }, boundMs);
}

bool SimMount::waitForState(const std::function<bool(const std::string&)>& holds, int boundMs) const
{
    return kzmtest::waitUntil([&] { return holds(state()); }, boundMs);
}
