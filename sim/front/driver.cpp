#include "driver.h"

#include "array_config.h"
#include "block_transfer.h"
#include "config_access.h"
#include "configuration_scenario.h"
#include "drive_config.h"
#include "driver_layout.h"
#include "ioctl_commands.h"
#include "message_log.h"

#include <byte_order.h>

#include <algorithm>
#include <cerrno>

namespace kzmsim {

Driver::Driver(const Scenario& scenario) : scenario_(scenario)
{
    for (const ControllerSpec& c : scenario.controllers) {
        ControllerFirmware& fw = controllers_.emplace(c.entry, ControllerFirmware(c)).first->second;
        setUpConfiguration(fw, c);
        files_[c.entry];
        for (uint32_t a = 1; a <= 2; ++a)
            flashSizes_[c.entry][a - 1] = fw.flash.area(a) ? fw.flash.area(a)->bytes.size() : 0;
    }
    count_ = scenario.controllerCount ? *scenario.controllerCount : static_cast<uint32_t>(controllers_.size());
}

std::vector<int> Driver::entries() const
{
    std::vector<int> e;
    for (const auto& [entry, fw] : controllers_)
        e.push_back(entry);
    return e;
}

size_t Driver::flashAreaSize(int entry, int area) const
{
    const auto it = flashSizes_.find(entry);
    return it == flashSizes_.end() || area < 1 || area > 2 ? 0 : it->second[static_cast<size_t>(area - 1)];
}

ControllerFirmware* Driver::firmware(int entry)
{
    const auto it = controllers_.find(entry);
    return it == controllers_.end() ? nullptr : &it->second;
}

long Driver::writeRequest(int entry, const uint8_t* data, size_t size, off_t offset)
{
    const auto it = files_.find(entry);
    if (it == files_.end())
        return -ENOENT;
    RequestFile& file = it->second;
    if (offset == 0) {
        // A write at offset 0 starts a new record; an unfinished one is dropped.
        file.pending.clear();
        if (busy_ > 0) {
            --busy_;
            return -EBUSY;
        }
    } else if (offset < 0 || static_cast<size_t>(offset) != file.pending.size() || file.pending.empty()) {
        file.pending.clear();
        return -EINVAL;
    }
    if (size > MAX_RECORD_SIZE - file.pending.size()) {
        file.pending.clear();
        return -EINVAL;
    }
    file.pending.insert(file.pending.end(), data, data + size);
    const RecordShape shape = recordShape(file.pending.data(), file.pending.size());
    if (shape.check == RecordCheck::Invalid) {
        file.pending.clear();
        return -EINVAL;
    }
    if (shape.check == RecordCheck::Complete) {
        if (eventFailures_ > 0 && wire::get16(file.pending.data(), REC_CODE) == DRVREQ_EVENT) {
            // A failing event request is neither served nor logged.
            --eventFailures_;
            file.pending.clear();
            return -EIO;
        }
        serve(entry, file, shape.dataLength, shape.senseLength);
    }
    return static_cast<long>(size);
}

void Driver::raiseEvent(int entry, uint16_t service, uint16_t number, const std::vector<uint8_t>& extra)
{
    // The event names the controller as the driver numbers it: the entry's
    // place among the entries.
    const auto it = controllers_.find(entry);
    EventFields f;
    f.controller = static_cast<uint16_t>(std::distance(controllers_.begin(), it));
    f.service = service;
    f.number = number;
    f.severity = firmwareEventSeverity(number);
    f.extra = extra;
    events_.add(makeEvent(f));
    if (it != controllers_.end())
        logFirmwareEvent(it->second, service, number);
}

void Driver::addRaisedEvents()
{
    for (auto& [entry, fw] : controllers_) {
        for (const RaisedEvent& e : fw.raised)
            raiseEvent(entry, e.service, e.number, e.extra);
        fw.raised.clear();
    }
}

size_t Driver::readReply(int entry, uint8_t* out, size_t size, off_t offset) const
{
    const auto it = files_.find(entry);
    if (it == files_.end() || offset < 0 || static_cast<size_t>(offset) >= it->second.reply.size())
        return 0;
    const std::vector<uint8_t>& reply = it->second.reply;
    const size_t n = std::min(size, reply.size() - static_cast<size_t>(offset));
    std::copy_n(reply.begin() + offset, n, out);
    return n;
}

void Driver::serve(int entry, RequestFile& file, size_t d, size_t s)
{
    std::vector<uint8_t> rec = std::move(file.pending);
    file.pending.clear();
    std::vector<uint8_t> reply;
    uint32_t status = STATUS_OK;
    if (wire::get16(rec.data(), REC_CODE) == DRVREQ_COMMAND) {
        status = serveCommand(entry, rec, d, s, reply);
    } else {
        reply.assign(REPLY_SIZE, 0);
        serveDriverLevel(entry, rec, reply);
        wire::put32(reply.data(), REPLY_STATUS, status);
    }
    log_.add(formatLogLine(entry, rec.data(), rec.size(), d, s, status));
    file.reply = std::move(reply);
}

uint32_t Driver::serveCommand(int entry, const std::vector<uint8_t>& rec, size_t d, size_t s, std::vector<uint8_t>& reply)
{
    const CommandFields cmd = commandFields(rec.data(), d, s);
    std::vector<uint8_t> data(rec.begin() + REC_DATA, rec.begin() + REC_DATA + d);
    std::vector<uint8_t> sense(rec.begin() + REC_DATA + d, rec.begin() + REC_DATA + d + s);
    uint32_t status = 0;
    const auto inj = injected_.find({entry, cmd.key});
    if (cmd.opcode == OP_IOCTL && inj != injected_.end() && !inj->second.empty() && --inj->second.front().after == 0) {
        // An injected status answers in place of the firmware; nothing changes.
        status = inj->second.front().word;
        inj->second.pop_front();
        if (inj->second.empty())
            injected_.erase(inj);
    } else {
        status = runCommand(entry, cmd, data, sense);
        addRaisedEvents();
    }
    reply.assign(REPLY_SIZE + d + s, 0);
    wire::put32(reply.data(), REPLY_STATUS, status);
    wire::putBytes(reply.data(), REPLY_ANSWER, data.data(), d);
    wire::putBytes(reply.data(), REPLY_ANSWER + d, sense.data(), s);
    return status;
}

void Driver::serveDriverLevel(int entry, const std::vector<uint8_t>& rec, std::vector<uint8_t>& reply)
{
    const ControllerSpec& id = controllers_.at(entry).identity;
    uint8_t* r = reply.data();
    switch (wire::get16(rec.data(), REC_CODE)) {
    case DRVREQ_DRIVER_VERSION:
        wire::put16(r, 8, scenario_.driverVersion);
        break;
    case DRVREQ_CONTROLLER_TYPE:
        r[8] = id.typeClass;
        wire::put16(r, 10, id.busSlot);
        wire::put16(r, 12, id.identification);
        wire::put16(r, 18, id.subtype);
        wire::put16(r, 20, id.identification2);
        wire::put16(r, 22, id.identification3);
        break;
    case DRVREQ_OS_VERSION:
        r[8] = scenario_.osMajor;
        r[9] = scenario_.osMinor;
        wire::put16(r, 10, scenario_.osRevision);
        break;
    case DRVREQ_CONTROLLER_COUNT:
        wire::put16(r, 8, static_cast<uint16_t>(std::min<uint32_t>(count_, 0xFFFF)));
        break;
    case DRVREQ_LOCK_HOST_DRIVES:
    case DRVREQ_LOCK_CHANNEL:
        keepDriverLock(entry, rec);
        break;
    case DRVREQ_EVENT: {
        EventBytes event{};
        wire::getBytes(rec.data(), REC_EVENT_RECORD, event.data(), EVENT_SIZE);
        uint32_t next = EVENT_HANDLE_NONE;
        events_.request(wire::get32(rec.data(), REC_EVENT_CODE), wire::get32(rec.data(), REC_EVENT_HANDLE), event, next);
        wire::put32(r, 8, next);
        wire::putBytes(r, 12, event.data(), EVENT_SIZE);
        break;
    }
    case DRVREQ_RESCAN:
        // Host drive d sits at bus 0, target d, lun 0.
        for (size_t d = 0; d < RESCAN_ENTRIES; ++d)
            r[REPLY_ANSWER + 4 * d + 1] = static_cast<uint8_t>(d);
        break;
    default:
        break;
    }
}

void Driver::writeScsi(const uint8_t* data, size_t size)
{
    scsi_.append(reinterpret_cast<const char*>(data), size);
}

uint32_t Driver::runCommand(int entry, const CommandFields& cmd, std::vector<uint8_t>& data,
                            std::vector<uint8_t>& sense)
{
    ControllerFirmware& fw = controllers_.at(entry);
    if (cmd.opcode == OP_IOCTL) {
        IoctlCall call{cmd.key, cmd.target, cmd.node, data};
        return runIoctlCommand(fw, call);
    }
    if (cmd.service == SVC_CACHE) {
        // Block transfers name the host drive in the parameter size field and
        // the first block in the key.
        if (cmd.opcode == OP_BLOCK_READ || cmd.opcode == OP_BLOCK_WRITE)
            return transferBlocks(fw, cmd.paramSize, cmd.key, data, cmd.opcode == OP_BLOCK_WRITE);
        if (cmd.opcode == OP_ACCESS_RESET) {
            resetHostDriveAccess(fw.access, cmd.paramSize);
            return FW_STATUS_OK;
        }
        return FW_STATUS_NOT_SUPPORTED;
    }
    if (cmd.service == SVC_RAW && cmd.opcode == OP_SCSI) {
        // No device answers yet: zero data and zero sense.
        std::fill(data.begin(), data.end(), 0);
        std::fill(sense.begin(), sense.end(), 0);
        return FW_STATUS_OK;
    }
    return FW_STATUS_NOT_SUPPORTED;
}

long Driver::applyControl(const std::vector<ControlAction>& actions)
{
    // A change that cannot be carried out undoes the whole write.
    const auto controllers = controllers_;
    const auto injected = injected_;
    const EventStore events = events_;
    const uint32_t busy = busy_, count = count_;
    for (size_t i = 0; i < actions.size(); ++i) {
        refusal_.clear();
        if (!actions[i](*this)) {
            controllers_ = controllers;
            injected_ = injected;
            events_ = events;
            busy_ = busy;
            count_ = count;
            return static_cast<long>(i);
        }
    }
    refusal_.clear();
    // Disks that failed or left take their drives along.
    for (auto& [entry, fw] : controllers_) {
        settleDrives(fw);
        settleArrays(fw);
    }
    addRaisedEvents();
    return -1;
}

bool Driver::refuse(std::string why)
{
    refusal_ = std::move(why);
    return false;
}

void Driver::noteRefused(std::string line)
{
    refused_.push_back(std::move(line));
    while (refused_.size() > REFUSED_LIMIT)
        refused_.pop_front();
}

std::string Driver::refusedText() const
{
    std::string text;
    for (const std::string& line : refused_)
        text += line + "\n";
    return text;
}

}  // namespace kzmsim
