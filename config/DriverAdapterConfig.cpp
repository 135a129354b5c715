#include "DriverAdapterConfig.h"

#include <afxwin.h>

#include <cstring>
#include <iterator>
#include <new>

#include "../driver/AdapterSession.h"

namespace
{

enum
{
    MAC_STATUS_REGISTER = 0x2F4,
    MAC_STATUS_BIT = 30,
    EEPROM_WORD_19 = 19,
    RATE_BASIC_FLAG = 0x80,
};

// Rates of the rate lists, in units of 500 kbit/s.
enum
{
    RATE_1M = 2,
    RATE_2M = 4,
    RATE_5M5 = 11,
    RATE_11M = 22
};

CString Decimal(int nValue)
{
    CString strText;
    strText.Format(_T("%d"), nValue);
    return strText;
}

CString Decimal(DWORD dwValue)
{
    CString strText;
    strText.Format(_T("%u"), dwValue);
    return strText;
}

int ClampKeyCount(int nCount)
{
    if (nCount < 0)
        return 0;
    return nCount > WLAN_KEY_BYTES ? WLAN_KEY_BYTES : nCount;
}

} // namespace

DriverAdapterConfig::DriverAdapterConfig(LPCWSTR pszAdapterName)
{
    if (pszAdapterName == nullptr)
        return;
    try
    {
        m_pSession = std::make_unique<AdapterSession>(pszAdapterName);
    }
    catch (const std::bad_alloc&)
    {
        m_pSession.reset();
    }
}

DriverAdapterConfig::~DriverAdapterConfig()
{
    ReleaseSession();
}

// ---------------------------------------------------------------------------------------------------
// Request shapes shared by many operations

BOOL DriverAdapterConfig::QueryWord(DWORD dwOid, DWORD* pdwValue)
{
    DWORD dwValue = 0;
    if (!QueryRecord(dwOid, dwValue))
        return FALSE;
    *pdwValue = dwValue;
    return TRUE;
}

BOOL DriverAdapterConfig::SetWord(DWORD dwOid, DWORD dwValue)
{
    return SetRecord(dwOid, dwValue);
}

BOOL DriverAdapterConfig::SetRecordedWord(DWORD dwOid, DWORD dwValue, LPCWSTR pszValueName,
                                          const CString& strText)
{
    // The registry is what the miniport starts with next time, so the value is recorded once the session
    // took the set, even when the running miniport refused it.
    BOOL bTaken = FALSE;
    BOOL bSet = SetRecord(dwOid, dwValue, &bTaken);
    if (bTaken)
        WriteRegistryValue(pszValueName, strText, 1);
    return bSet;
}

BOOL DriverAdapterConfig::QueryCounterTriple(DWORD dwOid, DWORD* pdwFirst, DWORD* pdwSecond, DWORD* pdwThird)
{
    if (pdwFirst == nullptr || pdwSecond == nullptr || pdwThird == nullptr)
        return FALSE;
    QN40_COUNTERS counters = {};
    if (!QueryRecord(dwOid, counters))
        return FALSE;
    *pdwFirst = counters.Counter[0];
    *pdwSecond = counters.Counter[1];
    *pdwThird = counters.Counter[2];
    return TRUE;
}

// ---------------------------------------------------------------------------------------------------
// Device and link

BOOL DriverAdapterConfig::GetInfoBlock(BYTE* pBuffer)
{
    if (pBuffer == nullptr)
        return FALSE;
    QN40_INFO_BLOCK info = {};
    if (!QueryRecord(OID_QN40_INFO_BLOCK, info))
        return FALSE;
    memcpy(pBuffer, &info, sizeof(info));
    return TRUE;
}

void DriverAdapterConfig::Noop() {}

BOOL DriverAdapterConfig::GetDeviceState(DWORD* pdwState)
{
    if (pdwState == nullptr)
        return FALSE;
    return QueryWord(OID_QN40_DEVICE_STATE, pdwState);
}

BOOL DriverAdapterConfig::GetEepromWord19(WORD* pwValue)
{
    return ReadEeprom(EEPROM_WORD_19, pwValue);
}

BOOL DriverAdapterConfig::GetMacStatusBit(int* pnBit)
{
    if (pnBit == nullptr)
        return FALSE;
    DWORD dwRegister = 0;
    if (ReadMacRegister(MAC_STATUS_REGISTER, &dwRegister))
        *pnBit = static_cast<int>((dwRegister >> MAC_STATUS_BIT) & 1);
    else
        *pnBit = 0;
    return TRUE;
}

