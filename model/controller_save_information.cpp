// CController::SaveInformation: the plain-text report of everything known
// about one controller, written through a CReportWriter into a file or line
// by line to a caller's function.
#include "controller.h"
#include "controller_texts.h"
#include "report_writer.h"

#include <byte_order.h>
#include <ctl_commands.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

namespace {

// Hardware values of the board information and board details
// (docs/firmware-layout.md, "Hardware values of the report").
constexpr size_t kBoardRamType = 64;
constexpr size_t kBoardRamCheck = 65;
constexpr size_t kBoardRamSpeed = 66;
constexpr size_t kBoardRamBanks = 67;
constexpr size_t kDetailsLevelValid = 5;
constexpr size_t kDetailsLevel = 6;
constexpr size_t kDetailsOptions = 7;
constexpr size_t kDetailsAcpi = 8;
constexpr size_t kDetailsMemoryBus64 = 9;
constexpr size_t kDetailsPci64 = 10;        // primary, secondary at 11
constexpr size_t kDetailsPciSpeed = 21;     // primary, secondary at 22
constexpr size_t kDetailsBatteryState = 23;
constexpr size_t kDetailsProcessorType = 44;
constexpr size_t kDetailsProcessorId = 48;  // two u32 words
constexpr size_t kDetailsSdram = 112;       // 64 bytes
constexpr size_t kSdramBytes = 64;
constexpr size_t kDetailsBatteryText = 188; // 16 bytes
constexpr size_t kBatteryTextSize = 16;

// Host system record head: u32 memory in KB, u16 processor architecture, u16 x86 signature.
constexpr size_t kSysMemoryKb = 0;
constexpr size_t kSysArchitecture = 4;
constexpr size_t kSysSignature = 6;
constexpr uint16_t kArchitectureX86 = 1;

constexpr uint8_t kRamSdram = 5;
constexpr uint32_t kVersionPciSpeed = 0x1BFFFF;
constexpr uint32_t kVersionChipRevision = 0x1C0000;
constexpr uint32_t kVersionBattery = 0x1F0000;
constexpr uint32_t kVersionTotalCapacity = 0x20FFFF;
constexpr uint8_t kLevelAcpi = 24;
constexpr uint8_t kLevelDiskCaches = 19;
constexpr uint8_t kLevelOldFormat = 29;
constexpr uint32_t kClusterPageVersion = 0x5FFFF;

// Configuration page A bytes.
constexpr size_t kPageChannel = 16;         // + c: own ID bits 0-2, bit 6 domain validation, bit 7 termination
constexpr size_t kPageTermPresent = 36;     // + c
constexpr size_t kPageClusterChannels = 344;

// Channel record bytes (the 20-byte record).
constexpr size_t kChanChip = 1;
constexpr size_t kChanBusType = 2;
constexpr size_t kChanChipRevision = 3;
constexpr size_t kChanConnectors = 4;
constexpr size_t kChanBusKind = 5;
constexpr size_t kChanNarrow = 12;
constexpr size_t kChanWide = 13;

// Device information bytes used only here.
constexpr size_t kDevRevision = 24;
constexpr size_t kDevRevisionSize = 4;
constexpr size_t kDevRemovable = 49;
constexpr size_t kDevReadOnly = 50;
constexpr size_t kDevLastStatus = 60;
constexpr size_t kDevSecondLoop = 80;
constexpr size_t kDevFibre = 88;
constexpr size_t kDevFrameSize = 90;
constexpr size_t kDevWwn = 92;
constexpr size_t kDevTotalCapacity = 104;
constexpr uint16_t kNoLogicalDrive = 0xFFFF;

// Cache parameter set (the settings page).
constexpr size_t kSetSwitches = 8;
constexpr size_t kSetWords = 12;

// Message log request and reply.
constexpr size_t kLogBufferSize = 2048;
constexpr size_t kLogHandle = 12;
constexpr size_t kLogMore = 19;
constexpr size_t kLogCount = 32;
constexpr size_t kLogEntries = 36;
constexpr size_t kEntryKind = 4;
constexpr size_t kEntryTime = 12;
constexpr size_t kEntryText = 40;
constexpr size_t kEntryEventText = 44;
constexpr size_t kEntryMinimum = kEntryEventText;
constexpr uint16_t kEntryKindEvent = 3;

constexpr const char* kRamTypes[] = {"30-pin", "FPM", "FPM i.", "EDO", "BEDO", "SDRAM"};
constexpr const char* kClusterTypes[] = {"default", "cluster", "private"};
constexpr const char* kConnectors[] = {"Internal 68pin:", "Internal 50pin:", "External 68pin:", "External 50pin:"};

struct BatteryState {
    uint8_t mask;
    uint8_t value;
    const char* text;
};
constexpr BatteryState kBatteryStates[] = {
    {0x0F, 6, "Battery Backup Enabled"},
    {0x0B, 0, "Bad Battery/Charger or Battery recharging"},
    {0x0B, 8, "SDRAM Data NOT Retained"},
    {0x03, 1, "No Battery Installed"},
    {0x03, 3, "No Battery Back-Up Circuit"},
    {0x03, 2, "Battery Backup Available"},
    {0x04, 0, "Battery Backup Disabled"},
};

struct NamedValue {
    uint32_t value;
    const char* name;
};
constexpr NamedValue kIoChips[] = {
    {0x00, "53C700"},     {0x01, "53C700/66"},  {0x02, "53C720"},     {0x03, "53C770"},   {0x04, "53C825"},
    {0x05, "53C860"},     {0x06, "53C875"},     {0x07, "53C895"},     {0x08, "53C10x0-33"}, {0x09, "53C10x0-66"},
    {0x0A, "AIC7899"},    {0x0B, "AIC7902"},    {0x0C, "53C1030"},    {0x20, "HPFC5000"}, {0x21, "HPFC5100B"},
    {0x22, "HPFC5200C"},  {0x41, "SI3112"},
};
// Our names of the controller processors by the processor type value.
constexpr NamedValue kProcessors[] = {
    {1, "KZP-66"},
    {2, "KZP-100"},
    {3, "KZP-400"},
};

struct InstalledOption {
    uint8_t bit;
    const char* text;
};
constexpr InstalledOption kOptions[] = {
    {0x01, "Duplexing Module installed"},
    {0x02, "3-Channel-Module installed"},
    {0x04, "Cache RAM Expansion installed"},
    {0x08, "XOR Engine installed"},
    {0x10, "ECC/Parity support"},
};

const char* NameOf(const NamedValue* table, size_t n, uint32_t value, const char* unknown)
{
    for (size_t i = 0; i < n; ++i)
        if (table[i].value == value)
            return table[i].name;
    return unknown;
}

const char* ChipName(uint8_t chip) { return NameOf(kIoChips, std::size(kIoChips), chip, nullptr); }

// printf into a std::string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...)
{
    char buf[256];
    va_list ap;
    va_start(ap, format);
    const int n = std::vsnprintf(buf, sizeof buf, format, ap);
    va_end(ap);
    if (n < 0)
        return {};
    return std::string(buf, std::min<size_t>(static_cast<size_t>(n), sizeof buf - 1));
}

// A text field of a record: at most `size` bytes, ending at the first NUL.
std::string RecordText(const uint8_t* p, size_t size)
{
    const auto* end = static_cast<const uint8_t*>(std::memchr(p, 0, size));
    return std::string(reinterpret_cast<const char*>(p), end ? static_cast<size_t>(end - p) : size);
}

const char* OnOff(bool on) { return on ? "On" : "Off"; }

// The failure mark of slot k of an array (0 outside the slots).
uint8_t SlotMark(const CArrayDrive& a, int k)
{
    if (k < 0 || k >= ARREC_MAX_SLOTS)
        return 0;
    return a.info[ARREC_SLOTS + ARREC_SLOT_SIZE * static_cast<size_t>(k) + ARREC_SLOT_FAILED];
}

// Megabytes of `sectors` sectors of `sectorSize` bytes; 0 for a sector size of 0.
unsigned long Megabytes(uint64_t sectors, uint32_t sectorSize)
{
    const uint32_t perMb = sectorSize == 0 ? 0 : (1u << 20) / sectorSize;
    return perMb == 0 ? 0 : static_cast<unsigned long>(sectors / perMb);
}

// The report's lines through the writer; after the first failed write nothing more is written.
class Report {
public:
    explicit Report(CReportWriter& w) : w_(w) {}

