// Error codes of the command library, the object model and the remote
// service as catalog messages.
#pragma once

#include <cstdint>
#include <string>

// The status name of a controller status (the low 16 bits, signed).
const char* ControllerStatusName(int16_t status);
// The message that ShowErrorCode shows for a code.
std::string ErrorCodeText(uint32_t code);
// Shows the code's message in an information box and waits for any key.
void ShowErrorCode(uint32_t code);
