// The TCP server's accept loop on port 11798 and the connection threads.
#pragma once

#include <chrono>
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
// Seconds within which a packet must arrive whole, from its first byte.
constexpr int PACKET_DEADLINE_SECONDS = 5;
// Seconds within which a new connection must have logged in.
constexpr int LOGIN_DEADLINE_SECONDS = 10;

// Receives until exactly count more bytes have arrived, by the deadline:
// 0, -1 receive error or deadline passed, 1 peer closed.
int recv_exact(ConnectionRecord& rec, ByteBuffer& buf, uint32_t count,
               std::chrono::steady_clock::time_point deadline);
