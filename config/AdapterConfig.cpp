#include "AdapterConfig.h"

#include <afxwin.h>

#include <cstring>

#include "../driver/AdapterSession.h"

// ---------------------------------------------------------------------------------------------------
// Channels

ChannelFrequencyTable::ChannelFrequencyTable()
{
    memset(m_adwFrequency, 0, sizeof(m_adwFrequency));
    for (int n = 1; n <= 13; n++)
        m_adwFrequency[n] = 2407000 + 5000 * n;
    m_adwFrequency[14] = 2484000;

    static const int s_anFiveGHz[] = {16, 34, 36, 38, 40, 42, 44, 46, 48, 52, 56, 60, 64, 149, 153, 157, 161};
    for (int n : s_anFiveGHz)
        m_adwFrequency[n] = 5000000 + 5000 * n;
    for (int n = 100; n <= 140; n += 4)
        m_adwFrequency[n] = 5000000 + 5000 * n;
    // The 4.9 GHz band counts its channels down from 256.
    for (int n = 240; n <= 252; n += 4)
        m_adwFrequency[n] = 5000000 - 5000 * (256 - n);
}

DWORD ChannelFrequencyTable::FrequencyOf(int nChannel) const
{
    if (nChannel < 0 || nChannel > LAST_CHANNEL)
        return 0;
    return m_adwFrequency[nChannel];
}

int ChannelFrequencyTable::ChannelOf(DWORD dwFrequency, int nFirst, int nLast) const
{
    if (dwFrequency == 0)
        return 0;
    if (nFirst < 1)
        nFirst = 1;
    if (nLast > LAST_CHANNEL)
        nLast = LAST_CHANNEL;
    for (int n = nFirst; n <= nLast; n++)
    {
        if (m_adwFrequency[n] == dwFrequency)
            return n;
    }
    return 0;
}

// ---------------------------------------------------------------------------------------------------
// Construction and the session

AdapterConfig::AdapterConfig() : m_nReserved(0), m_nSecond(0) {}

AdapterConfig::~AdapterConfig()
{
    ReleaseSession();
}

void AdapterConfig::ReleaseSession()
{
    if (m_pSession)
    {
        m_pSession->Close();
        m_pSession.reset();
    }
}

BOOL AdapterConfig::QueryOid(DWORD dwOid, void* pBuffer, DWORD dwLength)
{
    if (!m_pSession)
        return FALSE;
    // The status stays a failure unless the miniport really answered.
    DWORD dwNdisStatus = static_cast<DWORD>(NDIS_STATUS_FAILURE);
    if (!m_pSession->QueryCustomOID(dwOid, pBuffer, dwLength, &dwNdisStatus))
        return FALSE;
    return dwNdisStatus == static_cast<DWORD>(NDIS_STATUS_SUCCESS);
}

BOOL AdapterConfig::SetOid(DWORD dwOid, void* pBuffer, DWORD dwLength, BOOL* pbTaken)
{
    if (pbTaken != nullptr)
        *pbTaken = FALSE;
    if (!m_pSession)
        return FALSE;
    // SetCustomOID reports TRUE also for a set it could not submit; only the status tells.
    DWORD dwNdisStatus = static_cast<DWORD>(NDIS_STATUS_FAILURE);
    BOOL bTaken = m_pSession->SetCustomOID(dwOid, pBuffer, dwLength, &dwNdisStatus);
    if (pbTaken != nullptr)
        *pbTaken = bTaken;
    return bTaken && dwNdisStatus == static_cast<DWORD>(NDIS_STATUS_SUCCESS);
}

BOOL AdapterConfig::SetThenQueryOid(DWORD dwOid, void* pBuffer, DWORD dwLength)
{
    if (!SetOid(dwOid, pBuffer, dwLength))
        return FALSE;
    return QueryOid(dwOid, pBuffer, dwLength);
}

// ---------------------------------------------------------------------------------------------------
// Default operations: success, outputs untouched

BOOL AdapterConfig::GetInfoBlock(BYTE*)
{
    return TRUE;
}

void AdapterConfig::Noop() {}

