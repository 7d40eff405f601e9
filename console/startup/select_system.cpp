#include "select_system.h"

#include <cstring>

#include "closing_scope.h"
#include "console.h"
#include "console_screen.h"
#include "console_texts.h"
#include "dialog_menu.h"
#include "dialog_screen.h"
#include "input_box.h"
#include "message_boxes.h"
#include "message_catalog.h"
#include "session.h"
#include "tcp_module.h"

namespace {

constexpr int loginFieldLength = 25;
constexpr size_t loginTitleNameLimit = 40;  // machine name characters in the login title

MenuDef interfaceMenu = {13, 5, 0, " Select interface ", " F10: Toggle colors ",
                         {{"%-30s", 0}, {"%-30s", 1}, {"%-30s", 2}, {"%-30s", 3}, {"%-30s", 4}, {nullptr, 0}}};
constexpr int interfaceMenuItems = 5;
int lastInterface = 0;

MenuDef machineMenu = {9, 5, 0, " Select machine ", nullptr, {{"%-40s", 0}, {nullptr, 0}}};

MenuDef protocolMenu = {15, 6, 0, " Select protocol ", nullptr,
                        {{" TCP/IP            ", 0}, {" IPX/SPX           ", 1}, {nullptr, 0}}};

InputDef remoteMachineInput = {15, 10, 0, "Remote machine:", 30};
InputDef loginInput = {26, 10, 0, "Remote login:", loginFieldLength};

// Rebuilds the three screen windows in the other colour set.
void ToggleColours()
{
    DestroyScreen();
    SetMonochromeFlag(!MonochromeFlag());
    CreateScreen();
}

// One text asked in the login box; 1 unless ESC ended it.
int AskLoginField(const char* prompt, const char* title, uint8_t mask, std::span<char> text)
{
    char buffer[loginFieldLength + 1] = "";
    CInputBox box(&loginInput);
    if (!box.Open(prompt, title, mask))
        return 0;
    box.Edit(buffer);
    SetRootAutoRefresh(1);
    if (box.LastKey() == tui::keyEsc)
        return 0;
    std::strncpy(text.data(), buffer, text.size() - 1);
    text[text.size() - 1] = '\0';
    return 1;
}

}  // namespace

CTransport* SelectInterface(CSession& session)
{
    const int count = session.transports.count;
    if (count == 1)
        return &session.transports[0];
    const int shown = count < interfaceMenuItems ? count : interfaceMenuItems;
    static const int keys[] = {tui::keyF(10), tui::keyF(8), -1};
    for (;;) {
        int result;
        {
            // Gone before the screen may be built again below.
            CTagMenu menu(&interfaceMenu, 1, shown);
            if (!menu.IsOk())
                return nullptr;
            for (int i = 0; i < shown; ++i)
                menu.SetItemText(i, session.transports[i].name);
            if (!menu.Open())
                return nullptr;
            result = menu.Run(lastInterface, keys);
        }
        if (result == tui::keyF(10)) {
            ToggleColours();
        } else if (result == tui::keyF(8)) {
            ShowMessage(ModuleVersionsText(), 0, 1);
        } else if (result >= 0 && result < shown) {
            lastInterface = result;
            return &session.transports[result];
        } else {
            return nullptr;
        }
    }
}

CHostSystem* SelectMachine(CTransport& transport)
{
    const int count = transport.machines.count;
    if (count == 1)
        return &transport.machines[0];
    if (count == 0)
        return nullptr;
    CTagMenu menu(&machineMenu, 1, count, 1);
    if (!menu.IsOk())
        return nullptr;
    for (int i = 0; i < count; ++i) {
        menu.SetItemText(i, transport.machines[i].name);
        if (!transport.machines[i].info.available)
            menu.DisableItem(i);
    }
    if (!menu.Open())
        return nullptr;
    const int result = menu.Run(0);
    return result >= 0 && result < count ? &transport.machines[result] : nullptr;
}

std::optional<std::string> AskRemoteMachine()
{
    char text[31] = "";
    int key;
    {
        CInputBox box(&remoteMachineInput);
        if (!box.Open("Name/Address: ", " Remote Machine "))
            return std::nullopt;
        box.Edit(text);
        key = box.LastKey();
        SetRootAutoRefresh(1);
    }
    if (key == tui::keyEsc || text[0] == '\0')
        return std::nullopt;
    return std::string(text);
}

int AskLogin(std::span<char> user, std::span<char> password, const char* machineName)
{
    std::string name(machineName, strnlen(machineName, loginTitleNameLimit));
    if (!name.empty() && static_cast<unsigned char>(name[0]) > 0x40)
        name = name.substr(0, name.find('.'));
    const std::string title = " " + name + " login ";
    if (!AskLoginField("Name: ", title.c_str(), 0, user))
        return 0;
    return AskLoginField("Password: ", title.c_str(), '*', password);
}

int SelectProtocol()
{
    CTagMenu menu(&protocolMenu, 1);
    if (!menu.IsOk() || !menu.Open())
        return -1;
    const int result = menu.Run(0);
    return result == 0 || result == 1 ? result : -1;
}

CHostSystem* SelectSystem(CSession& session)
{
    bool firstInterface = true;
    for (;;) {
        CTransport* transport = SelectInterface(session);
        if (!transport)
            return nullptr;
        firstInterface = transport == &session.transports[0];
        const bool remote = std::strcmp(transport->name, TCP_MODULE_NAME) == 0;
        std::string remoteName;
        if (remote) {
            auto entered = AskRemoteMachine();
            if (!entered)
                continue;
            remoteName = *entered;
        }
        ClosingScope listing;
        if (!firstInterface) {
            ShowWaitBox(MessageText("M2020"), 0);
            listing = ClosingScope(CloseWaitBox);
        }
        const int listed = transport->EnumHostSystems(remote ? remoteName.c_str() : nullptr);
        listing.release();
        if (!listed || transport->machines.count == 0) {
            if (!firstInterface) {
                if (AskYesNo(MessageText("M3100"), 0))
                    continue;
                break;
            }
            ShowMessage(MessageText("M0006"), 0, 1);
            if (session.transports.count == 1)
                return nullptr;
            continue;  // never an empty machine menu
        }
        CHostSystem* machine = remote ? &transport->machines[0] : SelectMachine(*transport);
        if (!machine)
            continue;
        bool connected = false;
        if (!machine->info.loginRequired) {
            connected = machine->Connect() != 0;
        } else {
            for (;;) {
                char user[loginFieldLength + 1] = "";
                char password[loginFieldLength + 1] = "";
                if (!AskLogin(user, password, machine->name))
                    break;
                connected = machine->Login(user, password) != 0;
                std::memset(password, 0, sizeof password);
                if (connected || !AskYesNo(MessageText("M3101"), 0))
                    break;
            }
        }
        if (connected)
            return machine;
        if (firstInterface) {
            ShowMessage(MessageText("M0006"), 0, 1);
            if (session.transports.count == 1)
                break;
            continue;
        }
        if (!AskYesNo(MessageText("M3102"), 0))
            break;
    }
    if (!firstInterface)
        ShowMessage(MessageText("M5050"), 0, 1);
    return nullptr;
}
