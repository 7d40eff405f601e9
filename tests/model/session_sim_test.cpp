// The connection tree end to end: the local driver module over the mounted
// driver emulator.
#include "model_errors.h"
#include "local_machine_test.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using SessionSimTest = LocalMachineTest;

TEST_F(SessionSimTest, ListsTheLocalMachineAndConnectsItsControllers)
{
    CHostSystem* machine = OpenLocalMachine();
    ASSERT_NE(machine, nullptr);
    EXPECT_STREQ(session_->transports[0].name, "(Linux)");
    EXPECT_STREQ(machine->name, "Local_Sys");
    EXPECT_EQ(machine->info.remote, 0);
    EXPECT_EQ(machine->info.loginRequired, 0);

    ASSERT_EQ(machine->Connect(), 1) << std::hex << machine->error;
    EXPECT_EQ(machine->error, 0u);
    EXPECT_EQ(machine->info.os.systemCode, OS_CODE_LINUX);
    EXPECT_EQ(machine->info.os.major, 2);
    EXPECT_EQ(machine->info.os.minor, 6);
    ASSERT_EQ(machine->controllers.count, 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(machine->controllers[i].index, i);
        EXPECT_EQ(machine->controllers[i].hostSystem.os.systemCode, OS_CODE_LINUX);
    }

    // Connecting again rebuilds the list from scratch.
    ASSERT_EQ(machine->Connect(), 1);
    EXPECT_EQ(machine->controllers.count, 2);
}

TEST_F(SessionSimTest, AControllerWhoseInformationCannotBeReadIsLeftOut)
{
    // The driver counts three controllers, but only two have a driver entry.
    CHostSystem* machine = OpenLocalMachine(
        R"({"controllerCount": 3, "controllers": [{"entry": 0}, {"entry": 1}]})");
    ASSERT_NE(machine, nullptr);
    ASSERT_EQ(machine->Connect(), 1) << std::hex << machine->error;
    EXPECT_EQ(machine->error, 0u);
    ASSERT_EQ(machine->controllers.count, 2);
    EXPECT_EQ(machine->controllers[0].index, 0);
    EXPECT_EQ(machine->controllers[1].index, 1);
}

TEST_F(SessionSimTest, WhenEveryControllerFailsTheMachineReportsTheLastError)
{
    // A driver version of 0 or below as a signed 16-bit value is refused.
    for (const char* version : {"0", "\"0x8000\"", "\"0xFFFF\""}) {
        CHostSystem* machine = OpenLocalMachine(std::string(R"({"driverVersion": )") + version +
                                                R"(, "controllers": [{"entry": 0}]})");
        ASSERT_NE(machine, nullptr) << version;
        EXPECT_EQ(machine->Connect(), 0) << version;
        EXPECT_EQ(machine->error, MODERR_DRIVER_VERSION) << version;
        EXPECT_EQ(machine->controllers.count, 0) << version;
    }
}

TEST_F(SessionSimTest, AMachineWithoutControllersConnects)
{
    CHostSystem* machine = OpenLocalMachine(R"({"controllerCount": 0, "controllers": [{"entry": 0}]})");
    ASSERT_NE(machine, nullptr);
    EXPECT_EQ(machine->Connect(), 1) << std::hex << machine->error;
    EXPECT_EQ(machine->controllers.count, 0);
}

}  // namespace
