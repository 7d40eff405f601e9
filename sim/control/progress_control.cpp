#include "progress_control.h"

#include "drive_config.h"
#include "driver.h"
#include "text_util.h"

namespace kzmsim {

namespace {

constexpr uint64_t MAX_STEP = 100;
constexpr uint64_t MAX_MS_PER_PERCENT = 3600000;

}  // namespace

bool parseProgress(const std::vector<std::string>& w, const std::string&, ControlAction& a)
{
    uint64_t n = 0;
    if (w.size() != 3 || (w[1] != "step" && w[1] != "time"))
        return false;
    const bool byTime = w[1] == "time";
    if (!parseNumber(w[2], byTime ? MAX_MS_PER_PERCENT : MAX_STEP, n) || n == 0)
        return false;
    ProgressSpeed speed;
    if (byTime)
        speed.msPerPercent = static_cast<uint32_t>(n);
    else
        speed.step = static_cast<uint32_t>(n);
    a = [speed](Driver& d) {
        for (int entry : d.entries())
            setProgressSpeed(*d.firmware(entry), speed);
        return true;
    };
    return true;
}

}  // namespace kzmsim
