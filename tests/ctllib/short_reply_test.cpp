// The local module over a driver file that takes every write and answers
// nothing: a symlink to /dev/null, so no reply bytes ever come back.
#include "ctl_commands.h"
#include "xport.h"
#include "xport_internal.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

TEST(LocalModuleShortReply, CopiesBackOnlyWhatWasRead)
{
    char tmpl[] = "/tmp/ctllib-null-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(tmpl));
    const std::string dir = tmpl;
    ASSERT_EQ(0, mkdir((dir + "/kzmh").c_str(), 0755));
    ASSERT_EQ(0, symlink("/dev/null", (dir + "/kzmh/0").c_str()));
    setenv("KZMH_PROC_ROOT", dir.c_str(), 1);
    xport_reset();
    ASSERT_EQ(0, xport_open_local(0));

    uint8_t info[84];
    std::memset(info, 0x5C, sizeof info);
    EXPECT_EQ(CTLERR_CONTROLLER + 0, ctl_get_board_info(0, info));  // no status word: no success
    for (uint8_t b : info)
        ASSERT_EQ(0x5C, b);

    // A failed pass-through still hands back the request's info word (the
    // status detail, here 0).
    uint8_t data[16];
    RawScsiRecord raw;
    raw.dataLength = sizeof data;
    raw.data = data;
    raw.info = 0x77;
    EXPECT_EQ(CTLERR_CONTROLLER + 0, ctl_raw_scsi_command(raw));
    EXPECT_EQ(0u, raw.info);

    xport_reset();
    unsetenv("KZMH_PROC_ROOT");
    unlink((dir + "/kzmh/0").c_str());
    rmdir((dir + "/kzmh").c_str());
    rmdir(dir.c_str());
}
