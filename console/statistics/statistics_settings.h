// The console-wide statistics settings (sample period, logging, the scale of
// new bars) and their two dialogs.
#pragma once

#include <cstdint>

struct StatisticsSettings {
    int samplePeriod = 20;  // tenths of a second between two samples
    int logging = 0;        // 1: the next statistics window writes a log file
    int scaleIndex = 4;     // scale of new drive bars and axes (0..11)
};

// The process-wide settings.
StatisticsSettings& StatSettings();
// Header text of every new axis.
constexpr const char* statAxisHeader = "          KB/s  IO/s";
// KB/s per axis tick of a scale index; 0 outside 0..11.
uint32_t ScaleValue(int index);
// Reads a sample rate entry: 1 and *value when the text is a decimal number
// from 1 to `limit`, else 0 (also for no number and values beyond an int).
int ParseSampleRate(const char* text, int limit, int* value);
// Asks for the sample period (tenths in administrator mode, else seconds).
void AskSampleRate();
// Asks whether the next statistics window writes a log file.
void AskLogging();
