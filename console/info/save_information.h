// Save Information: the controller's report shown in " View Information "
// and written to a file.
#pragma once

class CController;

// The lines the report view holds at most.
constexpr int REPORT_VIEW_LINES = 3000;

// The report of the controller viewed, then saved on request; returns 1.
int SaveInformationDialog(CController& controller);
// The line function that fills the report view while one is being built:
// a line is taken while the view has room and its text can be stored.
void AddReportLine(const char* line);
