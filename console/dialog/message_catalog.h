// The console's message catalog and the controller status names.
#pragma once


// 314 messages and the closing empty text.
constexpr int messageCatalogSize = 315;
constexpr int controllerStatusNameCount = 26;

// Every message as "Mnnnn,text", in lookup order.
extern const char* const MessageCatalog[messageCatalogSize];
// Status names that ShowErrorCode picks from.
extern const char* const ControllerStatusNames[controllerStatusNameCount];

// The text of the first entry whose key starts with `key` (an empty key
// gives the first entry); "???" when none does. Never null.
const char* MessageText(const char* key);

