// The device language from the POSIX locale, its code page, and the code page conversions with their
// Windows argument rules, error numbers and untouched outputs.
#include "text_test_util.h"

#include <kernel/utf8.h>
#include <windows.h>

#include <functional>
#include <gtest/gtest.h>
#include <string>

using text_test::ScopedLocale;
using text_test::U8;

namespace
{

std::u16string ToWide(UINT cp, const std::string& bytes, DWORD flags = 0)
{
    const int n = MultiByteToWideChar(cp, flags, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::u16string out(static_cast<size_t>(n), u'\0');
    if (n > 0)
    {
        EXPECT_EQ(MultiByteToWideChar(cp, flags, bytes.data(), static_cast<int>(bytes.size()), out.data(), n),
                  n);
    }
    return out;
}

std::string ToBytes(UINT cp, const std::u16string& text, BOOL* usedDefault = nullptr,
                    const char* def = nullptr)
{
    const int len = static_cast<int>(text.size());
    const int n = WideCharToMultiByte(cp, 0, text.data(), len, nullptr, 0, def, usedDefault);
    std::string out(static_cast<size_t>(n), '\0');
    if (n > 0)
    {
        EXPECT_EQ(WideCharToMultiByte(cp, 0, text.data(), len, out.data(), n, def, usedDefault), n);
    }
    return out;
}

} // namespace

TEST(Locale, LanguageFromThePosixLocale)
{
    struct Case
    {
        const char* lcAll;
        const char* lcMessages;
        const char* lang;
        LANGID langId;
        UINT acp;
    };
    const Case cases[] = {
        {"zh_TW.UTF-8", nullptr, nullptr, 0x0404, 950},
        {"zh_HK", nullptr, nullptr, 0x0C04, 950},
        {"zh_MO.UTF-8", nullptr, nullptr, 0x1404, 950},
        {"zh_SG", nullptr, nullptr, 0x1004, 936},
        {"zh_CN.GB2312", nullptr, nullptr, 0x0804, 936},
        {"zh", nullptr, nullptr, 0x0804, 936},
        {"en_US.UTF-8", nullptr, nullptr, 0x0409, 1252},
        {"en_GB", nullptr, nullptr, 0x0809, 1252},
        {"de_DE@euro", nullptr, nullptr, 0x0407, 1252},
        {"de_BE.UTF-8", nullptr, nullptr, 0x0407, 1252}, // the language's default country
        {"fr_FR", nullptr, nullptr, 0x040C, 1252},
        {"ja_JP.UTF-8", nullptr, nullptr, 0x0411, 932},
        {"ko_KR.EUC-KR", nullptr, nullptr, 0x0412, 949},
        {"C", nullptr, nullptr, 0x0409, 1252},
        {"POSIX", nullptr, nullptr, 0x0409, 1252},
        {"C.UTF-8", nullptr, nullptr, 0x0409, 1252},
        {"xx_YY", nullptr, nullptr, 0x0409, 1252},
        {nullptr, nullptr, nullptr, 0x0409, 1252},
        // LC_ALL, then LC_MESSAGES, then LANG; empty ones do not count.
        {"", "zh_TW", "en_US", 0x0404, 950},
        {"ja_JP", "zh_TW", "en_US", 0x0411, 932},
        {nullptr, "", "zh_CN.UTF-8", 0x0804, 936},
    };
    for (const Case& c : cases)
    {
        ScopedLocale locale(c.lcAll, c.lcMessages, c.lang);
        const std::string where = std::string(c.lcAll ? c.lcAll : "(unset)") + " / " +
                                  (c.lcMessages ? c.lcMessages : "(unset)") + " / " +
                                  (c.lang ? c.lang : "(unset)");
        EXPECT_EQ(GetUserDefaultLangID(), c.langId) << where;
        EXPECT_EQ(GetSystemDefaultLangID(), c.langId) << where;
        EXPECT_EQ(GetUserDefaultLCID(), static_cast<LCID>(c.langId)) << where;
        EXPECT_EQ(GetACP(), c.acp) << where;
        EXPECT_EQ(GetOEMCP(), c.acp) << where;
    }
}

TEST(CodePage, ChineseRoundTrips)
{
    const std::u16string chinese = u"\u4E2D\u6587\u5B57 ok";
    const std::string big5 = "\xA4\xA4\xA4\xE5\xA6\x72 ok";
    const std::string gbk = "\xD6\xD0\xCE\xC4\xD7\xD6 ok";
    EXPECT_EQ(ToBytes(950, chinese), big5);
    EXPECT_EQ(U8(ToWide(950, big5)), U8(chinese));
    EXPECT_EQ(ToBytes(936, chinese), gbk);
    EXPECT_EQ(U8(ToWide(936, gbk)), U8(chinese));
    {
        ScopedLocale taiwan("zh_TW.UTF-8");
        EXPECT_EQ(ToBytes(CP_ACP, chinese), big5);
        EXPECT_EQ(U8(ToWide(CP_ACP, big5)), U8(chinese));
        EXPECT_EQ(ToBytes(CP_OEMCP, chinese), big5);
    }
    {
        ScopedLocale china("zh_CN.UTF-8");
        EXPECT_EQ(ToBytes(CP_ACP, chinese), gbk);
        EXPECT_EQ(U8(ToWide(CP_ACP, gbk)), U8(chinese));
    }
}

TEST(CodePage, WesternAndUtf8)
{
    ScopedLocale english("en_US.UTF-8");
    EXPECT_EQ(ToBytes(CP_ACP, u"caf\u00E9"), "caf\xE9");
    EXPECT_EQ(U8(ToWide(CP_ACP, "caf\xE9")), U8(u"caf\u00E9"));
    // 1252's upper half: the euro sign, and an unassigned byte that stands for its C1 control.
    EXPECT_EQ(U8(ToWide(1252, "\x80\x81\x9F")), U8(u"\u20AC\u0081\u0178"));
    EXPECT_EQ(ToBytes(1252, u"\u20AC\u0081\u0178"), "\x80\x81\x9F");

    const std::u16string mixed = u"\u00E9\u4E2D\U0001F600";
    const std::string utf8 = "\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80";
    EXPECT_EQ(ToBytes(CP_UTF8, mixed), utf8);
    EXPECT_EQ(U8(ToWide(CP_UTF8, utf8)), U8(mixed));
}

TEST(CodePage, TerminatorAndSizeQueries)
{
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", -1, nullptr, 0), 4);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", 3, nullptr, 0), 3);
    char16_t wide[8];
    std::fill(std::begin(wide), std::end(wide), u'#');
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", -1, wide, 8), 4);
    EXPECT_EQ(std::u16string(wide, 5), std::u16string(u"abc\0#", 5));
    EXPECT_EQ(WideCharToMultiByte(950, 0, u"\u4E2D", -1, nullptr, 0, nullptr, nullptr), 3);
    char bytes[8];
    EXPECT_EQ(WideCharToMultiByte(950, 0, u"\u4E2D", -1, bytes, 8, nullptr, nullptr), 3);
    EXPECT_STREQ(bytes, "\xA4\xA4");
}

