// A plain wired adapter beside the card (the handheld's USB network link): always present and connected,
// it answers the general and 802.3 objects and none of the 802.11 ones.
#pragma once

#include <card/request.h>

#include <array>
#include <string>

namespace sim
{

class WiredMiniport
{
public:
    explicit WiredMiniport(std::u16string name);
    RequestResult Request(const OidRequest& request);
    const std::array<uint8_t, 6>& mac() const { return m_mac; }

private:
    std::u16string m_name;
    std::array<uint8_t, 6> m_mac{};
};

} // namespace sim
