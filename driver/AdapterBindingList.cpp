#include "AdapterBindingList.h"

#include <afxwin.h>

#include <cstring>

#define OID_802_11_NETWORK_TYPE_IN_USE_VALUE 0x0D010204

namespace
{

const WCHAR kWirelessInstance[] = _T("WLAN11b1");
const size_t kWirelessInstanceLength = sizeof(kWirelessInstance) / sizeof(WCHAR) - 1;

// Exact comparison of the name's last eight characters with the wireless adapter instance; a shorter
// name never matches.
BOOL EndsWithWirelessInstance(LPCWSTR pszName, size_t nLength)
{
    if (nLength < kWirelessInstanceLength)
        return FALSE;
    return memcmp(pszName + nLength - kWirelessInstanceLength, kWirelessInstance,
                  kWirelessInstanceLength * sizeof(WCHAR)) == 0;
}

// A binding answers OID_802_11_NETWORK_TYPE_IN_USE only when it is a wireless adapter.
BOOL IsWirelessBinding(LPCWSTR pszName)
{
    W32N_ADAPTER* pAdapter = W32N_AttachAdapter(pszName);
    if (pAdapter == W32N_INVALID_ADAPTER)
        return FALSE;
    DWORD dwNetworkType = 0;
    DWORD dwLength = sizeof(dwNetworkType);
    DWORD dwNdisStatus = W32N_NDIS_STATUS_FAILURE;
    DWORD dwResult = W32N_NdisQuery(pAdapter, OID_802_11_NETWORK_TYPE_IN_USE_VALUE, &dwNetworkType, &dwLength,
                                    &dwNdisStatus);
    W32N_DetachAdapter(pAdapter);
    return dwResult == 0 && dwNdisStatus == 0;
}

} // namespace

AdapterBindingList::AdapterBindingList()
    : m_dwDriverApiVersion(0), m_dwLibraryApiVersion(0), m_hControl(INVALID_HANDLE_VALUE), m_nCount(0),
      m_nSelectedIndex(-1)
{
}

AdapterBindingList::~AdapterBindingList()
{
    CloseChannel();
}

void AdapterBindingList::CloseChannel()
{
    if (m_hControl != INVALID_HANDLE_VALUE)
    {
        W32N_CloseControlChannel(m_hControl);
        m_hControl = INVALID_HANDLE_VALUE;
    }
}

BOOL AdapterBindingList::CheckVersions()
{
    // A card arrival checks again; the channel of an earlier check is not left behind.
    CloseChannel();

    m_dwLibraryApiVersion = W32N_LibraryApiVersion();
    if (!W32N_ApiVersionsMatch(m_dwLibraryApiVersion, W32N_LIBRARY_API_VERSION))
    {
        AfxMessageBox(_T("API not compatibility!!"), MB_OK);
        return FALSE;
    }
    m_hControl = W32N_OpenControlChannel();
    if (m_hControl == INVALID_HANDLE_VALUE)
    {
        AfxMessageBox(_T("Can not open control channel!!"), MB_OK);
        return FALSE;
    }
    if (W32N_DriverApiVersion(m_hControl, &m_dwDriverApiVersion) != 0)
    {
        AfxMessageBox(_T("Driver can not fetch API!!"), MB_OK);
        CloseChannel();
        return FALSE;
    }
    if (!W32N_ApiVersionsMatch(m_dwDriverApiVersion, W32N_LIBRARY_API_VERSION))
    {
        AfxMessageBox(_T("Library API version is not compatibility!!"), MB_OK);
        CloseChannel();
        return FALSE;
    }
    return TRUE;
}

int AdapterBindingList::FillComboBox(HWND hComboBox)
{
    m_nCount = 0;
    m_nSelectedIndex = -1;
    ::SendMessageW(hComboBox, CB_RESETCONTENT, 0, 0);

    WCHAR szBindings[BINDINGS_BUFFER_SIZE / sizeof(WCHAR)];
    memset(szBindings, 0, sizeof(szBindings));
    DWORD dwReturned = 0;
    if (W32N_EnumProtocolBindings(m_hControl, szBindings, sizeof(szBindings), &dwReturned) != 0)
    {
        AfxMessageBox(_T("W32N_EnumProtocolBindings Error!!"), MB_OK);
        dwReturned = 0;
    }

    // Names are read only within what the driver returned and the buffer holds; each must end with its
    // terminator, an empty one ends the list.
    size_t nChars = (dwReturned < sizeof(szBindings) ? dwReturned : sizeof(szBindings)) / sizeof(WCHAR);
    size_t nStart = 0;
    while (nStart < nChars && szBindings[nStart] != 0)
    {
        size_t nEnd = nStart;
        while (nEnd < nChars && szBindings[nEnd] != 0)
            ++nEnd;
        if (nEnd == nChars)
            break;
        LPCWSTR pszName = szBindings + nStart;
        if (IsWirelessBinding(pszName) && EndsWithWirelessInstance(pszName, nEnd - nStart))
        {
            ::SendMessageW(hComboBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(pszName));
            ++m_nCount;
        }
        nStart = nEnd + 1;
    }

    if (m_nCount > 0)
    {
        ::SendMessageW(hComboBox, CB_SETCURSEL, 0, 0);
        m_nSelectedIndex = static_cast<int>(::SendMessageW(hComboBox, CB_GETCURSEL, 0, 0));
    }
    return 0;
}

BOOL AdapterBindingList::Release()
{
    CloseChannel();
    W32N_ReleaseProtocolDriver();
    return TRUE;
}
