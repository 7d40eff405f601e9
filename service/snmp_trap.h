// SNMPv1 traps for controller events: one trap per asynchronous event to
// every configured target, UDP port 162.
#pragma once

#include <cstddef>
#include <cstdint>

#include "snmp_ber.h"

struct EventRecord;

constexpr int SNMP_TRAP_PORT = 162;
constexpr const char* TRAP_ENTERPRISE = "1.3.6.1.4.1.32473.2.121.1.1";

// Fills the trap of one event: community, enterprise, agent address, specific code from
// the severity, the time stamp and the four variables; -1 when a value is out of range.
int build_event_trap(const EventRecord& e, const char* text, uint32_t now, TrapMessage& msg);
// Builds and encodes the event's trap once, then sends it to every target in list order,
// 50 ms apart; 0, or -1 when the trap could not be built (logged once, nothing sent).
int send_event_traps(const EventRecord& e, const char* text);
// Encodes the message and sends it as one datagram to the dotted address and port; 0 or -1.
int snmp_send_trap(const char* address, int port, const TrapMessage& msg);
// Sends bytes as one datagram from a socket of its own, closed on every path; 0 or -1.
int snmp_send_datagram(const char* address, int port, const uint8_t* bytes, size_t length);
