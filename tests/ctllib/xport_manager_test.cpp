// Module manager and the local module's argument checks, without a driver:
// KZMH_PROC_ROOT names an empty directory, so every driver file is missing.
#include "ctl_driver_requests.h"
#include "local_module.h"
#include "recording_module.h"
#include "xport.h"
#include "xport_internal.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

const CtlResult kNoEntry = CTLERR_ERRNO + ENOENT;

class Manager : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/ctllib-empty-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        dir_ = tmpl;
        setenv("KZMH_PROC_ROOT", dir_.c_str(), 1);
        xport_reset();
        xport_set_module_entry(nullptr);
        recordingReset();
    }
    void TearDown() override
    {
        xport_reset();
        xport_set_module_entry(nullptr);
        unsetenv("KZMH_PROC_ROOT");
        rmdir(dir_.c_str());
    }
    // Opens the library with the recording module in row 1.
    void openWithRecording()
    {
        xport_set_module_entry(recording_module_entry);
        ASSERT_EQ(0, xport_open_local(1));
    }
    std::string dir_;
};

std::vector<std::string> moduleNames(uint16_t room)
{
    char names[8][MODULE_NAME_FIELD] = {};
    uint16_t count = room;
    EXPECT_EQ(CTL_OK, xport_list_modules(&count, names));
    std::vector<std::string> out;
    for (uint16_t i = 0; i < count; ++i)
        out.emplace_back(names[i], strnlen(names[i], MODULE_NAME_FIELD));
    return out;
}

}  // namespace

TEST_F(Manager, NothingWorksBeforeTheLibraryIsOpened)
{
    EXPECT_EQ(CTLERR_NOT_AVAILABLE, xport_close());
    CtlRequest r;
    r.function = CTLFN_DRIVER_VERSION;
    EXPECT_EQ(CTLERR_NOT_AVAILABLE, ctl_dispatch_request(0, &r));
    uint16_t count = 0;
    EXPECT_EQ(CTLERR_NOT_AVAILABLE, ctl_get_controller_count(&count));
    EXPECT_EQ(CTLERR_NOT_AVAILABLE, xport_open_interface(0, "Local_Sys", nullptr, nullptr));
}

TEST_F(Manager, LocalOpenSucceedsWithoutControllers)
{
    ASSERT_EQ(0, xport_open_local(0));
    EXPECT_EQ(0, xport_current_handle());
    uint16_t count = 7;
    EXPECT_EQ(kNoEntry, ctl_get_controller_count(&count));
    EXPECT_EQ(7, count);
    EXPECT_EQ(CTL_OK, xport_close());
}

TEST_F(Manager, ModuleListWithAndWithoutTheSecondModule)
{
    ASSERT_EQ(0, xport_open_local(0));
    EXPECT_EQ(std::vector<std::string>{"(Linux)"}, moduleNames(8));

    xport_reset();
    ASSERT_EQ(0, xport_open_local(1));  // the real TCP/IP module fills row 1
    EXPECT_EQ((std::vector<std::string>{"(Linux)", "TCP/IP Sockets"}), moduleNames(8));

    xport_reset();
    recording().name = "TCP/IP Sockets";
    openWithRecording();
    EXPECT_EQ((std::vector<std::string>{"(Linux)", "TCP/IP Sockets"}), moduleNames(8));
    EXPECT_EQ(std::vector<std::string>{"(Linux)"}, moduleNames(1));
    EXPECT_TRUE(moduleNames(0).empty());
}

TEST_F(Manager, ModuleThatDescribesItselfWrongStaysOut)
{
    ModuleInfo info;
    info.size = 29;
    EXPECT_EQ(CTLERR_BAD_ARGUMENT, recording_module_entry(MODENTRY_INFO, &info));
    EXPECT_EQ(nullptr, info.name);

    recording().infoSize = 29;  // the module changes the size it was given
    openWithRecording();
    EXPECT_EQ(1u, moduleNames(8).size());

    xport_reset();
    recordingReset();
    recording().initResult = CTLERR_NOT_SERVED;
    openWithRecording();
    EXPECT_EQ(1u, moduleNames(8).size());
}