BOOL DriverAdapterConfig::GetDeviceType(int* pnType)
{
    if (pnType == nullptr)
        return FALSE;
    *pnType = 2;
    return TRUE;
}

BOOL DriverAdapterConfig::GetDisconnectState(CString& strText, int* pnState)
{
    if (pnState == nullptr)
        return FALSE;
    DWORD dwState = 0;
    if (!QueryWord(OID_QN40_DISCONNECT_STATE, &dwState))
        return FALSE;
    *pnState = static_cast<int>(dwState);
    strText = dwState == 1 ? _T("Disconnected. Scanning...") : _T("Disconnected.");
    return TRUE;
}

BOOL DriverAdapterConfig::GetMediaConnectStatus(int* pnStatus)
{
    if (pnStatus == nullptr)
        return FALSE;
    DWORD dwStatus = 0;
    if (!QueryWord(OID_GEN_MEDIA_CONNECT_STATUS, &dwStatus))
        return FALSE;
    *pnStatus = static_cast<int>(dwStatus);
    return TRUE;
}

BOOL DriverAdapterConfig::GetBssid(CString& strBssid)
{
    BYTE bssid[WLAN_BSSID_SIZE] = {};
    if (!QueryOid(OID_QN40_BSSID, bssid, sizeof(bssid)))
        return FALSE;
    strBssid.Format(_T("%02X-%02X-%02X-%02X-%02X-%02X"), bssid[0], bssid[1], bssid[2], bssid[3], bssid[4],
                    bssid[5]);
    return TRUE;
}

BOOL DriverAdapterConfig::GetBssidRaw(BYTE* pBssid)
{
    if (pBssid == nullptr)
        return FALSE;
    BYTE bssid[WLAN_BSSID_SIZE] = {};
    if (!QueryOid(OID_QN40_BSSID, bssid, sizeof(bssid)))
        return FALSE;
    memcpy(pBssid, bssid, sizeof(bssid));
    return TRUE;
}

BOOL DriverAdapterConfig::SetBssid(const BYTE* pBssid)
{
    if (pBssid == nullptr)
        return FALSE;
    BYTE bssid[WLAN_BSSID_SIZE];
    memcpy(bssid, pBssid, sizeof(bssid));
    return SetOid(OID_QN40_BSSID, bssid, sizeof(bssid));
}

BOOL DriverAdapterConfig::GetSsid(CString& strSsid)
{
    NDIS_802_11_SSID ssid = {};
    if (!QueryRecord(OID_QN40_SSID, ssid))
        return FALSE;
    // An SSID of the full 32 bytes has no terminator of its own.
    char szSsid[WLAN_MAX_SSID + 1] = {};
    DWORD dwLength = ssid.SsidLength < WLAN_MAX_SSID ? ssid.SsidLength : WLAN_MAX_SSID;
    memcpy(szSsid, ssid.Ssid, dwLength);
    strSsid.Empty();
    strSsid = szSsid;
    return TRUE;
}

int DriverAdapterConfig::GetBssType(int* pnMode)
{
    if (pnMode == nullptr)
        return 0;
    DWORD dwDeviceMode = 0;
    BOOL bDeviceMode = QueryWord(OID_QN40_DEVICE_MODE, &dwDeviceMode);
    if (bDeviceMode && dwDeviceMode == 2)
    {
        *pnMode = 2;
        return 2;
    }
    int nNoDeviceMode = bDeviceMode ? 0 : 1;
    DWORD dwInfrastructure = 0;
    if (!QueryWord(OID_QN40_INFRASTRUCTURE_MODE, &dwInfrastructure))
        return 4 + nNoDeviceMode;
    if (dwInfrastructure == 0)
        *pnMode = 1;
    else if (dwInfrastructure == 1)
        *pnMode = 0;
    return 8 + nNoDeviceMode;
}

BOOL DriverAdapterConfig::SetBssType(int nMode)
{
    DWORD dwDeviceMode = 0;
    DWORD dwInfrastructure = 0;
    switch (nMode)
    {
    case 0: // station
        dwDeviceMode = 1;
        dwInfrastructure = 1;
        break;
    case 1: // ad hoc
        dwDeviceMode = 1;
        dwInfrastructure = 0;
        break;
    case 2: // access point
        dwDeviceMode = 2;
        dwInfrastructure = 1;
        break;
    default:
        return FALSE;
    }
    if (!SetWord(OID_QN40_DEVICE_MODE, dwDeviceMode))
        return FALSE;
    if (!SetWord(OID_QN40_INFRASTRUCTURE_MODE, dwInfrastructure))
        return FALSE;

    int nDeviceType = 0;
    GetDeviceType(&nDeviceType);
    CString strBssType;
    if (nDeviceType == 1)
        strBssType = Decimal(nMode + 1);
    else
        strBssType = nMode == 1 ? _T("2") : _T("1");
    WriteRegistryValue(_T("BssType"), strBssType, 1);
    WriteRegistryValue(_T("DeviceType"), nMode == 2 ? _T("2") : _T("1"), 1);
    return TRUE;
}

