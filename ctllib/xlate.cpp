#include "xlate.h"

#include "byte_order.h"
#include "ctl_request.h"

#include <array>
#include <cstring>

namespace {

// One argument: its offset in the 16 bytes of event data and its size
// (1, 2 or 4); size 0 ends the list.
struct EventArg {
    int8_t offset;
    uint8_t size;
};

constexpr size_t ENTRY_MAX_ARGS = 6;

// One text entry: the format and its arguments in order.
struct EventTextEntry {
    const char* format;
    std::array<EventArg, ENTRY_MAX_ARGS> args;
};

constexpr EventTextEntry kAsyncDefault{"Adapter %u, service %u, async. status %u/%lu unknown",
                                       {{{0, 2}, {2, 2}, {4, 2}, {6, 4}}}};
constexpr EventTextEntry kSyncDefault{"Adapter %u, service %u, sync. status %u/%lu unknown",
                                      {{{0, 2}, {2, 2}, {4, 2}, {6, 4}}}};
constexpr EventTextEntry kDriverDefault{"Unknown error on adapter %u!\r\nService %u, Index %lu",
                                        {{{0, 2}, {2, 2}, {4, 4}}}};
constexpr EventTextEntry kUnknownTest{"Unknown test event", {}};

// Argument lists shared by many rows.
constexpr std::array<EventArg, ENTRY_MAX_ARGS> A_C{{{0, 2}}};
constexpr std::array<EventArg, ENTRY_MAX_ARGS> A_C_L6{{{0, 2}, {6, 4}}};
constexpr std::array<EventArg, ENTRY_MAX_ARGS> A_C_W6{{{0, 2}, {6, 2}}};
constexpr std::array<EventArg, ENTRY_MAX_ARGS> A_C_W8{{{0, 2}, {8, 2}}};
constexpr std::array<EventArg, ENTRY_MAX_ARGS> A_C_W6_W8{{{0, 2}, {6, 2}, {8, 2}}};
constexpr std::array<EventArg, ENTRY_MAX_ARGS> A_C_B10{{{0, 2}, {10, 1}}};
constexpr std::array<EventArg, ENTRY_MAX_ARGS> A_C_B10_B11{{{0, 2}, {10, 1}, {11, 1}}};
constexpr std::array<EventArg, ENTRY_MAX_ARGS> A_C_B10_B11_B12{{{0, 2}, {10, 1}, {11, 1}, {12, 1}}};
constexpr std::array<EventArg, ENTRY_MAX_ARGS> A_C_W10{{{0, 2}, {10, 2}}};
constexpr std::array<EventArg, ENTRY_MAX_ARGS> A_C_B12_B13_B14{{{0, 2}, {12, 1}, {13, 1}, {14, 1}}};
constexpr std::array<EventArg, ENTRY_MAX_ARGS> A_C_S_L4{{{0, 2}, {2, 2}, {4, 4}}};
constexpr std::array<EventArg, ENTRY_MAX_ARGS> A_L4{{{4, 4}}};

constexpr EventTextEntry kDriverTable[] = {
    {"Timeout on adapter %u, Service %u, Index %lu!\r\n\ndescription: the controller did not answer in time\r\n"
     "check controller for correct operation",
     A_C_S_L4},
    {"Status to unused command (idx %lu),\r\noccured possible due to prior timeout", A_L4},
    {"Status to a command which was never sent to any controller,\r\ndescription: driver got impossible command "
     "index %lu",
     A_L4},
    {"Command structure to release not in use", {}},
    {"Adapter %u: Cannot read command, DMA error!?!\r\nDescription: driver received index 1 in status phase", A_C},
    {"Spurious hardware interrupt detected", {}},
    {"Got message structure, but message passing is not supported,\r\ndescription: InternalAnswer() detected "
     "message pointer in command",
     {}},
    {"Internal error in ioctl status,\r\ndescription: got status from ioctl without I/O", {}},
    {"Lost a NetWare I/O Control during I/O,\r\noperation may not continue successfully.\r\nDescription: "
     "PutIOCTL returned not OK",
     {}},
    {"Lost a NetWare request during I/O,\r\noperation may not continue successfully.\r\nDescription: PutRequest "
     "returned not OK",
     {}},
    {"Adapter %u: No free command index available", A_C},
    {"Adapter %u: Unable to initialize service %u,status %lu", A_C_S_L4},
    {"Adapter %u stopped because of internal errors", A_C},
    {"Adapter %u: Reboot hook not enabled", A_C},
    {"Maximum I/O count set to %u", A_C},
    {"Reset Bus: Adapter %u, SCSI channel %u (%lu pending commands)", A_C_S_L4},
};

constexpr EventTextEntry kAsync9Table[] = {
    kAsyncDefault,
    kAsyncDefault,
    {"Adapter %u, Host Drive %lu not ready", A_C_L6},
    {"Adapter %u, Host Drive %lu: REASSIGN not successful and/or data error on reassigned blocks. Drive may crash "
     "in the future and should be replaced",
     A_C_L6},
    {"Adapter %u, RAID 1 Host Drive %lu: drive build failed", A_C_L6},
    {"Adapter %u, RAID 1 Drive %lu failed", A_C_L6},
    {"Adapter %u, RAID 1 Drive %lu: REASSIGN not successful and/or data error on reassigned blocks. Drive may "
     "crash in the future and should be replaced",
     A_C_L6},
    {"Adapter %u, Host Drive %lu write protected", A_C_L6},
    {"Adapter %u, media changed in Host Drive %lu", A_C_L6},
    {"Adapter %u, Host Drive %lu is offline", A_C_L6},
    {"Adapter %u, media change of RAID 1 Drive %lu", A_C_L6},  // 10
    {"Adapter %u, RAID 1 Drive %lu is write protected", A_C_L6},
    {"Adapter %u, general error on Host Drive %lu. Please check the SCSI devices of this drive!", A_C_L6},
    {"Adapter %u, Array Drive %u: Logical Drive %u failed", A_C_W6_W8},
    {"Adapter %u, Array Drive %u: FAIL state entered", A_C_W6},
    {"Adapter %u, Array Drive %u: ERROR state entered", A_C_W6},
    {"Adapter %u, Array Drive %u: failed drive replaced by Logical Drive %u", A_C_W6_W8},
    {"Adapter %u, Array Drive %u: parity build failed", A_C_W6},
    {"Adapter %u, Array Drive %u: drive rebuild failed", A_C_W6},
    {"Adapter %u: Test of Hot Fix %u failed", A_C_W8},
    {"Adapter %u, Array Drive %u: drive build finished successfully", A_C_W6},  // 20
    {"Adapter %u, Array Drive %u: drive rebuild finished successfully", A_C_W6},
    {"Adapter %u, Array Drive %u: Hot Fix %u activated", A_C_W6_W8},
    {"Adapter %u, Host Drive %u: processing of I/O aborted due to serious drive error", A_C_W6},
    {"Adapter %u, RAID 1 Drive %u: drive build finished successfully", A_C_W8},
    {"Adapter %u, RAID 1 Drive %u: drive build failed", A_C_W8},
    {"Adapter %u, Array Drive %u: drive rebuild started", A_C_W6},
    {"Adapter %u, Fault bus %u: SHELF OK detected", A_C_B10},
    {"Adapter %u, Fault bus %u: SHELF NOT OK detected", A_C_B10},
    {"Adapter %u, Fault bus %u, ID %u: Auto Hot Plug started", A_C_B10_B11},
    {"Adapter %u, Fault bus %u, ID %u: new disk detected", A_C_B10_B11},  // 30
    {"Adapter %u, Fault bus %u, ID %u: old disk detected", A_C_B10_B11},
    {"Adapter %u, Fault bus %u, ID %u: plugging an active disk is illegal", A_C_B10_B11},
    {"Adapter %u, Fault bus %u, ID %u: illegal device detected", A_C_B10_B11},
    {"Adapter %u, Fault bus %u, ID %u: insufficient disk capacity (%lu MB required)",
     {{{0, 2}, {10, 1}, {11, 1}, {6, 4}}}},
    {"Adapter %u, Fault bus %u, ID %u: disk write protected", A_C_B10_B11},
    {"Adapter %u, Fault bus %u, ID %u: disk not available", A_C_B10_B11},
    {"Adapter %u, Fault bus %u: swap detected (%lu)", {{{0, 2}, {10, 1}, {6, 4}}}},
    {"Adapter %u, Fault bus %u, ID %u: Auto Hot Plug finished successfully", A_C_B10_B11},
    {"Adapter %u, Fault bus %u, ID %u: Auto Hot Plug aborted due to user Hot Plug", A_C_B10_B11},
    {"Adapter %u, Fault bus %u, ID %u: Auto Hot Plug aborted", A_C_B10_B11},  // 40
    {"Adapter %u, Fault bus %u, ID %u: Auto Hot Plug for Hot Fix started", A_C_B10_B11},
    {"Adapter %u, Array Drive %u: drive build started", A_C_W6},
    {"Adapter %u, DRAM parity error detected", A_C},
    {"Adapter %u, RAID 1 Drive %u: drive build started", A_C_W6},
    {"Adapter %u, RAID 1 Drive %u: Hot Fix %u activated", A_C_W6_W8},
    {"Adapter %u, Array Drive %u: no matching Pool Hot Fix Drive available", A_C_W6},
    {"Adapter %u, Array Drive %u: Pool Hot Fix Drive available", A_C_W6},
    {"Adapter %u, RAID 1 Drive %u: no matching Pool Hot Fix Drive available", A_C_W6},
    {"Adapter %u, RAID 1 Drive %u: Pool Hot Fix Drive available", A_C_W6},
    {"Adapter %u, SCSI channel %u, ID %u: IGNORE_WIDE_RESIDUE message received", A_C_B10_B11},  // 50
    {"Adapter %u, Array Drive %u: Expand started", A_C_W6},
    {"Adapter %u, Array Drive %u: Expand finished successfully", A_C_W6},
    {"Adapter %u, Array Drive %u: Expand failed", A_C_W6},
    {"Adapter %u: CPU temperature critical !", A_C},
    {"Adapter %u: CPU temperature OK", A_C},
    {"Adapter %u, Host Drive %lu created", A_C_L6},
    {"Adapter %u, Array Drive %u: Expand restarted", A_C_W6},
    {"Adapter %u, Array Drive %u: Expand stopped", A_C_W6},
    {"Adapter %u, RAID 1 Drive %u: drive build aborted", A_C_W8},
    {"Adapter %u, Array Drive %u: parity build aborted", A_C_W6},  // 60
    {"Adapter %u, Array Drive %u: drive rebuild aborted", A_C_W6},
    {"Adapter %u, Array Drive %u: parity verify started", A_C_W6},
    {"Adapter %u, Array Drive %u: parity verify finished successfully", A_C_W6},
    {"Adapter %u, Array Drive %u: parity verify failed", A_C_W6},
    {"Adapter %u, Array Drive %u: parity error detected", A_C_W6},
    {"Adapter %u, Array Drive %u: parity verify aborted", A_C_W6},
    {"Adapter %u, Host Drive %u reserved", A_C_W6},
    {"Adapter %u, Host Drive %u mounted and released", A_C_W6},
    {"Adapter %u, Host Drive %u released", A_C_W6},
    {"Adapter %u: DRAM error detected and corrected with ECC", A_C},  // 70
    {"Adapter %u: Uncorrectable DRAM error detected with ECC", A_C},
    {"Adapter %u, SCSI channel %u, ID %u, LUN %u: reassigning block", A_C_B10_B11_B12},
    {"Adapter %u, Host Drive %u resetted locally", A_C_W6},
    {"Adapter %u, Host Drive %u resetted remotely", A_C_W6},
    {"Adapter %u, Async. status 75 unknown", A_C},
};
static_assert(std::size(kAsync9Table) == 76);

// The screen and raw services know only the first five numbers, every one
// with the default text.
constexpr EventTextEntry kAsyncDefaultRows[] = {kAsyncDefault, kAsyncDefault, kAsyncDefault, kAsyncDefault,
                                                kAsyncDefault};

constexpr EventTextEntry kSync9Table[] = {
    kSyncDefault,
    kSyncDefault,
    kSyncDefault,
    kSyncDefault,
    {"Adapter %u, Host Drive %u: Parameter error", A_C_W10},
    {"Adapter %u, Host Drive %u: May be wrong data (reassign during read)", A_C_W10},
    {"Adapter %u, Host Drive %u: General error", A_C_W10},
    {"Adapter %u, Host Drive %u: Controller busy", A_C_W10},
    {"Adapter %u, Host Drive %u: Controller error", A_C_W10},
    {"Adapter %u, Host Drive %u: Device write protected", A_C_W10},
    {"Adapter %u, Host Drive %u: Maintenance mode active", A_C_W10},  // 10
    {"Adapter %u, Host Drive %u: Unmount error", A_C_W10},
    {"Adapter %u, Host Drive %u: Device error", A_C_W10},
    {"Adapter %u, Host Drive %u: Medium error (reassign failed)", A_C_W10},
    {"Adapter %u, Host Drive %u: Cache buffer replacement failed", A_C_W10},
    {"Adapter %u, Host Drive %u: Scatter/gather misaligned", A_C_W10},
    {"Adapter %u, Host Drive %u: Command aborted due to pending reset command", A_C_W10},
    {"Adapter %u, Host Drive %u: Processing of I/O aborted due to serious drive error", A_C_W10},
};
static_assert(std::size(kSync9Table) == 18);

constexpr EventTextEntry kSync3Table[] = {
    kSyncDefault,
    kSyncDefault,
    kSyncDefault,
    kSyncDefault,
    {"Adapter %u, Bus %u, ID %u, LUN %u: Parameter error", A_C_B12_B13_B14},
    kSyncDefault,
    kSyncDefault,
    {"Adapter %u, Bus %u, ID %u, LUN %u: Controller busy", A_C_B12_B13_B14},
    kSyncDefault,
    kSyncDefault,
    {"Adapter %u, SCSI channel %u, ID %u, LUN %u: No device found", A_C_B12_B13_B14},  // 10
    {"Adapter %u, SCSI channel %u, ID %u, LUN %u: Cache device found", A_C_B12_B13_B14},
    {"Adapter %u, SCSI channel %u, ID %u, LUN %u: Target error: SCSI status %lu, Sense key %u",
     {{{0, 2}, {12, 1}, {13, 1}, {14, 1}, {6, 4}, {15, 1}}}},
    {"Adapter %u, SCSI channel %u, ID %u, LUN %u: Not enough memory to do I/O", A_C_B12_B13_B14},
    {"Adapter %u, SCSI channel %u, ID %u, LUN %u: Initialized drive", A_C_B12_B13_B14},
    {"Adapter %u, SCSI channel %u, ID %u, LUN %u: Used drive", A_C_B12_B13_B14},
    {"Adapter %u, SCSI channel %u, ID %u, LUN %u: Scatter/gather list inconsistent", A_C_B12_B13_B14},
};
static_assert(std::size(kSync3Table) == 17);

// Rows by the complement of the status (-1 is row 0).
constexpr EventTextEntry kSync0Table[] = {
    {"Adapter %u : Unknown service", A_C},
    {"Adapter %u : Unknown function", A_C},
    {"Adapter %u : Unknown node", A_C},
    {"Adapter %u : Initialization failed", A_C},
    {"Adapter %u : Invalid command offset", A_C},
};

constexpr EventTextEntry kTestTable[] = {{"Test event 0", {}}};

constexpr uint16_t SRC_ASYNC = 1, SRC_DRIVER = 2, SRC_TEST = 3, SRC_SYNC = 4;
constexpr int ANY_SERVICE = -1;

// How a table is reached: by the record's index field, by the event number
// of a given service, or by the complement of that number.
enum class RowKey { Index, Status, ComplementedStatus };

struct TableChoice {
    uint16_t source;
    int service;  // ANY_SERVICE for tables reached by index
    RowKey key;
    const EventTextEntry* rows;
    size_t count;
};

template <size_t N>
constexpr TableChoice choice(uint16_t source, int service, RowKey key, const EventTextEntry (&rows)[N])
{
    return {source, service, key, rows, N};
}

constexpr TableChoice kTables[] = {
    choice(SRC_ASYNC, CTLSVC_CACHE, RowKey::Status, kAsync9Table),
    choice(SRC_ASYNC, CTLSVC_SCREEN, RowKey::Status, kAsyncDefaultRows),
    choice(SRC_ASYNC, CTLSVC_RAW, RowKey::Status, kAsyncDefaultRows),
    choice(SRC_DRIVER, ANY_SERVICE, RowKey::Index, kDriverTable),
    choice(SRC_TEST, ANY_SERVICE, RowKey::Index, kTestTable),
    choice(SRC_SYNC, 0, RowKey::ComplementedStatus, kSync0Table),
    choice(SRC_SYNC, CTLSVC_CACHE, RowKey::Status, kSync9Table),
    choice(SRC_SYNC, CTLSVC_RAW, RowKey::Status, kSync3Table),
};

// The entry of a source when no table row fits.
struct SourceDefault {
    uint16_t source;
    const EventTextEntry* entry;
};

constexpr SourceDefault kDefaults[] = {
    {SRC_ASYNC, &kAsyncDefault},
    {SRC_DRIVER, &kDriverDefault},
    {SRC_TEST, &kUnknownTest},
    {SRC_SYNC, &kSyncDefault},
};

// Every argument lies inside the 16 bytes of event data.
constexpr bool argumentsFit(const EventTextEntry* rows, size_t count)
{
    for (size_t r = 0; r < count; ++r)
        for (const EventArg& a : rows[r].args)
            if (a.size != 0 && (a.offset < 0 || a.offset + a.size > static_cast<int>(EVENT_DATA_SIZE) ||
                                (a.size != 1 && a.size != 2 && a.size != 4)))
                return false;
    return true;
}

constexpr bool tablesFit()
{
    for (const TableChoice& t : kTables)
        if (!argumentsFit(t.rows, t.count))
            return false;
    for (const SourceDefault& d : kDefaults)
        if (!argumentsFit(d.entry, 1))
            return false;
    return true;
}
static_assert(tablesFit(), "an event text argument lies outside the event data");

const EventTextEntry* selectEntry(const EventRecord& e)
{
    const uint16_t status = wire::get16(e.data, 4);
    for (const TableChoice& t : kTables) {
        if (t.source != e.source)
            continue;
        size_t row = 0;
        if (t.key == RowKey::Index) {
            row = e.service;
        } else {
            if (t.service != e.service)
                continue;
            row = t.key == RowKey::Status ? status : static_cast<uint16_t>(~status);
        }
        if (row < t.count)
            return &t.rows[row];
    }
    for (const SourceDefault& d : kDefaults)
        if (d.source == e.source)
            return d.entry;
    return nullptr;
}

uint32_t argumentValue(const uint8_t* data, const EventArg& a)
{
    switch (a.size) {
    case 1:
        return data[a.offset];
    case 2:
        return wire::get16(data, static_cast<size_t>(a.offset));
    default:
        return wire::get32(data, static_cast<size_t>(a.offset));
    }
}

// Appends characters to a bounded text.
class BoundedText {
public:
    BoundedText(char* out, size_t size) : out_(out), room_(size ? size - 1 : 0) {}
    void put(char c)
    {
        if (len_ < room_)
            out_[len_++] = c;
    }
    void put(const char* s)
    {
        while (*s && len_ < room_)
            out_[len_++] = *s++;
    }
    size_t finish()
    {
        if (out_)
            out_[len_] = '\0';
        return len_;
    }

private:
    char* out_;
    size_t room_;
    size_t len_ = 0;
};

}  // namespace