TEST(CodePage, TooSmallOutputStaysUntouched)
{
    char16_t wide[3];
    std::fill(std::begin(wide), std::end(wide), u'#');
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", -1, wide, 3), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(std::u16string(wide, 3), u"###");

    char bytes[3] = {'#', '#', '#'};
    BOOL used = 7;
    SetLastError(0);
    EXPECT_EQ(WideCharToMultiByte(950, 0, u"\u4E2D\u6587", 2, bytes, 3, nullptr, &used), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(std::string(bytes, 3), "###");
    EXPECT_EQ(used, 7);
}

TEST(CodePage, ArgumentsAndFlagsAreChecked)
{
    char16_t wide[4];
    char bytes[4];
    BOOL used = FALSE;
    struct Case
    {
        std::function<int()> call;
        DWORD error;
    };
    const Case cases[] = {
        {[&] { return MultiByteToWideChar(CP_UTF8, 0, nullptr, 3, wide, 4); }, ERROR_INVALID_PARAMETER},
        {[&] { return MultiByteToWideChar(CP_UTF8, 0, "a", 0, wide, 4); }, ERROR_INVALID_PARAMETER},
        {[&] { return MultiByteToWideChar(CP_UTF8, 0, "a", -2, wide, 4); }, ERROR_INVALID_PARAMETER},
        {[&] { return MultiByteToWideChar(CP_UTF8, 0, "a", 1, nullptr, 4); }, ERROR_INVALID_PARAMETER},
        {[&] { return MultiByteToWideChar(CP_UTF8, 0, "a", 1, wide, -1); }, ERROR_INVALID_PARAMETER},
        {[&] { return MultiByteToWideChar(12345, 0, "a", 1, wide, 4); }, ERROR_INVALID_PARAMETER},
        {[&] { return MultiByteToWideChar(CP_UTF8, MB_PRECOMPOSED, "a", 1, wide, 4); }, ERROR_INVALID_FLAGS},
        {[&] { return MultiByteToWideChar(1252, 0x100, "a", 1, wide, 4); }, ERROR_INVALID_FLAGS},
        {[&] { return MultiByteToWideChar(1252, MB_PRECOMPOSED | 0x2, "a", 1, wide, 4); },
         ERROR_INVALID_FLAGS},
        {[&] { return WideCharToMultiByte(CP_UTF8, 0, nullptr, 1, bytes, 4, nullptr, nullptr); },
         ERROR_INVALID_PARAMETER},
        {[&] { return WideCharToMultiByte(CP_UTF8, 0, u"a", 1, bytes, -1, nullptr, nullptr); },
         ERROR_INVALID_PARAMETER},
        {[&] { return WideCharToMultiByte(CP_UTF8, 0, u"a", 1, nullptr, 4, nullptr, nullptr); },
         ERROR_INVALID_PARAMETER},
        // UTF-8 has no default character.
        {[&] { return WideCharToMultiByte(CP_UTF8, 0, u"a", 1, bytes, 4, nullptr, &used); },
         ERROR_INVALID_PARAMETER},
        {[&] { return WideCharToMultiByte(CP_UTF8, 0, u"a", 1, bytes, 4, "?", nullptr); },
         ERROR_INVALID_PARAMETER},
        {[&] { return WideCharToMultiByte(1252, 0x80, u"a", 1, bytes, 4, nullptr, nullptr); },
         ERROR_INVALID_FLAGS},
        {[&]
         { return WideCharToMultiByte(CP_UTF8, WC_NO_BEST_FIT_CHARS, u"a", 1, bytes, 4, nullptr, nullptr); },
         ERROR_INVALID_FLAGS},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
    {
        SetLastError(0);
        EXPECT_EQ(cases[i].call(), 0) << "case " << i;
        EXPECT_EQ(GetLastError(), cases[i].error) << "case " << i;
    }
}

TEST(CodePage, InvalidInput)
{
    // UTF-8: each invalid sequence is one U+FFFD, or an error with MB_ERR_INVALID_CHARS.
    EXPECT_EQ(U8(ToWide(CP_UTF8, "a\xFF"
                                 "b")),
              U8(u"a\uFFFDb"));
    EXPECT_EQ(U8(ToWide(CP_UTF8, "\xE4\xB8"
                                 "a")),
              U8(u"\uFFFDa"));
    EXPECT_EQ(U8(ToWide(CP_UTF8, "\xC0\xAF")), U8(u"\uFFFD\uFFFD")); // overlong '/'
    char16_t wide[8];
    std::fill(std::begin(wide), std::end(wide), u'#');
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "ab\xC3", 3, wide, 8), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
    EXPECT_EQ(wide[0], u'#');

    // A lead byte of Big5 without its trail byte.
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(950, MB_ERR_INVALID_CHARS, "a\xA4", 2, wide, 8), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
    EXPECT_EQ(U8(ToWide(950, "a\xA4")), "a?");

    // Unpaired surrogates.
    const std::u16string lone(1, static_cast<char16_t>(0xD800));
    EXPECT_EQ(ToBytes(CP_UTF8, lone + u"x"), "\xEF\xBF\xBDx");
    char bytes[8];
    SetLastError(0);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0x80 /* WC_ERR_INVALID_CHARS */, lone.data(), 1, bytes, 8, nullptr,
                                  nullptr),
              0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
}

