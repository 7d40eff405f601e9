// What the host drive screens share: the drive carrying a host drive, the
// host drive list record, and the small dialogs the menu actions use.
#pragma once

#include "dialog_records.h"

class CController;
class CHostDrive;
class CLogDrive;
class CArrayDrive;
class CMirrorDrive;

// Bits of a host drive's carrier word.
constexpr int carrierMirrorBit = 0x01;
constexpr int carrierArrayBit = 0x10;

// The drive that carries a host drive: its logical drive, and the array or
// mirror drive when the carrier word names one. All null without a carrier.
struct CarrierRef {
    CLogDrive* logical = nullptr;
    CArrayDrive* array = nullptr;
    CMirrorDrive* mirror = nullptr;
};

// The carrying drive of the host drive, valid until the next re-read.
CarrierRef FindCarrier(const CController& controller, const CHostDrive& drive);
// The host drive list record that the list and the carrier window share.
ListDef* HostDriveListDef();
// Runs a menu record from `startId`; the chosen id, or -1 for ESC or a menu
// that cannot be shown (M4000). Items in `disabled` (ended by -1) are disabled.
int RunChoiceMenu(MenuDef* def, int useRecordPosition, int startId, const int* disabled = nullptr);
// The number of the drive in the numbers of the controller's free drive list, -1 none.
int FreeEntryIndex(const CController& controller, int number);
// True when more than one controller accesses the host drive (firmware
// level 30 and later only when `fromLevel30`).
bool AccessedByOthers(const CController& controller, const CHostDrive& drive, bool fromLevel30);
