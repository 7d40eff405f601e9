// Admission of clients by their address: the allow and deny rules.
#pragma once

#include "connection.h"

// 0 when the peer's dotted address matches the pattern; -1 when it cannot be converted.
int match_client_rule(const ConnectionRecord& rec, const char* pattern);
// 0 admitted, 1 denied, by the configured allow and deny rules.
int check_client_address(const ConnectionRecord& rec);
