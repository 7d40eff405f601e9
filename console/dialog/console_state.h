// The console's process-wide state that every screen reads: the option
// flags of the command line, the setup mode of the main menu, the machine
// chosen, the screen line mode, and the product texts.
#pragma once

#include "dialog_records.h"

class CHostSystem;

// The expert features and the administrator mode, each set by its switch.
struct ConsoleOptions {
    int administrator = 0;  // extra columns and functions
    int lock = 0;
    int partition = 0;
    int cache = 0;
    int destructive = 0;
    int recalculate = 0;
    int rpupgrade = 0;
    int arrayresize = 0;
};

// The option flags (all 0 until the command line sets them).
ConsoleOptions& Options();

// Main menu variant: 0 Express Setup, 1 Advanced Setup.
constexpr int expressSetup = 0;
constexpr int advancedSetup = 1;
int SetupMode();
void SetSetupMode(int mode);

// The machine chosen last (null before the first choice).
CHostSystem* CurrentMachine();
// Makes the machine current and sets the local-machine flag by its name.
void SetCurrentMachine(CHostSystem* machine);
// 1 when the current machine is the local one ("Local_Sys").
int LocalMachineFlag();

// The screen line mode: 25, 28, 43 or 50.
int ScreenLineMode();
// Stores the line mode and switches the video mode for the four known ones.
void SetScreenLines(int lines);
// The line mode that follows a mode (25, 28, 43, 50, then 25 again).
int NextScreenLines(int lines);
// Hook for a text video mode change; a terminal has none, so nothing happens.
void SetVideoMode(int scanLines, int font);

// Copies the built-in brand and company name into their texts.
void InitProductTexts();
// The brand text (6 bytes) and the company name text.
const char* BrandText();
// 1 while the brand text is the built-in brand (all 6 bytes compared).
int BuiltInBrand();
const char* CompanyNameText();

// A value menu one dialog level deeper, started at the value's item: stores
// the chosen id and returns 1 when it differs from the value, else 0 (also
// for ESC). A menu that cannot be built shows M4000 and returns 0.
int PickValue(MenuDef* def, int* value);
