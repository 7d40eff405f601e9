// The per-controller main menu in its Express and Advanced Setup variants.
#pragma once

#include <span>

class CController;

// Runs the main menu of the controller until ESC; returns 1.
int ControllerMainMenu(CController& controller);
// The M1003 status text of the controller on the current machine, the
// machine name cut with ".." so that the text fills `width` columns.
void MainMenuStatusText(const CController& controller, const char* machineName, int width, std::span<char> out);
