// One NDIS request as a miniport sees it, and its outcome.
#pragma once

#include <ntddndis.h>

#include <cstdint>

namespace sim
{

struct RequestResult
{
    NDIS_STATUS status = NDIS_STATUS_SUCCESS;
    uint32_t bytesDone = 0;   // written (query) or read (set)
    uint32_t bytesNeeded = 0; // when the buffer was too short
};

// A query reads the caller's buffer too (some records carry the question in their first fields); a set
// only reads it. `buffer` may be null only when `length` is 0.
struct OidRequest
{
    bool set = false;
    uint32_t oid = 0;
    uint8_t* buffer = nullptr;
    uint32_t length = 0;
};

inline RequestResult Done(uint32_t bytes)
{
    return {NDIS_STATUS_SUCCESS, bytes, 0};
}
inline RequestResult Failed(NDIS_STATUS status)
{
    return {status, 0, 0};
}
inline RequestResult TooShort(NDIS_STATUS status, uint32_t needed)
{
    return {status, 0, needed};
}

} // namespace sim
