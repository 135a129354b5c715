// The configuration that the utility really uses: every operation becomes one or a few NDIS requests to
// the wireless miniport through the adapter session, and every setting the miniport reads at its start is
// also recorded in its registry parameters.
#pragma once

#include "AdapterConfig.h"

class DriverAdapterConfig : public AdapterConfig
{
public:
    // Opens a session on the adapter's binding name; without one every request fails.
    explicit DriverAdapterConfig(LPCWSTR pszAdapterName);
    ~DriverAdapterConfig() override;

    BOOL GetInfoBlock(BYTE* pBuffer) override;
    void Noop() override;
    BOOL GetDeviceState(DWORD* pdwState) override;
    BOOL GetEepromWord19(WORD* pwValue) override;
    BOOL GetMacStatusBit(int* pnBit) override;
    BOOL GetDeviceType(int* pnType) override;
    BOOL GetDisconnectState(CString& strText, int* pnState) override;
    BOOL GetMediaConnectStatus(int* pnStatus) override;
    BOOL GetBssid(CString& strBssid) override;
    BOOL GetBssidRaw(BYTE* pBssid) override;
    BOOL SetBssid(const BYTE* pBssid) override;
    BOOL GetSsid(CString& strSsid) override;
    int GetBssType(int* pnMode) override;
    BOOL SetBssType(int nMode) override;
    BOOL GetRate(int* pnChoice) override;
    BOOL GetTxRateText(CString& strRate) override;
    BOOL GetSupportedRates(DWORD* pdwMask) override;
    BOOL SetRate(int nChoice) override;
    BOOL SetIbssChannel(RadioConfiguration config, int nChannel, DWORD dwBeaconPeriod) override;
    BOOL GetSignalStrength(int* pnPercent) override;
    BOOL GetLinkQuality(int* pnPercent) override;
    BOOL Disassociate() override;
    BOOL SetOid510(DWORD dwValue) override;
    BOOL SetPowerMode(int nMode) override;
    BOOL GetPowerMode(int* pnMode) override;
    BOOL SetPreambleType(DWORD dwType) override;
    BOOL GetPreambleType(DWORD* pdwType) override;
    BOOL SetFragThreshold(DWORD dwBytes) override;
    BOOL GetFragThreshold(DWORD* pdwBytes) override;
    BOOL SetRtsThreshold(DWORD dwBytes) override;
    BOOL GetRtsThreshold(DWORD* pdwBytes) override;
    BOOL SetEnvironmentCondition(DWORD dwCondition) override;
    BOOL GetEnvironmentCondition(int* pnCondition) override;
    BOOL SetRxAntenna(int nChoice) override;
    BOOL GetRxAntenna(int* pnChoice) override;
    BOOL GetOid50C(DWORD* pdwValue) override;
    BOOL GetBssidList(BYTE* pBuffer) override;
    BOOL StartScan() override;
    BOOL GetAuthType(int* pnType) override;
    BOOL SetAuthType(int nType) override;
    BOOL GetWepStatus(int* pnStatus) override;
    BOOL SetWepKey(CString strHex, int nCount, CString& strReadBack) override;
    BOOL SetWepKeyBytes(CString strHex, int nCount, CString& strReadBack) override;
    BOOL SetWepEnabled(BOOL bEnable) override;
    BOOL SetOid505(const BYTE* pRecord) override;
    BOOL ReadOid505(DWORD dwIndex, BYTE* pBuffer) override;
    BOOL GetStatistics(ULONGLONG* pqwTxBytes, ULONGLONG* pqwRxBytes, DWORD* pdwTxOk, DWORD* pdwTxError,
                       DWORD* pdwRxOk, DWORD* pdwRxCrcOk, DWORD* pdwRxCrcError) override;
    BOOL SetOid806() override;
    BOOL SetOid50D(DWORD dwValue) override;
    BOOL GetWlanStatistics(DWORD* pdwTxFragments, DWORD* pdwTxMulticast, DWORD* pdwFailed, DWORD* pdwRetries,
                           DWORD* pdwMultipleRetries, DWORD* pdwRtsSuccess, DWORD* pdwRtsFailure,
                           DWORD* pdwAckFailure, DWORD* pdwDuplicates, DWORD* pdwRxFragments,
                           DWORD* pdwRxMulticast, DWORD* pdwFcsErrors) override;
    BOOL GetOid805(DWORD* pdwFirst, DWORD* pdwSecond, DWORD* pdwThird) override;
    BOOL GetOid80D(DWORD* pdwFirst, DWORD* pdwSecond, DWORD* pdwThird) override;
    BOOL ReadMacRegister(DWORD dwAddress, DWORD* pdwValue) override;
    BOOL WriteMacRegister(DWORD dwAddress, const DWORD* pdwValue) override;
    BOOL SetOid80E(DWORD dwFirst, DWORD dwSecond) override;
    BOOL GetEepromSize(WORD* pwSize) override;
    BOOL WriteEeprom(BYTE bAddress, WORD wValue) override;
    BOOL ReadEeprom(BYTE bAddress, WORD* pwValue) override;
    BOOL SetOid804(DWORD dwFirst, DWORD dwSecond, BOOL bSkip) override;
    BOOL GetOid804(DWORD dwFirst, BOOL bSkip) override;
    BOOL SetOid80B() override;
    BOOL SetOid80A() override;
    BOOL SetOid809() override;
    BOOL GetOid808(BYTE* pBuffer) override;
    BOOL SetOid906() override;
    BOOL SetOid901() override;
    BOOL SetOid807(const void* pData, DWORD dwDataLength, DWORD dwThird, DWORD dwFourth) override;

private:
    // A set of one word whose value the miniport also finds in its registry parameters: the value is
    // recorded whenever the session took the set.
    BOOL SetRecordedWord(DWORD dwOid, DWORD dwValue, LPCWSTR pszValueName, const CString& strText);
    BOOL QueryWord(DWORD dwOid, DWORD* pdwValue);
    BOOL SetWord(DWORD dwOid, DWORD dwValue);
    BOOL QueryCounterTriple(DWORD dwOid, DWORD* pdwFirst, DWORD* pdwSecond, DWORD* pdwThird);
    BOOL SetKey(const CString& strHex, int nCount, BYTE bForm, QN40_KEY_RECORD* pAnswer);
};
