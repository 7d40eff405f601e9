#include "service_settings.h"

#include <cstdio>

ServiceSettings g_settings;

void settings_reset()
{
    g_settings.pollInterval = 5;
    g_settings.logLevel = 1;
    g_settings.maxConnections = 10;
    g_settings.trapFlag = false;
    g_settings.shutdown.store(0);
    std::snprintf(g_settings.configPath, sizeof g_settings.configPath, "%s", DEFAULT_CONFIG_PATH);
    std::snprintf(g_settings.trapCommunity, sizeof g_settings.trapCommunity, "%s",
                  DEFAULT_TRAP_COMMUNITY);
    g_settings.executeLine[0] = '\0';
    g_settings.executeUser[0] = '\0';
    g_settings.authWord[0] = '\0';
    g_settings.localHostName[0] = '\0';
    g_settings.agentAddress[0] = '\0';
}
