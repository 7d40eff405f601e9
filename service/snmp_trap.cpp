#include "snmp_trap.h"

#include <ctime>
#include <cstdio>

#include <ctl_driver_records.h>
#include <byte_order.h>

#include "config_file.h"
#include "events.h"
#include "net_socket.h"
#include "service_log.h"
#include "service_settings.h"

namespace {

constexpr uint32_t TRAP_BUFFER_SIZE = 1024;
constexpr int TRAP_TARGET_GAP_MS = 50;

constexpr const char* VAR_CONTROLLER = "1.3.6.1.4.1.32473.2.121.1.1.10.1";
constexpr const char* VAR_EVENT = "1.3.6.1.4.1.32473.2.121.1.1.10.2";
constexpr const char* VAR_TIME = "1.3.6.1.4.1.32473.2.121.1.1.10.3";
constexpr const char* VAR_TEXT = "1.3.6.1.4.1.32473.2.121.1.1.10.4";

// Copies a text into a message field; false when it does not fit.
template <size_t N>
bool set_text(char (&field)[N], const char* text)
{
    const int n = std::snprintf(field, N, "%s", text);
    return n >= 0 && static_cast<size_t>(n) < N;
}

}  // namespace

int build_event_trap(const EventRecord& e, const char* text, uint32_t now, TrapMessage& msg)
{
    msg = TrapMessage{};
    const int32_t controller = wire::get16(e.data, 0);
    const int32_t number = wire::get16(e.data, 4);
    if (!set_text(msg.community, g_settings.trapCommunity) || !set_text(msg.enterprise, TRAP_ENTERPRISE) ||
        !set_text(msg.agentAddress, g_settings.agentAddress))
        return -1;
    msg.specificTrap = e.severity <= 2 ? 102 - static_cast<int32_t>(e.severity) : 101;
    msg.timeStamp = now;
    msg.varBindCount = 4;
    if (varbind_integer(VAR_CONTROLLER, controller, msg.varBinds[0]) != 0 ||
        varbind_integer(VAR_EVENT, number, msg.varBinds[1]) != 0 ||
        varbind_integer(VAR_TIME, static_cast<int32_t>(now), msg.varBinds[2]) != 0 ||
        varbind_string(VAR_TEXT, text ? text : "", msg.varBinds[3]) != 0)
        return -1;
    return 0;
}

int snmp_send_datagram(const char* address, int port, const uint8_t* bytes, size_t length)
{
    NetSocket s;
    if (sock_set_address(s, address, port) != 0 || sock_create_udp(s) != 0)
        return -1;
    const int rc = sock_send_to(s, s.addr, bytes, length, nullptr);
    sock_close(s);
    return rc == 0 ? 0 : -1;
}

int snmp_send_trap(const char* address, int port, const TrapMessage& msg)
{
    ByteBuffer b;
    if (buf_create(b, TRAP_BUFFER_SIZE) != 0)
        return -1;
    int rc = snmp_encode_trap(msg, b);
    if (rc == 0)
        rc = snmp_send_datagram(address, port, b.data, b.used);
    buf_free(b);
    return rc;
}

int send_event_traps(const EventRecord& e, const char* text)
{
    // The time is read once: the time stamp and the third variable carry the same value.
    TrapMessage msg;
    ByteBuffer b;
    if (buf_create(b, TRAP_BUFFER_SIZE) != 0) {
        log_error(1, "Internal SNMP trap generation error");
        return -1;
    }
    if (build_event_trap(e, text, static_cast<uint32_t>(std::time(nullptr)), msg) != 0 ||
        snmp_encode_trap(msg, b) != 0) {
        buf_free(b);
        log_error(1, "Internal SNMP trap generation error");
        return -1;
    }
    for (const TrapTarget* t = g_targets; t; t = t->next) {
        if (t != g_targets)
            sleep_ms(TRAP_TARGET_GAP_MS);
        const int rc = snmp_send_datagram(t->address, SNMP_TRAP_PORT, b.data, b.used);
        if (rc != 0)
            log_error(1, "Error: sending SNMP trap to %s failed: %d", log_safe(t->address).c_str(), rc);
        else
            log_info(2, "SNMP trap successfully sent to %s", log_safe(t->address).c_str());
    }
    buf_free(b);
    return 0;
}
