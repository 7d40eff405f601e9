// Fault bus settings in the controller's configuration page A.
#pragma once

constexpr int pageFaultBusEnable = 60;  // + channel
constexpr int pageShelfMonitoring = 76;
