// CController event list, log buffer, raw commands and the information
// refresh worker.
#include "controller.h"

#include "byte_order.h"
#include "ctl_commands.h"
#include "ctl_driver_requests.h"
#include "model_errors.h"
#include "xlate.h"

#include <cstring>

namespace {

constexpr uint16_t EVENT_SOURCE_ASYNC = 1;
constexpr uint16_t EVENT_SOURCE_DRIVER = 2;
constexpr uint16_t EVENT_SOURCE_SYNC = 4;
constexpr size_t EVENT_NUMBER_AT = 4;  // u16 in the event data

// Severities of the driver's events by index.
constexpr uint8_t kDriverSeverity[] = {0, 0, 0, 0, 0, 1, 1, 0, 0, 0, 1, 0, 0, 2, 2, 2};
// Severities of the controller's asynchronous events by event number.
constexpr uint8_t kAsyncSeverity[] = {
    1, 0, 0, 0, 0, 0, 0, 0, 1, 0,  // 0-9
    1, 0, 0, 0, 0, 0, 2, 0, 0, 1,  // 10-19
    2, 2, 2, 0, 2, 0, 2, 2, 0, 2,  // 20-29
    2, 2, 0, 0, 0, 0, 0, 2, 2, 2,  // 30-39
    2, 2, 2, 0, 2, 2, 1, 2, 1, 2,  // 40-49
    0, 2, 2, 0, 0, 2, 2, 2, 1, 1,  // 50-59
    1, 1, 2, 2, 0, 0, 1, 2, 2, 2,  // 60-69
    1, 0, 1, 2, 2, 0, 2, 0, 2, 0,  // 70-79
    2, 0, 2, 0, 2,                 // 80-84
};
static_assert(sizeof kAsyncSeverity == 85);

// The severity the event list gives an event.
uint32_t EventSeverity(const EventRecord& e)
{
    if (e.dataSize == 0)
        return e.severity <= EVENT_INFORMATIONAL ? e.severity : EVENT_WARNING;
    if (e.source == EVENT_SOURCE_DRIVER && e.service < sizeof kDriverSeverity)
        return kDriverSeverity[e.service];
    if (e.source == EVENT_SOURCE_SYNC)
        return EVENT_CRITICAL;
    const uint16_t number = wire::get16(e.data, EVENT_NUMBER_AT);
    if (e.source == EVENT_SOURCE_ASYNC && number < sizeof kAsyncSeverity)
        return kAsyncSeverity[number];
    return EVENT_WARNING;
}

// The model's event text buffer (one per process) and the formatter's callback that fills it.
char g_eventText[EVENT_TEXT_BUFFER_SIZE];

int PrintEventText(int count, const char* format, const uint32_t* args, const char* text)
{
    evt_print(g_eventText, sizeof g_eventText, count, format, args, text);
    return 1;
}

}  // namespace

int CController::ReadEvent(uint32_t code, ControllerEvent* event)
{
    if (event == nullptr) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    EventRequest request;
    request.code = static_cast<uint8_t>(code & 0xFF);
    request.handle = event->handle;
    request.record = event->record;
    event->word = request.code;
    error = ctl_read_event(static_cast<uint16_t>(index), &request);
    if (error != 0)
        return 0;
    event->handle = request.handle;
    event->record = request.record;
    if (request.record.source == 0)
        return 0;  // none pending
    event->word = EventSeverity(request.record);
    return 1;
}

int CController::GetEventText(const ControllerEvent* event, char* text, size_t size)
{
    // A fresh buffer each time: an event without a text entry never shows an older event's text.
    g_eventText[0] = '\0';
    const int found = event != nullptr && evt_format_text(&event->record, PrintEventText) == 1 ? 1 : 0;
    if (!found)
        g_eventText[0] = '\0';
    if (text != nullptr && size > 0) {
        std::strncpy(text, g_eventText, size - 1);
        text[size - 1] = '\0';
    }
    return found;
}

int CController::ClearEvents()
{
    EventRequest request;
    request.code = static_cast<uint8_t>(EVENT_CODE_CLEAR);
    error = ctl_read_event(static_cast<uint16_t>(index), &request);
    return error == 0 ? 1 : 0;
}

int CController::ClearLogBuffer()
{
    const auto c = static_cast<uint16_t>(index);
    error = ctl_clear_log_buffer(c);
    if (error != 0)
        return 0;
    uint8_t state[LOG_STATE_SIZE] = {};
    error = ctl_get_log_state(c, state);
    if (error != 0)
        return 0;
    logState = wire::get32(state, 0);
    error = ctl_set_log_state(c, state);
    return error == 0 ? 1 : 0;
}

int CController::ExecuteRawCommand(RawCommand* command)
{
    if (command == nullptr) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    // The command goes to this controller, whatever its record names.
    const auto c = static_cast<uint16_t>(index);
    if (command->service == RAW_SERVICE_BLOCKS && command->operation == RAW_OPERATION_READ) {
        command->blocks.controller = c;
        error = ctl_read_blocks(command->blocks);
    } else if (command->service == RAW_SERVICE_BLOCKS && command->operation == RAW_OPERATION_WRITE) {
        command->blocks.controller = c;
        error = ctl_write_blocks(command->blocks);
    } else if (command->service == RAW_SERVICE_SCSI) {
        command->scsi.controller = c;
        error = ctl_raw_scsi_command(command->scsi);
    } else {
        error = MODERR_NOT_SUPPORTED;
    }
    return error == 0 ? 1 : 0;
}

void CController::ThreadProc1(CThreadEntry& slot)
{
    RefreshLoop(slot, infoRefreshInterval, [this] { GetInfo(); });
}

int CController::SetInfoRefresh(int seconds)
{
    const int old = infoRefreshInterval;
    infoRefreshInterval = seconds;
    if (old == 0 && seconds != 0) {
        infoRefreshWorker = StartThread(CONTROLLER_INFO_WORKER, 0, 0);
        if (infoRefreshWorker < 0)
            infoRefreshInterval = 0;  // nothing runs: a later stop must not stop the other worker
        return infoRefreshWorker >= 0 ? 1 : 0;
    }
    if (old != 0 && seconds == 0)
        return StopThread(infoRefreshWorker, 1);
    return 1;
}
