// The hot plug of a disk that becomes a logical drive (the drive choice's
// hot plug line) against the mounted emulator, its boxes on the in-memory
// screen: the new drive is named after the place where the disk was found.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "controller.h"
#include "dialog_fixture.h"
#include "hot_plug_procedure.h"
#include "log_drive.h"
#include "session.h"
#include "sim_mount.h"
#include "xport_internal.h"

namespace tui::testing {
namespace {

// A SCSI channel with drive 0 on its disk at 0, a Fibre Channel channel with a disk at 1.
const char* const kMachine = R"({"controllers": [{"entry": 0, "profile": "new", "channels": [
  {"kind": 2, "ownId": 7, "devices": [{"target": 0}]},
  {"kind": 3, "ownId": 0, "devices": [{"target": 1}]}],
 "logicalDrives": [{"number": 0, "members": [[0, 0]]}]}]})";

class hotPlugNamingTest : public dialogTest {
protected:
    void TearDown() override
    {
        session.reset();
        xport_reset();
        sim.reset();
        dialogTest::TearDown();
    }
    CController* Open()
    {
        sim = std::make_unique<SimMount>(kMachine);
        if (!sim->ok())
            return nullptr;
        sim->exportRoot();
        xport_reset();
        session = std::make_unique<CSession>();
        if (session->Init(0) != 1 || session->EnumTransports() != 1 || session->transports.count < 1)
            return nullptr;
        CTransport& local = session->transports[0];
        if (local.EnumHostSystems(nullptr) != 1 || local.machines.count < 1)
            return nullptr;
        CHostSystem& machine = local.machines[0];
        if (machine.Connect() != 1 || machine.controllers.count < 1)
            return nullptr;
        CController* c = &machine.controllers[0];
        return c->Refresh() == 1 ? c : nullptr;
    }
    // The hot plug keys in the log, in order.
    std::vector<std::string> HotPlugKeys() const
    {
        std::vector<std::string> keys;
        for (const SimRecord& r : sim->records())
            if (r.key == "0x00000020" || r.key == "0x00000021")
                keys.push_back(r.key);
        return keys;
    }

    std::unique_ptr<SimMount> sim;
    std::unique_ptr<CSession> session;
};

TEST_F(hotPlugNamingTest, NewDriveIsNamedAfterWhereTheDiskWasFound)
{
    struct Case {
        const char* name;
        int channel;
        int target;          // asked for; -1 any (Fibre Channel)
        const char* insert;  // the disk plugged in
        const char* driveName;
    } cases[] = {
        {"SCSI", 0, 4, "insert 0 0 4", "PD_A004"},
        {"Fibre Channel, any ID", 1, -1, "insert 0 1 5", "PD_B005"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        CController* c = Open();
        ASSERT_NE(c, nullptr);
        ASSERT_TRUE(sim->control(k.insert));
        answerWhenWaiting({'y', 'y'});  // the plug-in prompt, then "use this disk?"
        int number = -1;
        ASSERT_EQ(HotPlugDisk(*c, 1, &number, k.channel, k.target), 1) << std::hex << c->error;
        ASSERT_GE(number, 0);
        const int ld = c->FindLogicalDrive(number);
        ASSERT_GE(ld, 0);
        EXPECT_EQ(std::string(c->logDrives[ld].GetName(), strnlen(c->logDrives[ld].GetName(), 8)), k.driveName);
        const std::vector<std::string> keys = HotPlugKeys();
        ASSERT_FALSE(keys.empty());
        EXPECT_EQ(keys.back(), "0x00000021");
        EXPECT_EQ(sim->state(), "");
        TearDown();
        SetUp();
    }
}

}  // namespace
}  // namespace tui::testing
