// Fixture of the drive tests: one controller of a scenario read with
// CController::Refresh over the mounted emulator, the emulator's log and the
// events its firmware raised.
#pragma once

#include "byte_order.h"
#include "ctl_driver_requests.h"
#include "phys_drive_sim_test.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

// One firmware event as the tests look at it.
struct SeenEvent {
    uint16_t number = 0;
    uint16_t at6 = 0;  // u16 at data offset 6
    uint16_t at8 = 0;  // u16 at data offset 8
};

class DriveSimTest : public PhysDriveSimTest {
protected:
    // Opens the controller and reads it with Refresh; nullptr on failure.
    CController* Read(const std::string& controllerJson)
    {
        CController* c = OpenController(controllerJson);
        if (c == nullptr || c->Refresh() != 1)
            return nullptr;
        return c;
    }

    // Every event in the driver's store, oldest first.
    static std::vector<SeenEvent> Events()
    {
        std::vector<SeenEvent> out;
        EventRequest r;
        r.code = EVENT_NEXT_AFTER;
        r.handle = 0xFFFFFFFF;
        for (int guard = 0; guard < 1000; ++guard) {
            if (ctl_read_event(0, &r) != 0 || r.record.source == 0)
                break;
            out.push_back({wire::get16(r.record.data, 4), wire::get16(r.record.data, 6), wire::get16(r.record.data, 8)});
            if (r.handle == 0xFFFFFFFF)
                break;
        }
        return out;
    }

    // The event numbers in the store, oldest first.
    static std::vector<uint16_t> EventNumbers()
    {
        std::vector<uint16_t> out;
        for (const SeenEvent& e : Events())
            out.push_back(e.number);
        return out;
    }

    // The u32 at `offset` of each logged parameter record of `key`.
    std::vector<uint32_t> LoggedWords(uint32_t key, size_t offset) const
    {
        std::vector<uint32_t> out;
        for (const std::vector<uint8_t>& rec : LoggedRecords(key))
            out.push_back(wire::get32(rec.data(), kLoggedData + offset));
        return out;
    }

    // The data lengths (log field 8) of the logged commands with `key`.
    std::vector<size_t> LoggedSizes(uint32_t key) const
    {
        std::vector<size_t> out;
        for (const std::string& line : sim_->log()) {
            std::vector<std::string> f;
            std::stringstream in(line);
            for (std::string field; std::getline(in, field, '\t');)
                f.push_back(field);
            if (f.size() >= 8 && std::stoul(f[5], nullptr, 16) == key)
                out.push_back(std::stoul(f[7]));
        }
        return out;
    }

    // Index of logical drive `number`, failing the test when absent.
    static int Drive(const CController& c, int number)
    {
        const int k = c.FindLogicalDrive(number);
        EXPECT_GE(k, 0) << "no logical drive " << number;
        return k;
    }
};