BOOL AdapterConfig::GetDeviceState(DWORD*)
{
    return TRUE;
}

BOOL AdapterConfig::GetEepromWord19(WORD*)
{
    return TRUE;
}

BOOL AdapterConfig::GetMacStatusBit(int*)
{
    return TRUE;
}

BOOL AdapterConfig::GetDeviceType(int*)
{
    return TRUE;
}

BOOL AdapterConfig::GetDisconnectState(CString&, int*)
{
    return TRUE;
}

BOOL AdapterConfig::GetMediaConnectStatus(int*)
{
    return TRUE;
}

BOOL AdapterConfig::GetBssid(CString&)
{
    return TRUE;
}

BOOL AdapterConfig::GetBssidRaw(BYTE*)
{
    return TRUE;
}

BOOL AdapterConfig::SetBssid(const BYTE*)
{
    return TRUE;
}

BOOL AdapterConfig::GetSsid(CString&)
{
    return TRUE;
}

int AdapterConfig::GetBssType(int*)
{
    return TRUE;
}

BOOL AdapterConfig::SetBssType(int)
{
    return TRUE;
}

BOOL AdapterConfig::GetRate(int*)
{
    return TRUE;
}

BOOL AdapterConfig::GetTxRateText(CString&)
{
    return TRUE;
}

BOOL AdapterConfig::GetSupportedRates(DWORD*)
{
    return TRUE;
}

BOOL AdapterConfig::SetRate(int)
{
    return TRUE;
}

BOOL AdapterConfig::SetIbssChannel(RadioConfiguration, int, DWORD)
{
    return TRUE;
}

BOOL AdapterConfig::GetSignalStrength(int*)
{
    return TRUE;
}

BOOL AdapterConfig::GetLinkQuality(int*)
{
    return TRUE;
}

BOOL AdapterConfig::Disassociate()
{
    return TRUE;
}

BOOL AdapterConfig::SetOid510(DWORD)
{
    return TRUE;
}

BOOL AdapterConfig::SetPowerMode(int)
{
    return TRUE;
}

BOOL AdapterConfig::GetPowerMode(int*)
{
    return TRUE;
}

BOOL AdapterConfig::SetPreambleType(DWORD)
{
    return TRUE;
}

BOOL AdapterConfig::GetPreambleType(DWORD*)
{
    return TRUE;
}

BOOL AdapterConfig::SetFragThreshold(DWORD)
{
    return TRUE;
}

BOOL AdapterConfig::GetFragThreshold(DWORD*)
{
    return TRUE;
}

BOOL AdapterConfig::SetRtsThreshold(DWORD)
{
    return TRUE;
}

BOOL AdapterConfig::GetRtsThreshold(DWORD*)
{
    return TRUE;
}

BOOL AdapterConfig::SetEnvironmentCondition(DWORD)
{
    return TRUE;
}

BOOL AdapterConfig::GetEnvironmentCondition(int*)
{
    return TRUE;
}

BOOL AdapterConfig::SetRxAntenna(int)
{
    return TRUE;
}

BOOL AdapterConfig::GetRxAntenna(int*)
{
    return TRUE;
}

BOOL AdapterConfig::GetOid50C(DWORD*)
{
    return TRUE;
}

BOOL AdapterConfig::GetBssidList(BYTE*)
{
    return TRUE;
}

BOOL AdapterConfig::StartScan()
{
    return TRUE;
}

BOOL AdapterConfig::GetAuthType(int*)
{
    return TRUE;
}

BOOL AdapterConfig::SetAuthType(int)
{
    return TRUE;
}

BOOL AdapterConfig::GetWepStatus(int*)
{
    return TRUE;
}

BOOL AdapterConfig::SetWepKey(CString, int, CString&)
{
    return TRUE;
}

BOOL AdapterConfig::SetWepKeyBytes(CString, int, CString&)
{
    return TRUE;
}

BOOL AdapterConfig::SetWepEnabled(BOOL)
{
    return TRUE;
}

BOOL AdapterConfig::SetOid505(const BYTE*)
{
    return TRUE;
}