// The kernel's own UTF-8 helpers (names, paths, registry files) share the converter above.
TEST(Utf8, StrictFormsFailLeavingTheOutputAsItWasAndLenientOnesMatchTheConverter)
{
    std::u16string out = u"x";
    size_t bad = 99;
    EXPECT_FALSE(ce::text::DecodeUtf8("ab\n\xE4\xB8"
                                      "c",
                                      true, out, &bad));
    EXPECT_EQ(out, u"x");
    EXPECT_EQ(bad, 3u);
    EXPECT_TRUE(ce::text::DecodeUtf8("\xC3\xA9", true, out));
    EXPECT_EQ(out, u"x\u00E9");

    const std::u16string lone(1, static_cast<char16_t>(0xDC00));
    EXPECT_FALSE(ce::text::ToUtf8Strict(u"a" + lone));
    EXPECT_EQ(ce::text::ToUtf8Strict(u"\u8A9E").value_or(""), "\xE8\xAA\x9E");
    EXPECT_EQ(ce::text::ToUtf8(lone), "\xEF\xBF\xBD");

    for (const std::string bytes : {"\xF0\x9F\x98"
                                    "a",
                                    "\xC0\xAF", "\xED\xA0\x80", "ok"})
        EXPECT_EQ(ce::text::FromUtf8(bytes), ToWide(CP_UTF8, bytes)) << bytes;
}

TEST(CodePage, UnmappableCharactersUseTheDefault)
{
    BOOL used = 7;
    EXPECT_EQ(ToBytes(1252, u"a\u4E2Db", &used), "a?b");
    EXPECT_EQ(used, TRUE);
    EXPECT_EQ(ToBytes(1252, u"a\U0001F600b", &used, "*"), "a*b"); // a surrogate pair is one character
    EXPECT_EQ(used, TRUE);
    EXPECT_EQ(ToBytes(1252, u"plain", &used), "plain");
    EXPECT_EQ(used, FALSE);
    EXPECT_EQ(ToBytes(950, u"\u4E2D\u0E01", &used), "\xA4\xA4?"); // Thai is not in Big5
    EXPECT_EQ(used, TRUE);
    EXPECT_EQ(ToBytes(936, u"\u4E2D", &used), "\xD6\xD0");
    EXPECT_EQ(used, FALSE);
}
