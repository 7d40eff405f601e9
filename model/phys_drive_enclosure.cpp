// CPhysDrive: the operations of an enclosure processor (status, controls,
// slot tables).
#include "phys_drive.h"

#include "byte_order.h"
#include "controller.h"
#include "ctl_commands.h"
#include "ctl_devices.h"
#include "model_alloc.h"
#include "model_errors.h"

#include <cstring>
#include <ctime>

namespace {

constexpr uint8_t kFanStateCap = 3;
constexpr int kNoSpeaker = 2;
constexpr int kNoDoorLock = 3;
constexpr size_t kQueryTail = 1;  // a query carries one byte beyond its data

// Fahrenheit of a Celsius value, rounded up only when the tenths are above 5.
int Fahrenheit(int celsius)
{
    const int tenths = celsius * 18;
    int f = tenths / 10;
    if (tenths % 10 > 5)
        ++f;
    return f + 32;
}

// A buffer from ModelAlloc, freed on every path.
struct QueryBuffer {
    explicit QueryBuffer(size_t n) : size(n), p(static_cast<uint8_t*>(ModelAlloc(n))) {}
    ~QueryBuffer() { ModelFree(p); }
    QueryBuffer(const QueryBuffer&) = delete;
    QueryBuffer& operator=(const QueryBuffer&) = delete;
    size_t size;
    uint8_t* p;
};

}  // namespace

uint32_t CPhysDrive::EnclosureQuery(uint8_t* buf, uint8_t selector, uint32_t count)
{
    std::memset(buf, 0, ENCQUERY_DATA);
    wire::put32(buf, ENCQUERY_ID, wire::get32(enclosureInfo, ENCINFO_ID));
    wire::put32(buf, ENCQUERY_COUNT, count);
    buf[ENCQUERY_SELECTOR] = selector;
    buf[ENCQUERY_DATA_OFFSET] = ENCQUERY_DATA;
    return ctl_enclosure_query(controllerNumber, buf, static_cast<uint16_t>(ENCQUERY_DATA + count + kQueryTail));
}

int CPhysDrive::GetEnclosureStatus(int* a)
{
    if (!isEnclosureProcessor || a == nullptr) {
        error = isEnclosureProcessor ? MODERR_BAD_PARAMETER : MODERR_NOT_SUPPORTED;
        return 0;
    }
    const uint32_t power = enclosureLayout[ENCLAYOUT_POWER];
    const uint32_t fans = enclosureLayout[ENCLAYOUT_FANS];
    const uint32_t sensors = enclosureLayout[ENCLAYOUT_SENSORS];
    QueryBuffer q(16 + power + fans + 3 * sensors);
    if (q.p == nullptr) {
        error = MODERR_NO_MEMORY;
        return 0;
    }
    const uint8_t* data = q.p + ENCQUERY_DATA;
    int k = 0;
    a[k] = kNoSpeaker;
    if (enclosureLayout[ENCLAYOUT_SPEAKER]) {
        if ((error = EnclosureQuery(q.p, ENCSEL_SPEAKER, 1)) != 0)
            return 0;
        a[k] = data[0];
    }
    a[++k] = kNoDoorLock;
    if (enclosureLayout[ENCLAYOUT_DOOR]) {
        if ((error = EnclosureQuery(q.p, ENCSEL_DOOR, 1)) != 0)
            return 0;
        a[k] = data[0] + 1;
    }
    ++k;
    if ((error = EnclosureQuery(q.p, ENCSEL_POWER, power)) != 0)
        return 0;
    for (uint32_t i = 0; i < power; ++i)
        a[k++] = data[i];
    if ((error = EnclosureQuery(q.p, ENCSEL_FANS, fans)) != 0)
        return 0;
    for (uint32_t i = 0; i < fans; ++i)
        a[k++] = data[i] > kFanStateCap ? kFanStateCap : data[i];
    if ((error = EnclosureQuery(q.p, ENCSEL_TEMPERATURES, 3 * sensors + 1)) != 0)
        return 0;
    a[k++] = data[3 * sensors];
    for (uint32_t i = 0; i < sensors; ++i) {
        const int celsius = static_cast<int16_t>(wire::get16(data, 3 * i));
        a[k++] = celsius;
        a[k++] = Fahrenheit(celsius);
        a[k++] = data[3 * i + 2];
    }
    return 1;
}

int CPhysDrive::SetEnclosureControl(int doorFlag, int value)
{
    if (!isEnclosureProcessor) {
        error = MODERR_NOT_SUPPORTED;
        return 0;
    }
    uint8_t q[ENCQUERY_DATA + 2] = {};
    q[ENCQUERY_DATA] = static_cast<uint8_t>(value);
    error = EnclosureQuery(q, doorFlag ? ENCSEL_SET_DOOR : ENCSEL_SET_SPEAKER, 1);
    return error == 0 ? 1 : 0;
}

