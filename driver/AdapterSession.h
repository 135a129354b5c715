// One open adapter (the wireless miniport, opened by its binding name) and the NDIS OID requests carried
// to it through the protocol driver.
#pragma once

#include <afxwin.h>

#include <vector>

#include "W32N.h"

class AdapterSession
{
public:
    explicit AdapterSession(LPCWSTR pszAdapterName);
    virtual ~AdapterSession();

    BOOL Open(LPCWSTR pszAdapterName);
    void Close();

    // Reads an OID into the buffer. FALSE when the card is removed, the request could not be carried or
    // stayed pending past the query time-out, or the adapter is gone; otherwise TRUE with the miniport's
    // NDIS status in *pNdisStatus (which may still be a failure). *pNdisStatus is untouched on FALSE.
    // While the driver still holds a query given up after its time-out, every query fails at once without
    // reaching the driver, until that request completes or the session is closed.
    BOOL QueryCustomOID(DWORD dwOid, LPVOID pBuffer, DWORD dwLength, DWORD* pNdisStatus);
    // Writes an OID. TRUE unless no request could be created; *pNdisStatus receives the miniport's status
    // when the request was carried and is untouched otherwise, so callers preset it.
    BOOL SetCustomOID(DWORD dwOid, LPVOID pBuffer, DWORD dwLength, DWORD* pNdisStatus);

    BOOL IsOpened() const { return m_bOpened; }

    enum
    {
        QUERY_TIMEOUT_MS = 3000
    };

private:
    // A query given up after its time-out: the driver may still complete into the record and its buffer,
    // so both stay allocated until the record's event fires.
    struct AbandonedQuery
    {
        W32N_REQUEST_BLOCK* pBlock;
        std::vector<BYTE> buffer;
    };

    void FreeCurrentRequest();
    void CollectAbandoned();
    static std::vector<AbandonedQuery>& LeftPending();

    W32N_ADAPTER* m_hAdapter;
    BOOL m_bOpened;
    HANDLE m_hEvent;
    W32N_REQUEST_BLOCK* m_pCurrentRequest;
    std::vector<AbandonedQuery> m_arrAbandoned;
};
