// Test fixture helper: the driver emulator kzmsim mounted on a fresh
// temporary directory for the lifetime of the object (always unmounted).
#pragma once

#include "wait_until.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "sim_record.h"

class SimMount {
public:
    // Mounts kzmsim with the given scenario JSON text; an empty text uses
    // the emulator's built-in default scenario. `program` names another FUSE
    // program to mount in its place (given no scenario); it must serve "scsi".
    explicit SimMount(const std::string& scenarioJson = "", const char* program = nullptr);
    ~SimMount();
    SimMount(const SimMount&) = delete;
    SimMount& operator=(const SimMount&) = delete;

    // True when the mount is up.
    bool ok() const { return ok_; }
    // The directory that stands for "/proc/scsi".
    const std::string& root() const { return root_; }
    // Sets KZMH_PROC_ROOT to root() for this process.
    void exportRoot() const;
    // Writes one command line to kzmsim/control; false when it was refused.
    bool control(const std::string& line) const;
    // The lines of kzmsim/log, oldest first.
    std::vector<std::string> log() const;
    // The lines of kzmsim/log read into records, oldest first.
    std::vector<SimRecord> records() const;
    // The logged requests with the IOCTL key ("0x0000002B").
    int keyCount(const std::string& key) const;
    // The data areas (`size` bytes each) of the logged requests with the key
    // whose records hold that much, oldest first.
    std::vector<std::vector<uint8_t>> allData(const std::string& key, size_t size) const;
    // The data area of the last such request; empty when there is none.
    std::vector<uint8_t> lastData(const std::string& key, size_t size) const;
    // Waits until `holds` is true of the log's records or the bound passes.
    [[nodiscard]] bool waitForLog(const std::function<bool(const std::vector<SimRecord>&)>& holds, int boundMs = kzmtest::waitBound) const;
    // Waits until the log holds at least `count` requests with the key.
    [[nodiscard]] bool waitForKeyCount(const std::string& key, int count, int boundMs = kzmtest::waitBound) const;
    // The text of kzmsim/state: the access and driver locks held.
    std::string state() const { return readFile("kzmsim/state"); }
    // Waits until `holds` is true of state() or the bound passes.
    [[nodiscard]] bool waitForState(const std::function<bool(const std::string&)>& holds, int boundMs = kzmtest::waitBound) const;
    // Reads a whole file below root() (for example "scsi").
    std::string readFile(const std::string& rel) const;
    // Reads the file until it reads `expected` or the bound passes (a program
    // may still be giving back what it held); the last text read.
    std::string readFileOnceItIs(const std::string& rel, const std::string& expected, int boundMs = 3000) const;

private:
    std::string dir_;   // temporary directory holding the mount point and scenario
    std::string root_;  // the mount point
    int pid_ = -1;      // the kzmsim process
    bool ok_ = false;
};
