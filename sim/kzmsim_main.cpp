// kzmsim: serves the emulated kzmh driver as a filesystem standing for
// "/proc/scsi": kzmh/<entry>, scsi, kzmsim/control, kzmsim/refused,
// kzmsim/log, kzmsim/state, the flash areas kzmsim/flash/<entry>/<area> and
// the host drives' sectors kzmsim/hostdrive/<entry>/<number>.
//
//   kzmsim [--scenario FILE] MOUNTPOINT [-f] [other fuse options]
//   kzmsim --image FILE LEVEL.MINOR   (writes a firmware update image and exits)
//   kzmsim --help | --version

#include "control_commands.h"
#include "driver.h"
#include "firmware_image.h"
#include "fuse_mount_config.h"
#include "host_drive_files.h"
#include "scenario.h"

#include <fuse_lowlevel.h>

#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#ifndef KZMSIM_VERSION
#error "KZMSIM_VERSION must give the emulator's version"
#endif
#ifndef KZMSIM_DOCS
#error "KZMSIM_DOCS must name the folder of the emulator's documentation"
#endif

namespace {

using kzmsim::Driver;

std::unique_ptr<Driver> g_driver;
std::mutex g_mutex;  // FUSE serves requests from several threads; guards the driver

enum class Node {
    None, Root, KzmhDir, Entry, Scsi, SimDir, Control, Refused, Log, State, FlashDir, FlashEntryDir, FlashArea,
    HostDir, HostEntryDir, HostDrive
};

struct Resolved {
    Node node = Node::None;
    int entry = -1;
    int area = 0;  // flash area 1 or 2, or the host drive number
};

// The host drive files as last served, (entry, number) -> sectors: a file
// that went away or changed its size is invalidated in the kernel, which
// otherwise keeps names and attributes (guarded by g_mutex).
std::map<std::pair<int, int>, uint64_t> g_hostFiles;

// The entry number that `len` characters at `name` spell: one to three
// decimal digits without leading zeros, naming an entry of the driver; or -1.
int entryNumber(const char* name, size_t len)
{
    if (len == 0 || len > 3 || (len > 1 && name[0] == '0'))
        return -1;
    int entry = 0;
    for (size_t i = 0; i < len; ++i) {
        if (name[i] < '0' || name[i] > '9')
            return -1;
        entry = entry * 10 + (name[i] - '0');
    }
    return g_driver->hasEntry(entry) ? entry : -1;
}

// The flash area an entry's file names, or nullptr when the board has none
// (the caller holds the mutex).
const kzmsim::FlashArea* flashArea(int entry, int area)
{
    kzmsim::ControllerFirmware* fw = g_driver->firmware(entry);
    return fw ? fw->flash.area(static_cast<uint32_t>(area)) : nullptr;
}

// kzmsim/flash/N and kzmsim/flash/N/1 or 2; `rest` is what follows "kzmsim/flash/".
Resolved resolveFlash(const char* rest)
{
    const char* slash = std::strchr(rest, '/');
    const size_t len = slash ? static_cast<size_t>(slash - rest) : std::strlen(rest);
    const int entry = entryNumber(rest, len);
    if (entry < 0)
        return {};
    if (!slash)
        return {Node::FlashEntryDir, entry};
    const int area = std::strcmp(slash + 1, "1") == 0 ? 1 : std::strcmp(slash + 1, "2") == 0 ? 2 : 0;
    if (area == 0 || g_driver->flashAreaSize(entry, area) == 0)
        return {};
    return {Node::FlashArea, entry, area};
}

// kzmsim/hostdrive/N and kzmsim/hostdrive/N/HD; `rest` is what follows
// "kzmsim/hostdrive/". Whether host drive HD exists is the caller's to ask
// under the lock (hostFile).
Resolved resolveHostDrive(const char* rest)
{
    const char* slash = std::strchr(rest, '/');
    const size_t len = slash ? static_cast<size_t>(slash - rest) : std::strlen(rest);
    const int entry = entryNumber(rest, len);
    if (entry < 0)
        return {};
    if (!slash)
        return {Node::HostEntryDir, entry};
    const char* name = slash + 1;
    const size_t n = std::strlen(name);
    if (n == 0 || n > 5 || (n > 1 && name[0] == '0') || std::strspn(name, "0123456789") != n)
        return {};
    return {Node::HostDrive, entry, std::atoi(name)};
}

// The host drive file a resolved path names; false when no table holds it (the caller holds the mutex).
bool hostFile(const Resolved& r, kzmsim::HostDriveFile& out)
{
    kzmsim::ControllerFirmware* fw = g_driver->firmware(r.entry);
    return fw != nullptr && kzmsim::findHostDriveFile(*fw, static_cast<uint32_t>(r.area), out);
}

// Invalidates the kernel's attributes of every host drive file of `entry`
// (-1: of every entry) that went away or changed its size since the last
// look (the caller holds the mutex). Only attributes are touched, never a
// directory, so this cannot wait on the request being served.
void noteHostFiles(int entry)
{
    struct fuse_context* ctx = fuse_get_context();
    for (int e : g_driver->entries()) {
        if (entry >= 0 && e != entry)
            continue;
        std::map<int, uint64_t> now;
        for (const kzmsim::HostDriveFile& f : kzmsim::hostDriveFiles(*g_driver->firmware(e)))
            now[f.number] = f.sectors;
        for (auto it = g_hostFiles.lower_bound({e, -1}); it != g_hostFiles.end() && it->first.first == e;) {
            const auto found = now.find(it->first.second);
            if (found != now.end() && found->second == it->second) {
                ++it;
                continue;
            }
            if (ctx != nullptr && ctx->fuse != nullptr) {
                const std::string path = "/kzmsim/hostdrive/" + std::to_string(e) + "/" + std::to_string(it->first.second);
                fuse_invalidate_path(ctx->fuse, path.c_str());
            }
            it = g_hostFiles.erase(it);
        }
        for (const auto& [number, sectors] : now)
            g_hostFiles[{e, number}] = sectors;
    }
}

// Maps a path to the node it names. The tree is fixed once the driver is
// made (hasEntry reads a map that never changes), so no lock is needed;
// host drive files are looked up under the lock by their users.
Resolved resolve(const char* path)
{
    if (std::strcmp(path, "/") == 0)
        return {Node::Root};
    if (std::strcmp(path, "/kzmh") == 0)
        return {Node::KzmhDir};
    if (std::strcmp(path, "/scsi") == 0)
        return {Node::Scsi};
    if (std::strcmp(path, "/kzmsim") == 0)
        return {Node::SimDir};
    if (std::strcmp(path, "/kzmsim/control") == 0)
        return {Node::Control};
    if (std::strcmp(path, "/kzmsim/refused") == 0)
        return {Node::Refused};
    if (std::strcmp(path, "/kzmsim/log") == 0)
        return {Node::Log};
    if (std::strcmp(path, "/kzmsim/state") == 0)
        return {Node::State};
    if (std::strcmp(path, "/kzmsim/flash") == 0)
        return {Node::FlashDir};
    if (std::strcmp(path, "/kzmsim/hostdrive") == 0)
        return {Node::HostDir};
    static constexpr char hostPrefix[] = "/kzmsim/hostdrive/";
    if (std::strncmp(path, hostPrefix, sizeof hostPrefix - 1) == 0)
        return resolveHostDrive(path + sizeof hostPrefix - 1);
    static constexpr char flashPrefix[] = "/kzmsim/flash/";
    if (std::strncmp(path, flashPrefix, sizeof flashPrefix - 1) == 0)
        return resolveFlash(path + sizeof flashPrefix - 1);
    static constexpr char prefix[] = "/kzmh/";
    if (std::strncmp(path, prefix, sizeof prefix - 1) != 0)
        return {};
    const char* name = path + sizeof prefix - 1;
    const int entry = entryNumber(name, std::strlen(name));
    if (entry >= 0)
        return {Node::Entry, entry};
    return {};
}

int fsGetattr(const char* path, struct stat* st, struct fuse_file_info*)
{
    std::memset(st, 0, sizeof *st);
    const Resolved r = resolve(path);
    switch (r.node) {
    case Node::Root:
    case Node::KzmhDir:
    case Node::SimDir:
    case Node::FlashDir:
    case Node::FlashEntryDir:
    case Node::HostDir:
    case Node::HostEntryDir:
        st->st_mode = S_IFDIR | 0755;
        st->st_nlink = 2;
        return 0;
    case Node::HostDrive: {
        std::lock_guard<std::mutex> lock(g_mutex);
        kzmsim::HostDriveFile f;
        if (!hostFile(r, f))
            return -ENOENT;
        st->st_mode = S_IFREG | 0644;
        st->st_size = static_cast<off_t>(f.sectors * kzmsim::BLOCK_SIZE);
        g_hostFiles[{r.entry, r.area}] = f.sectors;
        break;
    }
    case Node::FlashArea:
        st->st_mode = S_IFREG | 0444;
        st->st_size = static_cast<off_t>(g_driver->flashAreaSize(r.entry, r.area));
        break;
    case Node::Entry:
    case Node::Scsi:
        st->st_mode = S_IFREG | 0644;
        break;
    case Node::Control:
        st->st_mode = S_IFREG | 0200;
        break;
    case Node::Refused:
    case Node::Log:
    case Node::State:
        st->st_mode = S_IFREG | 0444;
        break;
    case Node::None:
        return -ENOENT;
    }
    st->st_nlink = 1;
    return 0;
}

int fsReaddir(const char* path, void* buf, fuse_fill_dir_t fill, off_t, struct fuse_file_info*,
              enum fuse_readdir_flags)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    std::vector<std::string> names;
    switch (resolve(path).node) {
    case Node::Root:
        names = {"kzmh", "scsi", "kzmsim"};
        break;
    case Node::KzmhDir:
        for (int e : g_driver->entries())
            names.push_back(std::to_string(e));
        break;
    case Node::SimDir:
        names = {"control", "refused", "log", "state", "flash", "hostdrive"};
        break;
    case Node::HostDir:
        for (int e : g_driver->entries())
            names.push_back(std::to_string(e));
        break;
    case Node::HostEntryDir:
        for (const kzmsim::HostDriveFile& f : kzmsim::hostDriveFiles(*g_driver->firmware(resolve(path).entry)))
            names.push_back(std::to_string(f.number));
        break;
    case Node::FlashDir:
        for (int e : g_driver->entries())
            names.push_back(std::to_string(e));
        break;
    case Node::FlashEntryDir: {
        const Resolved r = resolve(path);
        for (int area : {1, 2})
            if (flashArea(r.entry, area))
                names.push_back(std::to_string(area));
        break;
    }
    default:
        return -ENOTDIR;
    }
    fill(buf, ".", nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
    fill(buf, "..", nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
    for (const std::string& n : names)
        fill(buf, n.c_str(), nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
    return 0;
}

int fsOpen(const char* path, struct fuse_file_info* fi)
{
    const Resolved r = resolve(path);
    const int acc = fi->flags & O_ACCMODE;
    switch (r.node) {
    case Node::Entry:
    case Node::Scsi:
        break;
    case Node::HostDrive: {
        std::lock_guard<std::mutex> lock(g_mutex);
        kzmsim::HostDriveFile f;
        if (!hostFile(r, f))
            return -ENOENT;
        break;
    }
    case Node::Control:
        if (acc != O_WRONLY)
            return -EACCES;
        break;
    case Node::Refused:
    case Node::Log:
    case Node::State:
    case Node::FlashArea:
        if (acc != O_RDONLY)
            return -EACCES;
        break;
    case Node::None:
        return -ENOENT;
    default:
        return -EISDIR;
    }
    kzmsim::applyOpenFlags(fi);
    return 0;
}

// Copies the part of `text` from offset into buf.
int readText(std::string_view text, char* buf, size_t size, off_t off)
{
    if (off < 0 || static_cast<size_t>(off) >= text.size())
        return 0;
    const size_t n = std::min(size, text.size() - static_cast<size_t>(off));
    std::memcpy(buf, text.data() + off, n);
    return static_cast<int>(n);
}

int fsRead(const char* path, char* buf, size_t size, off_t off, struct fuse_file_info*)
{
    const Resolved r = resolve(path);
    std::lock_guard<std::mutex> lock(g_mutex);
    switch (r.node) {
    case Node::Entry:
        return static_cast<int>(g_driver->readReply(r.entry, reinterpret_cast<uint8_t*>(buf), size, off));
    case Node::Scsi:
        return readText(g_driver->scsiText(), buf, size, off);
    case Node::State:
        return readText(g_driver->stateText(), buf, size, off);
    case Node::Refused:
        return readText(g_driver->refusedText(), buf, size, off);
    case Node::Log:
        if (off < 0)
            return 0;
        return static_cast<int>(g_driver->log().read(static_cast<size_t>(off), reinterpret_cast<uint8_t*>(buf), size));
    case Node::HostDrive: {
        kzmsim::HostDriveFile f;
        if (!hostFile(r, f))
            return -ENOENT;
        return static_cast<int>(
            kzmsim::readHostDriveFile(*g_driver->firmware(r.entry), f, reinterpret_cast<uint8_t*>(buf), size, off));
    }
    case Node::FlashArea: {
        const std::vector<uint8_t>& bytes = flashArea(r.entry, r.area)->bytes;
        return readText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), buf, size, off);
    }
    case Node::None:
        return -ENOENT;
    default:
        return -EINVAL;
    }
}

int fsWrite(const char* path, const char* buf, size_t size, off_t off, struct fuse_file_info*)
{
    const Resolved r = resolve(path);
    std::lock_guard<std::mutex> lock(g_mutex);
    switch (r.node) {
    case Node::Entry: {
        const long n = g_driver->writeRequest(r.entry, reinterpret_cast<const uint8_t*>(buf), size, off);
        noteHostFiles(r.entry);
        return static_cast<int>(n);
    }
    case Node::HostDrive: {
        kzmsim::HostDriveFile f;
        if (!hostFile(r, f))
            return -ENOENT;
        return static_cast<int>(
            kzmsim::writeHostDriveFile(*g_driver->firmware(r.entry), f, reinterpret_cast<const uint8_t*>(buf), size, off));
    }
    case Node::Scsi:
        g_driver->writeScsi(reinterpret_cast<const uint8_t*>(buf), size);
        return static_cast<int>(size);
    case Node::Control: {
        const long n = kzmsim::writeControl(*g_driver, buf, size);
        noteHostFiles(-1);
        return static_cast<int>(n);
    }
    case Node::None:
        return -ENOENT;
    default:
        return -EINVAL;
    }
}

// Opening for writing may truncate; the files keep their contents.
int fsTruncate(const char* path, off_t, struct fuse_file_info*)
{
    return resolve(path).node == Node::None ? -ENOENT : 0;
}

void* fsInit(struct fuse_conn_info*, struct fuse_config* cfg)
{
    kzmsim::applyMountConfig(cfg);
    return nullptr;
}

void usage()
{
    std::fprintf(stderr, "usage: kzmsim [--scenario FILE] MOUNTPOINT [-f] [fuse options]\n"
                         "       kzmsim --image FILE LEVEL.MINOR\n"
                         "       kzmsim --help | --version\n");
}

// The emulator's own help, before the FUSE library's options.
void printHelp()
{
    std::printf(
        "usage: kzmsim [--scenario FILE] MOUNTPOINT [-f] [fuse options]\n"
        "       kzmsim --image FILE LEVEL.MINOR\n"
        "       kzmsim --help | --version\n"
        "\n"
        "The driver emulator: serves emulated controllers of the kzmh driver as a\n"
        "filesystem that stands for \"/proc/scsi\". Point the programs at it with\n"
        "KZMH_PROC_ROOT=MOUNTPOINT; unmount it with fusermount3 -u MOUNTPOINT.\n"
        "\n"
        "  --scenario FILE  the machine to emulate, a JSON file; without it the\n"
        "                   built-in scenario: two controllers with disks under a\n"
        "                   modest I/O load\n"
        "  --image FILE LEVEL.MINOR\n"
        "                   writes a firmware update image of version LEVEL.MINOR\n"
        "                   (e.g. 34.02) for the built-in scenario's controller 0\n"
        "                   and exits\n"
        "  -f               stays in the foreground\n"
        "  -h, --help       this text\n"
        "  -V, --version    the emulator's version, then the FUSE library's\n"
        "\n"
        "Files under MOUNTPOINT:\n"
        "  kzmh/N           the request file of controller entry N\n"
        "  scsi             the SCSI mid-layer file\n"
        "  kzmsim/control   takes control lines, one per line, e.g.\n"
        "                   echo \"fail 1 0 1\" > MOUNTPOINT/kzmsim/control\n"
        "  kzmsim/refused   each refused control line and why (a refused write\n"
        "                   fails with \"Invalid argument\")\n"
        "  kzmsim/log       one line per request served\n"
        "  kzmsim/state     what the controllers hold\n"
        "  kzmsim/flash/N/A      flash area A of entry N\n"
        "  kzmsim/hostdrive/N/H  the sectors of host drive H of entry N\n"
        "\n"
        "Control lines (C controller entry, CH channel index, ID target ID):\n");
    for (const std::string& line : kzmsim::controlCommandUsages())
        std::printf("  %s\n", line.c_str());
    std::printf("\n"
                "Every file, control line and scenario field: docs/emulator.md in the\n"
                "source tree (%s/emulator.md);\n"
                "the records: docs/firmware-layout.md.\n"
                "\n"
                "FUSE options:\n",
                KZMSIM_DOCS);
    std::fflush(stdout);
}

// A field of /proc/self/mountinfo with its \ooo escapes (blanks and the like) undone.
std::string unescapeMountField(const std::string& field)
{
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            out += static_cast<char>(std::strtol(field.substr(i + 1, 3).c_str(), nullptr, 8));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

// True when `path` (a real path, as the FUSE library makes it) is already
// the mount point of a filesystem.
bool isMountPoint(const std::string& path)
{
    std::ifstream in("/proc/self/mountinfo");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string id, parent, device, root, point;
        if (fields >> id >> parent >> device >> root >> point && unescapeMountField(point) == path)
            return true;
    }
    return false;
}

// Writes an update image for the default scenario's first controller with
// firmware LEVEL.MINOR (e.g. 34.02, shown as 2.34.02); the exit code.
int writeUpdateImage(const char* path, const std::string& version)
{
    unsigned level = 0, minor = 0;
    char end = 0;
    if (std::sscanf(version.c_str(), "%u.%u%c", &level, &minor, &end) != 2 || level > 255 || minor > 255) {
        std::fprintf(stderr, "kzmsim: '%s' is no firmware version LEVEL.MINOR\n", version.c_str());
        return 1;
    }
    const std::vector<uint8_t> image = kzmsim::buildUpdateImage(level << 16 | minor);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "kzmsim: cannot write '%s': %s\n", path, std::strerror(errno));
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string scenarioPath;
    std::vector<char*> fuseArgs{argv[0]};
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--image") {
            if (i + 2 >= argc) {
                usage();
                return 1;
            }
            return writeUpdateImage(argv[i + 1], argv[i + 2]);
        }
        if (a == "--scenario") {
            if (i + 1 >= argc) {
                usage();
                return 1;
            }
            scenarioPath = argv[++i];
        } else if (a.rfind("--scenario=", 0) == 0) {
            scenarioPath = a.substr(11);
        } else {
            fuseArgs.push_back(argv[i]);
        }
    }
    // The FUSE library's reading of the rest: help, version, the mount point.
    struct fuse_args parsed = FUSE_ARGS_INIT(static_cast<int>(fuseArgs.size()), fuseArgs.data());
    struct fuse_cmdline_opts opts = {};
    if (fuse_parse_cmdline(&parsed, &opts) != 0) {
        fuse_opt_free_args(&parsed);
        return 1;  // the library said why
    }
    const std::string mountPoint = opts.mountpoint ? opts.mountpoint : "";
    std::free(opts.mountpoint);
    if (opts.show_help) {
        printHelp();
        fuse_cmdline_help();
        fuse_lib_help(&parsed);
        fuse_opt_free_args(&parsed);
        return 0;
    }
    fuse_opt_free_args(&parsed);
    if (opts.show_version) {
        std::printf("kzmsim version %s\nFUSE library version %s\n", KZMSIM_VERSION, fuse_pkgversion());
        return 0;
    }
    if (mountPoint.empty()) {
        usage();
        return 1;
    }
    if (isMountPoint(mountPoint)) {
        std::fprintf(stderr, "kzmsim: %s is already a mount point; unmount it first (fusermount3 -u %s)\n",
                     mountPoint.c_str(), mountPoint.c_str());
        return 1;
    }
    kzmsim::Scenario scenario = kzmsim::defaultScenario();
    if (!scenarioPath.empty()) {
        std::string error;
        if (!kzmsim::loadScenarioFile(scenarioPath, scenario, error)) {
            std::fprintf(stderr, "kzmsim: %s: %s\n", scenarioPath.c_str(), error.c_str());
            return 1;
        }
    }
    g_driver = std::make_unique<Driver>(scenario);

    kzmsim::addLoopOptions(fuseArgs);
    struct fuse_operations ops = {};
    ops.getattr = fsGetattr;
    ops.readdir = fsReaddir;
    ops.open = fsOpen;
    ops.read = fsRead;
    ops.write = fsWrite;
    ops.truncate = fsTruncate;
    ops.init = fsInit;
    const int rc = fuse_main(static_cast<int>(fuseArgs.size()), fuseArgs.data(), &ops, nullptr);
    g_driver.reset();
    return rc;
}
