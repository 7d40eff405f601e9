// The " Advanced Cache Settings " menu: the controller's cache tuning
// parameters as 19 values, their conversions from and to the cache
// parameter record, and the value input of one parameter.
#include <cstdint>
#include <cstring>

#include "byte_order.h"
#include "closing_scope.h"
#include "controller.h"
#include "controller_screens.h"
#include "console_state.h"
#include "decimal_text.h"
#include "dialog_menu.h"
#include "error_message.h"
#include "input_box.h"
#include "key_codes.h"
#include "message_boxes.h"
#include "message_catalog.h"

namespace {

enum class Field { flag, word, microseconds };

// The view's values in menu order: name, record offset, conversion and
// the allowed values of the input prompt.
struct CacheParameter {
    const char* name;
    size_t offset;
    Field field;
    const char* allowed;
};
constexpr CacheParameter parameters[cacheViewCount] = {
    {"DO_EVENT_HIT", 8, Field::flag, nullptr},
    {"READ_AHEAD", 9, Field::flag, nullptr},
    {"ADD_FLUSH_PROCS", 10, Field::flag, nullptr},
    {"USE_XOR_ENGINE", 11, Field::flag, nullptr},
    {"NUM_SETS", 12, Field::word, "(2,4,8,16): "},
    {"BLOCK_SIZE", 16, Field::word, "(2,4,8,16,32): "},
    {"PARITY_FRACTION", 20, Field::word, "(2,3,..,102): "},
    {"MAX_RD_AHD_PROCS", 24, Field::word, "(1,2,..,20): "},
    {"MIN_RD_AHD_DEPTH", 28, Field::word, "(32,64,..,512): "},
    {"MAX_RD_AHD_DEPTH", 32, Field::word, "(32,64,..,8192): "},
    {"RD_AHD_FTR", 36, Field::word, "(1,2,..,20): "},
    {"MAX_NUM_BLOCKS", 40, Field::word, "(1,2,..,128): "},
    {"FLUSH_START_RATE", 44, Field::word, "(1,2,..,20): "},
    {"MAX_TIME_F_STOPPED", 48, Field::microseconds, "(1,2,..,20): "},
    {"MAX_AGE_DIRTY_BUF", 52, Field::microseconds, "(1,2,..,1200): "},
    {"MIN_PERCENT_DIRTY", 68, Field::word, "(0,1,..,100): "},
    {"FSTRAT1_THRESHOLD", 56, Field::word, "(1,2,..,20): "},
    {"FSTRAT2_TX_LENGTH", 60, Field::word, "(1,2,..,20): "},
    {"FSTRAT2_DCNT", 64, Field::word, "(1,2,3,..,32): "},
};
constexpr uint32_t microsecondsPerSecond = 1000000;

MenuDef cacheMenu = {25, 3, 0, " Advanced Cache Settings ", nullptr,
                     {{"1.Flags      &DO_EVENT_HIT ....... (%s)", 0},
                      {"             &READ_AHEAD ......... (%s)", 1},
                      {"             &ADD_FLUSH_PROCS .... (%s)", 2},
                      {"             &USE_XOR_ENGINE ..... (%s)", 3},
                      {"2.Cache      &NUM_SETS ........... (%d)", 4},
                      {"             &BLOCK_SIZE ......... (%d)", 5},
                      {"             &PARITY_FRACTION .... (%d)", 6},
                      {"3.Read Ahead &MAX_RD_AHD_PROCS ... (%d)", 7},
                      {"             M&IN_RD_AHD_DEPTH ... (%d)", 8},
                      {"             MA&X_RD_AHD_DEPTH ... (%d)", 9},
                      {"             RD_A&HD_FTR ......... (%d)", 10},
                      {"4.Write Back MAX_NUM_B&LOCKS ..... (%d)", 11},
                      {"             &FLUSH_START_RATE ... (%d)", 12},
                      {"             MAX_&TIME_F_STOPPED . (%d)", 13},
                      {"             MAX_A&GE_DIRTY_BUF .. (%d)", 14},
                      {"             MIN_P&ERCENT_DIRTY .. (%d)", 15},
                      {"             FSTRAT1_THRESH&OLD .. (%d)", 16},
                      {"             F&STRAT2_TX_LENGTH .. (%d)", 17},
                      {"             FSTRAT2_D&CNT ....... (%d)", 18},
                      {nullptr, 0}}};
MenuDef cacheOnOffMenu = {0, 0, 0, nullptr, nullptr, {{"Off", 0}, {"On", 1}, {nullptr, 0}}};
InputDef valueInput = {1, 11, 0, "", 20};

const int defaultKeys[] = {tui::keyF(2), tui::keyF(4), -1};

// F2/F4: set 1 reset to the defaults, made active and read back.
bool LoadDefaults(CController& c, uint8_t* record)
{
    ClosingScope loading = WaitBoxScope();
    const bool ok = c.ResetCacheParameters(1) && c.ActivateCacheParameters(1) && c.GetCacheParameters(1, record);
    loading.release();
    if (!ok)
        ShowErrorCode(c.error);
    return ok;
}

// The value of the leading digits (0 when none); -1 beyond `limit`.
int64_t LeadingNumber(const char* text, int64_t limit)
{
    int64_t value = 0;
    for (const char* p = text; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > limit)
            return -1;
    }
    return value;
}

}  // namespace