    void Line(const std::string& s) { Check(w_.WriteLine(s.c_str())); }
    void Blank(int n) { Check(w_.WriteBlankLines(n)); }
    void Heading(const std::string& s, int underline, int centre) { Check(w_.WriteHeading(s.c_str(), underline, centre)); }
    void Field(const char* label, const std::string& value) { Check(w_.WriteField(label, value.c_str())); }
    void Columns(const char* a, const std::string& b, const char* c, const std::string& d)
    {
        Check(w_.WriteColumns(a, b.c_str(), c, d.c_str()));
    }
    void Underline() { Check(w_.RepeatUnderline()); }
    void In() { w_.Indent(); }
    void Out() { w_.Outdent(); }
    bool Failed() const { return failed_; }

private:
    void Check(int r)
    {
        if (r < 0)
            failed_ = true;
    }
    CReportWriter& w_;
    bool failed_ = false;
};

}  // namespace

// Sections of the report; each writes through `r`.
class SaveInformationReport {
public:
    SaveInformationReport(CController& c, Report& r) : c_(c), r_(r) {}

    void Machine();
    void ControllerSection();
    void CacheParameters();
    void Options();
    void Channels();
    void Devices();
    void LogicalDrives();
    void HostDrives();
    void Messages();

private:
    void FibreChannel(int ch);
    void ScsiChannel(int ch);
    void SataChannel(int ch);
    std::string IopType(uint8_t chip, uint8_t revision) const;
    void Device(CPhysDrive& d);
    void ArraySection(int a, bool heading);
    void MirrorSection(int m, bool heading);
    void LogicalSection(int l, bool heading);
    void MissingComponentDisks(int a, const CLogDrive& ld);
    void HostSection(const CHostDrive& h);
    void PartitionPart(const CHostDrive& h);
    std::string ChannelName(int ch) const;
    std::string LogCapacity(const CLogDrive& ld) const;

    CController& c_;
    Report& r_;
};

void SaveInformationReport::Machine()
{
    const time_t now = std::time(nullptr);
    char when[64] = {};
    if (ctime_r(&now, when) == nullptr)
        when[0] = '\0';
    when[std::strcspn(when, "\n")] = '\0';
    r_.Line(Format("Date/Time:        %s", when));
    const OsVersionInfo& os = c_.hostSystem.os;
    r_.Line(Format("Operating system: %s, Version: %d.%02d, Rev. %d", RecordText(reinterpret_cast<const uint8_t*>(os.name),
                                                                                   sizeof os.name).c_str(),
                   os.major, os.minor, os.revision));
    r_.Line(Format("Driver version:   %d.%02d", c_.info.driverVersion >> 8, c_.info.driverVersion & 0xFF));
    const uint8_t* sys = c_.hostSystem.systemRecord;
    if (wire::get16(sys, kSysArchitecture) == kArchitectureX86) {
        const uint16_t sig = wire::get16(sys, kSysSignature);
        const int family = (sig >> 8) & 0x0F;
        const int model = (sig >> 4) & 0x0F;
        const int stepping = sig & 0x0F;
        if (model != 0)
            r_.Line(Format("Processor:        x86 Family %d Model %d Stepping %d", family, model, stepping));
        else
            r_.Line(Format("Processor:        x86 Family %d", family));
    }
    const uint32_t memory = wire::get32(sys, kSysMemoryKb);
    if (memory != 0)
        r_.Line(Format("Physical memory:  %lu KB", static_cast<unsigned long>(memory)));
    r_.Blank(2);
}