// ---------------------------------------------------------------------------------------------------
// Rates

BOOL DriverAdapterConfig::GetRate(int* pnChoice)
{
    if (pnChoice == nullptr)
        return FALSE;
    NDIS_802_11_RATES list = {};
    if (!QueryRecord(OID_QN40_DESIRED_RATES, list))
        return FALSE;
    int nFlags = 0;
    for (BYTE bRate : list)
    {
        if (bRate == 0)
            break;
        if (bRate == RATE_1M)
            nFlags |= 1;
        else if (bRate == RATE_2M)
            nFlags |= 2;
        else if (bRate == RATE_5M5)
            nFlags |= 4;
        else if (bRate == RATE_11M)
            nFlags |= 8;
    }
    if (nFlags == 15)
        *pnChoice = 0;
    else if (nFlags & 8)
        *pnChoice = 4;
    else if (nFlags & 4)
        *pnChoice = 3;
    else if (nFlags & 2)
        *pnChoice = 2;
    else if (nFlags & 1)
        *pnChoice = 1;
    return TRUE;
}

BOOL DriverAdapterConfig::GetTxRateText(CString& strRate)
{
    // The link speed comes in units of 100 bit/s.
    DWORD dwSpeed = 0;
    if (!QueryWord(OID_GEN_LINK_SPEED, &dwSpeed))
        return FALSE;
    switch (dwSpeed / 10000)
    {
    case 1:
        strRate = _T("1 Mbps");
        break;
    case 2:
        strRate = _T("2 Mbps");
        break;
    case 5:
        strRate = _T("5.5 Mbps");
        break;
    case 11:
        strRate = _T("11 Mbps");
        break;
    default:
        break;
    }
    return TRUE;
}

BOOL DriverAdapterConfig::GetSupportedRates(DWORD* pdwMask)
{
    if (pdwMask == nullptr)
        return FALSE;
    NDIS_802_11_RATES list = {};
    if (!QueryRecord(OID_QN40_SUPPORTED_RATES, list))
        return FALSE;
    DWORD dwMask = 0;
    for (BYTE bRate : list)
    {
        if (bRate == 0)
            break;
        // A basic rate carries the flag 0x80 on top of its rate.
        switch (bRate & ~RATE_BASIC_FLAG)
        {
        case RATE_1M:
            dwMask |= 1;
            break;
        case RATE_2M:
            dwMask |= 2;
            break;
        case RATE_5M5:
            dwMask |= 4;
            break;
        case RATE_11M:
            dwMask |= 8;
            break;
        default:
            *pdwMask = 0x80000000;
            return FALSE;
        }
    }
    *pdwMask = dwMask;
    return TRUE;
}

BOOL DriverAdapterConfig::SetRate(int nChoice)
{
    static const BYTE s_abRate[] = {RATE_1M, RATE_2M, RATE_5M5, RATE_11M};
    NDIS_802_11_RATES list = {};
    if (nChoice == 0)
        memcpy(list, s_abRate, sizeof(s_abRate));
    else if (nChoice >= 1 && nChoice <= 4)
        list[0] = s_abRate[nChoice - 1];
    else
        return FALSE;

    BOOL bTaken = FALSE;
    BOOL bSet = SetRecord(OID_QN40_DESIRED_RATES, list, &bTaken);
    // The registry holds the rates as a mask: 1, 2, 4, 8 for one rate, 15 for all of them.
    if (bTaken)
        WriteRegistryValue(_T("Rate"), Decimal(nChoice == 0 ? 15 : 1 << (nChoice - 1)), 1);
    return bSet;
}

// ---------------------------------------------------------------------------------------------------
// Radio

