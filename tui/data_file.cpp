#include "data_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace tui {

namespace {
constexpr off_t blockSize = 4096;

int openError(int e)
{
    switch (e) {
    case ENOENT: return dataFile::errNotFound;
    case EACCES: return dataFile::errAccess;
    case EMFILE: return dataFile::errTooManyFiles;
    default: return dataFile::errOther;
    }
}

// Opens a path read-only for a look at it that must never wait: without
// O_NONBLOCK a named pipe with no writer blocks the open. The descriptor,
// or -1 with the error code set.
int openForLook(const char* path, int& error)
{
    int fd = path ? ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC) : -1;
    error = fd >= 0 ? 0 : openError(path ? errno : ENOENT);
    return fd;
}
}  // namespace

dataFile::~dataFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

int dataFile::fail(bool access, bool diskFull, bool seekErr)
{
    int e = errno;
    if (access && e == EACCES)
        error_ = errAccess;
    else if (diskFull && e == ENOSPC)
        error_ = errDiskFull;
    else if (seekErr && e == EINVAL)
        error_ = errSeek;
    else
        error_ = errOther;
    return -1;
}

int dataFile::open(const char* path, int modes)
{
    if (fd_ >= 0)
        close();
    if (!path) {
        error_ = errNotFound;
        return 0;
    }
    const bool readOnly = modes & modeReadOnly;
    int flags = (readOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC;
    if (modes & modeCreate)
        flags |= O_CREAT;
    if (modes & modeTruncate)
        flags |= O_TRUNC;
    int fd = ::open(path, flags, readOnly ? 0400 : 0600);
    if (fd < 0) {
        error_ = openError(errno);
        return 0;
    }
    fd_ = fd;
    modes_ = modes;
    error_ = 0;
    if ((modes & modeAppend) && lseek(fd_, 0, SEEK_END) < 0)
        fail(false, false, true);
    return 1;
}

void dataFile::close()
{
    if (fd_ < 0) {
        error_ = 0;
        return;
    }
    int r = ::close(fd_);
    fd_ = -1;  // the descriptor is gone even when close reports a failure
    error_ = r < 0 ? errOther : 0;
}

long dataFile::read(void* buffer, unsigned count)
{
    ssize_t n = ::read(fd_, buffer, count);
    if (n < 0)
        return fail(true, false, false);
    error_ = static_cast<unsigned>(n) < count ? errShortRead : 0;
    return n;
}

long dataFile::write(const void* buffer, unsigned count)
{
    ssize_t n = ::write(fd_, buffer, count);
    if (n < 0)
        return fail(true, true, false);
    error_ = static_cast<unsigned>(n) < count ? errShortWrite : 0;
    return n;
}

off_t dataFile::seek(off_t offset, int origin)
{
    static constexpr int whences[] = {SEEK_SET, SEEK_CUR, SEEK_END};
    if (origin < 0 || origin > 2) {
        error_ = errSeek;
        return -1;
    }
    const int whence = whences[origin];
    off_t r = lseek(fd_, offset, whence);
    if (r < 0)
        return fail(false, false, true);
    error_ = 0;
    return r;
}

off_t dataFile::tell()
{
    off_t r = lseek(fd_, 0, SEEK_CUR);
    if (r < 0) {
        error_ = errOther;
        return 0;
    }
    error_ = 0;
    return r;
}

off_t dataFile::length()
{
    struct stat st;
    if (fstat(fd_, &st) < 0) {
        error_ = errOther;
        return -1;
    }
    error_ = 0;
    return st.st_size;
}

int dataFile::setLength(off_t newLength)
{
    if (ftruncate(fd_, newLength) < 0) {
        fail(true, true, true);
        return 0;
    }
    error_ = 0;
    return 1;
}

bool dataFile::moveBytes(off_t from, off_t end, off_t to)
{
    char block[blockSize];
    const bool up = to > from;
    off_t remaining = end - from;
    while (remaining > 0) {
        off_t n = std::min(remaining, blockSize);
        off_t src = up ? from + remaining - n : end - remaining;
        off_t dst = src + (to - from);
        if (pread(fd_, block, n, src) != n || pwrite(fd_, block, n, dst) != n) {
            fail(true, true, false);
            return false;
        }
        remaining -= n;
    }
    return true;
}

int dataFile::insertBytes(off_t position, const void* data, unsigned count)
{
    off_t end = length();
    if (end < 0 || position < 0 || position > end)
        return error_ = errSeek, 0;
    if (!setLength(end + count) || !moveBytes(position, end, position + count))
        return 0;
    if (pwrite(fd_, data, count, position) != static_cast<ssize_t>(count)) {
        fail(true, true, false);
        return 0;
    }
    error_ = 0;
    return 1;
}

int dataFile::deleteBytes(off_t position, unsigned count)
{
    off_t end = length();
    if (end < 0 || position < 0)
        return error_ = errSeek, 0;
    if (position >= end) {
        error_ = 0;
        return 1;  // nothing to delete
    }
    if (position + static_cast<off_t>(count) >= end)
        return setLength(position);  // the range reaches the end: cut there
    if (!moveBytes(position + count, end, position))
        return 0;
    return setLength(end - count);
}

int dataFile::exists(const char* path)
{
    int fd = openForLook(path, error_);
    if (fd < 0)
        return 0;
    ::close(fd);
    return 1;
}

off_t dataFile::fileLength(const char* path)
{
    int fd = openForLook(path, error_);
    if (fd < 0)
        return -1;
    struct stat st;
    const bool known = fstat(fd, &st) == 0;
    ::close(fd);
    error_ = known ? 0 : errOther;
    return known ? st.st_size : -1;
}

int dataFile::remove(const char* path, int& error)
{
    int r = path ? std::remove(path) : -1;
    error = r == 0 ? 0 : openError(path ? errno : ENOENT);
    return r;
}

}  // namespace tui
