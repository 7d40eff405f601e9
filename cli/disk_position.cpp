#include "disk_position.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

const ControllerChannel* DiskChannel(const CController& controller, const CPhysDrive& disk)
{
    const int count = std::min(controller.info.channelCount, CONTROLLER_MAX_CHANNELS);
    if (disk.channel < 0 || disk.channel >= count)
        return nullptr;
    return &controller.channels[disk.channel];
}

std::string DiskPositionText(const CController& controller, const CPhysDrive& disk)
{
    const ControllerChannel* channel = DiskChannel(controller, disk);
    if (channel == nullptr)
        return {};
    const std::string name(channel->name, strnlen(channel->name, sizeof channel->name));
    char text[64];
    if (channel->kind == CHANNEL_KIND_SATA)
        std::snprintf(text, sizeof text, "%s-%c-%d", name.c_str(), 'A' + disk.channel, disk.targetId);
    else
        std::snprintf(text, sizeof text, "%s-%d", name.c_str(), disk.targetId);
    return text;
}