BOOL DriverAdapterConfig::SetIbssChannel(RadioConfiguration config, int nChannel, DWORD dwBeaconPeriod)
{
    // Channel 0 keeps the frequency of the configuration given; any other channel must have one.
    if (nChannel < 0 || nChannel > ChannelFrequencyTable::LAST_CHANNEL)
        return FALSE;
    DWORD dwFrequency = config.DSConfig;
    if (nChannel != 0)
    {
        dwFrequency = m_ChannelFrequencyTable.FrequencyOf(nChannel);
        if (dwFrequency == 0)
            return FALSE;
    }

    RadioConfiguration radio = {};
    radio.Length = sizeof(RadioConfiguration);
    radio.BeaconPeriod = dwBeaconPeriod != 0 ? dwBeaconPeriod : config.BeaconPeriod;
    radio.ATIMWindow = config.ATIMWindow;
    radio.DSConfig = dwFrequency;

    BOOL bTaken = FALSE;
    BOOL bSet = SetRecord(OID_QN40_CONFIGURATION, radio, &bTaken);
    if (bTaken)
    {
        // The miniport takes only a 2.4 GHz channel from the registry; any other frequency is recorded as 0.
        int nRecorded = nChannel != 0 ? nChannel : m_ChannelFrequencyTable.ChannelOf(config.DSConfig, 1, 14);
        WriteRegistryValue(_T("IbssChannel"), Decimal(nRecorded), 1);
    }
    return bSet;
}

BOOL DriverAdapterConfig::GetSignalStrength(int* pnPercent)
{
    if (pnPercent == nullptr)
        return FALSE;
    DWORD dwRssi = 0;
    if (!QueryWord(OID_QN40_RSSI, &dwRssi))
        return FALSE;
    // -90 dBm and below is the weakest signal shown, -40 dBm and above the strongest.
    LONGLONG qPercent = 2 * (static_cast<LONGLONG>(static_cast<LONG>(dwRssi)) + 90);
    if (qPercent <= 0)
        qPercent = 1;
    else if (qPercent > 100)
        qPercent = 100;
    *pnPercent = static_cast<int>(qPercent);
    return TRUE;
}

BOOL DriverAdapterConfig::GetLinkQuality(int* pnPercent)
{
    if (pnPercent == nullptr)
        return FALSE;
    DWORD dwQuality = 0;
    if (!QueryWord(OID_QN40_LINK_QUALITY, &dwQuality))
        return FALSE;
    *pnPercent = static_cast<int>(dwQuality & 0xFF);
    return TRUE;
}

BOOL DriverAdapterConfig::Disassociate()
{
    return SetOid(OID_QN40_DISASSOCIATE, nullptr, 0);
}

BOOL DriverAdapterConfig::SetOid510(DWORD dwValue)
{
    return SetWord(OID_QN40_TX_POWER, dwValue);
}

BOOL DriverAdapterConfig::SetPowerMode(int nMode)
{
    // The miniport numbers the two power-saving modes the other way round.
    static const DWORD s_adwMode[] = {0, 2, 1};
    if (nMode < 0 || nMode > 2)
        return FALSE;
    return SetRecordedWord(OID_QN40_POWER_MODE, s_adwMode[nMode], _T("PowerMode"), Decimal(nMode));
}

BOOL DriverAdapterConfig::GetPowerMode(int* pnMode)
{
    if (pnMode == nullptr)
        return FALSE;
    DWORD dwMode = 0;
    if (!QueryWord(OID_QN40_POWER_MODE, &dwMode))
        return FALSE;
    switch (dwMode & 0xFF)
    {
    case 0:
        *pnMode = 0;
        break;
    case 2:
        *pnMode = 1;
        break;
    case 1:
        *pnMode = 2;
        break;
    default:
        break;
    }
    return TRUE;
}

BOOL DriverAdapterConfig::SetPreambleType(DWORD dwType)
{
    return SetRecordedWord(OID_QN40_PREAMBLE_TYPE, dwType, _T("PreambleType"), Decimal(dwType));
}

BOOL DriverAdapterConfig::GetPreambleType(DWORD* pdwType)
{
    if (pdwType == nullptr)
        return FALSE;
    return QueryWord(OID_QN40_PREAMBLE_TYPE, pdwType);
}

BOOL DriverAdapterConfig::SetFragThreshold(DWORD dwBytes)
{
    return SetRecordedWord(OID_QN40_FRAGMENTATION_THRESHOLD, dwBytes, _T("FragThreshold"), Decimal(dwBytes));
}

BOOL DriverAdapterConfig::GetFragThreshold(DWORD* pdwBytes)
{
    if (pdwBytes == nullptr)
        return FALSE;
    return QueryWord(OID_QN40_FRAGMENTATION_THRESHOLD, pdwBytes);
}

BOOL DriverAdapterConfig::SetRtsThreshold(DWORD dwBytes)
{
    return SetRecordedWord(OID_QN40_RTS_THRESHOLD, dwBytes, _T("RtsThreshold"), Decimal(dwBytes));
}

