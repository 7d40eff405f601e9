// The event list viewer of the per-controller main menu: the driver's
// events in " Controller Events ", a detail box per event, saving the list
// to a text file (which then clears the events) and deleting all events.
#pragma once

#include <cstddef>

class CController;

// Runs the viewer until ESC; 1, or 0 after a failure message.
int ViewEvents(CController& controller);
// Word wrap in place: a blank at or before each `width` characters becomes
// a newline; a stretch without a blank is left unbroken.
void WrapText(char* text, size_t width);
// The text a list line shows in `room` columns: texts of room - 1
// characters or more are cut to room - 4 characters and "...".
void FitEventText(const char* text, int room, char* out, size_t size);
