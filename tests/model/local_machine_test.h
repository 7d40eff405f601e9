// Test fixture: the driver emulator mounted with a scenario, a session opened
// through the local driver module, and its local machine listed.
#pragma once

#include "session.h"
#include "sim_mount.h"
#include "xport_internal.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

class LocalMachineTest : public ::testing::Test {
protected:
    void TearDown() override { xport_reset(); }

    // Mounts the emulator with `scenario`, opens a session and lists the local machine.
    CHostSystem* OpenLocalMachine(const std::string& scenario = "")
    {
        sim_ = std::make_unique<SimMount>(scenario);
        if (!sim_->ok())
            return nullptr;
        sim_->exportRoot();
        xport_reset();
        session_ = std::make_unique<CSession>();
        if (session_->Init(0) != 1 || session_->EnumTransports() != 1 || session_->transports.count < 1)
            return nullptr;
        CTransport& local = session_->transports[0];
        if (local.EnumHostSystems(nullptr) != 1 || local.machines.count < 1)
            return nullptr;
        return &local.machines[0];
    }

    std::unique_ptr<SimMount> sim_;
    std::unique_ptr<CSession> session_;
};