void SaveInformationReport::ControllerSection()
{
    const ControllerInfo& info = c_.info;
    const uint8_t* board = c_.boardInfo;
    const uint8_t* details = c_.boardDetails;
    const uint32_t version = c_.FirmwareVersion();
    r_.Heading("Controller Information", 2, 1);
    r_.Blank(1);
    r_.Columns("Type:", RecordText(reinterpret_cast<const uint8_t*>(info.typeName), sizeof info.typeName),
               "Slot/Address:", Format("%d/%d", info.pciLocation >> 8, (info.pciLocation >> 3) & 0x1F));
    r_.Columns("Firmware version:", RecordText(reinterpret_cast<const uint8_t*>(info.firmwareText), sizeof info.firmwareText),
               "Serial no.:", Format("%08lX", static_cast<unsigned long>(c_.SerialNumber())));
    r_.Columns("Features:", RaidFeaturesText(info), "Channel count:", Format("%d", info.channelCount));
    r_.Columns("Cache:", OnOff(c_.CacheSwitch() & 1), "Delayed Write:", OnOff(c_.DelayedWriteSwitch() & 1));
    const int level = details[kDetailsLevelValid] != 0 ? details[kDetailsLevel] : 0;
    r_.Columns("Hardware level:", Format("%d", level), "Cache RAM:",
               Format("%lu MB, %d bank(s)", static_cast<unsigned long>(wire::get32(board, BOARD_INFO_CACHE_SIZE) >> 20),
                      board[kBoardRamBanks]));
    const uint8_t ramType = board[kBoardRamType];
    std::string ram = ramType < std::size(kRamTypes) ? kRamTypes[ramType] : "???";
    if (board[kBoardRamCheck] == 1)
        ram += ", Parity";
    else if (board[kBoardRamCheck] == 2)
        ram += ", ECC";
    const uint8_t speed = board[kBoardRamSpeed];
    r_.Columns("RAM Type:", ram, "RAM Speed:", speed == 0 ? std::string("unknown") : Format("%d ns", speed));
    if (ramType == kRamSdram) {
        r_.Line("SDRAM Parameters (hex.):");
        r_.In();
        for (size_t row = 0; row < kSdramBytes; row += 16) {
            std::string line = Format("%02X:", static_cast<unsigned>(row));
            for (size_t i = 0; i < 16; ++i)
                line += Format(" %02X", details[kDetailsSdram + row + i]);
            r_.Line(line);
        }
        r_.Out();
    }
    const uint32_t ext = c_.SecondAreaKb();
    r_.Columns("Base Flash Size:", Format("%lu KB", static_cast<unsigned long>(c_.FlashSize() / 1024)),
               "Ext. Flash Size:", ext == 0 ? std::string("Not present") : Format("%lu KB", static_cast<unsigned long>(ext)));
    r_.Columns("Processor:",
               NameOf(kProcessors, std::size(kProcessors), wire::get32(details, kDetailsProcessorType), "unknown"),
               "ID(hex):",
               Format("%08lx %08lx", static_cast<unsigned long>(wire::get32(details, kDetailsProcessorId)),
                      static_cast<unsigned long>(wire::get32(details, kDetailsProcessorId + 4))));
    if (c_.FirmwareLevel() > kLevelAcpi) {
        r_.Columns("ACPI Interface:", details[kDetailsAcpi] ? "Supported" : "Not supported", "Memory bus width:",
                   details[kDetailsMemoryBus64] ? "64 Bit" : "--");
        r_.Columns("Prim. PCI width:", details[kDetailsPci64] ? "64 Bit" : "32 Bit", "Sec. PCI width:",
                   details[kDetailsPci64 + 1] ? "64 Bit" : "32 Bit");
    }
    if (version > kVersionPciSpeed) {
        auto pciSpeed = [](uint8_t v) -> std::string { return v == 0 ? "33 MHz" : v == 1 ? "66 MHz" : "unknown"; };
        r_.Columns("Prim. PCI speed:", pciSpeed(details[kDetailsPciSpeed]), "Sec. PCI speed:",
                   pciSpeed(details[kDetailsPciSpeed + 1]));
    }
    const std::string battery = RecordText(details + kDetailsBatteryText, kBatteryTextSize);
    if (version < kVersionBattery) {
        r_.Field("Batt.Backup DIMM:", "Not supported");
    } else {
        r_.Field("Batt.Backup DIMM:", battery.empty() ? std::string("Not present") : battery);
        const uint8_t state = details[kDetailsBatteryState];
        if (!battery.empty() && (state & 0x80) != 0) {
            for (const BatteryState& s : kBatteryStates) {
                if ((state & s.mask) == s.value) {
                    r_.Field("Batt.Back. State:", s.text);
                    break;
                }
            }
        }
    }
}

