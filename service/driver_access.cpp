#include "driver_access.h"

#include <condition_variable>
#include <mutex>
#include <string>

#include "ctl_driver_requests.h"
#include "local_module.h"

namespace {

// Requests of other threads that the thread holding a controller carries out
// before it hands the controller to the next waiting thread. While one
// thread holds a controller, the others only queue: the holder takes the
// next queued request as soon as its own is answered, so the controller's
// file never stands idle while a woken thread is being scheduled. The bound
// keeps the holder's own reply from waiting behind the whole queue.
constexpr int HOLDER_EXTRA_TURNS = 3;

// One piece of work on a controller's file, waiting for its turn.
struct Turn {
    CtlResult (*run)(void* arg) = nullptr;
    void* arg = nullptr;
    CtlResult result = CTL_OK;
    bool done = false;   // carried out by the holder; result is set
    bool yours = false;  // the controller was handed to the waiting thread
    std::condition_variable wake;
    Turn* next = nullptr;
};

// The requests for one controller file: whether a thread holds it, and the
// waiting turns in order of arrival.
struct ControllerLine {
    std::mutex lock;
    bool held = false;
    Turn* head = nullptr;
    Turn* tail = nullptr;
};

// One line per controller file; controller numbers above the table go
// unqueued because the local module refuses them without touching a file.
ControllerLine g_lines[LOCAL_MAX_CONTROLLERS];

// The oldest waiting turn, taken off the line; nullptr when none waits.
Turn* takeNext(ControllerLine& line)
{
    Turn* t = line.head;
    if (t) {
        line.head = t->next;
        if (!line.head)
            line.tail = nullptr;
    }
    return t;
}

// Runs `run(arg)` on controller `controller`'s file with no other request of
// this process on that file in between; requests run in order of arrival.
CtlResult inTurn(uint16_t controller, CtlResult (*run)(void*), void* arg)
{
    if (controller >= LOCAL_MAX_CONTROLLERS)
        return run(arg);
    ControllerLine& line = g_lines[controller];
    Turn own;
    own.run = run;
    own.arg = arg;
    std::unique_lock<std::mutex> hold(line.lock);
    if (line.held) {
        if (line.tail)
            line.tail->next = &own;
        else
            line.head = &own;
        line.tail = &own;
        own.wake.wait(hold, [&] { return own.done || own.yours; });
        if (own.done)
            return own.result;
    }
    line.held = true;
    hold.unlock();
    own.result = run(arg);
    for (int extra = 0;; ++extra) {
        hold.lock();
        Turn* next = takeNext(line);
        if (!next) {
            line.held = false;
            return own.result;
        }
        if (extra == HOLDER_EXTRA_TURNS) {
            // The controller stays held and passes to the waiting thread.
            next->yours = true;
            next->wake.notify_one();
            return own.result;
        }
        hold.unlock();
        const CtlResult rc = next->run(next->arg);
        hold.lock();
        // Under the lock: the waiter cannot leave (and end its turn) before
        // the notification is out.
        next->result = rc;
        next->done = true;
        next->wake.notify_one();
        hold.unlock();
    }
}

// A library request for one controller, with the files of its exchange
// when the caller keeps them.
struct RequestCall {
    uint16_t controller;
    CtlRequest* request;
    DrvFiles* files;
};

CtlResult runRequest(void* arg)
{
    auto* c = static_cast<RequestCall*>(arg);
    return local_request_files(0, c->controller, c->request, c->files);
}

CtlResult runCount(void* arg) { return local_controller_count(0, static_cast<int*>(arg)); }

CtlResult runEvent(void* arg) { return ctl_read_event(0, static_cast<EventRequest*>(arg)); }

}  // namespace

CtlResult driver_request(uint16_t controller, CtlRequest* request, DrvFiles* files)
{
    if (files != nullptr) {
        drvCloseFiles(*files);
        // Opening takes a request of the driver's own: it is done before the
        // controller is taken, so the holder's time on it is only the
        // exchange. A command the module refuses, or a file that does not
        // open here, is left to the module, which answers as it always does.
        std::string path;
        if (local_command_file(controller, request, path) == CTL_OK)
            (void)drvOpenWrite(path.c_str(), *files);
    }
    RequestCall call{controller, request, files};
    return inTurn(controller, runRequest, &call);
}

CtlResult driver_controller_count(int* count)
{
    return inTurn(0, runCount, count);  // the count travels through the first controller's file
}

CtlResult driver_read_event(EventRequest* request)
{
    return inTurn(0, runEvent, request);
}
