// End-to-end suite base.
#include "sim_suite.h"

#include "recording_module.h"
#include "xport.h"
#include "xport_internal.h"

#include <cstdlib>
#include <sstream>

std::unique_ptr<SimMount> SimSuite::mount_;

void SimSuite::mountWith(const std::string& scenario)
{
    mount_ = std::make_unique<SimMount>(scenario);
    if (!mount_->ok())
        return;
    mount_->exportRoot();
    xport_reset();
    recordingReset();
    xport_set_module_entry(recording_module_entry);
    xport_open_local(1);
}

void SimSuite::unmount()
{
    xport_close();
    xport_reset();
    xport_set_module_entry(nullptr);
    unsetenv("KZMH_PROC_ROOT");
    mount_.reset();
}

void SimSuite::SetUp()
{
    ASSERT_TRUE(mount_ && mount_->ok()) << "the emulator did not mount";
    recording().requests.clear();
    recording().commands.clear();
}

size_t SimSuite::logSize()
{
    return mount_->log().size();
}

namespace {

LoggedRequest parseLine(const std::string& line)
{
    std::vector<std::string> f;
    std::stringstream ss(line);
    std::string field;
    while (std::getline(ss, field, '\t'))
        f.push_back(field);
    LoggedRequest r;
    if (f.size() < 11)
        return r;
    auto num = [](const std::string& s) { return static_cast<uint32_t>(std::stoul(s, nullptr, 0)); };
    r.entry = static_cast<int>(num(f[0]));
    r.code = num(f[1]);
    r.controller = num(f[2]);
    r.service = num(f[3]);
    r.opcode = num(f[4]);
    r.key = num(f[5]);
    r.target = num(f[6]);
    r.dataSize = num(f[7]);
    r.senseSize = num(f[8]);
    r.status = num(f[9]);
    for (size_t i = 0; i + 1 < f[10].size(); i += 2)
        r.record.push_back(static_cast<uint8_t>(std::stoul(f[10].substr(i, 2), nullptr, 16)));
    return r;
}

}  // namespace

std::vector<LoggedRequest> SimSuite::logFrom(size_t from)
{
    std::vector<LoggedRequest> out;
    const std::vector<std::string> lines = mount_->log();
    for (size_t i = from; i < lines.size(); ++i)
        out.push_back(parseLine(lines[i]));
    return out;
}

LoggedRequest SimSuite::lastLogged()
{
    const std::vector<std::string> lines = mount_->log();
    EXPECT_FALSE(lines.empty());
    return lines.empty() ? LoggedRequest{} : parseLine(lines.back());
}
