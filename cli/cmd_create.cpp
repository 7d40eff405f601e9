// -c: creates a host drive from the disks given.
#include "build_wait.h"
#include "byte_order.h"
#include "controller_values.h"
#include "create_disks.h"
#include "create_hot_plug_cluster.h"
#include "host_drive_lookup.h"
#include "messages.h"
#include "tool_run.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr int kLastHostDriveNumber = 99;
constexpr size_t kReservedSizeByte = 212;
constexpr uint16_t kKindSingle = 0;
constexpr uint16_t kKindStriped = 16;
constexpr uint16_t kKindChain = 32;

// One row of the RAID level table.
struct RaidLevel {
    int minimumDisks;
    int parity;        // 0 any count, 1 odd, 2 even
    int arrayCode;     // -1 no array
    bool hotSpare;
    bool mirror;
    bool (*supported)(const ControllerInfo& info);
};

bool Always(const ControllerInfo&) { return true; }
bool Chaining(const ControllerInfo& i) { return i.chainingValue != 0; }
bool Raid0(const ControllerInfo& i) { return i.raid0Value != 0 || (i.featureByte & 0x01) != 0; }
bool Raid1(const ControllerInfo& i) { return i.raid1Value != 0; }
bool Parity(const ControllerInfo& i) { return (i.featureByte & 0x30) != 0; }
bool Raid10(const ControllerInfo& i) { return (i.featureByte & 0x02) != 0; }

// Indexed by RaidTypeCode.
const RaidLevel kRaidLevels[] = {
    {1, 0, -1, false, false, Always},   // S
    {2, 0, -1, false, false, Chaining}, // C
    {2, 0, 0, false, false, Raid0},     // 0
    {2, 0, -1, false, true, Raid1},     // 1
    {3, 0, -1, true, true, Raid1},      // 1H
    {3, 0, 4, false, false, Parity},    // 4
    {4, 0, 4, true, false, Parity},     // 4H
    {3, 0, 5, false, false, Parity},    // 5
    {4, 0, 5, true, false, Parity},     // 5H
    {4, 2, 10, false, false, Raid10},   // 10
    {5, 1, 10, true, false, Raid10},    // 10H
};

bool LevelHolds(const RaidLevel& level, const ControllerInfo& info, int n)
{
    if (n < level.minimumDisks)
        return false;
    if ((level.parity == 2 && n % 2 != 0) || (level.parity == 1 && n % 2 == 0))
        return false;
    return level.supported(info);
}

// The highest host drive number present, -1 without host drives.
int HighestHostDriveNumber(const CController& controller)
{
    int highest = -1;
    for (int k = 0; k < controller.hostDrives.count; ++k)
        highest = std::max(highest, controller.hostDrives[k].hostDriveNumber);
    return highest;
}

// Everything one build works with.
struct Build {
    CController& controller;
    const OptionsRecord& options;
    const RaidLevel& level;
    std::vector<int> disks;        // chosen physical device indexes
    std::vector<int> numbers;      // logical drive number made from each disk
    int highest = -1;              // highest host drive number before the build
    int chosenNumber = -1;         // the free number of the new drive
    int newNumber = -1;            // the new drive's number
    int smallest = 0;              // position of the smallest disk in `disks`
    int arrayCode = 1;             // the code the array was made with; 1 when none was made
};

// True when the type makes one logical drive of all disks instead of an array.
bool OneLogicalDrive(const Build& b)
{
    return b.options.RAID == RAID_CODE_CHAINING ||
           (b.options.RAID == RAID_CODE_RAID0 && (b.controller.info.featureByte & 0x01) == 0);
}

// Applies the size rule to `maximum` MB per disk; the size to use.
int SizeRule(const Build& b, int maximum, bool mirror)
{
    int lower = 1;
    if (b.controller.FirmwareVersion() >= 0x1F0000)
        lower = static_cast<int>(wire::get32(b.controller.boardDetails, kReservedSizeByte) >> 20) + 1;
    const int size = b.options.SIZE;
    if (size >= lower && size <= maximum)
        return size;
    if (size != 0) {
        Emit(mirror ? "WARNING: Host Drive Size %d is invalid. \n" : "WARNING: Host Drive Size %d is invalid.\n", size);
        Emit("WARNING: Acceptable range is between %d and %d MB \n", lower, maximum);
    }
    Emit("WARNING: Using Max size %d for Host Drive. \n", maximum);
    return maximum;
}

