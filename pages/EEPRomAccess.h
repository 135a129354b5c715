// The EEPROM page: reads and writes the card's configuration EEPROM as 16-bit words, lists it, and loads a
// whole EEPROM image from a text file.
//
// The image file is 8-bit text: items separated by any run of blanks, commas, tabs, LFs and CRs, each item
// one word written as exactly four characters read as hexadecimal (an optional 0x counts towards the
// four), in EEPROM word order from word 0. There is no header, address column or checksum.
#pragma once

#include <afxdlgs.h>

#include "ListingEdit.h"

class AdapterConfig;
class CPPC_uiDlg;

class CEEPRomAccess : public CPropertyPage
{
    DECLARE_DYNAMIC(CEEPRomAccess)
public:
    enum
    {
        LOAD_BUFFER_WORDS = 512, // the words a load takes from a file at most
        ADDRESSED_WORDS = 256,   // a word index reaches the card as its low 8 bits
    };

    CEEPRomAccess();
    ~CEEPRomAccess() override;

    // Reads an image file into pwBuffer, at most nMaxWords words; *pnCount is the number of words stored.
    // Parsing ends at the first item that is not four characters long, showing "Size error, ..." unless
    // the item starts with a byte of 0x7B or above (a byte-order mark, for example). FALSE, with the
    // framework's file-error message shown and no word stored, when the file cannot be opened, read or
    // held in memory.
    static BOOL ParseEepromFile(LPCTSTR pszPath, WORD* pwBuffer, int nMaxWords, int* pnCount);
    // The words an EEPROM of wSize bytes holds that the page can reach (an odd last byte is ignored).
    static int AddressedWords(WORD wSize);

    AdapterConfig* m_pConfig; // null while there is no card; set and cleared by the main dialog
    CPPC_uiDlg* m_pMainDlg;   // the dialog that made the page
    CString m_strOutput;      // the listing box (1028)
    CString m_strIndex;       // the index box (1026), hexadecimal word index
    CString m_strData;        // the data box (1027), hexadecimal word
    CListingEdit m_editOutput;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    // Reads the word at the index into the data box.
    afx_msg void OnRead();
    // Writes the data box's word at the index.
    afx_msg void OnSet();
    // Lists the whole EEPROM, four words a line, keeping the listing's scroll position.
    afx_msg void OnReadAll();
    // Writes an image file chosen by the user over the whole EEPROM.
    afx_msg void OnFromFile();
    // The page's window goes away: the main dialog hides itself shortly after.
    afx_msg void OnDestroy();
    DECLARE_MESSAGE_MAP()

private:
    // Reads words 0 to nWords - 1 behind the wait cursor; FALSE at the first that cannot be read.
    BOOL ReadListing(int nWords, CString& strListing);
    // Parses the file and writes it over the EEPROM behind the wait cursor; the failure to show, if any,
    // in strFailure (empty when the parse has shown its own).
    BOOL LoadImage(LPCTSTR pszPath, CString& strFailure);
};
