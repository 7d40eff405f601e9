#include "controller_firmware.h"


#include <byte_order.h>

#include <algorithm>
#include <string>

namespace kzmsim {

namespace {

// Copies a text blank padded into a fixed field.
void putPadded(uint8_t* p, size_t off, const std::string& s, size_t width)
{
    std::fill(p + off, p + off + width, ' ');
    std::copy_n(s.begin(), std::min(s.size(), width), p + off);
}

}  // namespace

DeviceInfoBytes makeDeviceInfo(const DeviceSpec& d)
{
    DeviceInfoBytes info{};
    uint8_t* p = info.data();
    putPadded(p, 0, d.vendor, 8);
    putPadded(p, 8, d.product, 16);
    putPadded(p, 24, d.revision, 4);
    wire::put32(p, 28, d.transferRate);
    wire::put32(p, 32, d.transferRate);
    wire::put16(p, 36, 0xFFFF);
    wire::put32(p, 40, d.capacity);
    wire::put16(p, 44, d.blockSize);
    p[46] = d.ready ? 1 : 0;
    p[47] = d.initialised ? 1 : 0;
    p[48] = d.type;
    p[49] = d.removable ? 1 : 0;
    p[50] = d.writeProtected ? 1 : 0;
    p[52] = 0x11;  // wide data path, first synchronous mode
    p[53] = 1;     // synchronous transfer on
    p[54] = 1;     // disconnect on
    p[55] = 1;     // tagged queues on
    p[56] = 0x3C;  // read and write cache asked for and on
    p[57] = d.targetId;
    p[58] = d.lun;
    p[59] = d.deviceByte;
    p[72] = 100;   // no surface check running
    p[80] = d.secondLoop;
    p[103] = d.diskFormat;
    wire::put32(p, 104, d.capacity);
    for (const auto& [offset, value] : d.infoBytes)
        p[offset] = value;
    return info;
}

Device makeDevice(const DeviceSpec& d, uint16_t channel, uint32_t serial)
{
    Device dev;
    dev.entry = static_cast<uint16_t>(d.targetId << 8 | d.lun);
    dev.info = makeDeviceInfo(d);
    DeviceState& st = dev.state;
    st.readyAtStart = dev.info[46];
    st.locked = dev.info[51] != 0;  // a scenario's information byte 51 starts the disk locked
    st.grownDefects = d.grownDefects;
    st.primaryDefects = d.primaryDefects;
    st.modeFor17 = d.modeFor17;
    if (d.ownership.size() == OWNERSHIP_SIZE)
        std::copy(d.ownership.begin(), d.ownership.end(), st.ownership.begin());
    else if (d.type == 0 && d.initialised)
        wire::put32(st.ownership.data(), 0, serial);  // owned by this controller, nothing mounted elsewhere
    if (d.enclosure) {
        EnclosureState e;
        e.parts = *d.enclosure;
        e.identifier = ENCLOSURE_ID_BASE | static_cast<uint32_t>(channel & 0xFF) << 8 | d.targetId;
        e.identityWords = {serial ^ ENCLOSURE_IDENTITY_MARK, e.identifier, 1, 0};
        st.enclosure = std::move(e);
    }
    return dev;
}

ControllerFirmware::ControllerFirmware(const ControllerSpec& desc) : identity(desc)
{
    for (size_t i = 0; i < desc.channels.size(); ++i) {
        const ChannelSpec& cs = desc.channels[i];
        Channel ch;
        ch.address = channelAddress(i);
        ch.number = static_cast<uint16_t>(i);
        ch.reportedDevices = cs.reportedDevices;
        ch.kind = cs.kind;
        ch.ownId = cs.ownId;
        ch.infoByte = cs.infoByte;
        ch.chip = cs.chip.value_or(defaultChip(cs.kind, desc.board));
        ch.busType = cs.busType;
        for (const DeviceSpec& ds : cs.devices)
            ch.devices.push_back(makeDevice(ds, ch.number, desc.board.serial));
        channels.push_back(std::move(ch));
    }
    for (const LogicalDriveSpec& ls : desc.logicalDrives) {
        LogicalDrive d;
        d.number = ls.number;
        d.type = ls.type;
        std::fill(d.name.begin(), d.name.end(), ' ');
        std::copy_n(ls.name.begin(), std::min<size_t>(ls.name.size(), 8), d.name.begin());
        for (const MemberSpec& m : ls.members) {
            d.firstWords.push_back(0);
            d.members.push_back(m.address ? *m.address
                                          : channels[m.channel].address | channels[m.channel].devices[m.device].entry);
            d.memberHadDisk.push_back(deviceAt(d.members.back()) != nullptr);
        }
        d.reportedMembers = ls.reportedMembers;
        d.reportedNext = ls.reportedNext;
        d.removable = ls.removable;
        d.writeProtected = ls.writeProtected;
        logicalDrives[d.number] = std::move(d);
    }
    if (desc.enclosureConfigs) {
        enclosureConfigs = *desc.enclosureConfigs;
    } else {
        for (uint32_t e = 0; e < desc.board.enclosureConfigs; ++e)
            enclosureConfigs.push_back({"KZM", "CONFIG " + std::to_string(e), {}});
    }
    for (const RecordSpec& r : desc.records)
        records[{r.key, r.target}] = r.bytes;
    stats.rates = desc.load;
    wire::put32(cacheParams.data(), 4, desc.cacheSwitch);
    wire::put32(cacheParams.data(), 8, desc.delayedWriteSwitch);
    configPageA = initialConfigPageA(desc.board, channels);
    for (const auto& [offset, byte] : desc.pageA)
        configPageA[offset] = byte;
    pageB = configPageB(desc.board);
    // The fault bus a channel has, and whether the running firmware drives it.
    for (size_t c = 0; c < std::min(desc.channels.size(), FAULT_BUS_CHANNELS); ++c) {
        faultBus.present[c] = desc.channels[c].faultBus ? 1 : 0;
        configPageA[60 + c] = pageB[60 + c] = desc.channels[c].faultBusActive ? 1 : 0;
    }
    logState = desc.board.logState;
    flash = initialFlash(desc.board, desc.typeClass, desc.entry);
    identity.channels.clear();
    identity.logicalDrives.clear();
    identity.records.clear();
}

bool ControllerFirmware::unanswered(uint32_t key) const
{
    const std::vector<uint32_t>& keys = identity.unansweredKeys;
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

void ControllerFirmware::writeConfigPageA(const ConfigPage& page)
{
    const uint32_t version = wire::get32(configPageA.data(), 4);
    configPageA = page;
    wire::put32(configPageA.data(), 4, version);
    // The controller's own ID on a SCSI channel follows the page.
    for (size_t c = 0; c < std::min<size_t>(channels.size(), 6); ++c)
        if (channels[c].kind == 2)
            channels[c].ownId = page[16 + c] & 0x07;
}

Channel* ControllerFirmware::channelByNumber(uint32_t n)
{
    for (Channel& c : channels)
        if (c.number == n)
            return &c;
    return nullptr;
}

const Channel* ControllerFirmware::channelAt(uint32_t address) const
{
    for (const Channel& c : channels)
        if (c.address == (address & 0xFFFF0000))
            return &c;
    return nullptr;
}

Channel* ControllerFirmware::channelOf(uint32_t address)
{
    return const_cast<Channel*>(channelAt(address));
}

Device* ControllerFirmware::device(uint32_t address)
{
    return const_cast<Device*>(deviceAt(address));
}

const Device* ControllerFirmware::deviceAt(uint32_t address) const
{
    for (const Channel& c : channels) {
        if (c.address != (address & 0xFFFF0000))
            continue;
        for (const Device& d : c.devices)
            if (d.entry == (address & 0xFFFF))
                return &d;
    }
    return nullptr;
}

const Device* ControllerFirmware::unscannedAt(uint32_t address) const
{
    const Channel* c = channelAt(address);
    if (!c)
        return nullptr;
    for (const Device& d : c->unscanned)
        if (d.entry == (address & 0xFFFF))
            return &d;
    return nullptr;
}

int64_t ControllerFirmware::driveOfDevice(uint32_t address) const
{
    // A drive that works on the disk goes before a failed one that lost its
    // own disk at the same place.
    int64_t failed = -1;
    for (const auto& [number, d] : logicalDrives) {
        if (std::find(d.members.begin(), d.members.end(), address) == d.members.end())
            continue;
        if (!d.failed)
            return number;
        if (failed < 0)
            failed = number;
    }
    return failed;
}

DeviceInfoBytes ControllerFirmware::deviceInfo(uint32_t address) const
{
    const Device* d = deviceAt(address);
    if (!d)
        return DeviceInfoBytes{};
    DeviceInfoBytes info = d->info;
    const int64_t drive = driveOfDevice(address);
    wire::put16(info.data(), 36, drive < 0 ? 0xFFFF : static_cast<uint16_t>(drive));
    if (drive >= 0)
        info[59] = 0;  // a disk in a drive is no fragment
    return info;
}

void ControllerFirmware::setDeviceInfo(uint32_t address, const DeviceInfoBytes& in)
{
    for (Channel& c : channels) {
        if (c.address != (address & 0xFFFF0000))
            continue;
        for (Device& d : c.devices) {
            if (d.entry != (address & 0xFFFF))
                continue;
            // The disk parameters a host may change; identity and state stay.
            wire::put32(d.info.data(), 32, wire::get32(in.data(), 32));
            for (size_t off : {52, 53, 54, 55, 56, 103})
                d.info[off] = in[off];
            wire::put32(d.info.data(), 76, wire::get32(in.data(), 76));
        }
    }
}

}  // namespace kzmsim
