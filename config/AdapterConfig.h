// The configuration interface through which the main dialog and the pages reach the wireless card and
// the miniport's registry parameters. AdapterConfig itself is the default implementation: apart from the
// four operations it implements for every class (SetOid504, GetOid504, ReadBBRegister, WriteBBRegister)
// each operation reports success and leaves its outputs untouched. DriverAdapterConfig carries the
// operations to the miniport.
#pragma once

#include <afx.h>

#include <memory>

#include "AdapterRecords.h"

class AdapterSession;
class CWnd;

// The frequency in kHz of every channel number 1..256 that has one (IEEE 802.11 channel rules: the 2.4 GHz
// channels 1..14, the 5 GHz channels the card's regulatory domains list, and the 4.9 GHz channels
// 240..252); 0 for every other number and for index 0.
class ChannelFrequencyTable
{
public:
    enum
    {
        LAST_CHANNEL = 256
    };

    ChannelFrequencyTable();

    // 0 when the channel has no frequency or lies outside 0..256.
    DWORD FrequencyOf(int nChannel) const;
    // The lowest channel in nFirst..nLast whose frequency is dwFrequency, 0 when there is none.
    int ChannelOf(DWORD dwFrequency, int nFirst, int nLast) const;

private:
    DWORD m_adwFrequency[LAST_CHANNEL + 1];
};

static_assert(sizeof(ChannelFrequencyTable) == 257 * sizeof(DWORD));

class AdapterConfig
{
public:
    AdapterConfig();

    // The operations, in the order of their slots.
    virtual BOOL GetInfoBlock(BYTE* pBuffer); // sizeof(QN40_INFO_BLOCK) bytes
    virtual ~AdapterConfig();
    virtual void Noop();
    virtual BOOL GetDeviceState(DWORD* pdwState);
    virtual BOOL GetEepromWord19(WORD* pwValue);
    virtual BOOL GetMacStatusBit(int* pnBit);
    virtual BOOL GetDeviceType(int* pnType);
    virtual BOOL GetDisconnectState(CString& strText, int* pnState);
    virtual BOOL GetMediaConnectStatus(int* pnStatus); // 0 connected, 1 disconnected
    virtual BOOL GetBssid(CString& strBssid);
    virtual BOOL GetBssidRaw(BYTE* pBssid); // WLAN_BSSID_SIZE bytes
    virtual BOOL SetBssid(const BYTE* pBssid);
    virtual BOOL GetSsid(CString& strSsid);
    // A code rather than a BOOL: non-zero means an answer; pnMode 0 station, 1 ad hoc, 2 access point.
    virtual int GetBssType(int* pnMode);
    virtual BOOL SetBssType(int nMode);
    // Choices: 0 automatic, 1 = 1 Mbps, 2 = 2 Mbps, 3 = 5.5 Mbps, 4 = 11 Mbps.
    virtual BOOL GetRate(int* pnChoice);
    virtual BOOL GetTxRateText(CString& strRate);
    virtual BOOL GetSupportedRates(DWORD* pdwMask);
    virtual BOOL SetRate(int nChoice);
    virtual BOOL SetIbssChannel(RadioConfiguration config, int nChannel, DWORD dwBeaconPeriod);
    virtual BOOL GetSignalStrength(int* pnPercent); // 1..100
    virtual BOOL GetLinkQuality(int* pnPercent);
    virtual BOOL Disassociate();
    virtual BOOL SetOid510(DWORD dwValue);
    // Modes: 0 power saving off, 1 "Enable (Max)", 2 "Enable (Fast)".
    virtual BOOL SetPowerMode(int nMode);
    virtual BOOL GetPowerMode(int* pnMode);
    virtual BOOL SetPreambleType(DWORD dwType);
    virtual BOOL GetPreambleType(DWORD* pdwType);
    virtual BOOL SetFragThreshold(DWORD dwBytes);
    virtual BOOL GetFragThreshold(DWORD* pdwBytes);
    virtual BOOL SetRtsThreshold(DWORD dwBytes);
    virtual BOOL GetRtsThreshold(DWORD* pdwBytes);
    virtual BOOL SetEnvironmentCondition(DWORD dwCondition);
    virtual BOOL GetEnvironmentCondition(int* pnCondition);
    virtual BOOL SetRxAntenna(int nChoice); // 0, 1, 2 (both)
    virtual BOOL GetRxAntenna(int* pnChoice);
    virtual BOOL GetOid50C(DWORD* pdwValue);
    virtual BOOL GetBssidList(BYTE* pBuffer); // WLAN_BSSID_LIST_SIZE bytes
    virtual BOOL StartScan();
    // 0 open, 1 shared key, 2 automatic, -1 other.
    virtual BOOL GetAuthType(int* pnType);
    virtual BOOL SetAuthType(int nType);
    // 1 enabled, 0 disabled or no key, -1 other.
    virtual BOOL GetWepStatus(int* pnStatus);
    virtual BOOL SetWepKey(CString strHex, int nCount, CString& strReadBack);
    virtual BOOL SetWepKeyBytes(CString strHex, int nCount, CString& strReadBack);
    virtual BOOL SetWepEnabled(BOOL bEnable);
    virtual BOOL SetOid505(const BYTE* pRecord); // sizeof(QN40_VENDOR_RECORD) bytes
    virtual BOOL ReadOid505(DWORD dwIndex, BYTE* pBuffer);
    virtual BOOL SetOid504(BOOL bFirst, BOOL bSecond);
    virtual BOOL GetOid504(BOOL* pbFirst, BOOL* pbSecond);
    virtual BOOL GetStatistics(ULONGLONG* pqwTxBytes, ULONGLONG* pqwRxBytes, DWORD* pdwTxOk,
                               DWORD* pdwTxError, DWORD* pdwRxOk, DWORD* pdwRxCrcOk, DWORD* pdwRxCrcError);
    virtual BOOL SetOid806();
    virtual BOOL SetOid50D(DWORD dwValue);
    // The twelve counters of the 802.11 statistics record, in record order.
    virtual BOOL GetWlanStatistics(DWORD* pdwTxFragments, DWORD* pdwTxMulticast, DWORD* pdwFailed,
                                   DWORD* pdwRetries, DWORD* pdwMultipleRetries, DWORD* pdwRtsSuccess,
                                   DWORD* pdwRtsFailure, DWORD* pdwAckFailure, DWORD* pdwDuplicates,
                                   DWORD* pdwRxFragments, DWORD* pdwRxMulticast, DWORD* pdwFcsErrors);
    virtual BOOL GetOid805(DWORD* pdwFirst, DWORD* pdwSecond, DWORD* pdwThird);
    virtual BOOL GetOid80D(DWORD* pdwFirst, DWORD* pdwSecond, DWORD* pdwThird);
    virtual BOOL ReadBBRegister(BYTE bIndex, BYTE* pbValue);
    virtual BOOL WriteBBRegister(BYTE bIndex, BYTE bValue);
    virtual BOOL ReadMacRegister(DWORD dwAddress, DWORD* pdwValue);
    virtual BOOL WriteMacRegister(DWORD dwAddress, const DWORD* pdwValue);
    virtual BOOL SetOid80E(DWORD dwFirst, DWORD dwSecond);
    virtual BOOL GetEepromSize(WORD* pwSize);
    virtual BOOL WriteEeprom(BYTE bAddress, WORD wValue);
    virtual BOOL ReadEeprom(BYTE bAddress, WORD* pwValue);
    virtual BOOL SetOid804(DWORD dwFirst, DWORD dwSecond, BOOL bSkip);
    virtual BOOL GetOid804(DWORD dwFirst, BOOL bSkip);
    virtual BOOL SetOid80B();
    virtual BOOL SetOid80A();
    virtual BOOL SetOid809();
    virtual BOOL GetOid808(BYTE* pBuffer); // sizeof(QN40_TEST_RESULT) bytes
    virtual BOOL SetOid906();
    virtual BOOL SetOid901();
    virtual BOOL SetOid807(const void* pData, DWORD dwDataLength, DWORD dwThird, DWORD dwFourth);