BOOL DriverAdapterConfig::GetRtsThreshold(DWORD* pdwBytes)
{
    if (pdwBytes == nullptr)
        return FALSE;
    return QueryWord(OID_QN40_RTS_THRESHOLD, pdwBytes);
}

BOOL DriverAdapterConfig::SetEnvironmentCondition(DWORD dwCondition)
{
    return SetRecordedWord(OID_QN40_ENVIRONMENT_CONDITION, dwCondition, _T("EnvironmentCondition"),
                           Decimal(dwCondition));
}

BOOL DriverAdapterConfig::GetEnvironmentCondition(int* pnCondition)
{
    if (pnCondition == nullptr)
        return FALSE;
    DWORD dwCondition = 0;
    if (!QueryWord(OID_QN40_ENVIRONMENT_CONDITION, &dwCondition))
        return FALSE;
    *pnCondition = static_cast<int>(dwCondition & 1);
    return TRUE;
}

BOOL DriverAdapterConfig::SetRxAntenna(int nChoice)
{
    // Choice 2 (both antennas, diversity) is -1 for the miniport.
    LONG lAntenna = 0;
    switch (nChoice)
    {
    case 0:
    case 1:
        lAntenna = nChoice;
        break;
    case 2:
        lAntenna = -1;
        break;
    default:
        AfxMessageBox(_T("Wrong input at SetRxAntenna()"));
        return FALSE;
    }
    return SetRecordedWord(OID_QN40_RX_ANTENNA, static_cast<DWORD>(lAntenna), _T("RxAntennaNumber"),
                           Decimal(static_cast<int>(lAntenna)));
}

BOOL DriverAdapterConfig::GetRxAntenna(int* pnChoice)
{
    if (pnChoice == nullptr)
        return FALSE;
    DWORD dwAntenna = 0;
    if (!QueryWord(OID_QN40_RX_ANTENNA, &dwAntenna))
        return FALSE;
    if (dwAntenna == 0)
        *pnChoice = 0;
    else if (dwAntenna == 1)
        *pnChoice = 1;
    else if (dwAntenna == 0xFFFFFFFF)
        *pnChoice = 2;
    return TRUE;
}

BOOL DriverAdapterConfig::GetOid50C(DWORD* pdwValue)
{
    if (pdwValue == nullptr)
        return FALSE;
    return QueryWord(OID_QN40_REGULATORY_DOMAIN, pdwValue);
}

// ---------------------------------------------------------------------------------------------------
// Networks and security

BOOL DriverAdapterConfig::GetBssidList(BYTE* pBuffer)
{
    if (pBuffer == nullptr)
        return FALSE;
    BYTE list[WLAN_BSSID_LIST_SIZE] = {};
    if (!QueryOid(OID_QN40_BSSID_LIST, list, sizeof(list)))
        return FALSE;
    memcpy(pBuffer, list, sizeof(list));
    return TRUE;
}

BOOL DriverAdapterConfig::StartScan()
{
    return SetOid(OID_QN40_BSSID_LIST_SCAN, nullptr, 0);
}

BOOL DriverAdapterConfig::GetAuthType(int* pnType)
{
    if (pnType == nullptr)
        return FALSE;
    DWORD dwType = 0;
    if (!QueryWord(OID_QN40_AUTHENTICATION_MODE, &dwType))
        return FALSE;
    *pnType = dwType <= 2 ? static_cast<int>(dwType) : -1;
    return TRUE;
}

BOOL DriverAdapterConfig::SetAuthType(int nType)
{
    if (nType < 0 || nType > 2)
        return FALSE;
    return SetRecordedWord(OID_QN40_AUTHENTICATION_MODE, static_cast<DWORD>(nType), _T("AuthType"),
                           Decimal(nType));
}

BOOL DriverAdapterConfig::GetWepStatus(int* pnStatus)
{
    if (pnStatus == nullptr)
        return FALSE;
    DWORD dwStatus = 0;
    if (!QueryWord(OID_QN40_WEP_STATUS, &dwStatus))
        return FALSE;
    if (dwStatus == 0)
        *pnStatus = 1;
    else if (dwStatus == 1 || dwStatus == 2)
        *pnStatus = 0;
    else
        *pnStatus = -1;
    return TRUE;
}

BOOL DriverAdapterConfig::SetKey(const CString& strHex, int nCount, BYTE bForm, QN40_KEY_RECORD* pAnswer)
{
    QN40_KEY_RECORD key = {};
    HexToBytes(strHex, key.Key, static_cast<DWORD>(nCount));
    key.Form = bForm;
    if (!SetThenQueryOid(OID_QN40_KEY, &key, sizeof(key)))
        return FALSE;
    *pAnswer = key;
    return TRUE;
}

