#include "daemon_sandbox.h"

#include "wait_until.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <net/if.h>
#include <poll.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#ifndef DULM_PATH
#error "DULM_PATH must name the dulm program"
#endif

extern char** environ;

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const char* const deviceNames[] = {"null", "zero", "full", "random", "urandom", "tty"};

const char* const deviceLinks[][2] = {
    {"fd", "/proc/self/fd"}, {"stdin", "/proc/self/fd/0"},
    {"stdout", "/proc/self/fd/1"}, {"stderr", "/proc/self/fd/2"},
};

// Host files replaced inside the sandbox: sandbox file name and real path.
const char* const etcFiles[][2] = {
    {"hosts", "/etc/hosts"},       {"passwd", "/etc/passwd"},
    {"group", "/etc/group"},       {"shadow", "/etc/shadow"},
    {"nsswitch.conf", "/etc/nsswitch.conf"},
};

void writeFile(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Writes a short text to a descriptor (in the forked holder: no allocation).
void say(int fd, const char* a, long n = -1, long m = -1)
{
    char line[96];
    int len;
    if (m >= 0)
        len = std::snprintf(line, sizeof line, "%s %ld %ld\n", a, n, m);
    else if (n >= 0)
        len = std::snprintf(line, sizeof line, "%s %ld\n", a, n);
    else
        len = std::snprintf(line, sizeof line, "%s\n", a);
    if (write(fd, line, static_cast<size_t>(len)) < 0) {
    }
}

bool loopbackUp()
{
    int s = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0)
        return false;
    ifreq r{};
    std::strcpy(r.ifr_name, "lo");
    bool ok = ioctl(s, SIOCGIFFLAGS, &r) == 0;
    r.ifr_flags = static_cast<short>(r.ifr_flags | IFF_UP);
    ok = ok && ioctl(s, SIOCSIFFLAGS, &r) == 0;
    close(s);
    return ok;
}

// Detaches, in the sandbox's mount namespace, every emulator mount but the
// one at `keep` (empty: all). The namespace starts with a copy of every
// mount, other tests' emulators among them, and a copy would hold such an
// emulator's connection open after its test unmounted it, until this
// sandbox ends. Runs in the forked holder: no allocation.
void detachOtherEmulators(const char* keep)
{
    static char table[1 << 18];
    const int fd = open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    size_t used = 0;
    for (ssize_t n; used < sizeof table - 1 && (n = read(fd, table + used, sizeof table - 1 - used)) > 0;)
        used += static_cast<size_t>(n);
    close(fd);
    table[used] = '\0';
    for (char* line = table; *line;) {
        char* end = std::strchr(line, '\n');
        if (end)
            *end = '\0';
        // "id parent dev root mountpoint options ... - fstype source ..."
        char* field = line;
        for (int i = 0; i < 4 && field; ++i)
            if ((field = std::strchr(field, ' ')))
                ++field;
        char* separator = std::strstr(line, " - ");
        if (field && separator && std::strncmp(separator + 3, "fuse.kzmsim ", 12) == 0) {
            char* fieldEnd = std::strchr(field, ' ');
            if (!fieldEnd)
                break;
            *fieldEnd = '\0';
            // Decode the octal escapes of the mount point (\040 for a space).
            char* out = field;
            for (const char* in = field; *in; ++out) {
                if (in[0] == '\\' && in[1] && in[2] && in[3]) {
                    *out = static_cast<char>((in[1] - '0') * 64 + (in[2] - '0') * 8 + (in[3] - '0'));
                    in += 4;
                } else {
                    *out = *in++;
                }
            }
            *out = '\0';
            if (std::strcmp(field, keep) != 0)
                umount2(field, MNT_DETACH);
        }
        line = end ? end + 1 : line + std::strlen(line);
    }
}

// Writes the whole text to a new file (in the forked holder: no allocation).
bool writeNewFile(const char* path, const std::string& text, mode_t mode)
{
    const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0)
        return false;
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    close(fd);
    return done == text.size();
}

