#include "EEPRomAccess.h"

#include <AdapterConfig.h>

#include <memory>
#include <new>

#include "HexText.h"
#include "PPC_uiDlg.h"
#include "resource.h"

namespace
{

enum
{
    WORDS_PER_LINE = 4,
    ITEM_CHARS = 4, // one word of an image file
    // An image of every word the page can load, with generous separators, takes a few kilobytes; a longer
    // file is no image and is not read into the handheld's small memory.
    MAX_IMAGE_FILE_BYTES = 1024 * 1024,
};

bool IsSeparator(char c)
{
    return c == ' ' || c == ',' || c == '\t' || c == '\n' || c == '\r';
}

// Reads the whole file into pText as text ended by a 0 byte. FALSE, with the framework's file-error
// message shown, when the file cannot be opened, read or held in memory.
BOOL ReadFileText(LPCTSTR pszPath, std::unique_ptr<char[]>& pText)
{
    CFile file;
    CFileException error;
    if (!file.Open(pszPath, CFile::modeRead | CFile::shareDenyNone, &error))
    {
        error.ReportError();
        return FALSE;
    }
    try
    {
        const ULONGLONG qwLength = file.GetLength();
        std::unique_ptr<char[]> pBuffer;
        if (qwLength <= MAX_IMAGE_FILE_BYTES)
            pBuffer.reset(new (std::nothrow) char[static_cast<size_t>(qwLength) + 1]);
        if (!pBuffer)
        {
            CFileException tooLarge(CFileException::genericException, ERROR_NOT_ENOUGH_MEMORY, pszPath);
            tooLarge.ReportError();
            return FALSE;
        }
        const UINT nRead = file.Read(pBuffer.get(), static_cast<UINT>(qwLength));
        pBuffer[nRead] = 0;
        file.Close();
        pText = std::move(pBuffer);
        return TRUE;
    }
    catch (CFileException* pError)
    {
        pError->ReportError();
        pError->Delete();
        return FALSE;
    }
}

// Stores the words of the image text, at most nMaxWords; returns how many.
int ParseItems(const char* pszText, WORD* pwBuffer, int nMaxWords)
{
    int nCount = 0;
    const char* p = pszText;
    while (nCount < nMaxWords)
    {
        while (IsSeparator(*p))
            ++p;
        if (*p == 0)
            break;
        const char* pItem = p;
        while (*p != 0 && !IsSeparator(*p))
            ++p;
        if (p - pItem != ITEM_CHARS)
        {
            // An item from byte 0x7B up is no text of words (a byte-order mark, for one): no message.
            if (static_cast<BYTE>(*pItem) < 0x7B)
                AfxMessageBox(_T("Size error, all of the item should be word-size"));
            break;
        }
        WCHAR szItem[ITEM_CHARS + 1] = {};
        for (int i = 0; i < ITEM_CHARS; ++i)
            szItem[i] = static_cast<BYTE>(pItem[i]);
        DWORD dwWord = 0; // an item that is no number stores 0
        ParseHexText(szItem, &dwWord);
        pwBuffer[nCount++] = LOWORD(dwWord);
    }
    return nCount;
}

} // namespace

IMPLEMENT_DYNAMIC(CEEPRomAccess, CPropertyPage)

CEEPRomAccess::CEEPRomAccess() : CPropertyPage(IDD_EEPROM), m_pConfig(NULL), m_pMainDlg(NULL) {}

CEEPRomAccess::~CEEPRomAccess() = default;

BOOL CEEPRomAccess::ParseEepromFile(LPCTSTR pszPath, WORD* pwBuffer, int nMaxWords, int* pnCount)
{
    if (pwBuffer == NULL || pnCount == NULL || nMaxWords < 0)
        return FALSE;
    std::unique_ptr<char[]> pText;
    if (!ReadFileText(pszPath, pText))
        return FALSE;
    *pnCount = ParseItems(pText.get(), pwBuffer, nMaxWords);
    return TRUE;
}

int CEEPRomAccess::AddressedWords(WORD wSize)
{
    const int nWords = wSize / 2;
    return nWords < ADDRESSED_WORDS ? nWords : ADDRESSED_WORDS;
}

void CEEPRomAccess::DoDataExchange(CDataExchange* pDX)
{
    CPropertyPage::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_EEP_OUTPUT, m_editOutput);
    DDX_Text(pDX, IDC_EEP_OUTPUT, m_strOutput);
    DDX_Text(pDX, IDC_EEP_INDEX, m_strIndex);
    DDX_Text(pDX, IDC_EEP_DATA, m_strData);
}

