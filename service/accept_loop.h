// The TCP server's accept loop on port 11798 and the connection threads.
#pragma once

#include <cstdint>

#include "byte_buffer.h"
#include "connection.h"

// How the accept loop ended.
constexpr int ACCEPT_STOPPED = 0;  // the stop signal cancelled the listener
constexpr int ACCEPT_FAILED = -1;  // listening, waiting or accepting failed (logged)

// Listens on the service port and accepts and admits clients until the
// listener is cancelled or fails; joins every connection thread, frees the
// list and closes the listener before it returns.
int accept_loop();
// Body of a connection thread; the argument is its ConnectionRecord.
void* connection_thread(void* arg);
// Seconds a packet may stop arriving before its connection is ended.
constexpr int PACKET_STALL_SECONDS = 5;

// Sets the stall limit (0: the default); for tests.
void set_packet_stall_limit(int seconds);
// Receives exactly count more bytes have arrived: 0, -1 receive error, 1 peer closed.
int recv_exact(ConnectionRecord& rec, ByteBuffer& buf, uint32_t count);