// Holds the service port with a listener that the service does not inherit.
bool listenOnServicePort()
{
    int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(11798);
    return s >= 0 && bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && listen(s, 1) == 0;
}

// Children of a process, from /proc.
std::vector<pid_t> childrenOf(pid_t parent)
{
    std::vector<pid_t> out;
    for (const auto& e : std::filesystem::directory_iterator("/proc")) {
        const std::string name = e.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::string stat = readFile(e.path().string() + "/stat");
        size_t close = stat.rfind(')');
        if (close == std::string::npos)
            continue;
        char state;
        int ppid = 0;
        if (std::sscanf(stat.c_str() + close + 1, " %c %d", &state, &ppid) == 2 && ppid == parent &&
            state != 'Z')
            out.push_back(std::stoi(name));
    }
    return out;
}

// A bound as the milliseconds of a wait; none left is 0.
int millisecondsOf(std::chrono::milliseconds bound)
{
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(bound.count(), 0));
}

}  // namespace

int exitCodeOf(int status)
{
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

bool answersPacket(int fd)
{
    uint8_t packet[57] = {57, 0, 0x34, 0x12};
    if (send(fd, packet, sizeof packet, MSG_NOSIGNAL) != static_cast<ssize_t>(sizeof packet))
        return false;
    uint8_t reply[57];
    size_t got = 0;
    while (got < sizeof reply) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 3000) <= 0)
            return false;
        ssize_t n = recv(fd, reply + got, sizeof reply - got, 0);
        if (n <= 0)
            return false;
        got += static_cast<size_t>(n);
    }
    return reply[6] == 3 && reply[7] == 0;
}

DaemonSandbox::DaemonSandbox()
{
    char tmpl[] = "/tmp/dulmsbXXXXXX";
    if (mkdtemp(tmpl))
        dir_ = tmpl;
}

