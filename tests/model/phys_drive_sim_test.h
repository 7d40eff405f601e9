// Fixture of the physical device tests: one controller of a scenario,
// connected through the local driver module over the mounted emulator, and
// the emulator's log read back by key.
#pragma once

#include "controller.h"
#include "local_machine_test.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

class PhysDriveSimTest : public LocalMachineTest {
protected:
    // Mounts the scenario of one controller (entry 0) and connects it; nullptr on failure.
    CController* OpenController(const std::string& controllerJson)
    {
        CHostSystem* machine = OpenLocalMachine(R"({"controllers": [)" + controllerJson + "]}");
        if (machine == nullptr || machine->Connect() != 1 || machine->controllers.count < 1)
            return nullptr;
        return &machine->controllers[0];
    }

    // Opens the controller and scans its devices; nullptr on failure.
    CController* Scanned(const std::string& controllerJson)
    {
        CController* c = OpenController(controllerJson);
        if (c == nullptr || c->ScanDevices() != 1)
            return nullptr;
        return c;
    }

    // The records (528 + data bytes) of every logged command with `key`, oldest first.
    std::vector<std::vector<uint8_t>> LoggedRecords(uint32_t key) const
    {
        std::vector<std::vector<uint8_t>> out;
        for (const std::string& line : sim_->log()) {
            std::vector<std::string> f;
            std::stringstream in(line);
            for (std::string field; std::getline(in, field, '\t');)
                f.push_back(field);
            if (f.size() < 11 || std::stoul(f[5], nullptr, 16) != key)
                continue;
            std::vector<uint8_t> rec;
            for (size_t i = 0; i + 1 < f[10].size(); i += 2)
                rec.push_back(static_cast<uint8_t>(std::stoul(f[10].substr(i, 2), nullptr, 16)));
            out.push_back(rec);
        }
        return out;
    }

    // How many commands with `key` the emulator served.
    size_t Logged(uint32_t key) const { return LoggedRecords(key).size(); }

    // The index of the device at (channel, target) in the controller's list, failing the test when absent.
    static int At(const CController& c, int channel, int target)
    {
        const int k = c.FindPhysDrive(channel, target, 0);
        EXPECT_GE(k, 0) << "no device at channel " << channel << " target " << target;
        return k;
    }
};

// Offset of a command's parameter record in a logged record.
constexpr size_t kLoggedData = 524;
