// The wireless miniport's answers to NDIS requests: one handler per object (OID) in one table. The
// standard 802.11 objects answer as the card's own objects of the same meaning; the table also gives the
// list OID_GEN_SUPPORTED_LIST reports, so the two never disagree.
#pragma once

#include "card_store.h"

#include <card/card_state.h>
#include <card/request.h>

#include <simcore/faults.h>

#include <cstdint>
#include <span>

namespace sim
{

// One request being answered, with the card as it is at this instant. A handler that changes `state`
// sets `dirty`, and the miniport saves the state after it.
struct OidCall
{
    // A set first takes the traffic counters up to now into the state, so a change of what the card does
    // counts from now on.
    OidCall(const OidRequest& request, const CardStore& store, CardState state, AirSettings air,
            Faults faults, int64_t now);

    const OidRequest& request;
    const CardStore& store;
    CardState state;
    const AirSettings air;
    const Faults faults;
    const int64_t now;
    const LinkView link;
    const TrafficCounters counters;
    bool dirty = false;

    bool set() const { return request.set; }
    uint8_t* buf() const { return request.buffer; }

    // Answers to a query: the value, or the size the buffer must have.
    RequestResult QueryU32(uint32_t value) const;
    // A counter answers in 32 bits to a 4-byte buffer and in 64 bits to a larger one.
    RequestResult QueryCounter(uint64_t value) const;
    RequestResult QueryBytes(const void* data, uint32_t size,
                             NDIS_STATUS shortStatus = NDIS_STATUS_INVALID_LENGTH) const;
    // A set of one u32 that `accept` checks and `apply` stores.
    template <class Accept, class Apply> RequestResult SetU32(Accept accept, Apply apply);
    // The card looks for its network again.
    void Rescan();
};

using OidHandler = RequestResult (*)(OidCall& call);
struct OidEntry
{
    uint32_t oid;
    OidHandler handler;
};

// Every object the miniport answers, in the order of its supported list.
std::span<const OidEntry> OidTable();
// Runs the object's handler; NDIS_STATUS_NOT_SUPPORTED for an object the card does not have.
RequestResult AnswerOid(OidCall& call);

} // namespace sim
