// One exchange with a driver file: write the record, then read the reply.
#pragma once

#include "ctl_errors.h"

#include <cstddef>
#include <cstdint>

// The files of one exchange that its caller opens before it or closes after
// it, so that neither the open of the write file nor the close of the read
// file has to stand inside a section the caller holds around the exchange.
struct DrvFiles {
    int writeFd = -1;  // open for writing on the exchange's path, or -1; the exchange closes it
    int readFd = -1;   // the read file of a successful exchange, left open for the caller
};

// Opens `path` for writing into files.writeFd; CTLERR_ERRNO when it fails.
CtlResult drvOpenWrite(const char* path, DrvFiles& files);
// Closes whatever `files` still holds open.
void drvCloseFiles(DrvFiles& files);
// Opens `path` for writing (or takes files->writeFd) and writes the record,
// repeating while the driver answers EBUSY, and closes it; then reopens it
// for reading and reads the reply once. With `files`, a successful exchange
// leaves the read file open in files->readFd instead of closing it.
// `*got` receives the number of bytes read. CTLERR_ERRNO on a failed
// open, write or read.
CtlResult drvExchange(const char* path, const uint8_t* record, size_t recordSize, uint8_t* reply,
                      size_t replySize, size_t* got, DrvFiles* files = nullptr);
// Opens `path` for reading and closes it again; CTLERR_ERRNO when it fails.
CtlResult drvProbe(const char* path);
// Writes `size` bytes to `path` in one write (the SCSI mid-layer's file).
CtlResult drvWriteText(const char* path, const char* text, size_t size);
