// Runs the real dulm, detached, in private mount, network and host name
// namespaces made for one test: test copies of /etc files, a datagram
// listener standing for /dev/log, loopback up, output to files. A test may
// run another starting command in its place, with a process namespace and a
// writable /etc of the sandbox's own.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

// One system-log record as the listener received it.
struct LogRecord {
    int severity = -1;  // 3 err, 4 warning, 6 info
    int pid = 0;
    std::string text;
};

// The severities of the records the service writes.
inline constexpr int LOG_ERR_SEVERITY = 3, LOG_WARNING_SEVERITY = 4, LOG_INFO_SEVERITY = 6;

class DaemonSandbox {
public:
    DaemonSandbox();
    ~DaemonSandbox();
    DaemonSandbox(const DaemonSandbox&) = delete;
    DaemonSandbox& operator=(const DaemonSandbox&) = delete;

    // Settings made before start().
    std::string config = "user admin access full\n";  // the configuration file's text
    std::string hostName = "raidhost";                  // the namespace's host name
    std::string hosts = "127.0.0.1 localhost\n127.0.1.1 raidhost\n";
    std::string passwd = "root:x:0:0:root:/root:/bin/sh\nadmin:x:1000:1000::/home/admin:/bin/sh\n";
    std::string group = "root:x:0:\nadmin:x:1000:\n";
    std::string shadow = "root:*:19000:0:99999:7:::\nadmin:*:19000:0:99999:7:::\n";
    std::string procRoot;                               // KZMH_PROC_ROOT for the service; empty: none
    bool occupyServicePort = false;                     // a listener of the sandbox holds port 11798
    // /etc becomes a writable copy of the machine's, private to the sandbox,
    // with the files above (and gshadow) in it; /var/log, /var/mail and /home
    // start empty. Without it the files above are bound over the machine's.
    bool privateEtc = false;
    std::string gshadow;                                // with privateEtc: /etc/gshadow
    std::string input;                                  // the starting command's standard input; empty: none
    // The sandbox's processes get a process namespace of their own, with its
    // own /proc: nothing run inside can see or signal the machine's
    // processes. Process ids are then the namespace's (log records,
    // reaped()); servicePid() and signalService() serve sandboxes without it.
    bool privatePids = false;

    // Starts dulm with the given arguments (the configuration file comes
    // first as -f unless withConfigOption is false). False when the sandbox
    // could not be made.
    bool start(const std::vector<std::string>& args = {}, bool withConfigOption = true);
    // Runs the command (an absolute path and its arguments) in place of dulm
    // as the starting command; a service it detaches is the sandbox's service.
    bool startCommand(const std::vector<std::string>& command);
    // Exit status of the foreground process (the one that detaches); -1 on time-out.
    int foregroundExit(std::chrono::milliseconds bound = std::chrono::seconds(10));
    // Waits until the detached service has ended: its exit status, or -1 on time-out.
    int serviceExit(std::chrono::milliseconds bound = std::chrono::seconds(10));
    // The detached service's process id, from its log records (0 when none yet).
    int servicePid(std::chrono::milliseconds bound = std::chrono::seconds(10));
    // The wait status of every process of the sandbox that has ended after
    // its parent (the detached service among them), by process id.
    std::map<int, int> reaped();
    // Every record received so far.
    std::vector<LogRecord> records();
    // Waits for a record with the given text; true when it came.
    bool waitForRecord(const std::string& text, std::chrono::milliseconds bound = std::chrono::seconds(10));
    // A TCP connection from the given loopback address to the service port, in the sandbox's network; -1 on failure.
    int connectFrom(const std::string& source, std::chrono::milliseconds bound = std::chrono::seconds(10));
    // Runs fn on a thread that has entered the sandbox's network; false when it could not.
    bool inNetwork(const std::function<void()>& fn, std::chrono::milliseconds bound = std::chrono::seconds(10));
    // Sends a signal to the detached service.
    bool signalService(int sig);
    // The service's standard error and output files.
    std::string standardError() const;
    std::string standardOutput() const;
    // The process that holds the sandbox's namespaces (for nsenter -t); -1 before start().
    pid_t namespaceHolder() const { return holder_; }
    // Path of a file in the sandbox directory.
    std::string path(const std::string& name) const { return dir_ + "/" + name; }

private:
    bool launch(std::vector<std::string> argStrings);
    void drain();
    void readStatus();

    std::string dir_;
    int logFd_ = -1;
    int nsFd_ = -1;
    pid_t holder_ = -1;
    bool holderDone_ = false;
    int fgStatus_ = -1;
    int svcPid_ = 0;
    int svcStatus_ = -1;
    bool svcEnded_ = false;
    std::vector<LogRecord> records_;
    std::map<int, int> reaped_;
};

// Decoded exit code of a wait status (128 + signal for a signal).
int exitCodeOf(int status);
// True when the service answers a packet with a wrong magic on the connection
// with status 3, which shows the connection is being served.
bool answersPacket(int fd);