void SaveInformationReport::CacheParameters()
{
    const uint8_t* set = c_.settingsPage;
    auto value = [set](int k) { return wire::get32(set, kSetWords + 4 * static_cast<size_t>(k)); };
    auto word = [value](int k) { return Format("%ld", static_cast<long>(static_cast<int32_t>(value(k)))); };
    auto seconds = [value](int k) { return Format("%ld", static_cast<long>(value(k) / 1000000)); };
    r_.Columns("DO_EVENT_HIT:", OnOff(set[kSetSwitches]), "READ_AHEAD:", OnOff(set[kSetSwitches + 1]));
    r_.Columns("ADD_FLUSH_PROCS:", OnOff(set[kSetSwitches + 2]), "USE_XOR_ENGINE:", OnOff(set[kSetSwitches + 3]));
    r_.Columns("NUM_SETS:", word(0), "BLOCK_SIZE:", word(1));
    r_.Columns("PARITY_FRACTION:", word(2), "MAX_RD_AHD_PROCS:", word(3));
    r_.Columns("MIN_RD_AHD_DEPTH:", word(4), "MAX_RD_AHD_DEPTH:", word(5));
    r_.Columns("RD_AHD_FTR:", word(6), "MAX_NUM_BLOCKS:", word(7));
    r_.Columns("FLUSH_START_RATE:", word(8), "MAX_TIME_F_STOP:", seconds(9));
    r_.Columns("MAX_AGE_DIRTY_BUF:", seconds(10), "FSTRAT1_THRESHOLD:", word(11));
    r_.Columns("FSTRAT2_TX_LENGTH:", word(12), "FSTRAT2_DCNT:", word(13));
    r_.Field("MIN_PERCENT_DIRTY:", word(14));
}

void SaveInformationReport::Options()
{
    const uint8_t options = c_.boardDetails[kDetailsOptions];
    for (const InstalledOption& o : kOptions)
        if ((options & o.bit) != 0)
            r_.Line(o.text);
    r_.Blank(1);
}

std::string SaveInformationReport::ChannelName(int ch) const
{
    if (ch < 0 || ch >= CONTROLLER_MAX_CHANNELS)
        return "??";
    return RecordText(reinterpret_cast<const uint8_t*>(c_.channels[ch].name), CHANNEL_NAME_SIZE);
}

std::string SaveInformationReport::IopType(uint8_t chip, uint8_t revision) const
{
    const char* name = ChipName(chip);
    if (name == nullptr)
        return "???";
    if (c_.FirmwareVersion() >= kVersionChipRevision)
        return Format("%s Rev. %02X", name, revision);
    return name;
}

void SaveInformationReport::Channels()
{
    r_.Heading("IO Processor Information", 1, 0);
    const int count = std::clamp(c_.info.channelCount, 0, CONTROLLER_MAX_CHANNELS);
    for (int ch = 0; ch < count; ++ch) {
        const uint8_t kind = c_.channels[ch].kind;
        if (kind == CHANNEL_KIND_FC)
            FibreChannel(ch);
        else if (kind == 1 || kind == CHANNEL_KIND_SCSI)
            ScsiChannel(ch);
        else if (kind == CHANNEL_KIND_SATA)
            SataChannel(ch);
        const bool clusterable = (c_.boardDetails[BOARD_DETAILS_CLUSTER] & CLUSTER_ENABLED_BITS) == CLUSTER_ENABLED_BITS &&
                                 wire::get32(c_.configPageA, CONFIG_PAGE_VERSION) > kClusterPageVersion;
        std::string clustering = "NA";
        if (clusterable)
            clustering = (c_.configPageA[kPageClusterChannels] >> ch) & 1 ? "Enabled" : "Disabled";
        r_.Field("Clustering:", clustering);
        r_.Blank(1);
    }
}

void SaveInformationReport::FibreChannel(int ch)
{
    const uint8_t* loop = c_.channels[ch].loop;
    const uint8_t* port = c_.channels[ch].port;
    r_.Columns("Channel:", ChannelName(ch), "Target ID:", Format("%d", c_.configPageA[kPageChannel + ch] & 0x07));
    std::string speeds;
    for (size_t i = 0; i < 8; ++i) {
        const uint16_t v = wire::get16(loop, 4 + 2 * i);
        if (v == 0)
            break;
        speeds += (i ? ", " : "") + Format("%d", v);
    }
    r_.Field("Link Speed[MBaud]:", speeds);
    for (size_t i = 0; i < 8; ++i) {
        const uint16_t v = wire::get16(loop, 20 + 2 * i);
        if (v == 0)
            break;
        r_.Field(i == 0 ? "Media Types:" : "", v == 1 ? "Shielded Twisted Pair" : v == 100 ? "Multimode Optical Fiber" : "???");
    }
    auto chip = [loop](size_t text, size_t rev) {
        std::string s = RecordText(loop + text, 32);
        const uint16_t r = wire::get16(loop, rev);
        if (r != 0)
            s += Format(" Rev. %d.%d", r / 10, r % 10);
        return s;
    };
    r_.Field("GLM Chip:", chip(36, 68));
    r_.Field("IOP Type:", chip(70, 102));
    r_.Field("World Wide Name:", Format("%lX%lX (hex.)", static_cast<unsigned long>(wire::get32(loop, 104)),
                                        static_cast<unsigned long>(wire::get32(loop, 108))));
    auto joined = [loop](size_t from, size_t n, auto name) {
        std::string s;
        for (size_t i = 0; i < n && loop[from + i] != 0; ++i)
            s += (i ? ", " : "") + name(loop[from + i]);
        return s;
    };
    r_.Field("Topologies:", joined(114, 4, [](uint8_t v) { return std::string(v == 3 ? "FC-AL" : "???"); }));
    r_.Field("Upper Level Prot:", joined(118, 8, [](uint8_t v) { return std::string(v == 8 ? "SCSI-FCP" : "???"); }));
    r_.Field("Service Classes:", joined(130, 8, [](uint8_t v) { return Format("%d", v); }));
    r_.Columns("ANSI Version:", Format("%d.%d ... %d.%d", loop[113] / 10, loop[113] % 10, loop[112] / 10, loop[112] % 10),
               "Frame size[Byte]:", Format("%d ... %d", wire::get16(loop, 126), wire::get16(loop, 128)));
    r_.Columns("Current Topology:", wire::get32(port, 4) == 3 ? "FC-AL" : "???", "FC-AL address:",
               Format("%ld", static_cast<long>(static_cast<int32_t>(wire::get32(port, 8)))));
    const uint32_t status = wire::get32(port, 16);
    const char* statusText = status == 0 ? "Ready" : status == 0x10 ? "Initializing" : status == 0x11 ? "Down"
                             : status == 0xFFF00000 ? "Failure" : "???";
    r_.Columns("Curr. Link Speed:", Format("%ld", static_cast<long>(static_cast<int32_t>(wire::get32(port, 12)))),
               "Channel Status:", statusText);
}

