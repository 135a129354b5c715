// The framework's files and file errors: CFile on the kernel's file calls, CFileException with the
// framework's standard messages.
#include "afximpl.h"

#include <algorithm>
#include <memory>

const HANDLE CFile::hFileNull = INVALID_HANDLE_VALUE;

// ----- Exceptions
int CException::ReportError(UINT nType, UINT nMessageID)
{
    WCHAR message[512] = {};
    if (GetErrorMessage(message, 512))
        return AfxMessageBox(message, nType);
    if (nMessageID)
        return AfxMessageBox(nMessageID, nType);
    return AfxMessageBox(u"An unknown error has occurred.", nType);
}

BOOL CException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT) const
{
    if (lpszError && nMaxError)
        lpszError[0] = 0;
    return FALSE;
}

void CException::Delete()
{
    // Exceptions are thrown as pointers to objects made with new (see CFileException::Throw).
    std::unique_ptr<CException> owned(this);
}

CFileException::CFileException(int cause, LONG lOsError, LPCTSTR lpszArchiveName)
    : m_cause(cause), m_lOsError(lOsError), m_strFileName(lpszArchiveName ? lpszArchiveName : u"")
{
}

BOOL CFileException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext) const
{
    static const char16_t* const texts[] = {
        u"No error occurred.",
        u"An unexpected error occurred while accessing %1.",
        u"%1 was not found.",
        u"%1 contains an incorrect path.",
        u"Could not open %1 because there are too many open files.",
        u"Access to %1 was denied.",
        u"An incorrect file handle was associated with %1.",
        u"Could not remove %1 because it is the current directory.",
        u"Could not create %1 because the directory is full.",
        u"Seek failed on %1",
        u"A hardware I/O error was reported while accessing %1.",
        u"A sharing violation occurred while accessing %1.",
        u"A locking violation occurred while accessing %1.",
        u"Disk full while accessing %1.",
        u"An attempt was made to access %1 past its end.",
    };
    if (pnHelpContext)
        *pnHelpContext = 0;
    if (!lpszError || nMaxError == 0)
        return FALSE;
    int cause = m_cause >= none && m_cause <= endOfFile ? m_cause : genericException;
    CString text(texts[cause]);
    text.Replace(u"%1", m_strFileName.IsEmpty() ? u"an unnamed file" : static_cast<LPCWSTR>(m_strFileName));
    UINT n = std::min<UINT>(static_cast<UINT>(text.GetLength()), nMaxError - 1);
    std::copy_n(static_cast<LPCWSTR>(text), n, lpszError);
    lpszError[n] = 0;
    return TRUE;
}

int CFileException::OsErrorToException(LONG lOsError)
{
    switch (lOsError)
    {
    case 0:
        return none;
    case ERROR_FILE_NOT_FOUND:
        return fileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        return badPath;
    case ERROR_TOO_MANY_OPEN_FILES:
        return tooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
        return accessDenied;
    case ERROR_INVALID_HANDLE:
        return invalidFile;
    case ERROR_SHARING_VIOLATION:
        return sharingViolation;
    case 33: // ERROR_LOCK_VIOLATION
        return lockViolation;
    case 39: // ERROR_HANDLE_DISK_FULL
    case ERROR_DISK_FULL:
        return diskFull;
    case ERROR_HANDLE_EOF:
        return endOfFile;
    default:
        return genericException;
    }
}

void CFileException::ThrowOsError(LONG lOsError, LPCTSTR lpszFileName)
{
    Throw(OsErrorToException(lOsError), lOsError, lpszFileName);
}

void CFileException::Throw(int cause, LONG lOsError, LPCTSTR lpszFileName)
{
    // The framework's convention: the catcher owns the exception and frees it with Delete().
    throw std::make_unique<CFileException>(cause, lOsError, lpszFileName).release();
}

// ----- Files
CFile::CFile() : m_hFile(hFileNull) {}

CFile::CFile(LPCTSTR lpszFileName, UINT nOpenFlags) : m_hFile(hFileNull)
{
    CFileException error;
    if (!Open(lpszFileName, nOpenFlags, &error))
        CFileException::Throw(error.m_cause, error.m_lOsError, error.m_strFileName);
}

CFile::~CFile()
{
    if (m_hFile != hFileNull)
        Abort();
}

