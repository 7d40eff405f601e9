#include "request_handler.h"

#include "byte_order.h"

uint32_t packet_total_length(const uint8_t* packet) { return wire::get16(packet, 0); }

int handle_request(ConnectionRecord& /*rec*/, uint8_t* packet, uint32_t length)
{
    if (length < PACKET_MIN_SIZE)
        return 0;
    if (wire::get16(packet, 2) != PACKET_MAGIC) {
        wire::put16(packet, 6, PACKET_STATUS_BAD_MAGIC);
        return 0;
    }
    // Commands are served by the protocol server; until then every command
    // is answered as not served.
    wire::put16(packet, 6, PACKET_STATUS_NOT_SERVED);
    return 0;
}
