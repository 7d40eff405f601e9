// One exchange with a driver file: write the record, then read the reply.
#pragma once

#include "ctl_errors.h"

#include <cstddef>
#include <cstdint>

// Opens `path` for writing and writes the record, repeating while the driver
// answers EBUSY; then reopens it for reading and reads the reply once.
// `*got` receives the number of bytes read. CTLERR_ERRNO on a failed
// open, write or read.
CtlResult drvExchange(const char* path, const uint8_t* record, size_t recordSize, uint8_t* reply,
                      size_t replySize, size_t* got);
// Opens `path` for reading and closes it again; CTLERR_ERRNO when it fails.
CtlResult drvProbe(const char* path);
// Writes `size` bytes to `path` in one write (the SCSI mid-layer's file).
CtlResult drvWriteText(const char* path, const char* text, size_t size);
