#include "driver_access.h"

#include <pthread.h>

#include "ctl_driver_requests.h"
#include "local_module.h"

namespace {

// One lock per controller file; controller numbers above the table go
// unlocked because the local module refuses them without touching a file.
pthread_mutex_t g_controllerLocks[LOCAL_MAX_CONTROLLERS] = {
    PTHREAD_MUTEX_INITIALIZER, PTHREAD_MUTEX_INITIALIZER, PTHREAD_MUTEX_INITIALIZER,
    PTHREAD_MUTEX_INITIALIZER, PTHREAD_MUTEX_INITIALIZER, PTHREAD_MUTEX_INITIALIZER,
    PTHREAD_MUTEX_INITIALIZER, PTHREAD_MUTEX_INITIALIZER, PTHREAD_MUTEX_INITIALIZER,
    PTHREAD_MUTEX_INITIALIZER, PTHREAD_MUTEX_INITIALIZER, PTHREAD_MUTEX_INITIALIZER,
    PTHREAD_MUTEX_INITIALIZER, PTHREAD_MUTEX_INITIALIZER, PTHREAD_MUTEX_INITIALIZER,
    PTHREAD_MUTEX_INITIALIZER, PTHREAD_MUTEX_INITIALIZER, PTHREAD_MUTEX_INITIALIZER,
    PTHREAD_MUTEX_INITIALIZER, PTHREAD_MUTEX_INITIALIZER};

// Holds the lock of a controller for one scope.
class ControllerHold {
public:
    explicit ControllerHold(uint16_t controller)
        : lock_(controller < LOCAL_MAX_CONTROLLERS ? &g_controllerLocks[controller] : nullptr)
    {
        if (lock_)
            pthread_mutex_lock(lock_);
    }
    ~ControllerHold()
    {
        if (lock_)
            pthread_mutex_unlock(lock_);
    }
    ControllerHold(const ControllerHold&) = delete;
    ControllerHold& operator=(const ControllerHold&) = delete;

private:
    pthread_mutex_t* lock_;
};

}  // namespace

CtlResult driver_request(uint16_t controller, CtlRequest* request)
{
    ControllerHold hold(controller);
    return local_request(0, controller, request);
}

CtlResult driver_controller_count(int* count)
{
    ControllerHold hold(0);  // the count travels through the first controller's file
    return local_controller_count(0, count);
}

CtlResult driver_read_event(EventRequest* request)
{
    ControllerHold hold(0);
    return ctl_read_event(0, request);
}