BEGIN_MESSAGE_MAP(CEEPRomAccess, CPropertyPage)
ON_BN_CLICKED(IDC_READ, OnRead)
ON_BN_CLICKED(IDC_SET, OnSet)
ON_BN_CLICKED(IDC_READ_ALL, OnReadAll)
ON_BN_CLICKED(IDC_FROM_FILE, OnFromFile)
ON_WM_DESTROY()
END_MESSAGE_MAP()

void CEEPRomAccess::OnRead()
{
    if (m_pConfig == NULL)
        return;
    UpdateData(TRUE);
    DWORD dwIndex = 0; // an empty box reads word 0
    ParseHexText(m_strIndex, &dwIndex);
    WORD wValue = 0;
    if (!m_pConfig->ReadEeprom(LOBYTE(dwIndex), &wValue))
    {
        AfxMessageBox(_T("Fail to read"));
        return;
    }
    m_strData.Format(_T("%04x"), wValue);
    UpdateData(FALSE);
}

void CEEPRomAccess::OnSet()
{
    if (m_pConfig == NULL)
        return;
    UpdateData(TRUE);
    DWORD dwIndex = 0, dwValue = 0;
    if (!ParseHexInput(m_strIndex, &dwIndex) || !ParseHexInput(m_strData, &dwValue))
        return;
    if (!m_pConfig->WriteEeprom(LOBYTE(dwIndex), LOWORD(dwValue)))
        AfxMessageBox(_T("Fail to read write"));
}

void CEEPRomAccess::OnReadAll()
{
    if (m_pConfig == NULL)
        return;
    WORD wSize = 0;
    if (!m_pConfig->GetEepromSize(&wSize))
    {
        AfxMessageBox(_T("Fail to get EEPRom size"));
        return;
    }
    CString strListing;
    if (!ReadListing(AddressedWords(wSize), strListing))
    {
        AfxMessageBox(_T("Fail to read"));
        return;
    }
    m_strOutput = strListing;
    m_editOutput.ReplaceListing(m_strOutput);
}

BOOL CEEPRomAccess::ReadListing(int nWords, CString& strListing)
{
    CWaitCursor wait;
    for (int i = 0; i < nWords; ++i)
    {
        WORD wValue = 0;
        if (!m_pConfig->ReadEeprom(static_cast<BYTE>(i), &wValue))
            return FALSE;
        // A line is labelled with its first word's index and ends after its fourth word.
        switch (i % WORDS_PER_LINE)
        {
        case 0:
            strListing.AppendFormat(_T("%03x:\t%04x"), i, wValue);
            break;
        case WORDS_PER_LINE - 1:
            strListing.AppendFormat(_T("\t%04x\r\n"), wValue);
            break;
        default:
            strListing.AppendFormat(_T("\t%04x"), wValue);
            break;
        }
    }
    return TRUE;
}

void CEEPRomAccess::OnFromFile()
{
    if (m_pConfig == NULL)
        return;
    CFileDialog dlg(TRUE, _T("txt"), _T("*.txt"), OFN_FILEMUSTEXIST,
                    _T("Text Files (*.txt) | *.txt | All Files (*.*) | *.* ||"), this);
    if (dlg.DoModal() != IDOK)
        return;
    CString strFailure;
    if (!LoadImage(dlg.GetPathName(), strFailure) && !strFailure.IsEmpty())
        AfxMessageBox(strFailure);
}

BOOL CEEPRomAccess::LoadImage(LPCTSTR pszPath, CString& strFailure)
{
    CWaitCursor wait;
    WORD awImage[LOAD_BUFFER_WORDS] = {};
    int nRead = 0;
    if (!ParseEepromFile(pszPath, awImage, LOAD_BUFFER_WORDS, &nRead))
        return FALSE; // the file error has been shown
    WORD wSize = 0;
    if (!m_pConfig->GetEepromSize(&wSize))
    {
        strFailure = _T("Fail to get EEPRom size");
        return FALSE;
    }
    // A file that ends early would leave zeros in the words it lacks: nothing is written from it.
    const int nWords = AddressedWords(wSize);
    if (nRead < nWords)
    {
        strFailure.Format(_T("Fail to load: the file holds %d of the %d words, nothing written"), nRead,
                          nWords);
        return FALSE;
    }
    // Words past the EEPROM's are not written; a failed word stops the load with those before it written.
    for (int i = 0; i < nWords; ++i)
        if (!m_pConfig->WriteEeprom(static_cast<BYTE>(i), awImage[i]))
        {
            strFailure = _T("Fail to read write");
            return FALSE;
        }
    return TRUE;
}

void CEEPRomAccess::OnDestroy()
{
    CPropertyPage::OnDestroy();
    if (m_pMainDlg)
        m_pMainDlg->HideFromPage();
}