// MB per disk in sectors; false (and a message) when it does not fit the field.
bool SectorsOf(uint64_t megabytes, uint32_t* sectors)
{
    const uint64_t value = megabytes << 11;
    if (value > UINT32_MAX) {
        Emit("ERROR: Host Drive size too large.\n");
        return false;
    }
    *sectors = static_cast<uint32_t>(value);
    return true;
}

bool Fail(uint32_t code)
{
    PrintErrorCode(code);
    return false;
}

bool PrepareDisks(Build& b)
{
    CController& c = b.controller;
    for (const int i : b.disks) {
        CPhysDrive& disk = c.physDrives[i];
        if (c.FirmwareVersion() > 0x20FFFF && disk.GetInfo()[DEVINFO_INITIALISED] != 0 &&
            disk.GetInfo()[DEVINFO_FORMAT] == 1) {
            disk.Deinitialize();
            disk.Refresh();
        }
        if (disk.GetInfo()[DEVINFO_INITIALISED] != 0)
            continue;
        DiskParameters p = CreateDiskParameters(c, disk);
        if (disk.Initialize(&p) == 0) {
            const ControllerChannel& channel = c.channels[disk.GetChannel()];
            Emit("ERROR: Host Drive Creation Failure:\nCould not initialize disk %s on %s ID %d.\nPlease check disk, "
                 "cables and SCSI termination.\n",
                 DeviceName(disk), channel.name, disk.GetTargetId());
            return false;
        }
    }
    return true;
}

// The chain or striped drive made of all disks under the chosen number.
bool MakeOneLogicalDrive(Build& b)
{
    CController& c = b.controller;
    const int f = c.freeDrives.count;
    int index = -1;
    for (int k = 0; k < f; ++k)
        if (c.freeDrives[k].driveNumber == b.chosenNumber)
            index = k;
    CFreeDrive& free = c.freeDrives[index];
    for (const int i : b.disks)
        free.AddDisk(i);
    const uint16_t kind = b.options.RAID == RAID_CODE_CHAINING ? kKindChain : kKindStriped;
    if (free.Create(kind, 1) == 0)
        return Fail(free.error);
    b.newNumber = b.chosenNumber;
    return true;
}

int FreeIndex(const CController& c, int number)
{
    for (int k = 0; k < c.freeDrives.count; ++k)
        if (c.freeDrives[k].driveNumber == number)
            return k;
    return -1;
}

// One logical drive per disk; the smallest disk's on the chosen number.
bool MakeLogicalDrives(Build& b)
{
    CController& c = b.controller;
    const int n = static_cast<int>(b.disks.size());
    b.numbers.assign(b.disks.size(), -1);
    b.numbers[b.smallest] = b.chosenNumber;
    int next = 0;
    for (int k = 0; k < n; ++k) {
        if (k == b.smallest)
            continue;
        if (c.freeDrives[next].driveNumber == b.chosenNumber)
            ++next;
        b.numbers[k] = c.freeDrives[next++].driveNumber;
    }
    const std::vector<int> numbers = b.numbers;
    for (int k = 0; k < n; ++k)
        c.freeDrives[FreeIndex(c, numbers[k])].AddDisk(b.disks[k]);
    for (int k = 0; k < n; ++k) {
        const int refresh = k == n - 1 ? 1 : 0;
        CFreeDrive& free = c.freeDrives[FreeIndex(c, numbers[k])];
        if (b.level.mirror && k == b.smallest) {
            uint32_t capacity = 0;
            if (free.CreateLogicalDrive(kKindSingle) == 0 || free.GetCapacity(&capacity) == 0)
                return Fail(free.error);
            const int maximum = static_cast<int>(capacity >> 11);
            const int size = SizeRule(b, maximum, true);
            uint32_t sectors = 0;
            if (size != maximum && (!SectorsOf(static_cast<uint64_t>(size), &sectors) || free.SetUsedCapacity(sectors) == 0))
                return Fail(free.error);
            if (free.Commit(refresh) == 0)
                return Fail(free.error);
        } else if (free.Create(kKindSingle, refresh) == 0) {
            return Fail(free.error);
        }
    }
    b.newNumber = b.chosenNumber;
    return true;
}