DaemonSandbox::~DaemonSandbox()
{
    if (holder_ > 0 && !holderDone_) {
        if (!svcEnded_)
            for (pid_t p : childrenOf(holder_))
                kill(p, SIGKILL);
        if (serviceExit(5s) < 0 && !holderDone_) {
            kill(holder_, SIGKILL);
            waitpid(holder_, nullptr, 0);
        }
    }
    if (nsFd_ >= 0)
        close(nsFd_);
    if (logFd_ >= 0)
        close(logFd_);
    if (!dir_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
}

bool DaemonSandbox::start(const std::vector<std::string>& args, bool withConfigOption)
{
    std::vector<std::string> argStrings{DULM_PATH};
    if (withConfigOption) {
        argStrings.push_back("-f");
        argStrings.push_back(path("dulm.conf"));
    }
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    return launch(std::move(argStrings));
}

bool DaemonSandbox::startCommand(const std::vector<std::string>& command)
{
    return !command.empty() && launch(command);
}

bool DaemonSandbox::launch(std::vector<std::string> argStrings)
{
    if (dir_.empty())
        return false;
    const std::string dev = path("dev");
    std::filesystem::create_directory(dev);
    for (const char* d : deviceNames)
        writeFile(dev + "/" + d, "");
    for (const auto& link : deviceLinks)
        symlink(link[1], (dev + "/" + link[0]).c_str());
    // The listener standing for /dev/log.
    logFd_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_un un{};
    un.sun_family = AF_UNIX;
    std::snprintf(un.sun_path, sizeof un.sun_path, "%s/log", dev.c_str());
    if (logFd_ < 0 || bind(logFd_, reinterpret_cast<sockaddr*>(&un), sizeof un) != 0)
        return false;

    writeFile(path("dulm.conf"), config);
    writeFile(path("hosts"), hosts);
    writeFile(path("passwd"), passwd);
    writeFile(path("group"), group);
    writeFile(path("shadow"), shadow);
    const std::string nsswitch = "passwd: files\ngroup: files\nshadow: files\nhosts: files\n";
    writeFile(path("nsswitch.conf"), nsswitch);

    // Everything the forked holder needs is prepared here, before the fork.
    std::vector<char*> argv;
    for (auto& a : argStrings)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "KZMH_PROC_ROOT=", 15) != 0)
            envStrings.emplace_back(*e);
    if (!procRoot.empty())
        envStrings.push_back("KZMH_PROC_ROOT=" + procRoot);
    std::vector<char*> envp;
    for (auto& e : envStrings)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::pair<std::string, std::string>> binds;
    for (const char* d : deviceNames)
        binds.emplace_back(std::string("/dev/") + d, dev + "/" + d);
    std::vector<std::pair<std::string, std::string>> etcBinds;
    if (!privateEtc)
        for (const auto& f : etcFiles)
            etcBinds.emplace_back(path(f[0]), f[1]);
    // A private /etc: an overlay on the machine's, its writable layer on a
    // memory filesystem of the sandbox's own, holding the sandbox's files.
    const std::string etcLayer = path("etc-layer"), etcUpper = etcLayer + "/upper", etcWork = etcLayer + "/work";
    const std::string overlayOptions = "lowerdir=/etc,upperdir=" + etcUpper + ",workdir=" + etcWork;
    struct LayerFile {
        std::string path;
        const std::string* text;
        mode_t mode;
    };
    std::vector<LayerFile> layerFiles;
    std::vector<std::string> emptiedDirs;
    if (privateEtc) {
        std::filesystem::create_directory(etcLayer);
        const std::pair<const char*, const std::string*> texts[] = {
            {"hosts", &hosts}, {"passwd", &passwd}, {"group", &group}, {"nsswitch.conf", &nsswitch},
            {"shadow", &shadow}, {"gshadow", &gshadow}};
        for (const auto& [name, text] : texts)
            if (!text->empty())
                layerFiles.push_back({etcUpper + "/" + name, text, std::strstr(name, "shadow") ? 0600u : 0644u});
        for (const char* d : {"/var/log", "/var/mail", "/home"})
            if (std::filesystem::is_directory(std::filesystem::symlink_status(d)))
                emptiedDirs.emplace_back(d);
    }
    const std::string inPath = input.empty() ? std::string("/dev/null") : path("stdin");
    if (!input.empty())
        writeFile(inPath, input);
    const std::string statusPath = path("status"), outPath = path("stdout"), errPath = path("stderr");
    const int statusFd = open(statusPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (statusFd < 0)
        return false;

    holder_ = fork();
    if (holder_ < 0) {
        close(statusFd);
        return false;
    }
    if (holder_ == 0) {
        if (unshare(CLONE_NEWNS | CLONE_NEWNET | CLONE_NEWUTS) != 0) {
            say(statusFd, "fail unshare", errno);
            _exit(100);
        }
        if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            sethostname(hostName.c_str(), hostName.size()) != 0 || !loopbackUp()) {
            say(statusFd, "fail setup", errno);
            _exit(100);
        }
        detachOtherEmulators(procRoot.c_str());
        for (const auto& b : binds)
            if (mount(b.first.c_str(), b.second.c_str(), nullptr, MS_BIND, nullptr) != 0) {
                say(statusFd, "fail bind device", errno);
                _exit(100);
            }
        if (mount(dev.c_str(), "/dev", nullptr, MS_BIND | MS_REC, nullptr) != 0) {
            say(statusFd, "fail bind dev", errno);
            _exit(100);
        }
        for (const auto& b : etcBinds)
            if (mount(b.first.c_str(), b.second.c_str(), nullptr, MS_BIND, nullptr) != 0) {
                say(statusFd, "fail bind etc", errno);
                _exit(100);
            }
        if (privateEtc) {
            if (mount("tmpfs", etcLayer.c_str(), "tmpfs", 0, "mode=0700") != 0 || mkdir(etcUpper.c_str(), 0755) != 0 ||
                mkdir(etcWork.c_str(), 0700) != 0) {
                say(statusFd, "fail etc layer", errno);
                _exit(100);
            }
            for (const auto& f : layerFiles)
                if (!writeNewFile(f.path.c_str(), *f.text, f.mode)) {
                    say(statusFd, "fail etc file", errno);
                    _exit(100);
                }
            if (mount("overlay", "/etc", "overlay", 0, overlayOptions.c_str()) != 0) {
                say(statusFd, "fail overlay etc", errno);
                _exit(100);
            }
            for (const auto& d : emptiedDirs)
                if (mount("tmpfs", d.c_str(), "tmpfs", 0, "mode=0755") != 0) {
                    say(statusFd, "fail empty dir", errno);
                    _exit(100);
                }
        }
        if (privatePids) {
            if (unshare(CLONE_NEWPID) != 0) {
                say(statusFd, "fail unshare pid", errno);
                _exit(100);
            }
            const pid_t init = fork();
            if (init < 0) {
                say(statusFd, "fail fork init", errno);
                _exit(100);
            }
            if (init > 0) {
                while (waitpid(init, nullptr, 0) < 0 && errno == EINTR) {
                }
                _exit(0);
            }
            // The namespace's first process reaps its orphans; its /proc
            // shows the namespace's processes only.
            if (mount("proc", "/proc", "proc", MS_NOSUID | MS_NODEV | MS_NOEXEC, nullptr) != 0) {
                say(statusFd, "fail mount proc", errno);
                _exit(100);
            }
        }
        if (occupyServicePort && !listenOnServicePort()) {
            say(statusFd, "fail occupy port", errno);
            _exit(100);
        }
        // The detached service is re-parented to this holder, which reaps it.
        prctl(PR_SET_CHILD_SUBREAPER, 1);
        say(statusFd, "ready");
        pid_t fg = fork();
        if (fg == 0) {
            int in = open(inPath.c_str(), O_RDONLY);
            int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(in, 0);
            dup2(out, 1);
            dup2(err, 2);
            execve(argv[0], argv.data(), envp.data());
            _exit(127);
        }
        int st = 0;
        while (waitpid(fg, &st, 0) < 0 && errno == EINTR) {
        }
        say(statusFd, "fg", st);
        for (;;) {
            pid_t p = wait(&st);
            if (p < 0 && errno == EINTR)
                continue;
            if (p < 0)
                break;
            say(statusFd, "svc", p, st);
        }
        _exit(0);
    }
    close(statusFd);
    return true;
}

