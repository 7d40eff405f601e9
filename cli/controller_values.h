// Values in the controller's records and flags that several of the tool's
// commands test or set.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint32_t kNoDrive = 0xFFFF;          // device information: the disk belongs to no logical drive
constexpr size_t kWriteProtectedByte = 50;     // device information byte: write protected
constexpr uint8_t kClusterBits = 0x0D;         // board cluster bits all set on a cluster controller
constexpr int kPrivateDrive = 2;               // cluster type of a host drive private to its node
constexpr uint32_t kConfigChanged = 0x01;      // front end flag of a controller: its configuration was changed
