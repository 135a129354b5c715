// The protocol bindings of the wireless adapter instance "WLAN11b1", found through the protocol driver's
// control channel after checking that driver and library speak compatible interface versions.
#pragma once

#include <afxwin.h>

#include "W32N.h"

class AdapterBindingList
{
public:
    AdapterBindingList();
    virtual ~AdapterBindingList();

    // TRUE with the control channel open; otherwise the user has been told why.
    BOOL CheckVersions();
    // Empties the combo box and adds every binding that answers as a wireless adapter and whose name ends
    // in "WLAN11b1"; selects the first. Always 0.
    int FillComboBox(HWND hComboBox);
    // Closes the control channel and lets the protocol driver go. Always TRUE.
    BOOL Release();

    DWORD GetDriverApiVersion() const { return m_dwDriverApiVersion; }
    DWORD GetLibraryApiVersion() const { return m_dwLibraryApiVersion; }
    int GetCount() const { return m_nCount; }
    int GetSelectedIndex() const { return m_nSelectedIndex; }

    enum
    {
        BINDINGS_BUFFER_SIZE = 128
    };

private:
    void CloseChannel();

    DWORD m_dwDriverApiVersion;
    DWORD m_dwLibraryApiVersion;
    HANDLE m_hControl;
    int m_nCount;
    int m_nSelectedIndex;
};
