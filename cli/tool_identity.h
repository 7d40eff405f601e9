// The names the tool prints and the character every option begins with.
#pragma once

constexpr char OPTION_PREFIX = '-';
constexpr const char* PROGRAM_NAME = "ostrel";
constexpr const char* PRODUCT_TITLE = "Tarvo Integrated";
