// Records of the fault bus operations (CController::SetFaultBusSettings,
// GetFaultBusStates). In-memory records of the model.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int FAULT_BUS_SETTING_CHANNELS = 6;
constexpr int FAULT_BUS_STATE_SLOTS = 16;
constexpr size_t FAULT_BUS_STATE_HEAD = 16;
constexpr int CLUSTER_CHANNELS = 6;

// The caller's fault bus settings; only the low byte of each field is written.
struct FaultBusSettings {
    int32_t autoHotPlug = 0;        // page byte 78
    int32_t shelfMonitoring = 0;    // page byte 76
    int32_t shelfAlarm = 0;         // page byte 77: SHELF error to audible alarm
    int32_t channelEnable[FAULT_BUS_SETTING_CHANNELS] = {};  // page byte 60 + c
};

// Slot states of GetFaultBusStates besides raw signal words.
constexpr int32_t SLOT_STATE_OFF = 0;          // the seventh pattern
constexpr int32_t SLOT_STATE_ON = 1;           // the first
constexpr int32_t SLOT_STATE_SLOW = 2;         // the third
constexpr int32_t SLOT_STATE_QUICK = 3;        // the fifth

// One channel's fault bus state: byte 0 of `head` is the channel asked for;
// the rest of `head` is the controller's reply (present flag at 1, SHELF
// byte at 2, swap counter u32 at 4).
struct FaultBusStates {
    uint8_t head[FAULT_BUS_STATE_HEAD] = {};
    int32_t slots[FAULT_BUS_STATE_SLOTS] = {};
};
