// The choice of interface, machine and login that leads to a connected
// machine.
#pragma once

#include <optional>
#include <span>
#include <string>

class CSession;
class CTransport;
class CHostSystem;

// Interface, machine and login until a machine is connected (returned) or
// the user gives up (null).
CHostSystem* SelectSystem(CSession& session);
// The interface menu (none with a single interface); null for ESC.
CTransport* SelectInterface(CSession& session);
// The machine menu (none with a single machine); null for ESC.
CHostSystem* SelectMachine(CTransport& transport);
// The remote machine's name or address; none for ESC or an empty text.
std::optional<std::string> AskRemoteMachine();
// The login dialog for a machine; 1 with both texts filled, 0 for ESC.
int AskLogin(std::span<char> user, std::span<char> password, const char* machineName);
// The protocol menu: 0 TCP/IP, 1 IPX/SPX, -1 for none.
int SelectProtocol();
