// Runs the pages in a language as the application chooses it at start: the thread's resource language,
// the application's m_bLocalized and, for Simplified Chinese, the resource library.
#pragma once

#include "page_test_support.h"

#include <afx/resource.h>

namespace page_test
{

class InterfaceLanguage
{
public:
    explicit InterfaceLanguage(LANGID wLangId) : m_wPrevious(ce::res::SetThreadLanguage(wLangId))
    {
        App().ChooseLanguage(wLangId);
    }
    ~InterfaceLanguage()
    {
        ce::res::SetThreadLanguage(m_wPrevious);
        App().m_bLocalized = FALSE;
        AfxSetResourceHandle(AfxGetInstanceHandle());
    }
    InterfaceLanguage(const InterfaceLanguage&) = delete;
    InterfaceLanguage& operator=(const InterfaceLanguage&) = delete;

private:
    LANGID m_wPrevious;
};

inline const LANGID kTraditionalChinese = 0x0404;
inline const LANGID kSimplifiedChinese = 0x0804;

} // namespace page_test