void SaveInformationReport::ScsiChannel(int ch)
{
    const uint8_t* rec = c_.channels[ch].record;
    const uint8_t settings = c_.configPageA[kPageChannel + ch];
    r_.Columns("Channel:", ChannelName(ch), "Target ID:", Format("%d", settings & 0x07));
    std::string term = c_.configPageA[kPageTermPresent + ch] == 0 ? "Auto" : OnOff(settings & 0x80);
    if (rec[kChanBusType] == 0)
        term += ", SE";
    else if (rec[kChanBusType] != 0xFF)
        term += ", LVDS";
    r_.Columns("SCSI Term.:", term, "IOP Type:", IopType(rec[kChanChip], rec[kChanChipRevision]));
    auto state = [](uint8_t v) { return v == 0xFF ? "NA" : v == 0 ? "inactive" : "active"; };
    r_.Field("narrow/wide:", Format("%s/%s", state(rec[kChanNarrow]), state(rec[kChanWide])));
    const uint8_t chip = rec[kChanChip];
    r_.Field("Dom. Validation:", chip >= 0x0A && chip <= 0x0C ? OnOff(settings & 0x40) : "--");
    for (size_t k = 0; k < std::size(kConnectors); ++k) {
        const uint8_t v = rec[kChanConnectors + k];
        if (v != 0xFF)
            r_.Field(kConnectors[k], v != 0 ? "connected" : "not connected");
    }
}

void SaveInformationReport::SataChannel(int ch)
{
    const uint8_t* rec = c_.channels[ch].record;
    r_.Columns("Channel:", Format("SATA %c", 'A' + ch), "IOP Type:", IopType(rec[kChanChip], rec[kChanChipRevision]));
    r_.Field("Spec. Version", rec[kChanChip] == 0x41 ? "SATA-I" : "Unknown");
}

void SaveInformationReport::Devices()
{
    r_.Blank(2);
    r_.Heading("Device Information", 2, 1);
    const ModelError kept = c_.error;
    c_.UpdateStatistics(0);
    c_.error = kept;  // the counters are a courtesy; a failed pass leaves them as they were
    for (int i = 0; i < c_.physDrives.count; ++i) {
        CPhysDrive& d = c_.physDrives[i];
        if (d.DeviceType() != DEVICE_TYPE_IO_PROCESSOR)
            Device(d);
    }
}

void SaveInformationReport::Device(CPhysDrive& d)
{
    const uint8_t* info = d.GetInfo();
    const bool disk = d.DeviceType() == DEVICE_TYPE_DISK;
    const uint32_t version = c_.FirmwareVersion();
    r_.Blank(1);
    r_.Field("Drive Name:", RecordText(info + DEVINFO_VENDOR, DEVINFO_VENDOR_SIZE + DEVINFO_PRODUCT_SIZE));
    std::string attributes = "--";
    if (disk) {
        attributes = info[kDevReadOnly] ? "RO" : "RW";
        if (info[kDevRemovable])
            attributes += " RM";
    }
    r_.Columns("Rev.:", RecordText(info + kDevRevision, kDevRevisionSize), "Attributes:", attributes);
    if (disk) {
        const uint32_t sectorSize = wire::get16(info, DEVINFO_BLOCK_SIZE);
        const uint32_t blocks = wire::get32(info, DEVINFO_CAPACITY);
        r_.Columns("Capacity:", Format("%lu MB", Megabytes(blocks, sectorSize)), "Cap.(Blocks):",
                   Format("%lu", static_cast<unsigned long>(blocks)));
        if (version > kVersionTotalCapacity) {
            const uint32_t total = wire::get32(info, kDevTotalCapacity);
            r_.Columns("Total Capacity:", Format("%lu MB", Megabytes(total, sectorSize)), "Tot. Cap.(Blk.):",
                       Format("%lu", static_cast<unsigned long>(total)));
        }
    }
    std::string channel = ChannelName(d.GetChannel());
    if (info[kDevFibre] != 0 && info[kDevSecondLoop] != 0 && !channel.empty())
        channel.back() = '*';
    r_.Columns("Channel:", channel, "Target ID:", d.GetPosition());
    const uint8_t mode = info[DEVINFO_TRANSFER_MODE];
    const uint32_t rate = wire::get32(info, DEVINFO_RATE);
    const std::string transfer = info[DEVINFO_SYNC] == 0 ? std::string("No")
                                                         : Format("Yes (%lu.%lu MB/s)", static_cast<unsigned long>(rate / 1000),
                                                                  static_cast<unsigned long>(rate % 1000 / 100));
    if (d.IsOnSataChannel() == 0) {
        r_.Columns("LUN:", Format("%d", d.GetLun()), "Data Path Width:", (mode & 0x10) ? "Wide" : "Narrow");
        const int ch = d.GetChannel();
        const uint8_t bus = ch >= 0 && ch < CONTROLLER_MAX_CHANNELS ? c_.channels[ch].record[kChanBusKind] : 0;
        const uint32_t dv = wire::get32(info, DEVINFO_DOMAIN_VALIDATION);
        r_.Columns("Sync. Trans. Md.:", (mode & 0x20) ? "DT" : "ST", "Dom. Validation:",
                   bus >= 10 && bus <= 12 ? "--" : OnOff((dv & 0x0C) == 0x0C));
        r_.Columns("Synchr. Transfer:", transfer, "Disconnect:", OnOff(info[DEVINFO_DISCONNECT] & 1));
    } else {
        r_.Field("Transfer Rate:", transfer);
    }
    const uint8_t cache = info[DEVINFO_CACHE];
    const bool tagged = info[DEVINFO_TAGGED] & 1;
    if (mode == 0) {
        r_.Columns("Cache:", "--", "Tagged Queues:", "--");
    } else if (c_.FirmwareLevel() < kLevelDiskCaches) {
        r_.Columns("Cache:", OnOff(cache != 0), "Tagged Queues:", OnOff(tagged));
    } else {
        r_.Columns("Read Cache:", OnOff(cache & 0x20), "Write Cache:", OnOff(cache & 0x08));
        r_.Columns("Tagged Queues:", OnOff(tagged), "", "");
    }
    std::string initialised = "No";
    if (info[DEVINFO_INITIALISED]) {
        const uint8_t format = info[DEVINFO_FORMAT];
        initialised = "Yes";
        if (format == 1 || (format != 2 && c_.FirmwareLevel() <= kLevelOldFormat))
            initialised += " (DDF1)";
        else if (format == 2)
            initialised += " (DDF2)";
    }
    r_.Columns("Initialized:", initialised, "Last Status:",
               Format("0x%08lX", static_cast<unsigned long>(wire::get32(info, kDevLastStatus))));
    const DiskStatSample* s = d.GetSample(DISK_SAMPLE_CURRENT);
    r_.Columns("Retries:", Format("%lu", static_cast<unsigned long>(s->counters[6])), "Reassigns:",
               Format("%lu", static_cast<unsigned long>(s->counters[7])));
    if (disk) {
        const uint16_t user = wire::get16(info, DEVINFO_LOG_DRIVE);
        r_.Columns("Logical Drive:", user == kNoLogicalDrive ? std::string("--") : Format("%u", user), "Grown Defects:",
                   Format("%lu", static_cast<unsigned long>(d.GetGrownDefects())));
    }
    if (info[kDevFibre] != 0) {
        r_.Field("World Wide Name:", Format("%lX%lX (hex.)", static_cast<unsigned long>(wire::get32(info, kDevWwn)),
                                            static_cast<unsigned long>(wire::get32(info, kDevWwn + 4))));
        r_.Field("Frame size[Byte]:", Format("%d", wire::get16(info, kDevFrameSize)));
    }
}

