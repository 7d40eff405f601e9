#include "events.h"

#include <poll.h>

#include "byte_order.h"
#include "driver_access.h"
#include "external_command.h"
#include "net_socket.h"
#include "service_log.h"
#include "service_settings.h"
#include "snmp_trap.h"
#include "xlate.h"

namespace {

// Written by the event thread for each asynchronous event; read by traps and commands.
char eventText[EVENT_TEXT_BUFFER_SIZE] = "";

constexpr uint16_t SOURCE_NONE = 0, SOURCE_ASYNC = 1, SOURCE_DRIVER = 2, SOURCE_SYNC = 4;

// An asynchronous event: its text, its record, its trap and its command.
void handle_event(const EventRecord& event)
{
    evt_format_text(&event, event_text_sink);
    log_info(3, "Received event # %d", static_cast<int>(wire::get16(event.data, 4)));
    if (g_settings.trapFlag)
        send_event_traps(event, eventText);
    if (commands_enabled())
        run_external_command(event);
}

}  // namespace

void sleep_ms(int ms) { poll(nullptr, 0, ms); }

bool events_wanted() { return g_settings.trapFlag || g_settings.executeLine[0] != '\0'; }

int trap_init()
{
    char host[AGENT_ADDRESS_MAX + 1] = "";
    NetSocket local;
    if (sock_host_name(host, sizeof host) != 0 || sock_resolve_host(host, local) != 0 ||
        sock_peer_address(local, g_settings.agentAddress, sizeof g_settings.agentAddress) != 0) {
        log_error(1, "Could not resolve local IP address of '%s'. No SNMP trap generation possible.",
                  log_safe(host).c_str());
        return 1;
    }
    return 0;
}

int trap_exit() { return 0; }

int events_init()
{
    int rc = exec_init();
    if (rc != 0)
        return rc;
    rc = trap_init();
    if (rc != 0)
        exec_exit();
    return rc;
}

int events_exit()
{
    exec_exit();
    trap_exit();
    return 0;
}

int event_text_sink(int count, const char* format, const uint32_t* args, const char* text)
{
    evt_print(eventText, sizeof eventText, count, format, args, text);
    return 0;
}

const char* event_text() { return eventText; }

int poll_event()
{
    EventRequest request;
    request.code = EVENT_NEXT_NEW;
    if (driver_read_event(&request) != CTL_OK) {
        log_error(1, "Error: cannot access RAID controller events.");
        return -1;
    }
    switch (request.record.source) {
    case SOURCE_ASYNC:
        handle_event(request.record);
        return 0;
    case SOURCE_DRIVER:
    case SOURCE_SYNC:
        return 0;  // not handled; the next event is read at once
    case SOURCE_NONE:
    default:
        return 1;
    }
}

void* event_thread(void*)
{
    int last = 0;
    while (!g_settings.shutdown.load() && last >= 0) {
        last = poll_event();
        if (last != 1)
            continue;
        for (int s = 0; s < g_settings.pollInterval && !g_settings.shutdown.load(); ++s)
            sleep_ms(1000);
    }
    return nullptr;
}