TEST_F(Manager, InterfacesOfTheLocalModule)
{
    ASSERT_EQ(0, xport_open_local(0));
    InterfaceEntry e[2];
    std::strcpy(e[0].name, "ignored");
    uint16_t count = 2;
    ASSERT_EQ(CTL_OK, xport_list_interfaces(0, &count, e));
    ASSERT_EQ(1, count);
    EXPECT_STREQ("Local_Sys", e[0].name);
    EXPECT_EQ(0, e[0].remote);
    EXPECT_EQ(0, e[0].loginRequired);
    EXPECT_EQ(0, e[0].remoteFlag);
}

TEST_F(Manager, InterfacesOfARemoteModule)
{
    recording().name = "TCP/IP Sockets";
    openWithRecording();
    InterfaceEntry e[1];
    std::strcpy(e[0].name, "alpha");
    uint16_t count = 1;
    ASSERT_EQ(CTL_OK, xport_list_interfaces(1, &count, e));
    ASSERT_EQ(1, count);
    EXPECT_EQ("alpha", recording().listedName);
    EXPECT_STREQ("alpha", e[0].name);
    EXPECT_EQ(1, e[0].remote);
    EXPECT_EQ(1, e[0].loginRequired);
    EXPECT_EQ(1, e[0].remoteFlag);
}

TEST_F(Manager, InterfaceListArgumentsAreChecked)
{
    openWithRecording();
    InterfaceEntry e[3];
    uint16_t count = 0;
    EXPECT_EQ(CTL_OK, xport_list_interfaces(1, &count, e));  // no room: the module is not asked
    EXPECT_EQ(0, count);
    EXPECT_EQ("", recording().listedName);

    for (uint16_t bad : {2, 3, 4, 99}) {
        count = 1;
        EXPECT_EQ(CTLERR_BAD_ARGUMENT, xport_list_interfaces(bad, &count, e)) << bad;
    }

    std::memset(e[0].name, 'm', 80);  // 80 characters do not fit the module's record
    count = 1;
    EXPECT_EQ(CTLERR_BAD_ARGUMENT, xport_list_interfaces(1, &count, e));
    e[0].name[79] = '\0';  // 79 do
    EXPECT_EQ(CTL_OK, xport_list_interfaces(1, &count, e));

    recording().listClaim = 5;  // more than the room it was given
    count = 2;
    EXPECT_EQ(CTL_OK, xport_list_interfaces(1, &count, e));
    EXPECT_EQ(2, count);
    EXPECT_EQ(0, e[2].name[0]);
}

TEST_F(Manager, FailedOpenReturnsToTheLocalControllers)
{
    recording().openResult = CTLERR_REMOTE_STATUS + 5;
    openWithRecording();
    EXPECT_EQ(CTLERR_REMOTE_STATUS + 5, xport_open_interface(1, "alpha", "user", "pw"));
    EXPECT_EQ(0, xport_current_handle());
    uint16_t version = 0;
    // handle 0 reaches the local module, which finds no driver file
    EXPECT_EQ(kNoEntry, ctl_get_driver_version(0, &version));
    EXPECT_TRUE(recording().requests.empty());
    EXPECT_EQ(CTLERR_BAD_ARGUMENT, xport_open_interface(2, "Local_Sys", nullptr, nullptr));
}

TEST_F(Manager, OpenedModuleBecomesCurrentAndIsClosed)
{
    openWithRecording();
    ASSERT_EQ(CTL_OK, xport_open_interface(1, "Local_Sys", nullptr, nullptr));
    uint16_t version = 0;
    ctl_get_driver_version(3, &version);
    ASSERT_EQ(1u, recording().requests.size());
    EXPECT_EQ(CTLFN_DRIVER_VERSION, recording().requests[0].function);
    EXPECT_EQ(1, recording().requests[0].readOnly);
    EXPECT_EQ(CTL_OK, xport_close());
    EXPECT_EQ(1, recording().closes);
    EXPECT_EQ(1, recording().exits);
}

