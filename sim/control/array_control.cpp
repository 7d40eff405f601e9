#include "array_control.h"

#include "array_config.h"
#include "driver.h"
#include "text_util.h"

namespace kzmsim {

namespace {

constexpr uint64_t MAX_ENTRY = 255;
constexpr uint64_t MAX_ARRAY = 254;

// Reads "C A" from words 1 and 2; false when malformed.
bool entryAndArray(const std::vector<std::string>& w, uint64_t& entry, uint64_t& array)
{
    return parseNumber(w[1], MAX_ENTRY, entry) && parseNumber(w[2], MAX_ARRAY, array);
}

// The array A of entry C, or nullptr (with the reason given to the driver; the write then fails).
ArrayDrive* arrayOf(Driver& d, uint64_t entry, uint64_t array)
{
    ControllerFirmware* fw = controllerOf(d, entry);
    ArrayDrive* found = fw ? findArray(*fw, static_cast<uint32_t>(array)) : nullptr;
    if (fw && !found)
        d.refuse("entry " + std::to_string(entry) + " has no array " + std::to_string(array));
    return found;
}

}  // namespace

bool parseParityError(const std::vector<std::string>& w, const std::string&, ControlAction& a)
{
    uint64_t entry = 0, array = 0;
    if (w.size() != 3 || !entryAndArray(w, entry, array))
        return false;
    a = [entry, array](Driver& d) {
        ArrayDrive* found = arrayOf(d, entry, array);
        if (found)
            found->parityError = true;
        return found != nullptr;
    };
    return true;
}

bool parseExpandFail(const std::vector<std::string>& w, const std::string&, ControlAction& a)
{
    uint64_t entry = 0, array = 0, phase = 0;
    if (w.size() != 4 || !entryAndArray(w, entry, array) || !parseNumber(w[3], LAST_PHASE, phase) || phase == 0)
        return false;
    a = [entry, array, phase](Driver& d) {
        ArrayDrive* found = arrayOf(d, entry, array);
        if (found)
            found->failPhase = static_cast<uint8_t>(phase);
        return found != nullptr;
    };
    return true;
}

}  // namespace kzmsim
