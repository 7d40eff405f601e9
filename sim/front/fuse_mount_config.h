// The FUSE settings of the emulator's mount, shared with the benchmark's
// floor filesystem so that both are measured under the same options.
#pragma once

#ifndef FUSE_USE_VERSION
#define FUSE_USE_VERSION 31
#endif

#include <fuse.h>

#include <vector>

namespace kzmsim {

// How long the kernel may keep names and attributes: the tree and every
// attribute are fixed while the filesystem is mounted.
constexpr double FIXED_TREE_SECONDS = 3600;

// Replies change with every request: no page cache, every read and write
// reaches the filesystem. Names and attributes never change, so the kernel
// keeps them and an open costs one request instead of a lookup per path
// component as well; a name that does not exist is asked for every time.
inline void applyMountConfig(struct fuse_config* cfg)
{
    cfg->direct_io = 1;
    cfg->kernel_cache = 0;
    cfg->attr_timeout = FIXED_TREE_SECONDS;
    cfg->entry_timeout = FIXED_TREE_SECONDS;
    cfg->negative_timeout = 0;
}

// Open flags of every file: direct I/O, no kept cache.
inline void applyOpenFlags(struct fuse_file_info* fi)
{
    fi->direct_io = 1;
    fi->keep_cache = 0;
}

// Puts the loop options right after the program name in the arguments given
// to fuse_main, so that options given on the command line still win. Every
// request is served under one lock, so worker threads add nothing but their
// cost: the filesystem runs single-threaded, one request after another,
// with no thread started or stopped as requests come and go.
inline void addLoopOptions(std::vector<char*>& args)
{
    static char singleThreaded[] = "-s";
    args.insert(args.begin() + (args.empty() ? 0 : 1), singleThreaded);
}

}  // namespace kzmsim
