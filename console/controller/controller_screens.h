// The " Configure Controller " menu and the controller-wide settings
// dialogs it opens: controller settings, advanced (boot) settings, advanced
// cache settings, periodic parity verify and clearing the log buffer.
#pragma once

#include <cstdint>
#include <ctime>

class CController;

// The number of values of the advanced cache parameter view.
constexpr int cacheViewCount = 19;

// The version word of the controller's configuration page A.
uint32_t PageWord(const CController& c);
// The " Configure Controller " menu until ESC or F2/F4; returns 1.
int ConfigureController(CController& controller);
// The " Controller Settings " dialog; whether a first-part value changed.
int ControllerSettings(CController& controller);
// The " Advanced Settings " menu; whether a value changed.
int AdvancedSettings(CController& controller);
// The " Advanced Cache Settings " menu; 0 when the parameters cannot be read, else 1.
int AdvancedCacheSettings(CController& controller);
// The value input of numeric cache parameter `id` (4-18): the new value, or
// -1 for ESC. A value that does not fit its record word is asked again.
int EditCacheParameter(int id, int value);
// The cache parameter record (72 bytes) as the 19-value view and back; the
// view's values replace their fields, the other bytes stay.
void CacheParamsToView(const uint8_t* record, int* view);
void CacheParamsFromView(const int* view, uint8_t* record);
// The largest value parameter `id` may take so that its record word holds
// it (seconds for the two microsecond words).
int64_t CacheParameterLimit(int id);
// The " Periodic Parity Verify " menu; the SetSettings result, 0 when nothing was saved.
int PeriodicParityVerify(CController& controller);
// Days until the periodic verify of `interval` days restarts, for a time
// in seconds since 1 January 1970 (UTC days).
int ParityVerifyDaysLeft(std::time_t now, int interval);
// Starts a parity verify on every array drive of the controller that
// qualifies (RAID 4 or 5, ready, no blocking state, configuration access);
// the number started.
int StartVerifyOnQualifyingArrays(CController& controller);
// Asks M3074 and clears the controller's log buffer; the result (0 for No).
int ClearLogBuffer(CController& controller);
