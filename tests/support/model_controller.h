// The first controller of the mounted emulator's local machine, read through
// the object model for as long as the object lives: for tests that build a
// configuration before the program under test reads it, or read it back.
#pragma once

#include <memory>

#include "session.h"
#include "sim_mount.h"
#include "xport_internal.h"

class ModelController {
public:
    // Opens a session on the emulator's exported root and refreshes the controller.
    explicit ModelController(SimMount& sim)
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
    ~ModelController()
    {
        session_.reset();
        xport_reset();
    }
    ModelController(const ModelController&) = delete;
    ModelController& operator=(const ModelController&) = delete;

    // The controller, null when it could not be opened or read.
    CController* controller() const { return controller_; }

private:
    std::unique_ptr<CSession> session_;
    CController* controller_ = nullptr;
};