void SaveInformationReport::LogicalDrives()
{
    r_.Blank(2);
    r_.Heading("Logical Drive Information", 2, 1);
    for (int i = 0; i < c_.logDrives.count; ++i) {
        const CLogDrive& ld = c_.logDrives[i];
        if (ld.IsPoolHotFix())
            continue;
        const int m = ld.mirrorIndex >= 0 && ld.mirrorIndex < c_.mirrorDrives.count ? ld.mirrorIndex : -1;
        int a = ld.arrayIndex;
        if (a < 0 && m >= 0)
            a = c_.mirrorDrives[m].arrayIndex;
        if (a >= 0 && a < c_.arrayDrives.count) {
            if (c_.arrayDrives[a].arrayNumber == static_cast<uint16_t>(ld.driveNumber))
                ArraySection(a, true);
        } else if (m >= 0) {
            if (c_.mirrorDrives[m].mirrorNumber == static_cast<uint16_t>(ld.driveNumber))
                MirrorSection(m, true);
        } else {
            LogicalSection(i, true);
        }
    }
    bool first = true;
    for (int i = 0; i < c_.logDrives.count; ++i) {
        if (!c_.logDrives[i].IsPoolHotFix())
            continue;
        if (first) {
            r_.Blank(1);
            r_.Heading("Pool Hot Fix Drives", 2, 0);
            first = false;
        }
        LogicalSection(i, true);
    }
}

std::string SaveInformationReport::LogCapacity(const CLogDrive& ld) const
{
    return Format("%lu MB", Megabytes(wire::get32(ld.GetInfo(), LDINFO_CAPACITY), 512));
}

void SaveInformationReport::ArraySection(int a, bool heading)
{
    const CArrayDrive& ar = c_.arrayDrives[a];
    if (heading) {
        r_.Blank(1);
        r_.Heading(Format("Logical Drive %d (Array Drive)", ar.arrayNumber), 1, 0);
    }
    r_.Columns("Drive Number:", Format("%u", ar.arrayNumber), "Type:", ar.typeText);
    r_.Columns("Capacity:", Format("%lu MB", Megabytes(ar.Capacity(), 512)), "Status:", ar.stateText);
    r_.Columns("Name:", RecordText(ar.info + ARREC_NAME, 8), "Attributes:", ar.attributeText);
    r_.Columns("HotFix Pool acc.:", ar.GetPoolHotFixAccess() ? "Enabled" : "Disabled", "Striping size:",
               Format("%lu KB", static_cast<unsigned long>(wire::get32(ar.info, ARREC_STRIPE) / 2)));
    // The first slot that failed or lost its drive.
    int firstFailed = -1;
    for (int k = 0; k < ar.SlotCount() && firstFailed < 0; ++k)
        if ((SlotMark(ar, k) & 0x03) != 0)
            firstFailed = k;
    r_.In();
    for (int i = 0; i < ar.components.count; ++i) {
        const int l = ar.components[i];
        if (l < 0 || l >= c_.logDrives.count)
            continue;
        const CLogDrive& ld = c_.logDrives[l];
        const int slot = ar.FindComponentSlot(i);
        const uint8_t mark = SlotMark(ar, slot);
        const bool missing = ld.kind == LDKIND_MISSING;
        const int m = ld.mirrorIndex >= 0 && ld.mirrorIndex < c_.mirrorDrives.count ? ld.mirrorIndex : -1;
        std::string status;
        if (missing || (mark & 0x02) != 0 || (mark & 0x01) != 0) {
            status = missing || (mark & 0x02) != 0 ? "MISSING" : "FAIL";
            if (slot == firstFailed)
                status += "/FIRST";
        } else if ((mark & 0x04) != 0) {
            status = "INVALID";
        } else {
            status = m >= 0 ? c_.mirrorDrives[m].stateText : ld.stateText;
        }
        const char* property = ld.isMaster && ld.isParity ? "Master/Parity"
                                : ld.isParity               ? "Parity"
                                : ld.isMaster               ? "Master"
                                : ld.isPrivateHotFix        ? "Hot Fix"
                                                            : "Component";
        r_.Blank(1);
        r_.Heading(Format("Array Drive Component #%d", i), 1, 0);
        r_.Columns("Component Status:", status, "Property:", property);
        if (!missing) {
            if (m >= 0)
                MirrorSection(m, false);
            else
                LogicalSection(l, false);
        } else {
            MissingComponentDisks(a, ld);
        }
    }
    r_.Underline();
    r_.Out();
}