void DaemonSandbox::readStatus()
{
    std::istringstream in(readFile(path("status")));
    std::string word;
    while (in >> word) {
        if (word == "fg") {
            in >> fgStatus_;
        } else if (word == "svc") {
            in >> svcPid_ >> svcStatus_;
            svcEnded_ = true;
            reaped_[svcPid_] = svcStatus_;
        } else if (word == "ready" && nsFd_ < 0) {
            nsFd_ = open(("/proc/" + std::to_string(holder_) + "/ns/net").c_str(), O_RDONLY | O_CLOEXEC);
        } else if (word == "fail") {
            std::string rest;
            std::getline(in, rest);
            std::fprintf(stderr, "sandbox failed: %s\n", rest.c_str());
        }
    }
}

int DaemonSandbox::foregroundExit(std::chrono::milliseconds bound)
{
    const bool ended = kzmtest::waitUntil(
        [&] {
            readStatus();
            return fgStatus_ >= 0;
        },
        millisecondsOf(bound));
    return ended ? exitCodeOf(fgStatus_) : -1;
}

int DaemonSandbox::serviceExit(std::chrono::milliseconds bound)
{
    const bool ended = kzmtest::waitUntil(
        [&] { return holderDone_ = holderDone_ || waitpid(holder_, nullptr, WNOHANG) == holder_; },
        millisecondsOf(bound));
    if (!ended)
        return -1;
    readStatus();
    return svcEnded_ ? exitCodeOf(svcStatus_) : -1;
}

