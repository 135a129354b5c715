#include <card/channels.h>

#include <algorithm>

namespace sim
{

uint32_t ChannelFrequency(uint32_t channel)
{
    if (channel >= 1 && channel <= 13)
        return 2407000 + 5000 * channel;
    if (channel == 14)
        return 2484000;
    return 0;
}

uint32_t FrequencyChannel(uint32_t kHz)
{
    for (uint32_t c = 1; c <= 14; ++c)
        if (ChannelFrequency(c) == kHz)
            return c;
    return 0;
}

std::vector<uint32_t> DomainChannels(uint32_t domain)
{
    uint32_t first = 1, last = 14;
    switch (domain)
    {
    case 16:
    case 32:
        last = 11;
        break;
    case 48:
        last = 13;
        break;
    case 49:
        first = 10, last = 11;
        break;
    case 50:
        first = 10, last = 13;
        break;
    default:
        break;
    }
    std::vector<uint32_t> channels;
    for (uint32_t c = first; c <= last; ++c)
        channels.push_back(c);
    return channels;
}

bool DomainAllows(uint32_t domain, uint32_t channel)
{
    auto channels = DomainChannels(domain);
    return std::find(channels.begin(), channels.end(), channel) != channels.end();
}

} // namespace sim
