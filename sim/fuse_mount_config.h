// The FUSE settings of the emulator's mount, shared with the benchmark's
// floor filesystem so that both are measured under the same options.
#pragma once

#ifndef FUSE_USE_VERSION
#define FUSE_USE_VERSION 31
#endif

#include <fuse.h>

namespace kzmsim {

// Replies change with every request: no page cache, every read and write
// reaches the filesystem; names and attributes are looked up every time.
inline void applyMountConfig(struct fuse_config* cfg)
{
    cfg->direct_io = 1;
    cfg->kernel_cache = 0;
    cfg->attr_timeout = 0;
    cfg->entry_timeout = 0;
    cfg->negative_timeout = 0;
}

// Open flags of every file: direct I/O, no kept cache.
inline void applyOpenFlags(struct fuse_file_info* fi)
{
    fi->direct_io = 1;
    fi->keep_cache = 0;
}

}  // namespace kzmsim
