#include "console_state.h"

#include <cstring>

#include "host_system.h"
#include "local_module.h"

namespace {

ConsoleOptions options;
int setupMode = expressSetup;
CHostSystem* machine = nullptr;
int localMachine = 0;
int lineMode = 25;
char brand[6] = {};
char company[48] = {};

constexpr char builtInBrand[6] = "Tarvo";
constexpr char builtInCompany[] = "Example RAID Systems (example.com)";
static_assert(sizeof builtInCompany <= sizeof company);

// Line modes in their F9 order, with their video mode codes.
constexpr struct {
    int lines;
    int scanLines;
    int font;
} lineModes[] = {{25, 2, 0x14}, {28, 2, 0x11}, {43, 1, 0x12}, {50, 2, 0x12}};

}  // namespace

ConsoleOptions& Options()
{
    return options;
}

int SetupMode()
{
    return setupMode;
}

void SetSetupMode(int mode)
{
    setupMode = mode;
}

CHostSystem* CurrentMachine()
{
    return machine;
}

void SetCurrentMachine(CHostSystem* chosen)
{
    machine = chosen;
    localMachine = chosen && std::strcmp(chosen->name, LOCAL_INTERFACE_NAME) == 0 ? 1 : 0;
}

int LocalMachineFlag()
{
    return localMachine;
}

int ScreenLineMode()
{
    return lineMode;
}

void SetScreenLines(int lines)
{
    lineMode = lines;
    for (const auto& m : lineModes)
        if (m.lines == lines)
            SetVideoMode(m.scanLines, m.font);
}

int NextScreenLines(int lines)
{
    constexpr int count = sizeof lineModes / sizeof lineModes[0];
    for (int i = 0; i + 1 < count; ++i)
        if (lineModes[i].lines == lines)
            return lineModes[i + 1].lines;
    return lineModes[0].lines;
}

void SetVideoMode(int, int)
{
}

void InitProductTexts()
{
    std::memcpy(brand, builtInBrand, sizeof brand);
    std::memcpy(company, builtInCompany, sizeof builtInCompany);
}

const char* BrandText()
{
    return brand;
}

int BuiltInBrand()
{
    return std::memcmp(brand, builtInBrand, sizeof brand) == 0 ? 1 : 0;
}

const char* CompanyNameText()
{
    return company;
}
