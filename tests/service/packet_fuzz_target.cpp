// Fuzz target of the service's packet handling: one input is a mode byte and
// one received packet, which the handler answers in a heap block of exactly
// the received size, so that the sanitizers see any access past its end.
#include <cstdint>
#include <cstring>
#include <memory>

#include "byte_order.h"
#include "config_file.h"
#include "remote_packet.h"
#include "request_handler.h"
#include "service_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    settings_reset();
    g_settings.logLevel = -1;  // nothing is logged
    config_free_lists();       // no users: logins are refused without a user database
    if (size < 1 + REMOTE_HEADER_SIZE)
        return 0;  // the connection thread never hands over less than the header
    const uint8_t mode = data[0];  // bit 0 logged in, bit 1 read-only, bit 2 the right id
    const size_t length = size - 1;
    auto packet = std::make_unique<uint8_t[]>(length);
    std::memcpy(packet.get(), data + 1, length);

    ConnectionRecord rec;
    rec.sock.fd = 9;
    if (mode & 1)
        std::strcpy(rec.userName, "admin");
    rec.access = (mode >> 1) & 1;
    if (mode & 4)
        wire::put16(packet.get(), PKT_ID, 9);
    handle_request(rec, packet.get(), static_cast<uint32_t>(length));
    rec.sock.fd = -1;  // not a descriptor of ours
    return 0;
}
