// The host drive table: each host drive with the status, attribute and type
// texts of the drive that carries it, and the drive it belongs to.
#include "controller_texts.h"
#include "controller_values.h"
#include "messages.h"
#include "status_display.h"
#include "table_row.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr const char* kUnknown = "???";
constexpr int kCarrierArray = 0x10;      // carrier word: the host drive lies on an array drive
constexpr int kCarrierMirror = 0x01;     // carrier word: on a RAID-1 mirror drive
constexpr uint8_t kReadOnlyBit = 0x02;   // attribute byte: write protected
constexpr int kClusterDrive = 1;
constexpr size_t kHostDriveNameSize = 8;

// What the table shows of one host drive, taken from its CHostDrive.
struct HostDriveFacts {
    int number = -1;
    char name[kHostDriveNameSize + 1] = {};  // the entry's name field, at most its 8 bytes
    int logDrive = -1;                       // index of the carrying logical drive, -1 none
    int carrierWord = 0;
    uint8_t attributes = 0;
    uint32_t sectors = 0;
    int clusterType = 0;
    int position = 0;                        // place among the host drives of its drive, from 0
    int count = 1;                           // host drives on the same drive
};

// The status, attribute and type texts of the drive that carries a host drive.
struct CarrierTexts {
    std::string status = kUnknown;
    std::string attribute = kUnknown;
    std::string type = kUnknown;
};

// The table's view of a host drive; its name is cut at the entry's 8 bytes.
HostDriveFacts FactsOf(const CHostDrive& hostDrive)
{
    HostDriveFacts facts;
    facts.number = hostDrive.hostDriveNumber;
    CopyRecordText(facts.name, sizeof facts.name, reinterpret_cast<const uint8_t*>(hostDrive.entry.name),
                   sizeof hostDrive.entry.name);
    facts.logDrive = hostDrive.carrierIndex;
    facts.carrierWord = hostDrive.GetCarrierWord();
    facts.attributes = hostDrive.entry.attributes;
    facts.sectors = hostDrive.entry.sectors;
    facts.clusterType = hostDrive.cluster.type;
    facts.position = hostDrive.position;
    facts.count = hostDrive.hostDriveCount;
    return facts;
}

// The carrying logical drive, or null when the index lies outside the list.
const CLogDrive* CarryingDrive(const CController& controller, int logDrive)
{
    if (logDrive < 0 || logDrive >= controller.logDrives.count)
        return nullptr;
    return &controller.logDrives[logDrive];
}

const CMirrorDrive* MirrorOf(const CController& controller, const CLogDrive& drive)
{
    if (drive.mirrorIndex < 0 || drive.mirrorIndex >= controller.mirrorDrives.count)
        return nullptr;
    return &controller.mirrorDrives[drive.mirrorIndex];
}

const CArrayDrive* ArrayOf(const CController& controller, const CLogDrive& drive)
{
    if (drive.arrayIndex < 0 || drive.arrayIndex >= controller.arrayDrives.count)
        return nullptr;
    return &controller.arrayDrives[drive.arrayIndex];
}

// The status, attribute and type texts by the carrier word: an array's, a
// mirror's (with the logical drive's attribute text) or the drive's own.
CarrierTexts TextsOfDrive(const CController& controller, const HostDriveFacts& facts, const CLogDrive& drive)
{
    CarrierTexts texts;
    if ((facts.carrierWord & kCarrierArray) != 0) {
        if (const CArrayDrive* array = ArrayOf(controller, drive)) {
            texts.status = BoundedText(array->stateText);
            texts.attribute = BoundedText(array->attributeText);
            texts.type = BoundedText(array->typeText);
        }
    } else if ((facts.carrierWord & kCarrierMirror) != 0) {
        if (const CMirrorDrive* mirror = MirrorOf(controller, drive)) {
            texts.status = BoundedText(mirror->stateText);
            texts.attribute = BoundedText(drive.attributeText);
            texts.type = BoundedText(mirror->typeText);
        }
    } else {
        texts.status = BoundedText(drive.stateText);
        texts.attribute = BoundedText(drive.attributeText);
        texts.type = BoundedText(drive.kindText);
    }
    return texts;
}

// The texts of the drive the host drive lies on ("???" without one); a
// read-only host drive shows "RO" whatever carries it.
CarrierTexts TextsOfCarrier(const CController& controller, const HostDriveFacts& facts)
{
    CarrierTexts texts;
    if (const CLogDrive* drive = CarryingDrive(controller, facts.logDrive))
        texts = TextsOfDrive(controller, facts, *drive);
    if ((facts.attributes & kReadOnlyBit) != 0)
        texts.attribute = "RO";
    return texts;
}

// The Belongs-to text into the message buffer.
void WriteBelongsTo(const CController& controller, const HostDriveFacts& facts)
{
    TableRow text;
    const CLogDrive* drive = CarryingDrive(controller, facts.logDrive);
    if (drive == nullptr) {
        text.Add("%s", kUnknown);
        return;
    }
    if (drive->arrayIndex >= 0) {
        const CArrayDrive* array = ArrayOf(controller, *drive);
        if (array == nullptr) {
            text.Add("%s", kUnknown);
            return;
        }
        text.Add("Array  %2d", array->arrayNumber);
    } else if (drive->mirrorIndex >= 0) {
        const CMirrorDrive* mirror = MirrorOf(controller, *drive);
        if (mirror == nullptr) {
            text.Add("%s", kUnknown);
            return;
        }
        text.Add("RAID-1 %2d", mirror->mirrorNumber);
    } else {
        text.Add("Logic. %2d", drive->driveNumber);
    }
    if (facts.count > 1)
        text.Add(" %d/%d", facts.position + 1, facts.count);
}

}  // namespace

void ShowHostDriveRow(const CController& controller, const CHostDrive& hostDrive)
{
    const HostDriveFacts facts = FactsOf(hostDrive);
    const CarrierTexts texts = TextsOfCarrier(controller, facts);
    std::string type = texts.type;
    if (facts.clusterType == kClusterDrive)
        type += "/Clu";
    else if (facts.clusterType == kPrivateDrive)
        type += "/Pri";
    WriteBelongsTo(controller, facts);
    const std::string belongsTo = g_messageBuffer;
    TableRow row;
    row.Add("%d\t%s\t%s\t%s\t %lu   \t%s\t\t%s", facts.number, facts.name, texts.status.c_str(),
            texts.attribute.c_str(), static_cast<unsigned long>(facts.sectors >> 11), type.c_str(),
            belongsTo.c_str());
    row.Print();
}

void ShowBelongsTo(const CController& controller, int hostDrive)
{
    if (hostDrive < 0 || hostDrive >= controller.hostDrives.count) {
        TableRow text;
        text.Add("%s", kUnknown);
        return;
    }
    WriteBelongsTo(controller, FactsOf(controller.hostDrives[hostDrive]));
}

int ShowHostDrives(CController& controller)
{
    if (controller.Refresh() != 1)
        PrintErrorCode(controller.error);
    std::printf("No.\tName\tStatus\tAttr.\tCap.(MB)\tType\t\tBelongs to\n");
    std::printf("---\t----\t------\t-----\t--------\t----\t\t----------\n");
    if (controller.hostDrives.count == 0) {
        std::printf("No Host Drives\n");
        return 0;
    }
    for (int i = 0; i < controller.hostDrives.count; ++i)
        ShowHostDriveRow(controller, controller.hostDrives[i]);
    return 0;
}
