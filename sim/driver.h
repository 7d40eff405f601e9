// The emulated kzmh driver: one request file per controller entry, the
// driver-level requests, the SCSI mid-layer file, the control commands and
// the request log. Not thread-safe: the caller serialises every call.
#pragma once

#include "controller_firmware.h"
#include "event_store.h"
#include "request_log.h"
#include "scenario.h"

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

namespace kzmsim {

class Driver {
public:
    explicit Driver(const Scenario& scenario);

    // The controller entries, ascending.
    std::vector<int> entries() const;
    // True when kzmh/<entry> exists.
    bool hasEntry(int entry) const { return controllers_.count(entry) != 0; }

    // Takes a piece of a request record written to kzmh/<entry> at offset;
    // returns the bytes taken or -errno (-EBUSY, -EINVAL, -ENOENT, -EIO).
    long writeRequest(int entry, const uint8_t* data, size_t size, off_t offset);
    // Copies reply bytes of kzmh/<entry> from offset; returns the count (0 past the end).
    size_t readReply(int entry, uint8_t* out, size_t size, off_t offset) const;

    // Appends bytes written to "scsi".
    void writeScsi(const uint8_t* data, size_t size);
    // Everything written to "scsi" so far.
    const std::string& scsiText() const { return scsi_; }

    // Runs the control commands of one write; -EINVAL (and nothing done) when any is bad.
    long writeControl(const char* data, size_t size);
    // The request log.
    const RequestLog& log() const { return log_; }

    // Control operations.
    void setBusy(uint32_t n) { busy_ = n; }
    void injectStatus(int entry, uint32_t key, uint32_t statusWord) { injected_[{entry, key}].push_back(statusWord); }
    void setControllerCount(uint32_t n) { count_ = n; }
    EventStore& events() { return events_; }
    // Makes the next n event requests fail (their writes answer EIO).
    void setEventFailures(uint32_t n) { eventFailures_ = n; }
    // Adds an asynchronous event that the firmware of `entry` raises itself,
    // with the firmware's severity for its number (entry must exist).
    void raiseEvent(int entry, uint16_t service, uint16_t number, const std::vector<uint8_t>& extra = {});
    // The firmware of an entry, or nullptr.
    ControllerFirmware* firmware(int entry);

private:
    struct RequestFile {
        std::vector<uint8_t> pending;  // record being assembled
        std::vector<uint8_t> reply;    // reply of the last request
    };
    // Runs a complete record and keeps its reply.
    void serve(int entry, RequestFile& file, size_t dataLength, size_t senseLength);
    uint32_t serveCommand(int entry, const std::vector<uint8_t>& rec, size_t d, size_t s, std::vector<uint8_t>& reply);
    void serveDriverLevel(int entry, const std::vector<uint8_t>& rec, std::vector<uint8_t>& reply);
    // Moves the events the firmware raised into the store.
    void addRaisedEvents();

    Scenario scenario_;
    std::map<int, ControllerFirmware> controllers_;
    std::map<int, RequestFile> files_;
    std::map<std::pair<int, uint32_t>, std::deque<uint32_t>> injected_;
    EventStore events_;
    RequestLog log_;
    std::string scsi_;
    uint32_t busy_ = 0;
    uint32_t count_ = 0;
    uint32_t eventFailures_ = 0;
};

}  // namespace kzmsim