TEST_F(Manager, LocalModuleRefusesBadArguments)
{
    uint8_t access = 0xFF;
    int handle = -1;
    for (const char* name : {"Local_Sys ", "local_sys", "", "Local_Sy"})
        EXPECT_EQ(CTLERR_BAD_ARGUMENT, local_open(name, &access, &handle, nullptr, nullptr)) << name;
    EXPECT_EQ(CTL_OK, local_open("Local_Sys", &access, &handle, nullptr, nullptr));
    EXPECT_EQ(0, access);
    EXPECT_EQ(0, handle);
    EXPECT_EQ(CTLERR_BAD_ARGUMENT, local_close(1));
    int count = 0;
    EXPECT_EQ(CTLERR_BAD_ARGUMENT, local_controller_count(-1, &count));
    CtlRequest r;
    r.function = CTLFN_DRIVER_VERSION;
    EXPECT_EQ(CTLERR_BAD_ARGUMENT, local_request(1, 0, &r));
    EXPECT_EQ(LOCAL_NO_ENTRY, local_host_entry(20));
    EXPECT_EQ(LOCAL_NO_ENTRY, local_host_entry(0xFFFF));
}

TEST_F(Manager, LocalRequestChecksBuffersBeforeAnyFile)
{
    uint8_t buf[1024] = {};
    CtlCommand cmd;
    struct Case {
        const char* what;
        uint16_t function;
        uint32_t info;
        uint16_t length;
        void* buffer;
    };
    const Case cases[] = {
        {"os version short", CTLFN_OS_VERSION, 0, 68, buf},
        {"system info short", CTLFN_SYSTEM_INFO, 0, 7, buf},
        {"controller type short", CTLFN_CONTROLLER_TYPE, 0, 15, buf},
        {"event short", CTLFN_EVENT, 0, 293, buf},
        {"event without buffer", CTLFN_EVENT, 0, 294, nullptr},
        {"lock list of odd length", CTLFN_LOCK_HOST_DRIVES, 0, 5, buf},
        {"lock list past the code area", CTLFN_LOCK_HOST_DRIVES, 0, 512, buf},
        {"rescan drive 100", CTLFN_RESCAN, (100 << 8) | 1, 0, nullptr},
        {"rescan drive 261 (not 5)", CTLFN_RESCAN, (261 << 8) | 1, 0, nullptr},
        {"command short", CTLFN_COMMAND, 0, 63, &cmd},
        {"command without buffer", CTLFN_COMMAND, 0, 64, nullptr},
    };
    for (const Case& k : cases) {
        CtlRequest r;
        r.function = k.function;
        r.info = k.info;
        r.length = k.length;
        r.buffer = k.buffer;
        EXPECT_EQ(CTLERR_BAD_ARGUMENT, local_request(0, 0, &r)) << k.what;
    }
    // the limits themselves pass the checks and reach the (missing) file
    CtlRequest ok;
    ok.function = CTLFN_LOCK_HOST_DRIVES;
    ok.length = 510;
    ok.buffer = buf;
    EXPECT_EQ(kNoEntry, local_request(0, 0, &ok));
    ok.function = CTLFN_RESCAN;
    ok.info = (99 << 8) | 1;
    EXPECT_EQ(kNoEntry, local_request(0, 0, &ok));
}

TEST_F(Manager, CommandSizesAreCheckedBeforeMemoryOrFiles)
{
    ASSERT_EQ(0, xport_open_local(0));
    static uint8_t buf[4096];
    CtlCommand cmd;
    cmd.opcode = CTLOP_BLOCK_READ;
    cmd.target = 0xFFFFFFFF;  // 2 TiB of blocks
    cmd.param = buf;
    CtlRequest r;
    r.function = CTLFN_COMMAND;
    r.service = CTLSVC_CACHE;
    r.length = 64;
    r.buffer = &cmd;
    EXPECT_EQ(CTLERR_BAD_ARGUMENT, ctl_dispatch_request(0, &r));
    r.service = CTLSVC_SCREEN;
    cmd.opcode = CTLOP_SCSI;
    EXPECT_EQ(CTLERR_NOT_SERVED, ctl_dispatch_request(0, &r));
}
