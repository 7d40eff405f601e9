// Controller-wide options end to end: the cluster state (CController::IsMultiNode)
// and the alarm (CController::SetAlarm, CController::GetAlarm) over the mounted
// driver emulator.
#include "controller.h"
#include "ctl_errors.h"
#include "local_machine_test.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

using ControllerOptionsSimTest = LocalMachineTest;

// Entry 0 has two cluster nodes up (bit 4 of the record of all host drives),
// entry 1 one; entry 2 has firmware level 23, below the cluster record.
const char* const kThreeControllers = R"({"controllers": [
    {"entry": 0, "profile": "new",
     "records": [{"key": "0x10010006", "target": "0xFFFFFFFF", "hex": "1000000000000000"}]},
    {"entry": 1, "profile": "new"},
    {"entry": 2, "profile": "middle"}]})";

// Field `n` (from 0) of a log line.
std::string field(const std::string& line, int n)
{
    std::istringstream in(line);
    std::string f;
    for (int i = 0; i <= n; ++i)
        std::getline(in, f, '\t');
    return f;
}

TEST_F(ControllerOptionsSimTest, MultiNodeReadsTheRecordOfAllHostDrives)
{
    CHostSystem* machine = OpenLocalMachine(kThreeControllers);
    ASSERT_NE(machine, nullptr);
    ASSERT_EQ(machine->Connect(), 1) << std::hex << machine->error;
    ASSERT_EQ(machine->controllers.count, 3);

    const size_t before = sim_->log().size();
    EXPECT_EQ(machine->controllers[0].IsMultiNode(), 1);
    const std::vector<std::string> log = sim_->log();
    ASSERT_EQ(log.size(), before + 1);
    EXPECT_EQ(field(log.back(), 5), "0x10010006");
    EXPECT_EQ(field(log.back(), 6), "0xFFFFFFFF") << "host drive -1";
    EXPECT_EQ(field(log.back(), 7), "8");

    EXPECT_EQ(machine->controllers[1].IsMultiNode(), 0);
    EXPECT_EQ(machine->controllers[1].error, 0u);

    const size_t beforeOld = sim_->log().size();
    EXPECT_EQ(machine->controllers[2].IsMultiNode(), 0);
    EXPECT_EQ(sim_->log().size(), beforeOld) << "level 23 firmware is not asked";

    ASSERT_TRUE(sim_->control("status 0 0x10010006 9"));
    EXPECT_EQ(machine->controllers[0].IsMultiNode(), 0);
    EXPECT_EQ(machine->controllers[0].error, CTLERR_CONTROLLER + 9);
}

TEST_F(ControllerOptionsSimTest, AlarmIsWrittenAndReadBackPerController)
{
    CHostSystem* machine = OpenLocalMachine(kThreeControllers);
    ASSERT_NE(machine, nullptr);
    ASSERT_EQ(machine->Connect(), 1) << std::hex << machine->error;
    CController& first = machine->controllers[0];
    CController& second = machine->controllers[1];

    int on = -1;
    ASSERT_EQ(first.GetAlarm(&on), 1) << std::hex << first.error;
    EXPECT_EQ(on, 0);
    ASSERT_EQ(first.SetAlarm(1), 1) << std::hex << first.error;
    ASSERT_EQ(first.GetAlarm(&on), 1);
    EXPECT_EQ(on, 1);
    ASSERT_EQ(second.GetAlarm(&on), 1);
    EXPECT_EQ(on, 0) << "the other controller's alarm stays off";

    ASSERT_EQ(first.SetAlarm(7), 1) << "any non-zero switches it on";
    ASSERT_EQ(first.GetAlarm(&on), 1);
    EXPECT_EQ(on, 1);
    ASSERT_EQ(first.SetAlarm(0), 1);
    ASSERT_EQ(first.GetAlarm(&on), 1);
    EXPECT_EQ(on, 0);

    // A failed write changes nothing; a failed read still stores 0 or 1.
    ASSERT_TRUE(sim_->control("status 0 0x17 9"));
    EXPECT_EQ(first.SetAlarm(1), 0);
    EXPECT_EQ(first.error, CTLERR_CONTROLLER + 9);
    ASSERT_TRUE(sim_->control("status 0 0x16 9"));
    on = -1;
    EXPECT_EQ(first.GetAlarm(&on), 0);
    EXPECT_EQ(on, 0);
    ASSERT_EQ(first.GetAlarm(&on), 1);
    EXPECT_EQ(on, 0);

    // Alarm requests carry the controller target and one byte.
    const std::vector<std::string> log = sim_->log();
    EXPECT_EQ(field(log.back(), 5), "0x00000016");
    EXPECT_EQ(field(log.back(), 6), "0x0000FFFF");
    EXPECT_EQ(field(log.back(), 7), "1");
}

}  // namespace
