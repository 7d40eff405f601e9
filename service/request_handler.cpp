#include "request_handler.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "byte_order.h"
#include "config_file.h"
#include "driver_access.h"
#include "driver_packet.h"
#include "login_check.h"
#include "ranmar.h"
#include "service_log.h"

namespace {

// The connection has logged in and the packet carries its id.
bool knownConnection(const ConnectionRecord& rec, const uint8_t* pk)
{
    return rec.userName[0] != '\0' && rec.sock.fd >= 0 &&
           wire::get16(pk, PKT_ID) == static_cast<uint16_t>(rec.sock.fd);
}

std::string peerAddress(const ConnectionRecord& rec)
{
    char address[65] = "";
    sock_peer_address(rec.sock, address, sizeof address);
    return address;
}

// The login texts; false when they do not fit the received bytes.
bool loginTexts(const uint8_t* pk, uint32_t length, std::string& user, std::string& password)
{
    const uint32_t userLen = pk[PKT_USER_LENGTH];
    const uint32_t pwLen = pk[PKT_PASSWORD_LENGTH];
    if (PKT_PAYLOAD + userLen + pwLen > length)
        return false;
    user.assign(reinterpret_cast<const char*>(pk + PKT_PAYLOAD), userLen);
    password.assign(reinterpret_cast<const char*>(pk + PKT_PAYLOAD + userLen), pwLen);
    return true;
}

// Over-long names and passwords and names with a NUL are refused.
bool saneTexts(const std::string& user, const std::string& password)
{
    return user.size() <= LOGIN_USER_MAX && password.size() <= LOGIN_PASSWORD_MAX &&
           user.find('\0') == std::string::npos;
}

// Turns the password into plain text by its encoding; false when it cannot be.
bool plainPassword(uint8_t* pk, std::string& password)
{
    switch (pk[PKT_ENCODING]) {
    case PW_PLAIN:
        break;
    case PW_SCRAMBLED: {
        const uint16_t sent = wire::get16(pk, PKT_SEED);
        wire::put16(pk, PKT_SEED, static_cast<uint16_t>(sent ^ SCRAMBLE_SEED_KEY));
        if (!unscramble_password(sent, reinterpret_cast<uint8_t*>(password.data()), password.size()))
            return false;  // seed beyond the generator's range
        break;
    }
    default:
        return false;
    }
    return password.find('\0') == std::string::npos;
}

int login(ConnectionRecord& rec, uint8_t* pk, uint32_t length)
{
    std::string user, password;
    bool fits = loginTexts(pk, length, user, password);
    unsigned char access = ACCESS_FULL;
    bool accepted = fits && saneTexts(user, password) && plainPassword(pk, password) &&
                    check_login(user.c_str(), password.c_str(), &access) == 1;
    std::fill(password.begin(), password.end(), '\0');
    if (!accepted) {
        wire::put16(pk, PKT_STATUS, STATUS_ACCESS_DENIED);
        log_warning(1, "Login denied for user %s from %s.", log_safe(fits ? user.c_str() : "").c_str(),
                    peerAddress(rec).c_str());
        return REQUEST_LOGIN_REFUSED;
    }
    wire::put16(pk, PKT_ID, access);
    wire::put16(pk, PKT_SEED, static_cast<uint16_t>(rec.sock.fd));
    std::snprintf(rec.userName, sizeof rec.userName, "%s", user.c_str());
    rec.access = access;
    log_info(1, "User %s logged in from %s.", log_safe(rec.userName).c_str(), peerAddress(rec).c_str());
    return REQUEST_GO_ON;
}

void serverId(uint8_t* pk)
{
    pk[PKT_CONTROLLER] = SERVER_VERSION_MAJOR;
    pk[PKT_READONLY] = SERVER_VERSION_MINOR;
    char name[8] = {};
    std::memcpy(name, SERVER_ID_NAME, std::strlen(SERVER_ID_NAME));
    wire::putBytes(pk, PKT_USER_LENGTH, name, sizeof name);
}

void controllerCount(uint8_t* pk)
{
    int count = 0;
    CtlResult rc = driver_controller_count(&count);
    wire::put32(pk, PKT_RESULT, rc);
    if (rc == CTL_OK)
        pk[PKT_CONTROLLER] = static_cast<uint8_t>(count);
}

}  // namespace

uint32_t packet_total_length(const uint8_t* packet) { return wire::get16(packet, PKT_LENGTH); }

int handle_request(ConnectionRecord& rec, uint8_t* pk, uint32_t length, DrvFiles* files)
{
    if (pk == nullptr || length < REMOTE_HEADER_SIZE)
        return REQUEST_GO_ON;  // nothing to answer into
    if (wire::get16(pk, PKT_MAGIC) != REMOTE_MAGIC) {
        wire::put16(pk, PKT_STATUS, STATUS_BAD_MAGIC);
        return REQUEST_GO_ON;
    }
    wire::put16(pk, PKT_STATUS, STATUS_OK);
    const uint16_t command = wire::get16(pk, PKT_COMMAND);
    if (command == CMD_LOGIN)
        return login(rec, pk, length);

    const bool known = knownConnection(rec, pk);
    switch (command) {
    case CMD_LOGOUT:
        if (!known)
            wire::put16(pk, PKT_STATUS, STATUS_BAD_CONNECTION);
        rec.logout = true;
        return REQUEST_LOGOUT;
    case CMD_CONTROLLER_COUNT:
    case CMD_SERVER_ID:
    case CMD_DRIVER_REQUEST:
    case CMD_WRITE_ACCESS:
        break;
    default:
        wire::put16(pk, PKT_STATUS, STATUS_UNKNOWN_COMMAND);
        return REQUEST_GO_ON;
    }
    if (!known) {
        wire::put16(pk, PKT_STATUS, STATUS_BAD_CONNECTION);
        return REQUEST_GO_ON;
    }
    switch (command) {
    case CMD_CONTROLLER_COUNT:
        controllerCount(pk);
        break;
    case CMD_SERVER_ID:
        serverId(pk);
        break;
    case CMD_DRIVER_REQUEST:
        wire::put16(pk, PKT_STATUS, serve_driver_request(rec.access, pk, length, files));
        break;
    case CMD_WRITE_ACCESS:
        if (rec.access != ACCESS_FULL)
            wire::put16(pk, PKT_STATUS, STATUS_ACCESS_DENIED);
        break;
    }
    return REQUEST_GO_ON;
}