BOOL AdapterConfig::ReadOid505(DWORD, BYTE*)
{
    return TRUE;
}

BOOL AdapterConfig::GetStatistics(ULONGLONG*, ULONGLONG*, DWORD*, DWORD*, DWORD*, DWORD*, DWORD*)
{
    return TRUE;
}

BOOL AdapterConfig::SetOid806()
{
    return TRUE;
}

BOOL AdapterConfig::SetOid50D(DWORD)
{
    return TRUE;
}

BOOL AdapterConfig::GetWlanStatistics(DWORD*, DWORD*, DWORD*, DWORD*, DWORD*, DWORD*, DWORD*, DWORD*, DWORD*,
                                      DWORD*, DWORD*, DWORD*)
{
    return TRUE;
}

BOOL AdapterConfig::GetOid805(DWORD*, DWORD*, DWORD*)
{
    return TRUE;
}

BOOL AdapterConfig::GetOid80D(DWORD*, DWORD*, DWORD*)
{
    return TRUE;
}

BOOL AdapterConfig::ReadMacRegister(DWORD, DWORD*)
{
    return TRUE;
}

BOOL AdapterConfig::WriteMacRegister(DWORD, const DWORD*)
{
    return TRUE;
}

BOOL AdapterConfig::SetOid80E(DWORD, DWORD)
{
    return TRUE;
}

BOOL AdapterConfig::GetEepromSize(WORD*)
{
    return TRUE;
}

BOOL AdapterConfig::WriteEeprom(BYTE, WORD)
{
    return TRUE;
}

BOOL AdapterConfig::ReadEeprom(BYTE, WORD*)
{
    return TRUE;
}

BOOL AdapterConfig::SetOid804(DWORD, DWORD, BOOL)
{
    return TRUE;
}

BOOL AdapterConfig::GetOid804(DWORD, BOOL)
{
    return TRUE;
}

BOOL AdapterConfig::SetOid80B()
{
    return TRUE;
}

BOOL AdapterConfig::SetOid80A()
{
    return TRUE;
}

BOOL AdapterConfig::SetOid809()
{
    return TRUE;
}

BOOL AdapterConfig::GetOid808(BYTE*)
{
    return TRUE;
}

BOOL AdapterConfig::SetOid906()
{
    return TRUE;
}

BOOL AdapterConfig::SetOid901()
{
    return TRUE;
}

BOOL AdapterConfig::SetOid807(const void*, DWORD, DWORD, DWORD)
{
    return TRUE;
}

// ---------------------------------------------------------------------------------------------------
// Operations both classes carry to the miniport

BOOL AdapterConfig::SetOid504(BOOL bFirst, BOOL bSecond)
{
    WLAN_WORD_PAIR pair = {};
    pair.dwFirst = bFirst ? 1 : 0;
    pair.dwSecond = bSecond ? 1 : 0;
    return SetRecord(OID_QN40_FEATURE_FLAGS, pair);
}

BOOL AdapterConfig::GetOid504(BOOL* pbFirst, BOOL* pbSecond)
{
    if (pbFirst == nullptr || pbSecond == nullptr)
        return FALSE;
    WLAN_WORD_PAIR pair = {};
    if (!QueryRecord(OID_QN40_FEATURE_FLAGS, pair))
        return FALSE;
    *pbFirst = pair.dwFirst != 0;
    *pbSecond = pair.dwSecond != 0;
    return TRUE;
}

BOOL AdapterConfig::ReadBBRegister(BYTE bIndex, BYTE* pbValue)
{
    if (pbValue == nullptr)
        return FALSE;
    QN40_BB_REGISTER_ACCESS access = {};
    access.Read = 1;
    access.Index = bIndex;
    if (!SetRecord(OID_QN40_BB_REGISTER, access))
    {
        AfxMessageBox(_T("Failed to set configuration"));
        return FALSE;
    }
    if (!QueryRecord(OID_QN40_BB_REGISTER, access))
    {
        AfxMessageBox(_T("Failed to read configuration"));
        return FALSE;
    }
    *pbValue = access.Value;
    return TRUE;
}

