#include <card/wired_miniport.h>

#include <simcore/bytes.h>

#include <cstring>

namespace sim
{

WiredMiniport::WiredMiniport(std::u16string name) : m_name(std::move(name))
{
    uint32_t h = 2166136261u;
    for (char16_t c : m_name)
        h = (h ^ c) * 16777619u;
    m_mac = {0x02,
             0x50,
             0xF1,
             static_cast<uint8_t>(h >> 16),
             static_cast<uint8_t>(h >> 8),
             static_cast<uint8_t>(h)};
}

RequestResult WiredMiniport::Request(const OidRequest& r)
{
    if (r.length && !r.buffer)
        return Failed(NDIS_STATUS_INVALID_DATA);
    auto queryU32 = [&](uint32_t value)
    {
        if (r.length < 4)
            return TooShort(NDIS_STATUS_INVALID_LENGTH, 4);
        PutU32(r.buffer, value);
        return Done(4);
    };
    if (r.set)
    {
        if (r.oid != OID_GEN_CURRENT_PACKET_FILTER)
            return Failed(NDIS_STATUS_NOT_SUPPORTED);
        return r.length < 4 ? TooShort(NDIS_STATUS_INVALID_LENGTH, 4) : Done(4);
    }
    switch (r.oid)
    {
    case OID_GEN_HARDWARE_STATUS:
        return queryU32(NdisHardwareStatusReady);
    case OID_GEN_MEDIA_SUPPORTED:
    case OID_GEN_MEDIA_IN_USE:
        return queryU32(NdisMedium802_3);
    case OID_GEN_MAXIMUM_FRAME_SIZE:
        return queryU32(1500);
    case OID_GEN_MAXIMUM_TOTAL_SIZE:
        return queryU32(1514);
    case OID_GEN_LINK_SPEED:
        return queryU32(1000000); // 100 Mbit/s
    case OID_GEN_MEDIA_CONNECT_STATUS:
        return queryU32(NdisMediaStateConnected);
    case OID_GEN_VENDOR_DRIVER_VERSION:
        return queryU32(0x00010000);
    case OID_GEN_XMIT_OK:
    case OID_GEN_RCV_OK:
    case OID_GEN_XMIT_ERROR:
    case OID_GEN_RCV_ERROR:
        return queryU32(0);
    case OID_802_3_PERMANENT_ADDRESS:
    case OID_802_3_CURRENT_ADDRESS:
        if (r.length < 6)
            return TooShort(NDIS_STATUS_INVALID_LENGTH, 6);
        std::memcpy(r.buffer, m_mac.data(), 6);
        return Done(6);
    default:
        return Failed(NDIS_STATUS_NOT_SUPPORTED);
    }
}

} // namespace sim
