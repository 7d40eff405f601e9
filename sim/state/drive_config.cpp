#include "drive_config.h"


#include <byte_order.h>

#include <algorithm>
#include <chrono>

namespace kzmsim {

namespace {

constexpr size_t INFO_NAME = 0;         // bytes 0-7: the mirror's name for a chain member
constexpr size_t INFO_NEXT = 8;         // u32 next in chain, 0xFFFFFFFF none
constexpr size_t INFO_CHAIN_COUNT = 12; // u32 components the mirror should have
constexpr size_t INFO_ATTRIBUTES = 23;  // bit 0: pool hot fix drive
constexpr size_t INFO_CAPACITY = 24;
constexpr size_t INFO_FLAGS = 56;       // bit 0 failed, bit 1 building, bit 2 pool hot fix
constexpr uint8_t FLAG_FAILED = 0x01;
constexpr uint8_t FLAG_BUILDING = 0x02;
constexpr uint8_t FLAG_POOL = 0x04;
constexpr size_t DI_FRAGMENT = 59;

uint64_t nowMs()
{
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// Raises a mirror event: u16 at data offset 6 the mirror, u16 at 8 `second`.
void raiseMirrorEvent(ControllerFirmware& fw, uint16_t number, uint32_t mirror, uint32_t second)
{
    RaisedEvent e;
    e.service = 9;
    e.number = number;
    e.extra.assign(4, 0);
    wire::put16(e.extra.data(), 0, static_cast<uint16_t>(mirror));
    wire::put16(e.extra.data(), 2, static_cast<uint16_t>(second));
    fw.raised.push_back(std::move(e));
}

// Raises event 5, whose text reads the mirror as a u32 at data offset 6.
void raiseMirrorFailed(ControllerFirmware& fw, uint32_t mirror)
{
    RaisedEvent e;
    e.service = 9;
    e.number = EVT_MIRROR_FAILED;
    e.extra.assign(4, 0);
    wire::put32(e.extra.data(), 0, mirror);
    fw.raised.push_back(std::move(e));
}

// Appends `drive` to the mirror headed by `head` and starts its build.
void startBuild(ControllerFirmware& fw, uint32_t head, uint32_t drive)
{
    fw.mirrors.at(head).components.push_back(drive);
    LogicalDrive& d = fw.logicalDrives.at(drive);
    d.building = true;
    d.buildPercent = 0;
    d.buildStartMs = nowMs();
    raiseMirrorEvent(fw, EVT_MIRROR_BUILD_STARTED, head, head);
}

// A mirror that has one component and lacks none is a plain drive again.
void dissolveIfSingle(ControllerFirmware& fw, uint32_t head)
{
    const auto it = fw.mirrors.find(head);
    if (it != fw.mirrors.end() && it->second.components.size() <= 1 && it->second.expected <= 1)
        fw.mirrors.erase(it);
}

// A pool hot fix drive that can stand for a component of the mirror headed by `head`.
int64_t matchingPoolDrive(ControllerFirmware& fw, uint32_t head)
{
    const uint32_t needed = driveCapacityOf(fw, fw.logicalDrives.at(head));
    for (const auto& [number, d] : fw.logicalDrives)
        if (d.poolHotFix && !d.failed && driveFullCapacity(fw, d) >= needed)
            return number;
    return -1;
}

// Marks drive n failed; a chain member leaves its chain (the mirror counts it missing).
void failDrive(ControllerFirmware& fw, uint32_t n)
{
    LogicalDrive* d = findDrive(fw, n);
    if (!d || d->failed)
        return;
    d->failed = true;
    const int64_t found = chainHead(fw, n);
    if (found < 0)
        return;
    auto head = static_cast<uint32_t>(found);
    const bool wasBuilding = d->building;
    d->building = false;
    d->buildPercent = PERCENT_DONE;
    MirrorChain chain = fw.mirrors.at(head);
    std::erase(chain.components, n);
    for (uint32_t address : d->members)
        chain.lostDisks.emplace_back(n, address);
    fw.mirrors.erase(head);
    if (wasBuilding)
        raiseMirrorEvent(fw, EVT_MIRROR_BUILD_FAILED, head, head);
    else
        raiseMirrorFailed(fw, head);
    if (chain.components.empty())
        return;
    if (n == head) {
        // The next component heads the mirror now, with its flag and host drives.
        const uint32_t next = chain.components.front();
        fw.logicalDrives.at(next).poolAccess = d->poolAccess;
        d->poolAccess = false;
        const auto table = fw.hostTables.find(head);
        if (table != fw.hostTables.end()) {
            fw.hostTables[next] = std::move(table->second);
            fw.hostTables.erase(head);
        }
        head = next;
    }
    fw.mirrors[head] = std::move(chain);
    if (!fw.logicalDrives.at(head).poolAccess)
        return;
    const int64_t spare = matchingPoolDrive(fw, head);
    if (spare < 0) {
        raiseMirrorEvent(fw, EVT_MIRROR_NO_POOL_DRIVE, head, head);
        return;
    }
    fw.logicalDrives.at(static_cast<uint32_t>(spare)).poolHotFix = false;
    raiseMirrorEvent(fw, EVT_MIRROR_HOT_FIX, head, static_cast<uint32_t>(spare));
    startBuild(fw, head, static_cast<uint32_t>(spare));
}

}  // namespace

void setUpDriveConfig(ControllerFirmware& fw, const ControllerSpec& desc)
{
    for (const ControllerSpec::ForeignHostDrive& f : desc.foreignHostDrives) {
        std::array<uint8_t, HOST_ENTRY_SIZE> e{};
        std::copy_n(f.name.begin(), std::min<size_t>(f.name.size(), 7), e.begin());
        wire::put32(e.data(), 8, f.size);
        e[HOST_ENTRY_NUMBER] = static_cast<uint8_t>(f.number);
        e[13] = static_cast<uint8_t>(f.carrier);
        fw.foreignHostDrives.push_back(e);
    }
    for (const LogicalDriveSpec& ls : desc.logicalDrives)
        fw.logicalDrives.at(ls.number).poolHotFix = ls.poolHotFix;
    for (const MirrorSpec& ms : desc.mirrors) {
        MirrorChain m;
        m.components = ms.drives;
        m.expected = static_cast<uint32_t>(ms.drives.size()) + ms.missing;
        LogicalDrive& head = fw.logicalDrives.at(ms.drives.front());
        m.name = head.name;
        head.poolAccess = ms.poolAccess;
        fw.mirrors[ms.drives.front()] = std::move(m);
    }
}

LogicalDrive* findDrive(ControllerFirmware& fw, uint32_t n)
{
    const auto it = fw.logicalDrives.find(n);
    return it == fw.logicalDrives.end() ? nullptr : &it->second;
}

int64_t chainHead(const ControllerFirmware& fw, uint32_t n)
{
    for (const auto& [head, m] : fw.mirrors)
        if (std::find(m.components.begin(), m.components.end(), n) != m.components.end())
            return head;
    return -1;
}

bool listedDrive(const ControllerFirmware& fw, uint32_t n)
{
    const int64_t head = chainHead(fw, n);
    return head < 0 || head == n;
}

uint32_t driveFullCapacity(const ControllerFirmware& fw, const LogicalDrive& d)
{
    uint64_t sum = 0;
    uint64_t smallest = UINT32_MAX;
    for (uint32_t a : d.members) {
        const Device* dev = fw.deviceAt(a);
        const uint32_t cap = dev ? wire::get32(dev->info.data(), DI_CAPACITY) : 0;
        sum += cap;
        smallest = std::min<uint64_t>(smallest, cap);
    }
    const uint64_t total = d.type == DRIVE_TYPE_RAID0 ? smallest * d.members.size() : sum;
    return static_cast<uint32_t>(std::min<uint64_t>(total, UINT32_MAX));
}

uint32_t driveCapacityOf(const ControllerFirmware& fw, const LogicalDrive& d)
{
    const uint32_t full = driveFullCapacity(fw, d);
    return d.usedCapacity ? std::min(*d.usedCapacity, full) : full;
}

bool numberTaken(const ControllerFirmware& fw, uint32_t n)
{
    if (fw.logicalDrives.count(n))
        return true;
    for (const auto& [carrier, table] : fw.hostTables)
        for (const auto& e : table.entries)
            if (e[HOST_ENTRY_NUMBER] == n)
                return true;
    return false;
}

void fillDriveState(const ControllerFirmware& fw, const LogicalDrive& d, uint8_t* p)
{
    const int64_t head = chainHead(fw, d.number);
    uint32_t next = NO_NEXT_DRIVE;
    uint32_t count = 0;
    if (head >= 0) {
        const MirrorChain& m = fw.mirrors.at(static_cast<uint32_t>(head));
        wire::putBytes(p, INFO_NAME, m.name.data(), m.name.size());
        const auto at = std::find(m.components.begin(), m.components.end(), d.number);
        if (at + 1 != m.components.end())
            next = *(at + 1);
        count = m.expected;
    }
    wire::put32(p, INFO_NEXT, d.reportedNext.value_or(next));
    wire::put32(p, INFO_CHAIN_COUNT, count);
    wire::put32(p, INFO_CAPACITY, driveCapacityOf(fw, d));
    p[INFO_ATTRIBUTES] = d.poolHotFix ? 1 : 0;
    p[INFO_FLAGS] = static_cast<uint8_t>((d.failed ? FLAG_FAILED : 0) | (d.building ? FLAG_BUILDING : 0) |
                                         (d.poolHotFix ? FLAG_POOL : 0));
}

void attachComponent(ControllerFirmware& fw, uint32_t head, uint32_t component)
{
    if (!fw.mirrors.count(head)) {
        MirrorChain m;
        m.components = {head};
        m.expected = 1;
        m.name = fw.logicalDrives.at(head).name;
        fw.mirrors[head] = std::move(m);
    }
    ++fw.mirrors.at(head).expected;
    startBuild(fw, head, component);
}

void detachComponent(ControllerFirmware& fw, uint32_t component)
{
    const int64_t found = chainHead(fw, component);
    if (found < 0)
        return;
    const auto head = static_cast<uint32_t>(found);
    MirrorChain& m = fw.mirrors.at(head);
    std::erase(m.components, component);
    if (m.expected > 0)
        --m.expected;
    LogicalDrive& d = fw.logicalDrives.at(component);
    if (d.building) {
        d.building = false;
        d.buildPercent = PERCENT_DONE;
        raiseMirrorEvent(fw, EVT_MIRROR_BUILD_ABORTED, head, head);
    }
    dissolveIfSingle(fw, head);
}

void dropMissing(ControllerFirmware& fw, uint32_t head)
{
    MirrorChain& m = fw.mirrors.at(head);
    m.expected = static_cast<uint32_t>(m.components.size());
    m.lostDisks.clear();
    dissolveIfSingle(fw, head);
}

void advanceBuilds(ControllerFirmware& fw, uint32_t head)
{
    const auto it = fw.mirrors.find(head);
    if (it == fw.mirrors.end())
        return;
    for (uint32_t n : it->second.components) {
        LogicalDrive& d = fw.logicalDrives.at(n);
        if (!d.building)
            continue;
        if (fw.progress.msPerPercent > 0)
            d.buildPercent = static_cast<uint32_t>(
                std::min<uint64_t>(PERCENT_DONE, (nowMs() - d.buildStartMs) / fw.progress.msPerPercent));
        else
            d.buildPercent = std::min(PERCENT_DONE, d.buildPercent + fw.progress.step);
        if (d.buildPercent >= PERCENT_DONE) {
            d.building = false;
            raiseMirrorEvent(fw, EVT_MIRROR_BUILD_DONE, head, head);
        }
    }
}

void settleDrives(ControllerFirmware& fw)
{
    std::vector<uint32_t> lost;
    for (const auto& [number, d] : fw.logicalDrives) {
        if (d.failed)
            continue;
        for (size_t i = 0; i < d.members.size(); ++i) {
            // A member the scenario gave as a bare address never had a disk.
            if (i < d.memberHadDisk.size() && !d.memberHadDisk[i])
                continue;
            const Device* dev = fw.deviceAt(d.members[i]);
            if (!dev || dev->state.failed || dev->info[DI_READY] == 0) {
                lost.push_back(number);
                break;
            }
        }
    }
    for (uint32_t n : lost)
        failDrive(fw, n);
}

void leaveFragments(ControllerFirmware& fw, const LogicalDrive& d)
{
    for (Channel& ch : fw.channels)
        for (Device& dev : ch.devices)
            if (std::find(d.members.begin(), d.members.end(), ch.address | dev.entry) != d.members.end() &&
                dev.info[DI_INITIALISED] != 0)
                dev.info[DI_FRAGMENT] = 1;
}

void dropCarrierData(ControllerFirmware& fw, uint32_t n)
{
    std::erase_if(fw.carrierBlocks, [n](const auto& kv) { return kv.first.first == n; });
}

void setProgressSpeed(ControllerFirmware& fw, const ProgressSpeed& speed)
{
    fw.progress = speed;
    SurfaceCheckSpec& surface = fw.identity.surfaceCheck;
    if (speed.msPerPercent > 0) {
        surface.seconds = std::max<uint32_t>(1, (PERCENT_DONE * speed.msPerPercent + 999) / 1000);
    } else {
        surface.step = speed.step;
        surface.seconds = 0;
    }
}

}  // namespace kzmsim