int evt_format_text(const EventRecord* event, EvtFormatCallback callback)
{
    if (event == nullptr)
        return -1;
    uint32_t args[EVT_MAX_ARGS] = {};
    if (event->dataSize == 0) {
        // A text-only event: the low byte of the controller number, widened
        // with its sign, and the event's own text.
        if (!callback)
            return -1;
        args[0] = static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(event->data[0])));
        return callback(2, "Adapter %u, %s", args, event->text);
    }
    const EventTextEntry* entry = selectEntry(*event);
    if (!entry)
        return -1;
    int count = 0;
    for (const EventArg& a : entry->args) {
        if (a.size == 0 || count == EVT_MAX_ARGS)
            break;
        args[count++] = argumentValue(event->data, a);
    }
    if (!callback)
        return -1;
    return callback(count, entry->format, args, nullptr);
}

size_t evt_print(char* out, size_t size, int count, const char* format, const uint32_t* args, const char* text)
{
    BoundedText t(size ? out : nullptr, size);
    if (!format)
        return t.finish();
    int next = 0;
    for (const char* p = format; *p; ++p) {
        if (*p != '%') {
            t.put(*p);
            continue;
        }
        const char* conv = p + 1;
        if (*conv == 'l' && conv[1] == 'u')
            ++conv;
        if (*conv == '%') {
            t.put('%');
        } else if (*conv == 'u') {
            const uint32_t v = (args && next < count) ? args[next] : 0;
            ++next;
            char digits[11];
            int n = 0;
            uint32_t rest = v;
            do {
                digits[n++] = static_cast<char>('0' + rest % 10);
                rest /= 10;
            } while (rest != 0);
            while (n > 0)
                t.put(digits[--n]);
        } else if (*conv == 's') {
            ++next;
            t.put(text ? text : "");
        } else {
            // Not a conversion of the event texts: copied as it stands.
            t.put('%');
            continue;
        }
        p = conv;
    }
    return t.finish();
}