BOOL DriverAdapterConfig::SetWepKey(CString strHex, int nCount, CString& strReadBack)
{
    QN40_KEY_RECORD answer = {};
    if (!SetKey(strHex, ClampKeyCount(nCount), 0, &answer))
        return FALSE;
    strReadBack.Empty();
    for (BYTE b : answer.Key)
        strReadBack.AppendFormat(_T("%02x"), b);
    return TRUE;
}

BOOL DriverAdapterConfig::SetWepKeyBytes(CString strHex, int nCount, CString& strReadBack)
{
    QN40_KEY_RECORD answer = {};
    if (!SetKey(strHex, WLAN_KEY_BYTES, 1, &answer))
        return FALSE;
    strReadBack.Empty();
    int nShown = ClampKeyCount(nCount);
    for (int i = 0; i < nShown; i++)
        strReadBack.AppendFormat(_T("%02x"), answer.Key[i]);
    return TRUE;
}

BOOL DriverAdapterConfig::SetWepEnabled(BOOL bEnable)
{
    return SetWord(OID_QN40_WEP_ENABLE, bEnable ? 0 : 1);
}

// ---------------------------------------------------------------------------------------------------
// Vendor records

BOOL DriverAdapterConfig::SetOid505(const BYTE* pRecord)
{
    if (pRecord == nullptr)
        return FALSE;
    QN40_VENDOR_RECORD record;
    memcpy(&record, pRecord, sizeof(record));
    return SetRecord(OID_QN40_VENDOR_RECORD, record);
}

BOOL DriverAdapterConfig::ReadOid505(DWORD dwIndex, BYTE* pBuffer)
{
    if (pBuffer == nullptr)
        return FALSE;
    // The set only chooses the record by its index; the query then returns it.
    QN40_VENDOR_RECORD record = {};
    record.Index = dwIndex;
    record.Select = WLAN_VENDOR_RECORD_SELECT;
    if (!SetThenQueryOid(OID_QN40_VENDOR_RECORD, &record, sizeof(record)))
        return FALSE;
    memcpy(pBuffer, &record, sizeof(record));
    return TRUE;
}

// ---------------------------------------------------------------------------------------------------
// Counters

BOOL DriverAdapterConfig::GetStatistics(ULONGLONG* pqwTxBytes, ULONGLONG* pqwRxBytes, DWORD* pdwTxOk,
                                        DWORD* pdwTxError, DWORD* pdwRxOk, DWORD* pdwRxCrcOk,
                                        DWORD* pdwRxCrcError)
{
    if (pqwTxBytes == nullptr || pqwRxBytes == nullptr || pdwTxOk == nullptr || pdwTxError == nullptr ||
        pdwRxOk == nullptr || pdwRxCrcOk == nullptr || pdwRxCrcError == nullptr)
        return FALSE;
    ULONGLONG qwTxBytes = 0;
    ULONGLONG qwRxBytes = 0;
    DWORD dwTxOk = 0;
    DWORD dwTxError = 0;
    DWORD dwRxOk = 0;
    DWORD dwRxCrcError = 0;
    if (!QueryRecord(OID_QN40_TX_BYTES, qwTxBytes) || !QueryRecord(OID_QN40_RX_BYTES, qwRxBytes) ||
        !QueryRecord(OID_GEN_XMIT_OK, dwTxOk) || !QueryRecord(OID_GEN_XMIT_ERROR, dwTxError) ||
        !QueryRecord(OID_GEN_RCV_OK, dwRxOk) || !QueryRecord(OID_GEN_RCV_ERROR, dwRxCrcError))
        return FALSE;

    // Frames received with a good CRC: duplicates and fragments of the 802.11 statistics plus the three
    // engineering counters; each part counts 0 when it cannot be read.
    DWORD dwDuplicates = 0;
    DWORD dwFragments = 0;
    NDIS_802_11_STATISTICS statistics = {};
    if (QueryRecord(OID_QN40_STATISTICS, statistics))
    {
        dwDuplicates = statistics.FrameDuplicateCount.u.LowPart;
        dwFragments = statistics.ReceivedFragmentCount.u.LowPart;
    }
    DWORD dwCounter1 = 0;
    DWORD dwCounter2 = 0;
    DWORD dwCounter3 = 0;
    if (!GetOid805(&dwCounter1, &dwCounter2, &dwCounter3))
        dwCounter1 = dwCounter2 = dwCounter3 = 0;

    *pqwTxBytes = qwTxBytes;
    *pqwRxBytes = qwRxBytes;
    *pdwTxOk = dwTxOk;
    *pdwTxError = dwTxError;
    *pdwRxOk = dwRxOk;
    *pdwRxCrcOk = dwCounter1 + dwCounter2 + dwCounter3 + dwDuplicates + dwFragments;
    *pdwRxCrcError = dwRxCrcError;
    return TRUE;
}

