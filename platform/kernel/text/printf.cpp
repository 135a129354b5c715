// The printf family of the wide runtime, over the formatting engine. The arguments of a C argument
// list are read by the types their conversions imply and handed to the engine as a typed list.

#include "text_internal.h"

#include <cstring>

namespace
{

// wsprintfW's output limit, in characters without the terminator.
constexpr size_t kWsprintfLimit = 1024;

std::u16string FormatVa(const char16_t* format, va_list args)
{
    const std::vector<ce::fmt::Arg> list = ce::text::ArgsFromVaList(format, args);
    return ce::fmt::Format(format, list.data(), list.size());
}

void Copy(char16_t* dst, const std::u16string& text, size_t n)
{
    std::memcpy(dst, text.data(), n * sizeof(char16_t));
}

} // namespace

int wvsprintfW(char16_t* buffer, const char16_t* format, va_list args)
{
    if (!buffer || !format)
        return -1;
    const std::u16string text = FormatVa(format, args);
    const size_t n = text.size() < kWsprintfLimit ? text.size() : kWsprintfLimit;
    Copy(buffer, text, n);
    buffer[n] = 0;
    return static_cast<int>(n);
}

int wsprintfW(char16_t* buffer, const char16_t* format, ...)
{
    va_list args;
    va_start(args, format);
    const int r = wvsprintfW(buffer, format, args);
    va_end(args);
    return r;
}

// count is the buffer size in characters. Output that does not fit is cut to count - 1 characters
// and terminated, and the call returns -1.
int vswprintf(char16_t* buffer, size_t count, const char16_t* format, va_list args)
{
    if (!buffer || !format || count == 0)
        return -1;
    const std::u16string text = FormatVa(format, args);
    if (text.size() < count)
    {
        Copy(buffer, text, text.size());
        buffer[text.size()] = 0;
        return static_cast<int>(text.size());
    }
    Copy(buffer, text, count - 1);
    buffer[count - 1] = 0;
    return -1;
}

int swprintf(char16_t* buffer, size_t count, const char16_t* format, ...)
{
    va_list args;
    va_start(args, format);
    const int r = vswprintf(buffer, count, format, args);
    va_end(args);
    return r;
}

// As on Windows: a text shorter than count is terminated; one of exactly count characters fills the
// buffer without a terminator and returns count; a longer one is cut to count characters, not
// terminated, and the call returns -1.
int _snwprintf(char16_t* buffer, size_t count, const char16_t* format, ...)
{
    if (!format || (!buffer && count != 0))
        return -1;
    va_list args;
    va_start(args, format);
    const std::u16string text = FormatVa(format, args);
    va_end(args);
    if (text.size() < count)
    {
        Copy(buffer, text, text.size());
        buffer[text.size()] = 0;
        return static_cast<int>(text.size());
    }
    if (count > 0)
        Copy(buffer, text, count);
    return text.size() == count ? static_cast<int>(count) : -1;
}
