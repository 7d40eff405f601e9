// Session, transports and machines on the local driver module, with the
// driver's directory pointed at an empty temporary directory (no driver).
#include "model_errors.h"
#include "session.h"
#include "xport_internal.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

// Calls of the TCP/IP client module's entry: loaded when the library is
// opened with it, told to end whenever the library is closed.
int g_moduleLoads = 0;
int g_moduleExits = 0;

CtlResult CountingModuleEntry(uint32_t code, void*)
{
    if (code == MODENTRY_INIT) {
        ++g_moduleLoads;
        return CTLERR_NOT_AVAILABLE;  // the module stays unloaded
    }
    if (code == MODENTRY_EXIT)
        ++g_moduleExits;
    return CTL_OK;
}

class SessionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/model-session-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        setenv("KZMH_PROC_ROOT", dir_.c_str(), 1);
        xport_reset();
        ASSERT_EQ(CSession::InstanceCount(), 0);
    }
    void TearDown() override
    {
        xport_set_module_entry(nullptr);
        xport_reset();
        unsetenv("KZMH_PROC_ROOT");
        rmdir(dir_.c_str());
    }

    std::string dir_;
};

TEST_F(SessionTest, StartsUninitialisedWithTheModelVersion)
{
    CSession s;
    EXPECT_EQ(s.error, 0u);
    EXPECT_EQ(s.version, 0x012F);
    EXPECT_EQ(s.initFlag, -1);
    EXPECT_EQ(s.transports.count, 0);
}

TEST_F(SessionTest, ListingTransportsBeforeInitIsRefused)
{
    CSession s;
    EXPECT_EQ(s.EnumTransports(), 0);
    EXPECT_EQ(s.error, MODERR_NOT_SUPPORTED);
    EXPECT_EQ(s.transports.count, 0);
}

TEST_F(SessionTest, OnlyCountedSessionsAdjustTheInstanceCount)
{
    {
        CSession first;
        CSession second;
        {
            CSession neverOpened;  // its end must not close the library
        }
        ASSERT_EQ(first.Init(0), 1);
        EXPECT_EQ(first.initFlag, 0);
        EXPECT_EQ(CSession::InstanceCount(), 1);
        ASSERT_EQ(first.Init(0), 1);  // a second Init holds no second count
        EXPECT_EQ(CSession::InstanceCount(), 1);
        ASSERT_EQ(second.Init(1), 1);
        EXPECT_EQ(second.initFlag, 1);
        EXPECT_EQ(CSession::InstanceCount(), 2);
        {
            CSession copy(first);
            EXPECT_EQ(CSession::InstanceCount(), 3);
            CSession assigned;
            assigned = first;
            EXPECT_EQ(assigned.initFlag, 0);
            EXPECT_EQ(CSession::InstanceCount(), 3);
        }
        EXPECT_EQ(CSession::InstanceCount(), 2);
    }
    EXPECT_EQ(CSession::InstanceCount(), 0);

    // An uncounted copy made while no session is open stays uncounted.
    CSession closed;
    CSession copy(closed);
    EXPECT_EQ(CSession::InstanceCount(), 0);
}

TEST_F(SessionTest, OnlyTheFirstInitOpensTheLibraryAndTheLastCountedSessionClosesIt)
{
    g_moduleLoads = 0;
    g_moduleExits = 0;
    xport_set_module_entry(CountingModuleEntry);
    auto first = std::make_unique<CSession>();
    auto second = std::make_unique<CSession>();
    ASSERT_EQ(first->Init(1), 1);
    ASSERT_EQ(second->Init(1), 1);
    EXPECT_EQ(g_moduleLoads, 1);
    {
        CSession neverOpened;
        CSession copy(*first);
    }
    first.reset();
    EXPECT_EQ(g_moduleExits, 0);
    second.reset();
    EXPECT_EQ(g_moduleExits, 1);
}

TEST_F(SessionTest, ListsTheLocalModuleAndItsMachine)
{
    CSession s;
    ASSERT_EQ(s.Init(0), 1);
    ASSERT_EQ(s.EnumTransports(), 1);
    ASSERT_EQ(s.transports.count, 1);
    CTransport& local = s.transports[0];
    EXPECT_STREQ(local.name, "(Linux)");
    EXPECT_EQ(local.moduleIndex, 0);

    ASSERT_EQ(local.EnumHostSystems(nullptr), 1);
    EXPECT_EQ(local.flags & TRANSPORT_FLAG_NAMED_LOOKUP, 0u);
    ASSERT_EQ(local.machines.count, 1);
    CHostSystem& machine = local.machines[0];
    EXPECT_STREQ(machine.name, "Local_Sys");
    EXPECT_EQ(machine.transportIndex, 0);
    EXPECT_EQ(machine.info.remote, 0);
    EXPECT_EQ(machine.info.loginRequired, 0);
    EXPECT_EQ(machine.info.available, 1);

    // A name to look up is passed on; the local module ignores it.
    ASSERT_EQ(local.EnumHostSystems("elsewhere"), 1);
    EXPECT_NE(local.flags & TRANSPORT_FLAG_NAMED_LOOKUP, 0u);
    EXPECT_EQ(local.machines.count, 1);
}