BOOL DriverAdapterConfig::SetOid806()
{
    return SetOid(OID_QN40_RESET_COUNTERS, nullptr, 0);
}

BOOL DriverAdapterConfig::SetOid50D(DWORD dwValue)
{
    return SetWord(OID_QN40_TRACE_MASK, dwValue);
}

BOOL DriverAdapterConfig::GetWlanStatistics(DWORD* pdwTxFragments, DWORD* pdwTxMulticast, DWORD* pdwFailed,
                                            DWORD* pdwRetries, DWORD* pdwMultipleRetries,
                                            DWORD* pdwRtsSuccess, DWORD* pdwRtsFailure, DWORD* pdwAckFailure,
                                            DWORD* pdwDuplicates, DWORD* pdwRxFragments,
                                            DWORD* pdwRxMulticast, DWORD* pdwFcsErrors)
{
    DWORD* const apdwOutput[] = {pdwTxFragments,     pdwTxMulticast, pdwFailed,      pdwRetries,
                                 pdwMultipleRetries, pdwRtsSuccess,  pdwRtsFailure,  pdwAckFailure,
                                 pdwDuplicates,      pdwRxFragments, pdwRxMulticast, pdwFcsErrors};
    for (DWORD* pdwOutput : apdwOutput)
    {
        if (pdwOutput == nullptr)
            return FALSE;
    }
    NDIS_802_11_STATISTICS statistics = {};
    if (!QueryRecord(OID_QN40_STATISTICS, statistics))
        return FALSE;
    const DWORD adwCounter[] = {statistics.TransmittedFragmentCount.u.LowPart,
                                statistics.MulticastTransmittedFrameCount.u.LowPart,
                                statistics.FailedCount.u.LowPart,
                                statistics.RetryCount.u.LowPart,
                                statistics.MultipleRetryCount.u.LowPart,
                                statistics.RTSSuccessCount.u.LowPart,
                                statistics.RTSFailureCount.u.LowPart,
                                statistics.ACKFailureCount.u.LowPart,
                                statistics.FrameDuplicateCount.u.LowPart,
                                statistics.ReceivedFragmentCount.u.LowPart,
                                statistics.MulticastReceivedFrameCount.u.LowPart,
                                statistics.FCSErrorCount.u.LowPart};
    // A caller marks with -1 the counters of these eight that it does not want; they come back as 0.
    static const bool s_abMaskable[] = {false, true,  true, true,  true, true,
                                        true,  false, true, false, true, false};
    static_assert(std::size(s_abMaskable) == std::size(adwCounter));
    for (size_t i = 0; i < std::size(adwCounter); i++)
    {
        if (s_abMaskable[i] && *apdwOutput[i] == 0xFFFFFFFF)
            *apdwOutput[i] = 0;
        else
            *apdwOutput[i] = adwCounter[i];
    }
    return TRUE;
}

BOOL DriverAdapterConfig::GetOid805(DWORD* pdwFirst, DWORD* pdwSecond, DWORD* pdwThird)
{
    return QueryCounterTriple(OID_QN40_RX_COUNTERS, pdwFirst, pdwSecond, pdwThird);
}

BOOL DriverAdapterConfig::GetOid80D(DWORD* pdwFirst, DWORD* pdwSecond, DWORD* pdwThird)
{
    return QueryCounterTriple(OID_QN40_TX_COUNTERS, pdwFirst, pdwSecond, pdwThird);
}

// ---------------------------------------------------------------------------------------------------
// Registers and EEPROM

BOOL DriverAdapterConfig::ReadMacRegister(DWORD dwAddress, DWORD* pdwValue)
{
    if (pdwValue == nullptr)
        return FALSE;
    QN40_MAC_REGISTER_ACCESS access = {};
    access.Read = 1;
    access.Address = dwAddress;
    if (!SetThenQueryOid(OID_QN40_MAC_REGISTER, &access, sizeof(access)))
        return FALSE;
    *pdwValue = access.Value;
    return TRUE;
}

