// Wire codec of the controller event record.
#include "byte_order.h"
#include "ctl_driver_records.h"

#include <cstring>

void eventEncode(const EventRecord& e, uint8_t* out)
{
    std::memset(out, 0, EVENT_RECORD_WIRE_SIZE);
    wire::put32(out, 0, e.time);
    wire::put32(out, 4, e.time2);
    wire::put16(out, 8, e.count);
    wire::put16(out, 10, e.source);
    wire::put16(out, 12, e.service);
    wire::put16(out, 16, e.dataSize);
    wire::putBytes(out, 18, e.data, EVENT_DATA_SIZE);
    wire::put32(out, 34, e.severity);
    wire::putBytes(out, 38, e.text, strnlen(e.text, EVENT_TEXT_SIZE));
}

void eventDecode(const uint8_t* in, EventRecord& e)
{
    e.time = wire::get32(in, 0);
    e.time2 = wire::get32(in, 4);
    e.count = wire::get16(in, 8);
    e.source = wire::get16(in, 10);
    e.service = wire::get16(in, 12);
    e.dataSize = wire::get16(in, 16);
    wire::getBytes(in, 18, e.data, EVENT_DATA_SIZE);
    e.severity = wire::get32(in, 34);
    wire::getBytes(in, 38, e.text, EVENT_TEXT_SIZE);
    e.text[EVENT_TEXT_SIZE] = '\0';
}
