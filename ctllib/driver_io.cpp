// File operations on the driver's files.
#include "driver_io.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Pause between two tries of a write the driver refused as busy.
void busyPause()
{
    timespec ts{0, 1000 * 1000};
    nanosleep(&ts, nullptr);
}

}  // namespace

CtlResult drvOpenWrite(const char* path, DrvFiles& files)
{
    drvCloseFiles(files);
    files.writeFd = open(path, O_WRONLY | O_CLOEXEC);
    return files.writeFd < 0 ? ctlErrno(errno) : CTL_OK;
}

void drvCloseFiles(DrvFiles& files)
{
    if (files.writeFd >= 0)
        close(files.writeFd);
    if (files.readFd >= 0)
        close(files.readFd);
    files.writeFd = -1;
    files.readFd = -1;
}

CtlResult drvExchange(const char* path, const uint8_t* record, size_t recordSize, uint8_t* reply,
                      size_t replySize, size_t* got, DrvFiles* files)
{
    *got = 0;
    int fd = -1;
    if (files != nullptr && files->writeFd >= 0) {
        fd = files->writeFd;  // opened by the caller beforehand; closed here as usual
        files->writeFd = -1;
    } else {
        fd = open(path, O_WRONLY | O_CLOEXEC);
        if (fd < 0)
            return ctlErrno(errno);
    }
    ssize_t n;
    while ((n = write(fd, record, recordSize)) < 0 && errno == EBUSY)
        busyPause();  // the driver takes the record once it is free again
    int writeErr = n < 0 ? errno : 0;
    close(fd);
    if (writeErr != 0)
        return ctlErrno(writeErr);

    fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return ctlErrno(errno);
    n = read(fd, reply, replySize);
    int readErr = n < 0 ? errno : 0;
    if (readErr != 0 || files == nullptr)
        close(fd);
    else {
        if (files->readFd >= 0)
            close(files->readFd);  // one left from an earlier exchange
        files->readFd = fd;  // the caller closes it when it suits it
    }
    if (readErr != 0)
        return ctlErrno(readErr);
    *got = static_cast<size_t>(n);
    return CTL_OK;
}

CtlResult drvProbe(const char* path)
{
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return ctlErrno(errno);
    close(fd);
    return CTL_OK;
}

CtlResult drvWriteText(const char* path, const char* text, size_t size)
{
    int fd = open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return ctlErrno(errno);
    ssize_t n = write(fd, text, size);
    int err = n < 0 ? errno : 0;
    close(fd);
    return err != 0 ? ctlErrno(err) : CTL_OK;
}