// The logical drive number of the hot spare: the last disk's, or the one
// before when the last is the base drive.
int HotSpareNumber(const Build& b)
{
    const int last = static_cast<int>(b.numbers.size()) - 1;
    return b.numbers[last] == b.chosenNumber ? b.numbers[last - 1] : b.numbers[last];
}

bool MakeMirror(Build& b, int spare)
{
    CController& c = b.controller;
    CLogDrive& base = c.logDrives[c.FindLogicalDrive(b.chosenNumber)];
    if (base.MakeMirror(1) == 0)
        return Fail(base.error);
    if (!b.level.hotSpare)
        return true;
    const int m = c.FindMirrorDrive(b.chosenNumber);
    const int s = c.FindLogicalDrive(spare);
    if (m < 0 || s < 0)
        return Fail(c.error);
    CMirrorDrive& mirror = c.mirrorDrives[m];
    if (mirror.AddPendingComponent(s) < 0 || mirror.AddHotFixDrives(0) == 0)
        return Fail(mirror.error);
    return true;
}

// The array's host drive is written without a result of its own: a host
// drive that is not there afterwards fails the build.
bool HostDriveMade(const Build& b)
{
    if (b.controller.FindHostDrive(b.newNumber) >= 0)
        return true;
    Emit("ERROR: Host Drive #%d could not be created.\n", b.newNumber);
    return false;
}

bool MakeArray(Build& b, int spare)
{
    CController& c = b.controller;
    CLogDrive& base = c.logDrives[c.FindLogicalDrive(b.chosenNumber)];
    int code = b.level.arrayCode;
    int spans = 0;
    int arrayNumber = -1;
    const uint32_t stripe = static_cast<uint32_t>(b.options.STRIPSIZE);
    if (c.FirmwareLevel() < 19) {
        b.arrayCode = code;
        if (base.CreateArrayWithHostDrive(code, &spans, &arrayNumber, stripe, 1) == 0)
            return Fail(base.error);
        b.newNumber = arrayNumber;
        if (!HostDriveMade(b))
            return false;
    } else {
        if (b.options.NODESTRUCT != 1 && code != 10) {
            code += RAID_DESTRUCTIVE;
            Emit("WARNING: If you reset the system during the Destructive Build,the Array Build will restart in slower "
                 "Non-destructive mode !\n");
        }
        const int members = base.GetPendingCount() + 1;
        b.arrayCode = code;
        if (base.CreateArray(code, &spans, &arrayNumber, stripe) == 0)
            return Fail(base.error);
        b.newNumber = arrayNumber;
        uint32_t usable = 0;
        if (base.GetArrayCapacity(&usable, nullptr) == 0)
            return Fail(base.error);
        const int raid = code & ~RAID_DESTRUCTIVE;
        const int dataMembers = raid == 0 ? members : raid == 10 ? members / 2 : members - 1;
        const int maximum = static_cast<int>((usable >> 11) / static_cast<uint32_t>(std::max(dataMembers, 1)));
        const int size = SizeRule(b, maximum, false);
        if (size != maximum) {
            uint32_t sectors = 0;
            if (!SectorsOf(static_cast<uint64_t>(size) * static_cast<uint64_t>(dataMembers), &sectors))
                return false;
            base.SetArrayCapacity(sectors);
        }
        if (base.CreateArrayHostDrive(1) == 0)
            return Fail(base.error != 0 ? base.error : c.error);
        if (!HostDriveMade(b))
            return false;
    }
    if (!b.level.hotSpare)
        return true;
    const int a = c.FindArrayDrive(b.newNumber);
    const int s = c.FindLogicalDrive(spare);
    if (a < 0 || s < 0)
        return Fail(c.error);
    CArrayDrive& array = c.arrayDrives[a];
    if (array.AddPendingComponent(s) < 0 || array.AddHotFixDrives(0, 0) == 0)
        return Fail(array.error);
    return true;
}

