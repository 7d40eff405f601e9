// A remote console client for the benchmark's parallel clients: one
// logged-in connection to the configuration service, written from the
// packet layout, each object usable from its own thread (the library's
// TCP/IP client module keeps one connection per process).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class RemotePeer {
public:
    RemotePeer() = default;
    ~RemotePeer();
    RemotePeer(const RemotePeer&) = delete;
    RemotePeer& operator=(const RemotePeer&) = delete;

    // Connects to the service on 127.0.0.1 and logs in; false on any failure.
    bool login(const std::string& user, const std::string& password);
    // Builds the driver request packet of an IOCTL read with `size`
    // parameter bytes for a controller, for send().
    std::vector<uint8_t> ioctlRead(uint8_t controller, uint32_t key, uint16_t size) const;
    // Sends the packet and reads its whole reply into `reply`; false when
    // the connection broke.
    bool exchange(const std::vector<uint8_t>& packet, std::vector<uint8_t>& reply) const;
    // True when `reply` answers `packet` without error, carries exactly the
    // parameter bytes `expected` and leaves every other byte of the request
    // as sent (so it cannot be another connection's reply).
    static bool answers(const std::vector<uint8_t>& packet, const std::vector<uint8_t>& reply,
                        const std::vector<uint8_t>& expected);

private:
    int fd_ = -1;
    uint16_t id_ = 0;
};