    // The registry store: values under HKEY_LOCAL_MACHINE\Comm\WLAN11b1\Parms, the miniport's parameters.
    // A failure is shown to the user when nReport is 1 (read) or non-zero (write).
    BOOL ReadRegistryValue(CString strName, CString& strText, int nReport);
    BOOL WriteRegistryValue(CString strName, CString strText, int nReport);

    BOOL GetMacAddress(CString& strMac);
    BOOL GetChannel(RadioConfiguration* pConfig, int* pnChannel);
    BOOL GetDriverVersion(CString& strVersion);
    BOOL GetOid512(BYTE* pBuffer); // sizeof(QN40_AP_INFO) bytes
    BOOL SetRadio(DWORD dwOn);
    // Parses nCount hexadecimal pairs from the front of strText into pBytes; a missing or malformed pair
    // gives 0. Always TRUE.
    BOOL HexToBytes(CString strText, BYTE* pBytes, DWORD dwCount);
    // Under the Chinese interface, gives each listed control of the dialog the text of the string with
    // the paired identifier; the control list ends at a 0. Always TRUE.
    static BOOL LocalizeControls(const int* pnControlIds, const UINT* pnStringIds, CWnd* pDialog);

    const ChannelFrequencyTable& GetChannelFrequencyTable() const { return m_ChannelFrequencyTable; }
    BOOL HasSession() const { return m_pSession != nullptr; }

    AdapterConfig(const AdapterConfig&) = delete;
    AdapterConfig& operator=(const AdapterConfig&) = delete;

protected:
    // One request to the miniport. Each succeeds only when the session carried it and the miniport
    // answered NDIS_STATUS_SUCCESS; without a session nothing is sent. A query fills pBuffer as the
    // miniport answered even when it fails, so callers query into their own records. *pbTaken (when
    // given) tells whether the session took the set (SetCustomOID returned TRUE), whatever came of it.
    BOOL QueryOid(DWORD dwOid, void* pBuffer, DWORD dwLength);
    BOOL SetOid(DWORD dwOid, void* pBuffer, DWORD dwLength, BOOL* pbTaken = nullptr);
    // A set carrying the record, then a query of the same object into it; stops at a failed set.
    BOOL SetThenQueryOid(DWORD dwOid, void* pBuffer, DWORD dwLength);

    template <class T> BOOL QueryRecord(DWORD dwOid, T& record)
    {
        return QueryOid(dwOid, &record, sizeof(T));
    }
    template <class T> BOOL SetRecord(DWORD dwOid, T& record, BOOL* pbTaken = nullptr)
    {
        return SetOid(dwOid, &record, sizeof(T), pbTaken);
    }

    // Closes and deletes the session once.
    void ReleaseSession();

    int m_nReserved;
    CString m_strFirst;
    ChannelFrequencyTable m_ChannelFrequencyTable;
    std::unique_ptr<AdapterSession> m_pSession;
    int m_nSecond;
    CString m_strSecond;
};
