// The service's process-wide settings, filled from the command line and the
// configuration file before any thread starts.
#pragma once

#include <atomic>
#include <cstddef>

constexpr size_t CONFIG_PATH_MAX = 80;
constexpr size_t CONFIG_WORD_MAX = 80;
constexpr size_t EXECUTE_LINE_MAX = 512;
constexpr size_t LOCAL_HOST_NAME_MAX = 80;
constexpr size_t AGENT_ADDRESS_MAX = 100;

constexpr const char* PROGRAM_NAME = "dulm";
constexpr const char* DEFAULT_CONFIG_PATH = "/etc/dulm.conf";
constexpr const char* DEFAULT_TRAP_COMMUNITY = "brantu";
constexpr int SERVICE_PORT = 11798;

struct ServiceSettings {
    int pollInterval = 5;       // seconds between event polls
    int logLevel = 1;           // 1..3
    int maxConnections = 10;    // 1..20
    bool trapFlag = false;      // at least one trap target configured
    std::atomic<int> shutdown{0};  // set by the stop signal
    char configPath[CONFIG_PATH_MAX + 1] = "/etc/dulm.conf";
    char trapCommunity[CONFIG_WORD_MAX + 1] = "brantu";
    char executeLine[EXECUTE_LINE_MAX + 1] = "";
    char executeUser[CONFIG_WORD_MAX + 1] = "";
    char authWord[CONFIG_WORD_MAX + 1] = "";
    char localHostName[LOCAL_HOST_NAME_MAX + 1] = "";
    char agentAddress[AGENT_ADDRESS_MAX + 1] = "";
};

extern ServiceSettings g_settings;

// Puts every setting back to its initial value.
void settings_reset();
