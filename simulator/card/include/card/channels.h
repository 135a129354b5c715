// 2.4 GHz channels of the card and the regulatory domains that allow them.
#pragma once

#include <cstdint>
#include <vector>

namespace sim
{

// Centre frequency in kHz of channel 1..14; 0 for any other channel.
uint32_t ChannelFrequency(uint32_t channel);
// Channel 1..14 with that centre frequency, or 0.
uint32_t FrequencyChannel(uint32_t kHz);
// Channels a regulatory domain code allows: 16 and 32 channels 1-11, 48 1-13, 49 10-11, 50 10-13, others
// 1-14.
std::vector<uint32_t> DomainChannels(uint32_t domain);
bool DomainAllows(uint32_t domain, uint32_t channel);

} // namespace sim
