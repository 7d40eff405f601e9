// Save Information: the controller's report shown in " View Information "
// and written to a file.
#pragma once

class CController;

// The report of the controller viewed, then saved on request; returns 1.
int SaveInformationDialog(CController& controller);
