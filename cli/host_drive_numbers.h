// Giving a host drive another number, and making one the boot drive.
#pragma once

#include "controller.h"

// Gives host drive `number` the number `newNumber` (a drive holding it gets
// the old one); 0, or -1 after the message.
int SwapHostDrive(CController& controller, int number, int newNumber);
// Makes host drive `number` number 0 on controller `controllerIndex`; 0 or -1.
int SetBootDrive(CController& controller, int controllerIndex, int number);