int DaemonSandbox::servicePid(std::chrono::milliseconds bound)
{
    const bool found = kzmtest::waitUntil(
        [&] {
            readStatus();
            if (svcPid_ <= 0 && fgStatus_ >= 0) {
                auto kids = childrenOf(holder_);
                if (!kids.empty())
                    svcPid_ = kids.front();
            }
            return svcPid_ > 0;
        },
        millisecondsOf(bound));
    return found ? svcPid_ : 0;
}

void DaemonSandbox::drain()
{
    char buf[2048];
    for (;;) {
        ssize_t n = recv(logFd_, buf, sizeof buf - 1, 0);
        if (n <= 0)
            return;
        std::string raw(buf, static_cast<size_t>(n));
        LogRecord r;
        if (raw.size() > 2 && raw[0] == '<')
            r.severity = std::atoi(raw.c_str() + 1) & 7;
        size_t tag = raw.find("dulm[");
        size_t colon = raw.find("]: ", tag);
        if (tag != std::string::npos && colon != std::string::npos) {
            r.pid = std::atoi(raw.c_str() + tag + 5);
            r.text = raw.substr(colon + 3);
        } else {
            r.text = raw;
        }
        records_.push_back(r);
    }
}

std::vector<LogRecord> DaemonSandbox::records()
{
    drain();
    return records_;
}

bool DaemonSandbox::waitForRecord(const std::string& text, std::chrono::milliseconds bound)
{
    const auto until = Clock::now() + bound;
    for (size_t checked = 0;;) {
        drain();
        for (; checked < records_.size(); ++checked)
            if (records_[checked].text == text)
                return true;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now()).count();
        if (left <= 0)
            return false;
        // Wakes as soon as the next record comes.
        pollfd p{logFd_, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) < 0 && errno != EINTR)
            return false;
    }
}

int DaemonSandbox::connectFrom(const std::string& source, std::chrono::milliseconds bound)
{
    const auto until = Clock::now() + bound;
    if (!kzmtest::waitUntil([&] { return readStatus(), nsFd_ >= 0; }, millisecondsOf(bound)))
        return -1;
    int fd = -1;
    // Network namespaces belong to threads: a short-lived thread enters the
    // sandbox's network and makes the socket there.
    std::thread t([&] {
        if (setns(nsFd_, CLONE_NEWNET) != 0)
            return;
        // The caller sees -1 when no connection came within the bound.
        static_cast<void>(kzmtest::waitUntil(
            [&] {
                int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
                sockaddr_in src{}, dst{};
                src.sin_family = dst.sin_family = AF_INET;
                inet_pton(AF_INET, source.c_str(), &src.sin_addr);
                inet_pton(AF_INET, "127.0.0.1", &dst.sin_addr);
                dst.sin_port = htons(11798);
                if (bind(s, reinterpret_cast<sockaddr*>(&src), sizeof src) == 0 &&
                    connect(s, reinterpret_cast<sockaddr*>(&dst), sizeof dst) == 0) {
                    fd = s;
                    return true;
                }
                close(s);
                return false;
            },
            millisecondsOf(std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()))));
    });
    t.join();
    return fd;
}

bool DaemonSandbox::inNetwork(const std::function<void()>& fn, std::chrono::milliseconds bound)
{
    if (!kzmtest::waitUntil([&] { return readStatus(), nsFd_ >= 0; }, millisecondsOf(bound)))
        return false;
    bool entered = false;
    std::thread t([&] {
        if (setns(nsFd_, CLONE_NEWNET) != 0)
            return;
        entered = true;
        fn();
    });
    t.join();
    return entered;
}

bool DaemonSandbox::signalService(int sig)
{
    int pid = servicePid();
    return pid > 0 && kill(pid, sig) == 0;
}

std::map<int, int> DaemonSandbox::reaped()
{
    readStatus();
    return reaped_;
}

std::string DaemonSandbox::standardError() const { return readFile(path("stderr")); }

std::string DaemonSandbox::standardOutput() const { return readFile(path("stdout")); }
