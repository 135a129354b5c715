// Helpers of the text tests: readable UTF-16 in failure messages and a scoped POSIX locale.
#pragma once

#include <windows.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace text_test
{

inline std::string U8(std::u16string_view s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i)
    {
        uint32_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size())
            c = 0x10000 + ((c - 0xD800) << 10) + (s[++i] - 0xDC00);
        if (c < 0x80)
            out.push_back(static_cast<char>(c));
        else if (c < 0x800)
        {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
        else if (c < 0x10000)
        {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
        else
        {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

// Sets LC_ALL, LC_MESSAGES and LANG (nullptr unsets) for the life of the object.
class ScopedLocale
{
public:
    ScopedLocale(const char* lcAll, const char* lcMessages = nullptr, const char* lang = nullptr)
    {
        const char* values[3] = {lcAll, lcMessages, lang};
        for (int i = 0; i < 3; ++i)
        {
            if (const char* old = std::getenv(kNames[i]))
                m_saved[i] = old;
            Set(kNames[i], values[i]);
        }
    }
    ~ScopedLocale()
    {
        for (int i = 0; i < 3; ++i)
            Set(kNames[i], m_saved[i] ? m_saved[i]->c_str() : nullptr);
    }
    ScopedLocale(const ScopedLocale&) = delete;
    ScopedLocale& operator=(const ScopedLocale&) = delete;

private:
    static void Set(const char* name, const char* value)
    {
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    static constexpr const char* kNames[3] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    std::optional<std::string> m_saved[3];
};

} // namespace text_test
