// The driver request record written to a controller's file and the reply
// read back from it: codes, offsets and the encoding of a controller command.
#pragma once

#include "ctl_errors.h"
#include "ctl_request.h"

#include <cstddef>
#include <cstdint>

constexpr uint32_t DRVREQ_MAGIC = 0xAFFE0004;

constexpr uint16_t DRVREQ_COMMAND = 0x4A00;
constexpr uint16_t DRVREQ_DRIVER_VERSION = 0x4A01;
constexpr uint16_t DRVREQ_CONTROLLER_TYPE = 0x4A02;
constexpr uint16_t DRVREQ_OS_VERSION = 0x4A03;
constexpr uint16_t DRVREQ_CONTROLLER_COUNT = 0x4A05;
constexpr uint16_t DRVREQ_LOCK_HOST_DRIVES = 0x4A06;
constexpr uint16_t DRVREQ_LOCK_CHANNEL = 0x4A07;
constexpr uint16_t DRVREQ_EVENT = 0x4A08;
constexpr uint16_t DRVREQ_RESCAN = 0x4A0B;

constexpr size_t DRV_RECORD_SIZE = 528;     // record without data and sense
constexpr size_t DRV_REPLY_SIZE = 408;      // reply without data and sense
constexpr size_t DRV_CODE_AREA = 12;        // code area offset in the record
constexpr size_t DRV_CODE_AREA_SIZE = 512;
constexpr size_t DRV_DATA_OFFSET = 524;     // data area of a command in the record
constexpr size_t DRV_REPLY_STATUS = 4;      // status word in the reply
constexpr size_t DRV_REPLY_DATA = 8;        // answer / data area in the reply
constexpr uint16_t DRV_TIMEOUT = 30;

// Largest data plus sense area one command may carry (1 MiB, 2048 blocks).
// Anything larger is refused before memory is allocated.
constexpr uint64_t CTL_MAX_TRANSFER = 1u << 20;

// Where the data and sense of a command come from and go back to.
struct CommandAreas {
    uint32_t dataSize = 0;
    uint32_t senseSize = 0;
    void* data = nullptr;
    void* sense = nullptr;
};

// Works out the data and sense areas of command `c` sent to `service`.
// CTLERR_NOT_SERVED for a service the driver does not take, CTLERR_BAD_ARGUMENT
// for a size above CTL_MAX_TRANSFER or a missing buffer.
CtlResult drvCommandAreas(const CtlCommand& c, uint8_t service, CommandAreas& out);
// Writes magic, code, controller, service and time-out into a zeroed record.
void drvPutHeader(uint8_t* record, uint16_t code, uint16_t controller, uint16_t service);
// Copies the command's fields into the record's code area (addresses not copied).
void drvPutCommand(uint8_t* record, const CtlCommand& c, uint8_t service);