int CPhysDrive::ReadSlotTable(EnclosureSlot* s)
{
    if (!isEnclosureProcessor || s == nullptr) {
        error = isEnclosureProcessor ? MODERR_BAD_PARAMETER : MODERR_NOT_SUPPORTED;
        return 0;
    }
    const uint32_t slots = enclosureLayout[ENCLAYOUT_SLOTS];
    QueryBuffer q(4 * slots + 13);
    if (q.p == nullptr) {
        error = MODERR_NO_MEMORY;
        return 0;
    }
    const uint8_t* data = q.p + ENCQUERY_DATA;
    if ((error = EnclosureQuery(q.p, ENCSEL_SLOT_IDS, slots)) != 0)
        return 0;
    for (uint32_t i = 0; i < slots; ++i) {
        s[i].targetId = data[i];
        s[i].drive = -1;
    }
    if ((error = EnclosureQuery(q.p, ENCSEL_SLOT_STATES, 4 * slots)) != 0)
        return 0;
    for (uint32_t i = 0; i < slots; ++i)
        s[i].occupied = data[4 * i + 3] & 1;
    if (controller == nullptr)
        return 1;
    const CArray<CPhysDrive>& list = controller->physDrives;
    for (uint32_t i = 0; i < slots; ++i) {
        for (int k = 0; k < list.count; ++k) {
            const CPhysDrive& d = list[k];
            if (d.DeviceType() != DEVICE_TYPE_DISK || d.enclosureIndex < 0 || d.enclosureIndex >= list.count)
                continue;
            const uint8_t* enc = list[d.enclosureIndex].enclosureInfo;
            if (wire::get32(enc, ENCINFO_WORDS) == wire::get32(enclosureInfo, ENCINFO_WORDS) &&
                wire::get32(enc, ENCINFO_WORDS + 4) == wire::get32(enclosureInfo, ENCINFO_WORDS + 4) &&
                s[i].targetId == d.targetId && static_cast<int>(i) == d.enclosureSlot)
                s[i].drive = k;
        }
    }
    return 1;
}

int CPhysDrive::WriteSlotTable(const EnclosureSlot* s)
{
    if (!isEnclosureProcessor || s == nullptr) {
        error = isEnclosureProcessor ? MODERR_BAD_PARAMETER : MODERR_NOT_SUPPORTED;
        return 0;
    }
    QueryBuffer rec(SLOTMAP_SIZE);
    if (rec.p == nullptr) {
        error = MODERR_NO_MEMORY;
        return 0;
    }
    const auto now = static_cast<uint32_t>(std::time(nullptr));
    const uint32_t slots = enclosureLayout[ENCLAYOUT_SLOTS];
    uint32_t firstFailure = 0;
    for (uint32_t i = 0; i < slots; ++i) {
        uint32_t address = SLOTMAP_EMPTY;
        if (s[i].drive != -1) {
            if (controller == nullptr || s[i].drive < 0 || s[i].drive >= controller->physDrives.count) {
                error = MODERR_BAD_PARAMETER;
                return 0;
            }
            const CPhysDrive& d = controller->physDrives[s[i].drive];
            DriveAddress where;
            where.controller = d.controllerNumber;
            where.channelIndex = static_cast<uint8_t>(d.channel);
            where.deviceIndex = d.deviceIndex;
            if ((error = ctl_resolve_device(&where)) != 0)
                return 0;
            address = where.deviceAddress();
        }
        uint8_t* p = rec.p;
        std::memset(p, 0, SLOTMAP_SIZE);
        wire::put32(p, SLOTMAP_TIME, now);
        wire::put32(p, SLOTMAP_ADDRESS, address);
        std::memcpy(p + SLOTMAP_WORDS, enclosureInfo + ENCINFO_WORDS, 16);
        std::memcpy(p + SLOTMAP_BYTES, enclosureInfo + ENCINFO_BYTES, 16);
        p[SLOTMAP_SLOT] = static_cast<uint8_t>(i);
        p[SLOTMAP_CHANNEL] = static_cast<uint8_t>(channel);
        p[SLOTMAP_CHANNEL + 1] = static_cast<uint8_t>(targetId);
        p[SLOTMAP_CHANNEL + 2] = static_cast<uint8_t>(lun);
        p[SLOTMAP_WORD16_LOW] = enclosureInfo[ENCINFO_WORD16];
        p[SLOTMAP_ONE] = 1;
        wire::put16(p, SLOTMAP_KIND, SLOTMAP_KIND_VALUE);
        std::memcpy(p + SLOTMAP_TAIL, enclosureInfo + ENCINFO_TAIL, 7);
        const uint32_t rc = s[i].occupied && s[i].drive != -1
                                ? ctl_set_enclosure_slot_map(controllerNumber, p, SLOTMAP_SIZE)
                                : ctl_enclosure_cmd_12(controllerNumber, p, SLOTMAP_SIZE);
        // Every slot is still sent; the first failure is what the caller learns.
        if (rc != 0 && firstFailure == 0)
            firstFailure = rc;
    }
    error = firstFailure;
    return firstFailure == 0 ? 1 : 0;
}