BOOL AdapterConfig::WriteBBRegister(BYTE bIndex, BYTE bValue)
{
    QN40_BB_REGISTER_ACCESS access = {};
    access.Read = 0;
    access.Index = bIndex;
    access.Value = bValue;
    if (!SetRecord(OID_QN40_BB_REGISTER, access))
    {
        AfxMessageBox(_T("Failed to set configuration"));
        return FALSE;
    }
    return TRUE;
}

// ---------------------------------------------------------------------------------------------------
// Helpers

BOOL AdapterConfig::GetMacAddress(CString& strMac)
{
    BYTE address[6] = {};
    if (!QueryOid(OID_802_3_CURRENT_ADDRESS, address, sizeof(address)))
        return FALSE;
    strMac.Format(_T("%02X-%02X-%02X-%02X-%02X-%02X"), address[0], address[1], address[2], address[3],
                  address[4], address[5]);
    return TRUE;
}

BOOL AdapterConfig::GetChannel(RadioConfiguration* pConfig, int* pnChannel)
{
    if (pConfig == nullptr || pnChannel == nullptr)
        return FALSE;
    RadioConfiguration answer = {};
    answer.Length = sizeof(RadioConfiguration);
    if (!QueryRecord(OID_QN40_CONFIGURATION, answer))
        return FALSE;
    pConfig->BeaconPeriod = answer.BeaconPeriod;
    pConfig->ATIMWindow = answer.ATIMWindow;
    pConfig->DSConfig = answer.DSConfig;
    int nChannel = m_ChannelFrequencyTable.ChannelOf(answer.DSConfig, 1, ChannelFrequencyTable::LAST_CHANNEL);
    if (nChannel != 0)
        *pnChannel = nChannel;
    return TRUE;
}

BOOL AdapterConfig::GetDriverVersion(CString& strVersion)
{
    DWORD dwVersion = 0;
    if (!QueryRecord(OID_GEN_VENDOR_DRIVER_VERSION, dwVersion))
    {
        AfxMessageBox(_T("Failed to read driver version"));
        return FALSE;
    }
    strVersion.Empty();
    strVersion.Format(_T("%d.%d"), static_cast<int>(HIWORD(dwVersion)), static_cast<int>(LOWORD(dwVersion)));
    return TRUE;
}

BOOL AdapterConfig::GetOid512(BYTE* pBuffer)
{
    if (pBuffer == nullptr)
        return FALSE;
    QN40_AP_INFO info = {};
    if (!QueryRecord(OID_QN40_AP_INFO, info))
        return FALSE;
    memcpy(pBuffer, &info, sizeof(info));
    return TRUE;
}

BOOL AdapterConfig::SetRadio(DWORD dwOn)
{
    return SetRecord(OID_QN40_RADIO, dwOn);
}

namespace
{

int HexDigit(WCHAR ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    return -1;
}

} // namespace

BOOL AdapterConfig::HexToBytes(CString strText, BYTE* pBytes, DWORD dwCount)
{
    // The key text is worked on as at most 49 characters, up to its first zero; pairs past its end are
    // empty and give 0.
    enum
    {
        MAX_TEXT = 49
    };
    if (pBytes == nullptr)
        return TRUE;
    ULONGLONG qwLength = 0;
    while (qwLength < MAX_TEXT && qwLength < static_cast<ULONGLONG>(strText.GetLength()) &&
           strText.GetAt(static_cast<int>(qwLength)) != 0)
        qwLength++;
    for (DWORD i = 0; i < dwCount; i++)
    {
        // A pair is read as a number up to its first character that is not a hexadecimal digit.
        int nValue = 0;
        for (ULONGLONG qwPos = 2ull * i; qwPos < 2ull * i + 2; qwPos++)
        {
            int nDigit = qwPos < qwLength ? HexDigit(strText.GetAt(static_cast<int>(qwPos))) : -1;
            if (nDigit < 0)
                break;
            nValue = nValue * 16 + nDigit;
        }
        pBytes[i] = static_cast<BYTE>(nValue);
    }
    return TRUE;
}