void SaveInformationReport::MissingComponentDisks(int a, const CLogDrive& ld)
{
    CArrayDrive& ar = c_.arrayDrives[a];
    CBuffer<uint8_t> buf;
    auto query = [&](uint16_t room) {
        if (!buf.SetSize(static_cast<uint32_t>(COMPDISKS_HEAD + COMPDISKS_ENTRY * room)))
            return false;
        buf.Fill(0);
        wire::put16(buf.At(0), COMPDISKS_ROOM, room);
        return ar.QueryComponentDisks(buf.At(0));
    };
    const ModelError kept = ar.error;
    uint16_t count = 0;
    if (query(1)) {
        count = wire::get16(buf.At(0), 20);
        if (count >= 2 && !query(count))
            count = 0;
    }
    ar.error = kept;
    r_.Columns("Drive Number:", Format("%u", static_cast<unsigned>(ld.driveNumber & 0xFFFF)), "Name:", ld.GetName());
    r_.In();
    const uint32_t room = (buf.Size() - std::min<uint32_t>(buf.Size(), COMPDISKS_HEAD)) / COMPDISKS_ENTRY;
    for (uint32_t k = 0; k < std::min<uint32_t>(count, room); ++k) {
        const uint8_t* e = buf.At(static_cast<uint32_t>(COMPDISKS_HEAD + COMPDISKS_ENTRY * k));
        r_.Blank(1);
        r_.Heading(Format("Logical Drive Component #%u", k), 1, 0);
        r_.Columns("Log. Drive:", Format("%u", static_cast<unsigned>(ld.driveNumber & 0xFFFF)), "R/W Error:",
                   e[11] != 0 ? "Yes" : "No");
        r_.Columns("Channel:", ChannelName(e[8]), "ID/LUN:", Format("%d/%d", e[9], e[10]));
    }
    r_.Underline();
    r_.Out();
}

void SaveInformationReport::MirrorSection(int m, bool heading)
{
    const CMirrorDrive& mi = c_.mirrorDrives[m];
    if (heading) {
        r_.Blank(1);
        r_.Heading(Format("Logical Drive %d (Mirror Drive)", mi.mirrorNumber), 1, 0);
    }
    const int master = mi.components.count > 0 ? mi.components[0] : -1;
    const CLogDrive* ml = master >= 0 && master < c_.logDrives.count ? &c_.logDrives[master] : nullptr;
    char name[9] = {};
    mi.GetName(name);
    r_.Columns("Drive Number:", Format("%u", mi.mirrorNumber), "Type:", "Mirror");
    r_.Columns("Capacity:", ml ? LogCapacity(*ml) : std::string("0 MB"), "Status:", mi.stateText);
    r_.Columns("Name:", name, "Attributes:", ml ? ml->attributeText : "");
    r_.Field("HotFix Pool acc.:", mi.GetPoolHotFixAccess() ? "Enabled" : "Disabled");
    r_.Columns("Missing drives:", Format("%d", mi.missingCount), "Invalid drives:", Format("%d", mi.buildingCount));
    r_.In();
    for (int i = 0; i < mi.components.count; ++i) {
        const int l = mi.components[i];
        if (l < 0 || l >= c_.logDrives.count)
            continue;
        const CLogDrive& ld = c_.logDrives[l];
        r_.Blank(1);
        r_.Heading(Format("Mirror Drive Component #%d", i), 1, 0);
        const bool invalid = ld.kind == LDKIND_MISSING || (ld.Flags() & 0x03) != 0;
        r_.Field("Component Status:", invalid ? "invalid" : "valid");
        LogicalSection(l, false);
    }
    r_.Underline();
    r_.Out();
}

void SaveInformationReport::LogicalSection(int l, bool heading)
{
    const CLogDrive& ld = c_.logDrives[l];
    const int number = ld.driveNumber & 0xFFFF;
    if (heading) {
        r_.Blank(1);
        r_.Heading((number & 0x8000) ? Format("Logical Drive s%d", number & 0x7FFF) : Format("Logical Drive %d", number), 1,
                   0);
    }
    r_.Columns("Drive Number:", Format("%u", static_cast<unsigned>(number)), "Type:", ld.kindText);
    r_.Columns("Capacity:", LogCapacity(ld), "Status:", ld.stateText);
    r_.Columns("Name:", RecordText(ld.GetInfo() + LDINFO_NAME, 8), "Attributes:", ld.attributeText);
    r_.In();
    for (int k = 0; k < ld.disks.count; ++k) {
        const int p = ld.disks[k];
        if (p < 0 || p >= c_.physDrives.count)
            continue;
        const CPhysDrive& d = c_.physDrives[p];
        r_.Blank(1);
        r_.Heading(Format("Logical Drive Component #%d", k), 1, 0);
        r_.Field("Disk Name:", RecordText(d.GetInfo() + DEVINFO_VENDOR, DEVINFO_VENDOR_SIZE + DEVINFO_PRODUCT_SIZE + 4));
        r_.Columns("Channel:", ChannelName(d.GetChannel()), "ID/LUN:", Format("%d/%d", d.GetTargetId(), d.GetLun()));
    }
    r_.Underline();
    r_.Out();
}

