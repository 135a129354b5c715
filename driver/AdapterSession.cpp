#include "AdapterSession.h"

#include <cstring>

#include "WlanApp.h"

#define NDIS_STATUS_ADAPTER_REMOVED_VALUE 0xC0010018

namespace
{

CWlanApp* App()
{
    return static_cast<CWlanApp*>(AfxGetApp());
}

void Trace(const CString& strLine)
{
    if (CWlanApp* pApp = App())
        pApp->Trace(strLine);
}

template <class... Args> void TraceFormat(LPCWSTR pszFormat, const Args&... args)
{
    CString strLine;
    strLine.Format(pszFormat, args...);
    Trace(strLine);
}

BOOL HasCompleted(W32N_REQUEST_BLOCK* pBlock)
{
    return W32N_WaitRequest(pBlock, 0) == WAIT_OBJECT_0;
}

} // namespace

// Queries still pending when their session closed. The driver may complete into them at any time, so
// they are kept for the life of the process on purpose; the list itself is never destroyed, so that not
// even process exit frees what a late completion could still write to.
std::vector<AdapterSession::AbandonedQuery>& AdapterSession::LeftPending()
{
    static std::vector<AbandonedQuery>* s_pLeft = new std::vector<AbandonedQuery>;
    return *s_pLeft;
}

AdapterSession::AdapterSession(LPCWSTR pszAdapterName)
    : m_hAdapter(W32N_INVALID_ADAPTER), m_bOpened(FALSE), m_hEvent(NULL), m_pCurrentRequest(NULL)
{
    Open(pszAdapterName);
}

AdapterSession::~AdapterSession()
{
    if (m_bOpened)
        Close();
}

BOOL AdapterSession::Open(LPCWSTR pszAdapterName)
{
    m_hAdapter = W32N_AttachAdapter(pszAdapterName);
    if (m_hAdapter == W32N_INVALID_ADAPTER)
        return FALSE;
    m_hEvent = CreateEventW(NULL, TRUE, FALSE, NULL);
    if (m_hEvent == NULL)
    {
        W32N_DetachAdapter(m_hAdapter);
        m_hAdapter = W32N_INVALID_ADAPTER;
        return FALSE;
    }
    m_bOpened = TRUE;
    return TRUE;
}

void AdapterSession::Close()
{
    if (m_hEvent != NULL)
    {
        CloseHandle(m_hEvent);
        m_hEvent = NULL;
    }
    if (m_hAdapter != W32N_INVALID_ADAPTER)
    {
        // Unbinding makes the driver complete or cancel what it still holds of this adapter.
        W32N_DetachAdapter(m_hAdapter);
        m_hAdapter = W32N_INVALID_ADAPTER;
        W32N_ReleaseProtocolDriver();
    }
    m_bOpened = FALSE;

    CollectAbandoned();
    for (AbandonedQuery& query : m_arrAbandoned)
        LeftPending().push_back(std::move(query));
    m_arrAbandoned.clear();
}

void AdapterSession::FreeCurrentRequest()
{
    W32N_FreeRequest(m_pCurrentRequest);
    m_pCurrentRequest = NULL;
}

void AdapterSession::CollectAbandoned()
{
    for (size_t i = 0; i < m_arrAbandoned.size();)
    {
        if (HasCompleted(m_arrAbandoned[i].pBlock))
        {
            W32N_FreeRequest(m_arrAbandoned[i].pBlock);
            m_arrAbandoned.erase(m_arrAbandoned.begin() + static_cast<ptrdiff_t>(i));
        }
        else
        {
            ++i;
        }
    }
}

