#include "message_log.h"

#include <byte_order.h>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace kzmsim {

namespace {

constexpr size_t LOG_ROUND = 2048;
constexpr uint32_t LOG_REQUEST_WORD = 0x10000;  // u32 at 0
constexpr uint32_t LOG_ENTRIES_AT = 36;          // u32 at 4, and where the entries begin
constexpr uint32_t LOG_ROOM_WORD = 0x7B3;        // u32 at 8
constexpr uint16_t LOG_REQUEST_MARK = 0xFF;      // u16 at 16
constexpr size_t LOG_HANDLE = 12;
constexpr size_t LOG_MORE = 19;
constexpr size_t LOG_COUNT = 32;
constexpr size_t ENTRY_TIME_TEXT = 12;           // 28 bytes
constexpr size_t ENTRY_TEXT = 40;
constexpr size_t ENTRY_EVENT_TEXT = 44;

size_t entrySize(const MessageLogEntry& e)
{
    const size_t at = e.kind == LOG_KIND_EVENT ? ENTRY_EVENT_TEXT : ENTRY_TEXT;
    return (at + e.text.size() + 1 + 3) & ~size_t{3};
}

void putEntry(uint8_t* p, const MessageLogEntry& e)
{
    const size_t size = entrySize(e);
    std::fill(p, p + size, 0);
    wire::put32(p, 0, static_cast<uint32_t>(size));
    wire::put16(p, 4, e.kind);
    wire::put32(p, 8, e.time);
    const std::time_t t = e.time;
    std::tm tm{};
    gmtime_r(&t, &tm);
    char stamp[28] = {};
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &tm);
    std::copy_n(stamp, sizeof stamp - 1, p + ENTRY_TIME_TEXT);
    size_t at = ENTRY_TEXT;
    if (e.kind == LOG_KIND_EVENT) {
        wire::put16(p, 40, e.number);
        wire::put16(p, 42, e.service);
        at = ENTRY_EVENT_TEXT;
    }
    std::copy(e.text.begin(), e.text.end(), p + at);
}

}  // namespace

void addLogEntry(ControllerFirmware& fw, uint16_t kind, const std::string& text, uint16_t number, uint16_t service)
{
    MessageLog& log = fw.messageLog;
    MessageLogEntry e;
    e.id = log.nextId++;
    e.kind = kind;
    e.number = number;
    e.service = service;
    e.time = static_cast<uint32_t>(std::time(nullptr));
    e.text = text.substr(0, MESSAGE_TEXT_MAX);
    e.text.erase(std::find(e.text.begin(), e.text.end(), '\0'), e.text.end());
    log.entries.push_back(std::move(e));
    while (log.entries.size() > MESSAGE_LOG_LIMIT)
        log.entries.pop_front();
}

void logFirmwareEvent(ControllerFirmware& fw, uint16_t service, uint16_t number)
{
    char text[64];
    std::snprintf(text, sizeof text, "service %u, async. event %u", static_cast<unsigned>(service),
                  static_cast<unsigned>(number));
    addLogEntry(fw, LOG_KIND_EVENT, text, number, service);
}

uint32_t readMessageLogCmd(ControllerFirmware& fw, IoctlCall& c)
{
    std::vector<uint8_t>& q = c.param;
    if (q.size() != LOG_ROUND || wire::get32(q.data(), 0) != LOG_REQUEST_WORD ||
        wire::get32(q.data(), 4) != LOG_ENTRIES_AT || wire::get32(q.data(), 8) != LOG_ROOM_WORD ||
        wire::get16(q.data(), 16) != LOG_REQUEST_MARK)
        return FW_STATUS_BAD_RECORD;
    // Handle h asks for the entries numbered h and after (0: from the oldest).
    const uint32_t handle = wire::get32(q.data(), LOG_HANDLE);
    std::fill(q.begin() + LOG_MORE, q.end(), 0);
    const std::deque<MessageLogEntry>& entries = fw.messageLog.entries;
    auto it = std::find_if(entries.begin(), entries.end(), [handle](const MessageLogEntry& e) { return e.id >= handle; });
    size_t off = LOG_ENTRIES_AT;
    uint32_t count = 0;
    for (; it != entries.end() && off + entrySize(*it) <= LOG_ROUND; ++it) {
        putEntry(q.data() + off, *it);
        off += entrySize(*it);
        ++count;
    }
    wire::put32(q.data(), LOG_HANDLE, it == entries.end() ? fw.messageLog.nextId : it->id);
    q[LOG_MORE] = it == entries.end() ? 0 : 1;
    wire::put32(q.data(), LOG_COUNT, count);
    // Misreporting firmware: the first entry's size, the count, or a round that never moves on.
    const MessageLog& log = fw.messageLog;
    if (log.fault == LogFault::size && count > 0)
        wire::put32(q.data(), LOG_ENTRIES_AT, log.faultValue);
    else if (log.fault == LogFault::count)
        wire::put32(q.data(), LOG_COUNT, log.faultValue);
    else if (log.fault == LogFault::stuck) {
        wire::put32(q.data(), LOG_HANDLE, handle);
        q[LOG_MORE] = 1;
    }
    return FW_STATUS_OK;
}

uint32_t clearMessageLogCmd(ControllerFirmware& fw, IoctlCall&)
{
    fw.messageLog.entries.clear();
    return FW_STATUS_OK;
}

}  // namespace kzmsim
