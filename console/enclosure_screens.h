// The controller's fault bus screens, its cluster channels and the removal
// of its enclosure configurations, opened from " Configure Controller ".
#pragma once

class CController;

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