BOOL CFile::Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError)
{
    auto fail = [&](DWORD error)
    {
        if (pError)
        {
            pError->m_lOsError = static_cast<LONG>(error);
            pError->m_cause = CFileException::OsErrorToException(static_cast<LONG>(error));
            pError->m_strFileName = lpszFileName ? lpszFileName : u"";
        }
        return FALSE;
    };
    if (m_hFile != hFileNull)
        Close();
    if (!lpszFileName || !*lpszFileName)
        return fail(ERROR_PATH_NOT_FOUND);
    DWORD access = 0;
    switch (nOpenFlags & 3)
    {
    case modeRead:
        access = GENERIC_READ;
        break;
    case modeWrite:
        access = GENERIC_WRITE;
        break;
    case modeReadWrite:
        access = GENERIC_READ | GENERIC_WRITE;
        break;
    default:
        return fail(ERROR_INVALID_PARAMETER);
    }
    DWORD share = 0;
    switch (nOpenFlags & 0x70)
    {
    case shareCompat:
    case shareExclusive:
        share = 0;
        break;
    case shareDenyWrite:
        share = FILE_SHARE_READ;
        break;
    case shareDenyRead:
        share = FILE_SHARE_WRITE;
        break;
    default:
        share = FILE_SHARE_READ | FILE_SHARE_WRITE;
        break;
    }
    DWORD creation = OPEN_EXISTING;
    if (nOpenFlags & modeCreate)
        creation = (nOpenFlags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
    HANDLE h = ::CreateFileW(lpszFileName, access, share, nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return fail(::GetLastError());
    m_hFile = h;
    m_strFileName = lpszFileName;
    return TRUE;
}

UINT CFile::Read(void* lpBuf, UINT nCount)
{
    if (nCount == 0)
        return 0;
    DWORD read = 0;
    if (!lpBuf || !::ReadFile(m_hFile, lpBuf, nCount, &read, nullptr))
        CFileException::ThrowOsError(lpBuf ? static_cast<LONG>(::GetLastError()) : ERROR_INVALID_PARAMETER,
                                     m_strFileName);
    return read;
}

void CFile::Write(const void* lpBuf, UINT nCount)
{
    if (nCount == 0)
        return;
    DWORD written = 0;
    if (!lpBuf || !::WriteFile(m_hFile, lpBuf, nCount, &written, nullptr))
        CFileException::ThrowOsError(lpBuf ? static_cast<LONG>(::GetLastError()) : ERROR_INVALID_PARAMETER,
                                     m_strFileName);
    if (written != nCount)
        CFileException::Throw(CFileException::diskFull, ERROR_DISK_FULL, m_strFileName);
}

ULONGLONG CFile::GetLength() const
{
    DWORD high = 0;
    ::SetLastError(0);
    DWORD low = ::GetFileSize(m_hFile, &high);
    if (low == INVALID_FILE_SIZE && ::GetLastError() != 0)
        CFileException::ThrowOsError(static_cast<LONG>(::GetLastError()), m_strFileName);
    return (static_cast<ULONGLONG>(high) << 32) | low;
}

ULONGLONG CFile::Seek(LONGLONG lOff, UINT nFrom)
{
    LONG high = static_cast<LONG>(lOff >> 32);
    ::SetLastError(0);
    DWORD low = ::SetFilePointer(m_hFile, static_cast<LONG>(lOff & 0xFFFFFFFF), &high, nFrom);
    if (low == INVALID_SET_FILE_POINTER && ::GetLastError() != 0)
        CFileException::Throw(CFileException::badSeek, static_cast<LONG>(::GetLastError()), m_strFileName);
    return (static_cast<ULONGLONG>(static_cast<DWORD>(high)) << 32) | low;
}

ULONGLONG CFile::GetPosition() const
{
    LONG high = 0;
    ::SetLastError(0);
    DWORD low = ::SetFilePointer(m_hFile, 0, &high, FILE_CURRENT);
    if (low == INVALID_SET_FILE_POINTER && ::GetLastError() != 0)
        CFileException::Throw(CFileException::badSeek, static_cast<LONG>(::GetLastError()), m_strFileName);
    return (static_cast<ULONGLONG>(static_cast<DWORD>(high)) << 32) | low;
}

void CFile::Close()
{
    if (m_hFile == hFileNull)
        return;
    BOOL ok = ::CloseHandle(m_hFile);
    m_hFile = hFileNull;
    if (!ok)
        CFileException::ThrowOsError(static_cast<LONG>(::GetLastError()), m_strFileName);
}

void CFile::Abort()
{
    if (m_hFile != hFileNull)
        ::CloseHandle(m_hFile);
    m_hFile = hFileNull;
}

CString CFile::GetFileName() const
{
    int slash = std::max(m_strFileName.ReverseFind(u'\\'), m_strFileName.ReverseFind(u'/'));
    return m_strFileName.Mid(slash + 1);
}
