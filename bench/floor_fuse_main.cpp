// floor_fuse: the least a FUSE request file can cost. It serves the emulator's
// path shape ("kzmh/0" and "scsi") under the emulator's mount settings; each
// file keeps what is written to it and returns it. The benchmark sets the
// emulator's request cycle beside this one.
//
//   floor_fuse MOUNTPOINT [-f] [other fuse options]

#include "fuse_mount_config.h"

#include <cerrno>
#include <cstring>
#include <mutex>
#include <sys/stat.h>
#include <vector>

namespace {

std::mutex g_mutex;  // FUSE serves requests from several threads
std::vector<char> g_files[2];  // kzmh/0 and scsi

enum class Node { None, Root, Dir, File };

// The node a path names; `file` is the index of a file.
Node resolve(const char* path, int& file)
{
    if (std::strcmp(path, "/") == 0)
        return Node::Root;
    if (std::strcmp(path, "/kzmh") == 0)
        return Node::Dir;
    if (std::strcmp(path, "/kzmh/0") == 0) {
        file = 0;
        return Node::File;
    }
    if (std::strcmp(path, "/scsi") == 0) {
        file = 1;
        return Node::File;
    }
    return Node::None;
}

int fsGetattr(const char* path, struct stat* st, struct fuse_file_info*)
{
    std::memset(st, 0, sizeof *st);
    int file = 0;
    switch (resolve(path, file)) {
    case Node::Root:
    case Node::Dir:
        st->st_mode = S_IFDIR | 0755;
        st->st_nlink = 2;
        return 0;
    case Node::File:
        st->st_mode = S_IFREG | 0644;
        st->st_nlink = 1;
        return 0;
    case Node::None:
        break;
    }
    return -ENOENT;
}

int fsOpen(const char* path, struct fuse_file_info* fi)
{
    int file = 0;
    const Node n = resolve(path, file);
    if (n == Node::None)
        return -ENOENT;
    if (n != Node::File)
        return -EISDIR;
    kzmsim::applyOpenFlags(fi);
    return 0;
}

int fsRead(const char* path, char* buf, size_t size, off_t off, struct fuse_file_info*)
{
    int file = 0;
    if (resolve(path, file) != Node::File)
        return -ENOENT;
    std::lock_guard<std::mutex> lock(g_mutex);
    const std::vector<char>& f = g_files[file];
    if (off < 0 || static_cast<size_t>(off) >= f.size())
        return 0;
    const size_t n = std::min(size, f.size() - static_cast<size_t>(off));
    std::memcpy(buf, f.data() + off, n);
    return static_cast<int>(n);
}

// A write at offset 0 starts the contents anew; later pieces add to them.
int fsWrite(const char* path, const char* buf, size_t size, off_t off, struct fuse_file_info*)
{
    int file = 0;
    if (resolve(path, file) != Node::File)
        return -ENOENT;
    if (off < 0)
        return -EINVAL;
    std::lock_guard<std::mutex> lock(g_mutex);
    std::vector<char>& f = g_files[file];
    f.resize(static_cast<size_t>(off));
    f.insert(f.end(), buf, buf + size);
    return static_cast<int>(size);
}

int fsTruncate(const char* path, off_t, struct fuse_file_info*)
{
    int file = 0;
    return resolve(path, file) == Node::None ? -ENOENT : 0;
}

void* fsInit(struct fuse_conn_info*, struct fuse_config* cfg)
{
    kzmsim::applyMountConfig(cfg);
    return nullptr;
}

}  // namespace

int main(int argc, char** argv)
{
    struct fuse_operations ops = {};
    ops.getattr = fsGetattr;
    ops.open = fsOpen;
    ops.read = fsRead;
    ops.write = fsWrite;
    ops.truncate = fsTruncate;
    ops.init = fsInit;
    std::vector<char*> args(argv, argv + argc);
    kzmsim::addLoopOptions(args);
    return fuse_main(static_cast<int>(args.size()), args.data(), &ops, nullptr);
}
