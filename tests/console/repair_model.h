// Set-up shared by the repair assistant's screen tests: scenarios of plain
// disks, each a logical drive of its own, the controller of the mounted
// emulator through the object model, to make arrays before the console reads
// the controller and to read its state back afterwards, and the fixture with
// the console steps those tests share.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "array_drive.h"
#include "controller.h"
#include "mirror_drive.h"
#include "mirvane_session.h"
#include "model_controller.h"
#include "progress_request.h"
#include "session.h"
#include "sim_mount.h"
#include "xport_internal.h"

namespace tui::testing {

constexpr uint32_t kDisk = 2097152;

// `count` disks on one SCSI channel, each a logical drive of its own (numbers 0..count-1).
inline std::string Disks(int count)
{
    std::string devices, drives;
    for (int i = 0; i < count; ++i) {
        devices += (i ? ", " : "") + std::string(R"({"target": )") + std::to_string(i) + R"(, "capacity": )" +
                   std::to_string(kDisk) + "}";
        drives += (i ? ", " : "") + std::string(R"({"number": )") + std::to_string(i) + R"(, "members": [[0, )" +
                  std::to_string(i) + "]]}";
    }
    return R"({"controllers": [{"entry": 0, "profile": "new", "channels": [{"kind": 2, "ownId": 7, "devices": [)" +
           devices + R"(]}], "logicalDrives": [)" + drives + "]}]}";
}

// Disks(count) with one more key of the controller: `key` with `list` (a JSON list).
inline std::string DisksWith(int count, const std::string& key, const std::string& list)
{
    std::string scenario = Disks(count);
    scenario.insert(scenario.rfind("]}]}") + 1, ", \"" + key + "\": " + list);
    return scenario;
}

// The controller of the mounted emulator through the object model, with the
// set-up a test needs before the console reads it.
class ModelAccess : public ModelController {
public:
    using ModelController::ModelController;

    // An array of `type` over the drives `numbers`, read back; its number, -1 on failure.
    int Make(int type, const std::vector<int>& numbers)
    {
        CController& c = *controller();
        CLogDrive& first = c.logDrives[c.FindLogicalDrive(numbers[0])];
        for (size_t i = 1; i < numbers.size(); ++i)
            first.AddPendingComponent(c.FindLogicalDrive(numbers[i]));
        int spans = -1, number = -1;
        if (first.CreateArray(type, &spans, &number, 0x10000) != 1 || c.Refresh() != 1)
            return -1;
        return number;
    }
    // Queries the builds and rebuilds of the array (and of its RAID-1
    // components) until it is ready; false when that fails.
    bool ToReady(int number)
    {
        CController& c = *controller();
        for (int round = 0; round < 60; ++round) {
            if (c.Refresh() != 1)
                return false;
            bool building = false;
            for (int m = 0; m < c.mirrorDrives.count; ++m) {
                if (c.mirrorDrives[m].buildingCount == 0)
                    continue;
                building = true;
                ProgressRequest r;
                r.operation = PROGRESS_QUERY;
                c.mirrorDrives[m].GetBuildProgress(&r);
            }
            const int a = c.FindArrayDrive(number);
            if (a < 0)
                return false;
            CArrayDrive& array = c.arrayDrives[a];
            if (array.State() == ARSTATE_READY && !building)
                return true;
            ProgressRequest r;
            r.operation = PROGRESS_QUERY;
            if (array.State() == ARSTATE_REBUILD || array.State() == ARSTATE_REBUILD2)
                array.GetRebuildProgress(&r);
            else if (array.State() == ARSTATE_BUILD)
                array.GetBuildProgress(&r);
        }
        return false;
    }
    // Adds logical drive `drive` to the array as a private hot fix drive.
    bool AddPrivateHotFix(int number, int drive)
    {
        CController& c = *controller();
        CArrayDrive& array = c.arrayDrives[c.FindArrayDrive(number)];
        array.AddPendingComponent(c.FindLogicalDrive(drive));
        return array.AddHotFixDrives(0, 1) == 1;
    }

};

// mirvane in tmux against the emulator with the model open for the set-up,
// and the steps into and out of the repair assistant.
class repairSession : public mirvaneSession {
protected:
    static constexpr const char* hotPlugBegin = "0x00000020";
    static constexpr const char* hotPlugEnd = "0x00000021";

    void TearDown() override
    {
        model.reset();  // before the emulator goes
        mirvaneSession::TearDown();
    }
    // Mounts the scenario with mirvane at its first menu (the pane resized to
    // 80 columns by paneRows lines when that is set) and opens the model.
    void startWith(const std::string& scenario)
    {
        ASSERT_NO_FATAL_FAILURE(start("", scenario));
        if (paneRows)
            tmux->resize(80, paneRows);
        model = std::make_unique<ModelAccess>(*sim);
        ASSERT_NE(model->controller(), nullptr);
    }
    // The console's repair assistant up to its summary.
    void toSummary() { toRepairAssistant("Summary"); }
    // The console's repair assistant past its summary, at " Select Drive to repair ".
    void toRepairList()
    {
        ASSERT_NO_FATAL_FAILURE(toRepairAssistant("Press any key."));
        tmux->sendKeys("x");
        ASSERT_TRUE(tmux->waitFor(" Select Drive to repair ")) << tmux->capture();
    }
    // Leaves the repair list with work left: M3032 answered Yes.
    void cancelRepair()
    {
        tmux->sendKeys("Escape");
        ASSERT_TRUE(tmux->waitFor("Do you really want to cancel repairing? (Y/N)")) << tmux->capture();
        tmux->sendKeys("y");
        ASSERT_TRUE(waitGone(" Select Drive to repair ")) << tmux->capture();
    }
    // The last hot plug key of the log ends one; the emulator holds no state.
    void expectHotPlugsEnded()
    {
        const std::vector<std::string> keys = keysInOrder({hotPlugBegin, hotPlugEnd});
        ASSERT_FALSE(keys.empty());
        EXPECT_EQ(keys.back(), hotPlugEnd);
        EXPECT_EQ(sim->readFileOnceItIs("kzmsim/state", ""), "");
    }

    int paneRows = 0;
    std::unique_ptr<ModelAccess> model;

private:
    // From the start into the repair assistant, until `shown` is up.
    void toRepairAssistant(const std::string& shown)
    {
        model.reset();
        ASSERT_NO_FATAL_FAILURE(toAdvancedSetup());
        for (int i = 0; i < 5; ++i)
            tmux->sendKeys("Down");
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor(shown)) << tmux->capture();
    }
};

}  // namespace tui::testing
