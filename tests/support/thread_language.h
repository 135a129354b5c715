// Chooses the language this thread's resource lookups use (strings, dialogs, menus) for the life of the
// object, and puts the previous choice back afterwards.
#pragma once

#include <kernel/resource.h>

namespace testing_support
{

class ThreadLanguage
{
public:
    explicit ThreadLanguage(LANGID lang) : m_previous(ce::res::SetThreadLanguage(lang)) {}
    ~ThreadLanguage() { ce::res::SetThreadLanguage(m_previous); }
    ThreadLanguage(const ThreadLanguage&) = delete;
    ThreadLanguage& operator=(const ThreadLanguage&) = delete;

private:
    LANGID m_previous;
};

} // namespace testing_support