TEST_F(SessionTest, WithoutTheDriverConnectingFailsWithNoControllers)
{
    CSession s;
    ASSERT_EQ(s.Init(0), 1);
    ASSERT_EQ(s.EnumTransports(), 1);
    ASSERT_EQ(s.transports[0].EnumHostSystems(nullptr), 1);
    CHostSystem& machine = s.transports[0].machines[0];
    EXPECT_EQ(machine.Connect(), 0);
    EXPECT_EQ(machine.error, 0x10000002u);  // counting the controllers fails: no driver files
    EXPECT_EQ(machine.controllers.count, 0);
}

TEST_F(SessionTest, RemoteMachineThatRequiresALoginIsNotConnectedWithout)
{
    // The library is not even open: the refusal comes before any call.
    CHostSystem remote("raid-host", 1, 1, 1, 1);
    EXPECT_EQ(remote.Connect(), 0);
    EXPECT_EQ(remote.error, MODERR_BAD_PARAMETER);
}

TEST_F(SessionTest, LoginToALocalMachineIgnoresTheCredentials)
{
    CSession s;
    ASSERT_EQ(s.Init(0), 1);
    CHostSystem local("Local_Sys", 0, 0, 0, 0);
    EXPECT_EQ(local.info.available, 1);
    local.Login("admin", "secret");
    EXPECT_STREQ(local.user, "");
    EXPECT_STREQ(local.password, "");
}

TEST_F(SessionTest, OverlongNamesAreRefused)
{
    const std::string longName(257, 'h');
    const std::string user41(41, 'u');
    const std::string password42(42, 'p');

    CHostSystem listed(longName.c_str(), 1, 1, 1, 1);
    EXPECT_EQ(listed.error, MODERR_BAD_PARAMETER);
    EXPECT_STREQ(listed.name, "");

    CTransport transport(std::string(17, 't').c_str(), 0);
    EXPECT_EQ(transport.error, MODERR_BAD_PARAMETER);
    EXPECT_STREQ(transport.name, "");
    CTransport fits(std::string(16, 't').c_str(), 0);
    EXPECT_EQ(fits.error, 0u);

    CHostSystem remote("raid-host", 1, 1, 1, 1);
    EXPECT_EQ(remote.Login(user41.c_str(), "pw"), 0);
    EXPECT_EQ(remote.error, MODERR_BAD_PARAMETER);
    EXPECT_EQ(remote.Login("admin", password42.c_str()), 0);
    EXPECT_EQ(remote.error, MODERR_BAD_PARAMETER);
    EXPECT_STREQ(remote.user, "");
    EXPECT_STREQ(remote.password, "");
    EXPECT_EQ(remote.ConnectAndEnumerate(1, longName.c_str(), nullptr, nullptr), 0);
    EXPECT_EQ(remote.error, MODERR_BAD_PARAMETER);

    CSession s;
    ASSERT_EQ(s.Init(0), 1);
    ASSERT_EQ(s.EnumTransports(), 1);
    EXPECT_EQ(s.transports[0].EnumHostSystems(longName.c_str()), 0);
    EXPECT_EQ(s.transports[0].error, MODERR_BAD_PARAMETER);
}

TEST_F(SessionTest, CopiesAreDeep)
{
    CSession s;
    ASSERT_EQ(s.Init(0), 1);
    ASSERT_EQ(s.EnumTransports(), 1);
    ASSERT_EQ(s.transports[0].EnumHostSystems(nullptr), 1);
    CSession copy(s);
    ASSERT_EQ(copy.transports.count, 1);
    ASSERT_EQ(copy.transports[0].machines.count, 1);
    EXPECT_NE(copy.transports[0].machines.data, s.transports[0].machines.data);
    EXPECT_STREQ(copy.transports[0].machines[0].name, "Local_Sys");
    s.transports[0].machines.SetSize(0);
    EXPECT_STREQ(copy.transports[0].machines[0].name, "Local_Sys");
}

}  // namespace
