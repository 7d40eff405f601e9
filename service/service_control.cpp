#include "service_control.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>

#include "byte_order.h"
#include "config_file.h"
#include "connection.h"
#include "ctl_commands.h"
#include "ctl_driver_requests.h"
#include "service_log.h"
#include "xport.h"

namespace {

int wakePipe[2] = {-1, -1};

// The child's end of the start-up report to the waiting parent; -1 once reported.
int startupReport = -1;
constexpr char STARTED = 'S';

// Offsets in the 84-byte board information record.
constexpr size_t BOARD_INFO_SIZE = 84;
constexpr size_t BOARD_FW_VERSION = 24;
constexpr size_t BOARD_TYPE_NAME = 32;

}  // namespace

void stop_signal_handler(int)
{
    // Only atomic stores and one write: nothing here may lock or allocate.
    int saved = errno;
    sock_cancel(g_listener);
    g_settings.shutdown.store(1);
    if (wakePipe[1] >= 0) {
        char byte = 1;
        ssize_t n = write(wakePipe[1], &byte, 1);
        (void)n;  // a full pipe already wakes every wait
    }
    errno = saved;
}

int install_stop_signals()
{
    if (wakePipe[0] < 0 && pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return -1;
    sock_set_wake_fd(wakePipe[0]);
    struct sigaction sa {};
    sa.sa_handler = stop_signal_handler;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;  // no SA_RESTART: a blocked wait returns at once
    if (sigaction(SIGINT, &sa, nullptr) != 0 || sigaction(SIGTERM, &sa, nullptr) != 0)
        return -1;
    return 0;
}

int service_detach()
{
    // A socket rather than a pipe: the report is sent without SIGPIPE should
    // the parent be gone, and closing on exec keeps it from commands.
    int report[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, report) != 0)
        return -1;
    const pid_t pid = fork();
    if (pid < 0) {
        close(report[0]);
        close(report[1]);
        return -1;
    }
    if (pid > 0) {
        // The report, or the end of the stream when the child has ended:
        // a failed start-up has already written its messages.
        close(report[1]);
        char verdict = 0;
        ssize_t n;
        while ((n = read(report[0], &verdict, 1)) < 0 && errno == EINTR) {
        }
        _exit(n == 1 && verdict == STARTED ? 0 : 1);
    }
    close(report[0]);
    startupReport = report[1];
    if (setsid() < 0)
        return -1;
    return 0;
}

void service_report_started()
{
    if (startupReport < 0)
        return;
    ssize_t n = send(startupReport, &STARTED, 1, MSG_NOSIGNAL);
    (void)n;  // a parent that is gone no longer waits
    close(startupReport);
    startupReport = -1;
    // The starting command has ended: the service lets go of its terminal,
    // so that a caller reading its output (a $(...), a remote shell) is not
    // held until the service stops. From now on it speaks through the log.
    std::fflush(nullptr);
    const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null < 0)
        return;
    for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO})
        dup2(null, fd);  // the copies stay open across exec
    if (null > STDERR_FILENO)
        close(null);
}

int auth_init() { return 0; }

int auth_exit() { return 0; }

int service_startup()
{
    install_stop_signals();
    connections_reset();
    if (xport_open_local(0) != 0) {
        std::fprintf(stderr, "Error: cannot initialize Oxa controller library.\n");
        return 1;
    }
    uint16_t version = 0;
    if (ctl_get_driver_version(0, &version) != CTL_OK) {
        std::fprintf(stderr, "Could not connect to driver!\n");
        std::fprintf(stderr, "Reason may be: driver not installed or driver incompatibility.\n");
        return 1;
    }
    sock_init();
    mutex_init(&g_connectionMutex);
    auth_init();
    log_open();
    log_info(1, "Startup.");
    log_info(3, "Driver version %d.%02d", version >> 8, version & 0xFF);

    uint16_t count = 0;
    if (ctl_get_controller_count(&count) != CTL_OK)
        count = 0;
    bool failed = false;
    if (count == 0) {
        log_error(1, "%u controller(s) found.", 0u);
        failed = true;
    } else {
        log_info(2, "%u controller(s) found.", static_cast<unsigned>(count));
    }
    for (uint16_t c = 0; c < count && !failed; ++c) {
        uint8_t board[BOARD_INFO_SIZE] = {};
        if (ctl_get_board_info(c, board) != CTL_OK) {
            log_error(1, "Could not connect to controller %u", static_cast<unsigned>(c));
            failed = true;
            break;
        }
        char typeName[BOARD_INFO_SIZE - BOARD_TYPE_NAME + 1] = {};
        wire::getBytes(board, BOARD_TYPE_NAME, typeName, sizeof typeName - 1);
        uint32_t fw = wire::get32(board, BOARD_FW_VERSION);
        log_info(3, "%s, FW version %d.%02d.%02d", log_safe(typeName).c_str(), int(fw >> 24),
                 int((fw >> 16) & 0xFF), int(fw & 0xFF));
    }
    if (failed)
        log_close();
    return failed ? 1 : 0;
}

int service_shutdown()
{
    log_info(1, "Shutdown.");
    log_close();
    auth_exit();
    config_free_lists();
    mutex_destroy(&g_connectionMutex);
    return static_cast<int>(xport_close());
}
