// The controller's fault bus screens, its cluster channels and the removal
// of its enclosure configurations, opened from " Configure Controller ".
#pragma once

#include <cstdint>
#include <vector>

class CController;
struct EnclosureSlot;
class CPhysDrive;

// Shown state of channel c's fault bus: 3 not installed, 2 not available
// (pages A and B differ), else its enable flag (0 or 1).
int FaultBusChannelState(const CController& controller, int c);
// The state's text ("Disabled", "Enabled", "Not available", "Not installed").
const char* FaultBusStateText(int state);
// The " Intelligent Fault Bus " menu (M5016 without a fault bus); returns 1.
int FaultBusMenu(CController& controller);
// The " Fault Bus Settings " dialog; whether a value changed.
int FaultBusSettingsDialog(CController& controller);
// The " Fault Bus States " view with its two ID pages; returns 1.
int FaultBusStatesView(CController& controller);
// The " Choose Test " menu of LED tests; returns 1.
int FaultBusTestMenu(CController& controller);
// The " Cluster Channels " dialog, then write-back per host drive; returns 1.
int ClusterChannels(CController& controller);
// The " Remove Configuration " menu; returns 1.
int RemoveEnclosureConfig(CController& controller);
// The " Select Enclosure " list of the controller's enclosure
// configurations; the last slot editor result, 1 without configurations,
// 0 on a failure.
int SelectEnclosure(CController& controller);
// Vendor and name of configuration `index` (record of `slots` slots); 1 when written.
int EditEnclosureName(CController& controller, int index, std::vector<uint8_t>& record, uint32_t slots);
// The slot editor of configuration `index` as read (`count` slots) for
// `slotMax` slots; reset then write on Yes to M3013; 1 when it ran.
int ConfigureEnclosureSlots(CController& controller, int index, std::vector<uint8_t>& record, uint32_t count,
                            int slotMax);
// The disk for a slot of a non-intelligent enclosure: a physical drive index, -1 for none.
int SelectEnclosureDisk(CController& controller, const EnclosureSlot* slots, int slot, int slotMax);
// The " Enclosure Status " view of an enclosure processor; returns 1.
int EnclosureStatus(CPhysDrive& device);
// The " Enclosure Slots " table of an enclosure processor; 1 when it was read, else 0.
int EnclosureSlots(CController& controller, CPhysDrive& device);
// The " Select Disk " list of the candidate physical drive indices: the one
// chosen, -1 for none (M5003 when there is no candidate).
int ChooseSlotDisk(CController& controller, const std::vector<int>& candidates);
// The disk for empty slot `slot` of an enclosure processor's table: a physical drive index, -1 for none.
int SelectSlotDisk(CController& controller, CPhysDrive& device, const std::vector<EnclosureSlot>& slots, int slot);
