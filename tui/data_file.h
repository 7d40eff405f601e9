// A thin file object that reports failures as its own error codes.
#pragma once

#include <sys/types.h>

namespace tui {

class dataFile {
public:
    // Error codes.
    static constexpr int errOther = 2048;
    static constexpr int errNoMemory = 2049;
    static constexpr int errNotFound = 2050;
    static constexpr int errTooManyFiles = 2051;
    static constexpr int errAccess = 2054;
    static constexpr int errDiskFull = 2056;
    static constexpr int errSeek = 2057;
    static constexpr int errShortWrite = 2058;
    static constexpr int errShortRead = 2059;

    // Open mode bits.
    static constexpr int modeCreate = 1;
    static constexpr int modeTruncate = 2;
    static constexpr int modeAppend = 4;  // position at the end after opening
    static constexpr int modeReadOnly = 8;

    dataFile() = default;
    // Closes the file when it is open.
    ~dataFile();
    dataFile(const dataFile&) = delete;
    dataFile& operator=(const dataFile&) = delete;

    // The error of the last operation (0: none).
    int error() const { return error_; }
    bool isOpen() const { return fd_ >= 0; }
    // Opens a file (closing one already open); 1 on success, else 0.
    int open(const char* path, int modes);
    // Closes the file.
    void close();
    // Reads up to count bytes; the bytes read or -1.
    long read(void* buffer, unsigned count);
    // Writes count bytes; the bytes written or -1.
    long write(const void* buffer, unsigned count);
    // Moves the position (origin 0 start, 1 current, 2 end; any other
    // origin fails with errSeek); the new position or -1.
    off_t seek(off_t offset, int origin);
    // The position; 0 on failure.
    off_t tell();
    // The size of the file; -1 on failure. The position stays.
    off_t length();
    // Sets the length, growing with zero bytes or cutting; 1 or 0.
    int setLength(off_t length);
    // Inserts count bytes at a position, moving the rest up; 1 or 0.
    int insertBytes(off_t position, const void* data, unsigned count);
    // Deletes count bytes at a position, moving the rest down; 1 or 0.
    int deleteBytes(off_t position, unsigned count);

    // 1 when the file opens for reading; never waits, not even on a
    // named pipe.
    int exists(const char* path);
    // The size of a file, or -1; never waits either.
    off_t fileLength(const char* path);
    // Removes a file; the error code (0 on success) goes to `error`.
    static int remove(const char* path, int& error);

private:
    // Sets the error from errno, with the codes a call knows.
    int fail(bool access, bool diskFull, bool seekErr);
    // Moves bytes [from, end) to `to` in blocks, last block first when moving up.
    bool moveBytes(off_t from, off_t end, off_t to);

    int error_ = 0;
    int fd_ = -1;
    int modes_ = 0;
};

}  // namespace tui