// The mirror or array over the logical drives made from the disks.
bool MakeRedundantDrive(Build& b)
{
    CController& c = b.controller;
    const int spare = b.level.hotSpare ? HotSpareNumber(b) : -1;
    const int base = c.FindLogicalDrive(b.chosenNumber);
    if (base < 0)
        return Fail(c.error);
    for (const int number : b.numbers) {
        if (number == b.chosenNumber || number == spare)
            continue;
        CLogDrive& drive = c.logDrives[c.FindLogicalDrive(b.chosenNumber)];
        if (drive.AddPendingComponent(c.FindLogicalDrive(number)) < 0)
            return Fail(drive.error);
    }
    return b.level.mirror ? MakeMirror(b, spare) : MakeArray(b, spare);
}

// Names host drive `number`; the name field holds at most 7 characters, so a
// longer name is cut and the message shows what is written.
void SetHostDriveName(CController& c, int number, const char* name)
{
    char field[sizeof(HostDriveEntry::name)] = {};
    std::strncpy(field, name, sizeof field - 1);
    Emit("INFO: Setting Host Drive #%d name to '%s'.\n", number, field);
    if (field[0] == '\0' || field[0] == ' ') {
        Emit("ERROR: '%s' is not a valid Host Drive name! Action Aborted.\n", field);
        return;
    }
    const int h = c.FindHostDrive(number);
    if (h < 0)
        return;
    CHostDrive& drive = c.hostDrives[h];
    if (drive.SetName(field) == 0)
        PrintErrorCode(drive.error);
}

void AnnounceHostDrives(Build& b)
{
    CController& c = b.controller;
    std::vector<int> created;
    if (b.options.RAID == RAID_CODE_SINGLE)
        created = b.numbers;
    else
        created.push_back(b.newNumber);
    const bool nameGiven = b.options.nameGiven != 0 && b.options.NAME[0] != '\0';
    if (b.options.RAID == RAID_CODE_SINGLE && created.size() > 1 && nameGiven)
        Emit("WARNING: Single name specified for more than one Single Host Drive Type being\n"
             "WARNING: created. Ignoring the NAME parameter in this case.\n");
    for (const int number : created) {
        const int h = c.FindHostDrive(number);
        if (h >= 0) {
            CHostDrive& drive = c.hostDrives[h];
            int cluster = 0;
            drive.IsClusterEnabled(&cluster);
            if (cluster != 0)
                drive.SetWriteBackCache(0);
            FindHostDrive(c, number);
            if (nameGiven && created.size() == 1)
                SetHostDriveName(c, number, b.options.NAME);
            Emit("INFO: Host Drive #%d  created.\n", number);
        }
        if (b.level.mirror || b.level.arrayCode > 0)
            ConfigureSafteHotPlug(c, b.disks);
        if (b.options.RAID != RAID_CODE_SINGLE || b.disks.size() == 1)
            SetClusterDrive(c, b.disks, b.arrayCode, created.front());
        if (!c.Refresh())
            PrintErrorCode(c.error);
    }
}

bool RunBuildSteps(Build& b)
{
    CController& c = b.controller;
    if (!PrepareDisks(b))
        return false;
    c.AddFlags(kConfigChanged);
    if (OneLogicalDrive(b))
        return MakeOneLogicalDrive(b);
    if (!MakeLogicalDrives(b))
        return false;
    return b.options.RAID == RAID_CODE_SINGLE || MakeRedundantDrive(b);
}

