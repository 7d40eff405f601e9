// Set-up shared by the repair assistant's screen tests: scenarios of plain
// disks, each a logical drive of its own, and the controller of the mounted
// emulator through the object model, to make arrays before the console reads
// the controller and to read its state back afterwards.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "array_drive.h"
#include "controller.h"
#include "mirror_drive.h"
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

// The controller of the mounted emulator through the object model, for the
// set-up a test needs before the console reads it.
class ModelAccess {
public:
    explicit ModelAccess(SimMount& sim)
    {
        sim.exportRoot();
        xport_reset();
        session_ = std::make_unique<CSession>();
        if (session_->Init(0) != 1 || session_->EnumTransports() != 1 || session_->transports.count < 1)
            return;
        CTransport& local = session_->transports[0];
        if (local.EnumHostSystems(nullptr) != 1 || local.machines.count < 1)
            return;
        CHostSystem& machine = local.machines[0];
        if (machine.Connect() != 1 || machine.controllers.count < 1)
            return;
        controller_ = &machine.controllers[0];
        if (controller_->Refresh() != 1)
            controller_ = nullptr;
    }
    ~ModelAccess()
    {
        session_.reset();
        xport_reset();
    }
    ModelAccess(const ModelAccess&) = delete;
    ModelAccess& operator=(const ModelAccess&) = delete;

    CController* controller() { return controller_; }

    // An array of `type` over the drives `numbers`, read back; its number, -1 on failure.
    int Make(int type, const std::vector<int>& numbers)
    {
        CController& c = *controller_;
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
        CController& c = *controller_;
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
        CController& c = *controller_;
        CArrayDrive& array = c.arrayDrives[c.FindArrayDrive(number)];
        array.AddPendingComponent(c.FindLogicalDrive(drive));
        return array.AddHotFixDrives(0, 1) == 1;
    }

private:
    std::unique_ptr<CSession> session_;
    CController* controller_ = nullptr;
};

}  // namespace tui::testing
