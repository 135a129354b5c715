// Runs the pages in a language as the application chooses it at start: the thread's resource language,
// the application's m_bLocalized and, for Simplified Chinese, the resource library.
#pragma once

#include "page_test_support.h"

#include <thread_language.h>

namespace page_test
{

class InterfaceLanguage
{
public:
    explicit InterfaceLanguage(LANGID wLangId) : m_language(wLangId) { App().ChooseLanguage(wLangId); }
    ~InterfaceLanguage()
    {
        App().m_bLocalized = FALSE;
        AfxSetResourceHandle(AfxGetInstanceHandle());
    }
    InterfaceLanguage(const InterfaceLanguage&) = delete;
    InterfaceLanguage& operator=(const InterfaceLanguage&) = delete;

private:
    testing_support::ThreadLanguage m_language;
};

inline const LANGID kTraditionalChinese = 0x0404;
inline const LANGID kSimplifiedChinese = 0x0804;

} // namespace page_test