void SaveInformationReport::HostDrives()
{
    r_.Blank(2);
    r_.Heading("Host Drive Information", 2, 1);
    for (int i = 0; i < c_.hostDrives.count; ++i)
        HostSection(c_.hostDrives[i]);
}

void SaveInformationReport::HostSection(const CHostDrive& h)
{
    const HostDriveEntry& e = h.entry;
    r_.Blank(1);
    r_.Heading(Format("Host Drive %d", h.hostDriveNumber), 1, 0);
    r_.Columns("Drive Number:", Format("%d", h.hostDriveNumber), "Part of Log. Dr.", Format("%d", e.carrier));
    r_.Columns("Name:", RecordText(reinterpret_cast<const uint8_t*>(e.name), sizeof e.name), "Capacity:",
               Format("%lu MB", Megabytes(e.sectors, 512)));
    r_.Columns("Cap.(Blocks):", Format("%lu", static_cast<unsigned long>(e.sectors)), "Start Sector:",
               Format("%lu", static_cast<unsigned long>(e.start)));
    r_.Columns("Heads:", Format("%d", h.heads), "Sectors:", Format("%d", h.sectors));
    r_.Columns("Cluster Type:", h.cluster.type < std::size(kClusterTypes) ? kClusterTypes[h.cluster.type] : "???",
               "Location: ", Format("0x%lX", static_cast<unsigned long>(h.cluster.owner)));
    if ((c_.boardDetails[BOARD_DETAILS_CLUSTER] & CLUSTER_ENABLED_BITS) == CLUSTER_ENABLED_BITS &&
        c_.FirmwareLevel() > kLevelOldFormat)
        r_.Columns("Trans. Tracking", OnOff((e.attributes & 0x04) == 0), "Write Through", OnOff(e.attributes & 0x01));
    r_.Blank(1);
    PartitionPart(h);
}

void SaveInformationReport::PartitionPart(const CHostDrive& h)
{
    r_.In();
    const PartitionSector& p = h.partitions;
    if (h.cluster.owner != 0) {
        r_.Heading("N/A", 1, 0);
    } else if (!p.HasSignature()) {
        r_.Heading("Invalid partition table !", 1, 0);
    } else {
        r_.Heading("Partition Table", 1, 0);
        for (int k = 0; k < PART_ENTRIES; ++k) {
            if (p.Type(k) == 0) {
                r_.Columns("Partition:", Format("%d", k), "No Partition entry", "");
                continue;
            }
            const PartitionEntry& e = p.entries[k];
            std::string type = RecordText(reinterpret_cast<const uint8_t*>(e.typeName), sizeof e.typeName);
            if (p.Boot(k) != 0)
                type += ", active";
            r_.Columns("Partition:", Format("%d", k), "Type:", type);
            r_.Columns("Start cyl.:", Format("%lu", static_cast<unsigned long>(e.startCylinder)), "End cyl.:",
                       Format("%lu", static_cast<unsigned long>(e.endCylinder)));
            r_.Columns("Capacity:", Format("%lu MB", static_cast<unsigned long>(e.sizeMb)), "Space used:",
                       Format("%lu %%", static_cast<unsigned long>(e.percent)));
        }
        r_.Underline();
    }
    r_.Out();
}

void SaveInformationReport::Messages()
{
    r_.Blank(2);
    r_.Heading("Screen service messages / Async. events", 2, 1);
    uint8_t buf[kLogBufferSize];
    uint32_t handle = 0;
    for (;;) {
        std::memset(buf, 0, sizeof buf);
        wire::put32(buf, 0, 0x10000);
        wire::put32(buf, 4, 36);
        wire::put32(buf, 8, 0x7B3);
        wire::put32(buf, kLogHandle, handle);
        wire::put16(buf, 16, 0xFF);
        const CtlResult rc = ctl_read_controller_log(static_cast<uint16_t>(c_.index), buf, sizeof buf);
        if (rc != CTL_OK) {
            c_.error = rc;
            return;
        }
        const uint32_t count = wire::get32(buf, kLogCount);
        size_t at = kLogEntries;
        for (uint32_t n = 0; n < count; ++n) {
            if (at + kEntryMinimum > sizeof buf)
                return;
            const uint32_t size = wire::get32(buf, at);
            if (size < kEntryMinimum || size > sizeof buf - at)
                return;
            const uint8_t* e = buf + at;
            const size_t textAt = wire::get16(e, kEntryKind) == kEntryKindEvent ? kEntryEventText : kEntryText;
            r_.Line(RecordText(e + kEntryTime, kEntryText - kEntryTime) + ": " + RecordText(e + textAt, size - textAt));
            at += size;
        }
        const uint32_t next = wire::get32(buf, kLogHandle);
        if (buf[kLogMore] == 0 || next == handle)
            return;
        handle = next;
    }
}

int CController::SaveInformation(const char* path, const char* title, ReportLineFunction lineFunction)
{
    CReportWriter fileWriter;
    CReportWriter lineWriter(lineFunction);
    CReportWriter& w = lineFunction ? lineWriter : fileWriter;
    if (w.Open(path ? path : "", 1) != 0) {
        error = ModelReportError(5);
        return 0;
    }
    error = 0;
    Report r(w);
    SaveInformationReport s(*this, r);
    r.Heading(title ? title : "", 2, 1);
    r.Blank(1);
    s.Machine();
    s.ControllerSection();
    s.CacheParameters();
    s.Options();
    s.Channels();
    s.Devices();
    s.LogicalDrives();
    s.HostDrives();
    s.Messages();
    const bool closeFailed = w.Close() != 0;
    if (r.Failed() || closeFailed) {
        error = MODERR_FILE_IO;
        return 0;
    }
    return 1;
}