// Builds the host drive; 1 on success, 0 after the failure's message.
int BuildHostDrive(Build& b)
{
    CController& c = b.controller;
    const int n = static_cast<int>(b.disks.size());
    Emit("INFO: Creating Host Drive. Processing command......\n");
    Emit(b.options.NODESTRUCT == 1 ? "INFO: Non-destructive build set.\n" : "INFO: Destructive build set.\n");
    const int needed = OneLogicalDrive(b) ? 1 : n;
    for (int k = 0; k < c.freeDrives.count && b.chosenNumber < 0; ++k)
        if (c.freeDrives[k].driveNumber > b.highest)
            b.chosenNumber = c.freeDrives[k].driveNumber;
    if (c.freeDrives.count < needed || b.chosenNumber < 0) {
        Emit("ERROR:Not enough free Drive numbers available!\nDrive cannot be created.\n");
        return 0;
    }
    if (c.EnterDriveMaintenance(-1) == 0) {
        c.LeaveDriveMaintenance(-1);
        if (c.EnterDriveMaintenance(-1) == 0) {
            Emit("ERROR:Could not enter Maintenance Mode.Operation aborted.\n");
            c.LeaveDriveMaintenance(-1);
            if (!c.Refresh())
                PrintErrorCode(c.error);
            return 0;
        }
    }
    if (!RunBuildSteps(b)) {
        c.LeaveDriveMaintenance(-1);
        if (!c.Refresh())
            PrintErrorCode(c.error);
        return 0;
    }
    AnnounceHostDrives(b);
    c.LeaveDriveMaintenance(-1);
    c.NotifyOsDriveChange(b.newNumber, 0);
    if (b.options.BLOCK == 1) {
        const int last = b.options.RAID == RAID_CODE_SINGLE ? b.numbers.back() : b.newNumber;
        if (WaitForBuild(c, last) != 0)
            return 0;
    }
    return 1;
}

// The position of the disk with the smallest capacity (the first of equals).
int SmallestDisk(const CController& c, const std::vector<int>& disks)
{
    int best = 0;
    for (size_t k = 1; k < disks.size(); ++k)
        if (wire::get32(c.physDrives[disks[k]].GetInfo(), DEVINFO_CAPACITY) <
            wire::get32(c.physDrives[disks[best]].GetInfo(), DEVINFO_CAPACITY))
            best = static_cast<int>(k);
    return best;
}

int RunCreate(ToolRun& run)
{
    const OptionsRecord& o = run.options;
    CController* controller = RequireController(run);
    if (controller == nullptr)
        return 1;
    if (o.SIZE == -1) {
        Emit("ERROR: Invalid SIZE specified. Action Aborted\n");
        return 1;
    }
    if (o.RAID == -1) {
        Emit("ERROR: You need to specify the RAIDTYPE\n");
        return 1;
    }
    if (o.DISKS.empty()) {
        Emit("ERROR: You need to specify the disks\n");
        return 1;
    }
    CController& c = *controller;
    // A failed read leaves the lists empty; the disk collection reads again.
    c.Refresh();
    const int highest = HighestHostDriveNumber(c);
    if (highest >= kLastHostDriveNumber) {
        Emit("ERROR:No more Host Drives can be created,\nbecause the last possible drive number (%d) has\nalready been "
             "assigned.\nTry to create Host Drive in VIRELMON or TOBRANEX.",
             kLastHostDriveNumber);
        return 1;
    }
    std::vector<int> suitable;
    if (!CollectSuitableDisks(c, suitable))
        return 1;
    std::vector<int> chosen;
    if (ParseDiskList(c, chosen, o) != 0)
        return 1;
    const bool allSuitable = std::all_of(chosen.begin(), chosen.end(), [&](int i) {
        return std::find(suitable.begin(), suitable.end(), i) != suitable.end();
    });
    if (chosen.size() > suitable.size() || !allSuitable) {
        Emit("ERROR: User specified disk(s) which cannot be used\n");
        return 1;
    }
    const RaidLevel& level = kRaidLevels[o.RAID];
    if (!LevelHolds(level, c.info, static_cast<int>(chosen.size()))) {
        Emit("ERROR: RAID level specified not supported by controller and/or not enough disks specified\n");
        return 1;
    }
    Build b{c, o, level, chosen, {}, highest, -1, -1, SmallestDisk(c, chosen)};
    return BuildHostDrive(b) == 1 ? 0 : 1;
}

}  // namespace

const ToolCommand kCreateCommand = {"create", &OptionsRecord::create, RunCreate};