BOOL DriverAdapterConfig::WriteMacRegister(DWORD dwAddress, const DWORD* pdwValue)
{
    if (pdwValue == nullptr)
        return FALSE;
    QN40_MAC_REGISTER_ACCESS access = {};
    access.Read = 0;
    access.Address = dwAddress;
    access.Value = *pdwValue;
    return SetRecord(OID_QN40_MAC_REGISTER, access);
}

BOOL DriverAdapterConfig::SetOid80E(DWORD dwFirst, DWORD dwSecond)
{
    WLAN_WORD_PAIR pair = {};
    pair.dwFirst = dwFirst;
    pair.dwSecond = dwSecond;
    return SetRecord(OID_QN40_TEST_CHANNEL, pair);
}

BOOL DriverAdapterConfig::GetEepromSize(WORD* pwSize)
{
    if (pwSize == nullptr)
        return FALSE;
    QN40_EEPROM_ACCESS access = {};
    access.Read = 1;
    access.OneWord = 0;
    if (!SetThenQueryOid(OID_QN40_EEPROM, &access, sizeof(access)))
        return FALSE;
    *pwSize = access.Data;
    return TRUE;
}

BOOL DriverAdapterConfig::WriteEeprom(BYTE bAddress, WORD wValue)
{
    QN40_EEPROM_ACCESS access = {};
    access.Read = 0;
    access.OneWord = 1;
    access.Address = bAddress;
    access.Data = wValue;
    return SetRecord(OID_QN40_EEPROM, access);
}

BOOL DriverAdapterConfig::ReadEeprom(BYTE bAddress, WORD* pwValue)
{
    if (pwValue == nullptr)
        return FALSE;
    QN40_EEPROM_ACCESS access = {};
    access.Read = 1;
    access.OneWord = 1;
    access.Address = bAddress;
    if (!SetThenQueryOid(OID_QN40_EEPROM, &access, sizeof(access)))
        return FALSE;
    *pwValue = access.Data;
    return TRUE;
}

// ---------------------------------------------------------------------------------------------------
// Engineering objects

BOOL DriverAdapterConfig::SetOid804(DWORD dwFirst, DWORD dwSecond, BOOL bSkip)
{
    if (bSkip)
        return TRUE;
    WLAN_WORD_PAIR pair = {};
    pair.dwFirst = dwFirst;
    pair.dwSecond = dwSecond;
    return SetRecord(OID_QN40_TEST_PARAMETER, pair);
}

BOOL DriverAdapterConfig::GetOid804(DWORD dwFirst, BOOL bSkip)
{
    if (bSkip)
        return TRUE;
    // The answer is not used: the query only tells whether the miniport takes the word.
    WLAN_WORD_PAIR pair = {};
    pair.dwFirst = dwFirst;
    return QueryRecord(OID_QN40_TEST_PARAMETER, pair);
}

BOOL DriverAdapterConfig::SetOid80B()
{
    return SetOid(OID_QN40_TEST_RESET, nullptr, 0);
}

BOOL DriverAdapterConfig::SetOid80A()
{
    return SetOid(OID_QN40_TEST_STOP, nullptr, 0);
}

BOOL DriverAdapterConfig::SetOid809()
{
    return SetOid(OID_QN40_TEST_START, nullptr, 0);
}

BOOL DriverAdapterConfig::GetOid808(BYTE* pBuffer)
{
    if (pBuffer == nullptr)
        return FALSE;
    QN40_TEST_RESULT result = {};
    if (!QueryRecord(OID_QN40_TEST_RESULT, result))
        return FALSE;
    memcpy(pBuffer, &result, sizeof(result));
    return TRUE;
}

BOOL DriverAdapterConfig::SetOid906()
{
    return SetOid(OID_QN40_RELOAD_EEPROM, nullptr, 0);
}

BOOL DriverAdapterConfig::SetOid901()
{
    return SetOid(OID_QN40_CALIBRATE, nullptr, 0);
}

BOOL DriverAdapterConfig::SetOid807(const void* pData, DWORD dwDataLength, DWORD dwThird, DWORD dwFourth)
{
    if (pData == nullptr && dwDataLength != 0)
        return FALSE;
    QN40_TEST_FRAME frame = {};
    frame.DataLength = dwDataLength < WLAN_TEST_FRAME_DATA ? dwDataLength : WLAN_TEST_FRAME_DATA;
    if (frame.DataLength != 0)
        memcpy(frame.Data, pData, frame.DataLength);
    frame.Repeat = dwFourth;
    frame.Rate = dwThird;
    return SetRecord(OID_QN40_TEST_FRAME, frame);
}
