#include "host_cluster_control.h"

#include "driver.h"
#include "text_util.h"

namespace kzmsim {

bool parseHostCluster(const std::vector<std::string>& w, const std::string&, ControlAction& a)
{
    uint64_t entry, drive, type, owner;
    if (w.size() != 5 || !parseNumber(w[1], 255, entry) || !parseNumber(w[2], 254, drive) ||
        !parseNumber(w[3], 255, type) || !parseNumber(w[4], 0xFFFFFFFFu, owner))
        return false;
    a = [entry, drive, type, owner](Driver& d) {
        ControllerFirmware* fw = d.firmware(static_cast<int>(entry));
        if (!fw)
            return false;
        auto table = fw->hostTables.find(static_cast<uint32_t>(drive));
        if (table == fw->hostTables.end() || table->second.entries.empty())
            return false;
        table->second.clusterType = static_cast<uint8_t>(type);
        table->second.owner = static_cast<uint32_t>(owner);
        return true;
    };
    return true;
}

}  // namespace kzmsim
