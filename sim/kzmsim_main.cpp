// kzmsim: serves the emulated kzmh driver as a filesystem standing for
// "/proc/scsi": kzmh/<entry>, scsi, kzmsim/control, kzmsim/log and kzmsim/state.
//
//   kzmsim [--scenario FILE] MOUNTPOINT [-f] [other fuse options]

#define FUSE_USE_VERSION 31

#include "driver.h"
#include "scenario.h"

#include <fuse.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace {

using kzmsim::Driver;

std::unique_ptr<Driver> g_driver;
std::mutex g_mutex;  // FUSE serves requests from several threads

enum class Node { None, Root, KzmhDir, Entry, Scsi, SimDir, Control, Log, State, FlashDir, FlashEntryDir, FlashArea };

struct Resolved {
    Node node = Node::None;
    int entry = -1;
    int area = 0;  // flash area 1 or 2
};

// The entry number a path component names, or -1.
int entryNumber(const std::string& name)
{
    if (name.empty() || name.size() > 3 || name.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    if (name.size() > 1 && name[0] == '0')
        return -1;
    const int entry = std::stoi(name);
    return g_driver->hasEntry(entry) ? entry : -1;
}

// The flash area an entry's file names, or nullptr when the board has none.
const kzmsim::FlashArea* flashArea(int entry, int area)
{
    kzmsim::ControllerFirmware* fw = g_driver->firmware(entry);
    return fw ? fw->flash.area(static_cast<uint32_t>(area)) : nullptr;
}

// kzmsim/flash, kzmsim/flash/N and kzmsim/flash/N/1 or 2.
Resolved resolveFlash(const std::string& rest)
{
    if (rest.empty())
        return {Node::FlashDir};
    const size_t slash = rest.find('/');
    const int entry = entryNumber(rest.substr(0, slash));
    if (entry < 0)
        return {};
    if (slash == std::string::npos)
        return {Node::FlashEntryDir, entry};
    const std::string file = rest.substr(slash + 1);
    const int area = file == "1" ? 1 : file == "2" ? 2 : 0;
    if (area == 0 || !flashArea(entry, area))
        return {};
    return {Node::FlashArea, entry, area};
}

// Maps a path to the node it names (the caller holds the mutex).
Resolved resolve(const char* path)
{
    const std::string p(path);
    if (p == "/")
        return {Node::Root};
    if (p == "/kzmh")
        return {Node::KzmhDir};
    if (p == "/scsi")
        return {Node::Scsi};
    if (p == "/kzmsim")
        return {Node::SimDir};
    if (p == "/kzmsim/control")
        return {Node::Control};
    if (p == "/kzmsim/log")
        return {Node::Log};
    if (p == "/kzmsim/flash")
        return resolveFlash("");
    if (p.rfind("/kzmsim/flash/", 0) == 0)
        return resolveFlash(p.substr(14));
    if (p == "/kzmsim/state")
        return {Node::State};
    const std::string prefix = "/kzmh/";
    if (p.compare(0, prefix.size(), prefix) == 0) {
        const std::string name = p.substr(prefix.size());
        if (name.empty() || name.size() > 3 || name.find_first_not_of("0123456789") != std::string::npos)
            return {};
        if (name.size() > 1 && name[0] == '0')
            return {};
        const int entry = std::stoi(name);
        if (g_driver->hasEntry(entry))
            return {Node::Entry, entry};
    }
    return {};
}

int fsGetattr(const char* path, struct stat* st, struct fuse_file_info*)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    std::memset(st, 0, sizeof *st);
    const Resolved r = resolve(path);
    switch (r.node) {
    case Node::Root:
    case Node::KzmhDir:
    case Node::SimDir:
    case Node::FlashDir:
    case Node::FlashEntryDir:
        st->st_mode = S_IFDIR | 0755;
        st->st_nlink = 2;
        return 0;
    case Node::FlashArea:
        st->st_mode = S_IFREG | 0444;
        st->st_size = static_cast<off_t>(flashArea(r.entry, r.area)->bytes.size());
        break;
    case Node::Entry:
    case Node::Scsi:
        st->st_mode = S_IFREG | 0644;
        break;
    case Node::Control:
        st->st_mode = S_IFREG | 0200;
        break;
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
        names = {"control", "log", "state", "flash"};
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
    std::lock_guard<std::mutex> lock(g_mutex);
    const Resolved r = resolve(path);
    const int acc = fi->flags & O_ACCMODE;
    switch (r.node) {
    case Node::Entry:
    case Node::Scsi:
        break;
    case Node::Control:
        if (acc != O_WRONLY)
            return -EACCES;
        break;
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
    // Replies change with every request: no page cache, reads go to us.
    fi->direct_io = 1;
    fi->keep_cache = 0;
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
    std::lock_guard<std::mutex> lock(g_mutex);
    const Resolved r = resolve(path);
    switch (r.node) {
    case Node::Entry:
        return static_cast<int>(g_driver->readReply(r.entry, reinterpret_cast<uint8_t*>(buf), size, off));
    case Node::Scsi:
        return readText(g_driver->scsiText(), buf, size, off);
    case Node::State:
        return readText(g_driver->stateText(), buf, size, off);
    case Node::Log:
        if (off < 0)
            return 0;
        return static_cast<int>(g_driver->log().read(static_cast<size_t>(off), reinterpret_cast<uint8_t*>(buf), size));
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
    std::lock_guard<std::mutex> lock(g_mutex);
    const Resolved r = resolve(path);
    switch (r.node) {
    case Node::Entry:
        return static_cast<int>(g_driver->writeRequest(r.entry, reinterpret_cast<const uint8_t*>(buf), size, off));
    case Node::Scsi:
        g_driver->writeScsi(reinterpret_cast<const uint8_t*>(buf), size);
        return static_cast<int>(size);
    case Node::Control:
        return static_cast<int>(g_driver->writeControl(buf, size));
    case Node::None:
        return -ENOENT;
    default:
        return -EINVAL;
    }
}

// Opening for writing may truncate; the files keep their contents.
int fsTruncate(const char* path, off_t, struct fuse_file_info*)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return resolve(path).node == Node::None ? -ENOENT : 0;
}

void* fsInit(struct fuse_conn_info*, struct fuse_config* cfg)
{
    cfg->direct_io = 1;
    cfg->kernel_cache = 0;
    cfg->attr_timeout = 0;
    cfg->entry_timeout = 0;
    cfg->negative_timeout = 0;
    return nullptr;
}

void usage()
{
    std::fprintf(stderr, "usage: kzmsim [--scenario FILE] MOUNTPOINT [-f] [fuse options]\n");
}

}  // namespace

int main(int argc, char** argv)
{
    std::string scenarioPath;
    std::vector<char*> fuseArgs{argv[0]};
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
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
    if (fuseArgs.size() < 2) {
        usage();
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
