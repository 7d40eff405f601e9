// The controller list of the current machine and the opening of a
// controller from it.
#pragma once

class CHostSystem;
class CController;
class CListBox;

// How the controller list was left.
enum class ControllerListExit { quit, toggleColours, nextLineMode };

// Runs the list of the machine's controllers until ESC, F10 or F9.
ControllerListExit RunControllerList(CHostSystem& machine);
// Writes one line per controller of the machine into the list.
void FillControllerList(CListBox& list, CHostSystem& machine);
// The features text of a controller ("C 0 1 4 5 10 " as offered).
void FeaturesText(const CController& controller, char* out, int size);