BOOL AdapterSession::QueryCustomOID(DWORD dwOid, LPVOID pBuffer, DWORD dwLength, DWORD* pNdisStatus)
{
    CWlanApp* pApp = App();
    if (pApp != NULL && pApp->m_bCardRemoved)
    {
        Trace(_T("QueryCustomOID: pApp->m_bCardRemoved == TRUE"));
        return FALSE;
    }
    try
    {
        TraceFormat(_T("QueryOID: 0x%08x\t"), dwOid);
        CollectAbandoned();
        if (!m_arrAbandoned.empty())
        {
            // The driver still holds a query this session gave up on: it carries one request at a time,
            // so a new one would only wait out the time-out again. Fail at once, as the time-out did.
            TraceFormat(_T(" === nIOStatus != 0 (0x%d)\r\n"), static_cast<DWORD>(WAIT_TIMEOUT));
            return FALSE;
        }
        m_pCurrentRequest = W32N_AllocRequest();
        if (m_pCurrentRequest == NULL)
            return FALSE;

        // The driver answers into a buffer owned with the request, so that a completion after the
        // time-out never writes into the caller's memory; the caller's buffer gets the answer only when
        // it arrived in time. Queries may carry input in the buffer (register addresses), so it starts
        // as a copy of the caller's.
        std::vector<BYTE> buffer(dwLength);
        if (pBuffer != NULL && dwLength != 0)
            memcpy(buffer.data(), pBuffer, dwLength);

        m_pCurrentRequest->RequestType = W32N_REQUEST_QUERY;
        m_pCurrentRequest->Oid = dwOid;
        W32N_SetRequestBuffer(m_pCurrentRequest, buffer.empty() ? NULL : buffer.data());
        m_pCurrentRequest->BufferLength = dwLength;
        m_pCurrentRequest->BytesDone = 0;
        m_pCurrentRequest->BytesNeeded = 0;

        DWORD dwResult = W32N_SubmitRequest(m_hAdapter, m_pCurrentRequest);
        BOOL bPending = dwResult == STATUS_PENDING;
        if (bPending)
        {
            dwResult = W32N_WaitRequest(m_pCurrentRequest, QUERY_TIMEOUT_MS);
            Trace(_T("STATUS_PENDING!\r\n"));
        }

        if (dwResult == 0)
        {
            DWORD dwNdisStatus = m_pCurrentRequest->NdisStatus;
            *pNdisStatus = dwNdisStatus;
            if (pBuffer != NULL && dwLength != 0)
                memcpy(pBuffer, buffer.data(), dwLength);
            if (dwNdisStatus != 0)
                TraceFormat(_T("NdisStatus:0x%08x\r\n"), dwNdisStatus);
            FreeCurrentRequest();
            Trace(_T("...ok\r\n"));
            return dwNdisStatus == NDIS_STATUS_ADAPTER_REMOVED_VALUE ? FALSE : TRUE;
        }

        TraceFormat(_T(" === nIOStatus != 0 (0x%d)\r\n"), dwResult);
        if (bPending)
        {
            // Given up while the driver still holds it: keep record and buffer until its event fires.
            m_arrAbandoned.push_back(AbandonedQuery{m_pCurrentRequest, std::move(buffer)});
            m_pCurrentRequest = NULL;
        }
        else
        {
            FreeCurrentRequest();
        }
        return FALSE;
    }
    catch (...)
    {
        TraceFormat(_T(">>> exception occurs <<<  (0x%08x)\r\n"), dwOid);
        // Only a record that is still the session's is freed; one handed to the abandoned list is not.
        if (m_pCurrentRequest != NULL)
            FreeCurrentRequest();
        return FALSE;
    }
}

BOOL AdapterSession::SetCustomOID(DWORD dwOid, LPVOID pBuffer, DWORD dwLength, DWORD* pNdisStatus)
{
    m_pCurrentRequest = W32N_AllocRequest();
    if (m_pCurrentRequest == NULL)
        return FALSE;
    m_pCurrentRequest->RequestType = W32N_REQUEST_SET;
    m_pCurrentRequest->Oid = dwOid;
    W32N_SetRequestBuffer(m_pCurrentRequest, pBuffer);
    m_pCurrentRequest->BufferLength = dwLength;
    m_pCurrentRequest->BytesDone = 0;
    m_pCurrentRequest->BytesNeeded = 0;

    DWORD dwResult = W32N_SubmitRequest(m_hAdapter, m_pCurrentRequest);
    if (dwResult == STATUS_PENDING)
        dwResult = W32N_WaitRequest(m_pCurrentRequest, INFINITE);
    if (dwResult == 0)
        *pNdisStatus = m_pCurrentRequest->NdisStatus;
    FreeCurrentRequest();
    return TRUE;
}
