// The emulated kzmh driver: one request file per controller entry, the
// driver-level requests, the SCSI mid-layer file, the changes that control
// lines make (read in control/), the refused control lines and the request
// log. Not thread-safe: the caller serialises every call.
#pragma once

#include "controller_firmware.h"
#include "event_store.h"
#include "request_log.h"
#include "request_record.h"
#include "scenario.h"

#include <cstdint>
#include <deque>
#include <array>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <sys/types.h>
#include <vector>

namespace kzmsim {

class Driver;
// The change one control line makes (the lines are read in
// control/control_commands.h); false when it cannot be carried out, after
// giving the reason to Driver::refuse.
using ControlAction = std::function<bool(Driver&)>;

// Refused control writes kept for the file kzmsim/refused; older ones drop out.
constexpr size_t REFUSED_LIMIT = 100;

class Driver {
public:
    explicit Driver(const Scenario& scenario);

    // The controller entries, ascending.
    std::vector<int> entries() const;
    // True when kzmh/<entry> exists.
    // The tree's shape is fixed when the driver is made, so these two read
    // no controller state and need no lock.
    bool hasEntry(int entry) const { return flashSizes_.count(entry) != 0; }
    // The size of flash area 1 or 2 of the entry; 0 when there is no such area.
    size_t flashAreaSize(int entry, int area) const;

    // Takes a piece of a request record written to kzmh/<entry> at offset;
    // returns the bytes taken or -errno (-EBUSY, -EINVAL, -ENOENT, -EIO).
    long writeRequest(int entry, const uint8_t* data, size_t size, off_t offset);
    // Copies reply bytes of kzmh/<entry> from offset; returns the count (0 past the end).
    size_t readReply(int entry, uint8_t* out, size_t size, off_t offset) const;

    // Appends bytes written to "scsi".
    void writeScsi(const uint8_t* data, size_t size);
    // Everything written to "scsi" so far.
    const std::string& scsiText() const { return scsi_; }

    // Carries out the changes of one control write, all or none: when one
    // cannot be carried out, everything it and the others changed is undone.
    // Returns the index of the change that could not be carried out, or -1.
    long applyControl(const std::vector<ControlAction>& actions);
    // Gives the reason why the change being carried out cannot be; returns
    // false, for the change to return.
    bool refuse(std::string why);
    // The reason the last change that could not be carried out gave ("" for none).
    const std::string& refusal() const { return refusal_; }
    // Keeps one line of the file kzmsim/refused (the newest REFUSED_LIMIT stay).
    void noteRefused(std::string line);
    // The text of kzmsim/refused: the refused control writes, oldest first, one line each.
    std::string refusedText() const;
    // The request log.
    const RequestLog& log() const { return log_; }

    // Control operations.
    void setBusy(uint32_t n) { busy_ = n; }
    // The next command with key on the entry answers statusWord; with after > 1
    // the after - 1 commands with that key before it run as usual.
    void injectStatus(int entry, uint32_t key, uint32_t statusWord, uint32_t after = 1)
    {
        injected_[{entry, key}].push_back({after, statusWord});
    }
    void setControllerCount(uint32_t n) { count_ = n; }
    EventStore& events() { return events_; }
    // Makes the next n event requests fail (their writes answer EIO).
    void setEventFailures(uint32_t n) { eventFailures_ = n; }
    // Adds an asynchronous event that the firmware of `entry` raises itself,
    // with the firmware's severity for its number (entry must exist).
    void raiseEvent(int entry, uint16_t service, uint16_t number, const std::vector<uint8_t>& extra = {});
    // The firmware of an entry, or nullptr.
    ControllerFirmware* firmware(int entry);
    // The read-only file kzmsim/state: one line for everything held (driver_state.cpp).
    std::string stateText() const;

private:
    struct RequestFile {
        std::vector<uint8_t> pending;  // record being assembled
        std::vector<uint8_t> reply;    // reply of the last request
    };
    // Runs a complete record and keeps its reply.
    void serve(int entry, RequestFile& file, size_t dataLength, size_t senseLength);
    uint32_t serveCommand(int entry, const std::vector<uint8_t>& rec, size_t d, size_t s, std::vector<uint8_t>& reply);
    void serveDriverLevel(int entry, const std::vector<uint8_t>& rec, std::vector<uint8_t>& reply);
    // Keeps the host drive and channel locks of driver requests 0x4A06 and 0x4A07.
    void keepDriverLock(int entry, const std::vector<uint8_t>& rec);
    // Moves the events the firmware raised into the store.
    void addRaisedEvents();
    // Runs one IOCTL, block transfer, access reset or raw command on the entry's firmware.
    uint32_t runCommand(int entry, const CommandFields& cmd, std::vector<uint8_t>& data, std::vector<uint8_t>& sense);

    Scenario scenario_;
    std::map<int, ControllerFirmware> controllers_;
    std::map<int, std::array<size_t, 2>> flashSizes_;  // per entry, made with the driver
    std::map<int, RequestFile> files_;
    struct Injection {
        uint32_t after;  // answers the after-th command with the key
        uint32_t word;
    };
    std::map<std::pair<int, uint32_t>, std::deque<Injection>> injected_;
    EventStore events_;
    RequestLog log_;
    std::string scsi_;
    uint32_t busy_ = 0;
    uint32_t count_ = 0;
    uint32_t eventFailures_ = 0;
    std::map<int, std::set<uint16_t>> lockedHostDrives_;  // by entry, through 0x4A06
    std::map<int, std::set<uint16_t>> lockedChannels_;    // by entry, through 0x4A07
    std::string refusal_;                 // why the last control change could not be carried out
    std::deque<std::string> refused_;     // lines of kzmsim/refused
};

}  // namespace kzmsim