void CacheParamsToView(const uint8_t* record, int* view)
{
    for (int i = 0; i < cacheViewCount; ++i) {
        const CacheParameter& p = parameters[i];
        if (p.field == Field::flag) {
            view[i] = record[p.offset] != 0 ? 1 : 0;
        } else {
            const uint32_t word = wire::get32(record, p.offset);
            view[i] = static_cast<int>(p.field == Field::microseconds ? word / microsecondsPerSecond : word);
        }
    }
}

void CacheParamsFromView(const int* view, uint8_t* record)
{
    for (int i = 0; i < cacheViewCount; ++i) {
        const CacheParameter& p = parameters[i];
        const auto value = static_cast<uint32_t>(view[i]);
        if (p.field == Field::flag)
            record[p.offset] = value != 0 ? 1 : 0;
        else
            wire::put32(record, p.offset, p.field == Field::microseconds ? value * microsecondsPerSecond : value);
    }
}

int64_t CacheParameterLimit(int id)
{
    if (id < 0 || id >= cacheViewCount || parameters[id].field == Field::flag)
        return 1;
    return parameters[id].field == Field::microseconds ? UINT32_MAX / microsecondsPerSecond : INT32_MAX;
}

int EditCacheParameter(int id, int value)
{
    if (id < 4 || id >= cacheViewCount)
        return -1;
    char prompt[64] = "New value ";
    std::strncat(prompt, parameters[id].allowed, sizeof prompt - std::strlen(prompt) - 1);
    char text[24];
    IntToDecimal(value, text);
    for (;;) {
        {
            CInputBox box(&valueInput);
            if (!box.Open(prompt, parameters[id].name))
                return -1;
            box.Edit(text);
            if (box.LastKey() == tui::keyEsc)
                return -1;
        }
        const int64_t entered = LeadingNumber(text, CacheParameterLimit(id));
        if (entered >= 0)
            return static_cast<int>(entered);
        // A value its record word cannot hold is never wrapped.
        ShowMessage(MessageText("M1052"), 1, 1);
    }
}

int AdvancedCacheSettings(CController& controller)
{
    uint8_t record[CACHE_PARAM_RECORD_SIZE] = {};
    if (!controller.GetCacheParameters(0, record)) {
        ShowErrorCode(controller.error);
        return 0;
    }
    int view[cacheViewCount];
    CacheParamsToView(record, view);
    bool changed = false;
    int current = 0;
    for (;;) {
        int result;
        {
            CTagMenu menu(&cacheMenu, 0);
            if (!menu.IsOk()) {
                ShowMessage(MessageText("M4000"), 1, 1);
                return 1;
            }
            for (int i = 0; i < cacheViewCount; ++i) {
                if (i < 4)
                    menu.SetItemText(i, cacheOnOffMenu.items[view[i]].text);
                else
                    menu.SetItemText(i, view[i]);
            }
            if (!menu.Open(nullptr, MessageText("M1025"))) {
                ShowMessage(MessageText("M4000"), 1, 1);
                return 1;
            }
            result = menu.Run(current, defaultKeys);
            if (result >= 0 && result < cacheViewCount) {
                current = result;
                if (result < 4) {
                    changed |= PickValue(&cacheOnOffMenu, &view[result]) != 0;
                } else {
                    const int entered = EditCacheParameter(result, view[result]);
                    if (entered != -1) {
                        view[result] = entered;
                        changed = true;
                    }
                }
                continue;
            }
        }
        if (result == tui::keyF(2) || result == tui::keyF(4)) {
            if (!LoadDefaults(controller, record))
                return 1;
            CacheParamsToView(record, view);
            changed = true;
            continue;
        }
        break;
    }
    if (!changed || !AskYesNo(MessageText("M3001"), 0))
        return 1;
    CacheParamsFromView(view, record);
    ClosingScope saving = WaitBoxScope();
    const bool ok = controller.SetCacheParameters(1, record) && controller.ActivateCacheParameters(1);
    saving.release();
    if (!ok)
        ShowErrorCode(controller.error);
    return 1;
}
