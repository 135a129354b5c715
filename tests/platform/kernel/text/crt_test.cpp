// The wide C runtime: scanning, number parsing, case-insensitive comparison and the lstr* functions.
#include "text_test_util.h"

#include <windows.h>

#include <kernel/text.h>

#include <cerrno>
#include <cstdlib>
#include <gtest/gtest.h>

using text_test::U8;

TEST(Swscanf, IntegerConversions)
{
    struct Case
    {
        const char16_t* input;
        const char16_t* format;
        int result;
        int values[4];
    };
    constexpr int u = -99; // untouched
    const Case cases[] = {
        {u"192.168.0.1", u"%d.%d.%d.%d", 4, {192, 168, 0, 1}},
        {u"192.168", u"%d.%d.%d.%d", 2, {192, 168, u, u}},
        {u"  10. 20.30.40", u"%d.%d.%d.%d", 4, {10, 20, 30, 40}},
        {u"1.2.3.4.5", u"%d.%d.%d.%d", 4, {1, 2, 3, 4}},
        {u"", u"%d.%d.%d.%d", EOF, {u, u, u, u}},
        {u"   ", u"%d", EOF, {u, u, u, u}},
        {u"abc", u"%d", 0, {u, u, u, u}},
        {u"5;6", u"%d,%d", 1, {5, u, u, u}},
        {u"x", u"x%d", EOF, {u, u, u, u}},
        {u"y5", u"x%d", 0, {u, u, u, u}},
        {u"-", u"%d", 0, {u, u, u, u}},
        {u"1A2b", u"%x", 1, {0x1a2b, u, u, u}},
        {u"  0x1F zz", u"%x", 1, {0x1f, u, u, u}},
        {u"0xZ", u"%x", 1, {0, u, u, u}},
        {u"zz", u"%x", 0, {u, u, u, u}},
        {u"ffffffff", u"%X", 1, {-1, u, u, u}},
        {u"12345", u"%2d%d", 2, {12, 345, u, u}},
        {u"1 2", u"%*d %d", 1, {2, u, u, u}},
        {u"0x10 010 -10", u"%i %i %i", 3, {16, 8, -10, u}},
        {u"17", u"%o", 1, {15, u, u, u}},
        {u"-1", u"%u", 1, {-1, u, u, u}},
        {u"50%", u"%d%%", 1, {50, u, u, u}},
        {u"4294967297", u"%d", 1, {1, u, u, u}}, // wraps around
        {u"+7", u"%d", 1, {7, u, u, u}},
        {u"ab 12", u"ab %d", 1, {12, u, u, u}},
    };
    for (const Case& c : cases)
    {
        int v[4] = {u, u, u, u};
        EXPECT_EQ(swscanf(c.input, c.format, &v[0], &v[1], &v[2], &v[3]), c.result)
            << U8(c.input) << " / " << U8(c.format);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(v[i], c.values[i]) << U8(c.input) << " / " << U8(c.format) << " field " << i;
    }
}

TEST(Swscanf, SizesTextAndCounts)
{
    short h = 0;
    int64_t big = 0;
    char16_t word[16] = {};
    EXPECT_EQ(swscanf(u"70000 -5000000000  hello world", u"%hd %I64d %s", &h, &big, word), 3);
    EXPECT_EQ(h, 4464);
    EXPECT_EQ(big, -5000000000);
    EXPECT_EQ(U8(word), "hello");

    char16_t three[4] = {u'#', u'#', u'#', u'#'};
    int consumed = -1;
    EXPECT_EQ(swscanf(u" ab cd", u"%3c%n", three, &consumed), 1); // %c keeps white space
    EXPECT_EQ(std::u16string(three, 4), u" ab#");
    EXPECT_EQ(consumed, 3);

    char16_t limited[8] = {};
    EXPECT_EQ(swscanf(u"abcdef", u"%3s", limited), 1);
    EXPECT_EQ(U8(limited), "abc");

    text_test::ScopedLocale taiwan("zh_TW.UTF-8");
    char narrow[8] = {};
    EXPECT_EQ(swscanf(u"\u4E2D x", u"%S", narrow), 1); // 8-bit text in the ANSI code page
    EXPECT_STREQ(narrow, "\xA4\xA4");

    float f = 0;
    double d = 0;
    EXPECT_EQ(swscanf(u"2.5 -1.25e2x", u"%f %lf", &f, &d), 2);
    EXPECT_EQ(f, 2.5f);
    EXPECT_EQ(d, -125.0);
}

TEST(Wcstol, ParsesAsTheHandheld)
{
    struct Case
    {
        const char16_t* text;
        int base;
        long value;
        int used; // characters consumed
        bool range;
    };
    const Case cases[] = {
        {u"12abc", 10, 12, 2, false},
        {u"  -7", 10, -7, 4, false},
        {u"+5", 10, 5, 2, false},
        {u"0x1A", 0, 26, 4, false},
        {u"0x1A", 16, 26, 4, false},
        {u"0x", 16, 0, 1, false},
        {u"010", 0, 8, 3, false},
        {u"zz", 36, 1295, 2, false},
        {u"", 10, 0, 0, false},
        {u"  zz", 10, 0, 0, false},
        {u"2147483647", 10, 2147483647L, 10, false},
        {u"2147483648", 10, 2147483647L, 10, true},
        {u"-2147483648", 10, -2147483647L - 1, 11, false},
        {u"-99999999999", 10, -2147483647L - 1, 12, true},
    };
    for (const Case& c : cases)
    {
        char16_t* end = nullptr;
        errno = 0;
        EXPECT_EQ(wcstol(c.text, &end, c.base), c.value) << U8(c.text);
        EXPECT_EQ(end - c.text, c.used) << U8(c.text);
        EXPECT_EQ(errno == ERANGE, c.range) << U8(c.text);
    }

    char16_t* end = nullptr;
    EXPECT_EQ(wcstoul(u"4294967295", &end, 10), 4294967295UL);
    errno = 0;
    EXPECT_EQ(wcstoul(u"4294967296", &end, 10), 4294967295UL);
    EXPECT_EQ(errno, ERANGE);
    EXPECT_EQ(wcstoul(u"-1", &end, 10), 4294967295UL);
    const char16_t* twelve = u"12";
    EXPECT_EQ(wcstoul(twelve, &end, 1), 0UL); // no such base
    EXPECT_EQ(end, twelve);
}

TEST(Wtoi, StopsAtTheFirstNonDigitAndClamps)
{
    EXPECT_EQ(_ttoi(u"12abc"), 12);
    EXPECT_EQ(_ttoi(u""), 0);
    EXPECT_EQ(_ttoi(u"  -7"), -7);
    EXPECT_EQ(_ttoi(u"0x10"), 0);
    EXPECT_EQ(_ttoi(u"99999999999"), 2147483647);
    EXPECT_EQ(_ttoi(u"-99999999999"), -2147483647 - 1);
    EXPECT_EQ(_ttoi(nullptr), 0);
    EXPECT_EQ(_wtof(u" 2.5e1x"), 25.0);
    char16_t* end = nullptr;
    const char16_t* inf = u"inf";
    EXPECT_EQ(wcstod(inf, &end), 0.0);
    EXPECT_EQ(end, inf);
}

TEST(WideStrings, CaseInsensitiveComparisonCoversLatin1)
{
    EXPECT_EQ(_wcsicmp(u"WLAN11B1", u"wlan11b1"), 0);
    EXPECT_EQ(_wcsicmp(u"\u00C4\u00D6\u00DC\u00C9", u"\u00E4\u00F6\u00FC\u00E9"), 0);
    EXPECT_LT(_wcsicmp(u"a", u"B"), 0);
    EXPECT_GT(_wcsicmp(u"abc", u"AB"), 0);
    EXPECT_NE(_wcsicmp(u"\u00D7", u"\u00F7"), 0); // multiplication and division signs have no case
    EXPECT_EQ(_wcsnicmp(u"ABCx", u"abcy", 3), 0);
    EXPECT_EQ(towupper(u'\u00FF'), 0x0178);
    EXPECT_EQ(towlower(u'\u0100'), 0x0101);
    EXPECT_EQ(towupper(u'\u0101'), 0x0100);
    EXPECT_EQ(towupper(u'\u0436'), 0x0416); // Cyrillic

    char16_t text[] = u"Gr\u00FC\u00DFe";
    EXPECT_EQ(U8(_wcsupr(text)), U8(u"GR\u00DC\u00DFE"));
    EXPECT_EQ(U8(_wcslwr(text)), U8(u"gr\u00FC\u00DFe"));
}

// The platform's own helpers fold as _wcsicmp does, on views that need no terminating zero.
TEST(WideStrings, InternalNoCaseHelpersAgreeWithWcsicmp)
{
    auto sign = [](int v) { return (v > 0) - (v < 0); };
    const std::u16string_view pairs[][2] = {
        {u"ComboBox", u"COMBOBOX"}, {u"a", u"B"},           {u"abc", u"AB"}, {u"_", u"a"},
        {u"\u00C4x", u"\u00E4X"},   {u"\u00D7", u"\u00F7"}, {u"", u"x"},
    };
    for (const auto& [a, b] : pairs)
    {
        const std::u16string za(a), zb(b);
        EXPECT_EQ(sign(ce::text::CompareNoCase(a, b)), sign(_wcsicmp(za.c_str(), zb.c_str())))
            << U8(za.c_str());
        EXPECT_EQ(ce::text::EqualsNoCase(a, b), _wcsicmp(za.c_str(), zb.c_str()) == 0) << U8(za.c_str());
    }
    const std::u16string_view text = u"HTTP://host";
    EXPECT_TRUE(ce::text::StartsWithNoCase(text, u"http://"));
    EXPECT_FALSE(ce::text::StartsWithNoCase(u"http:", u"http://"));
    EXPECT_TRUE(ce::text::EqualsNoCase(text.substr(0, 4), u"http"));

    // Host names are bytes: ASCII letters fold, the bytes of other characters compare exactly.
    EXPECT_TRUE(ce::text::EqualsNoCase(std::string_view("PCANDIS4.dll"), std::string_view("pcandis4.DLL")));
    EXPECT_FALSE(ce::text::EqualsNoCase(std::string_view("\xC3\x84"), std::string_view("\xC3\xA4")));

    const std::pair<char32_t, int> digits[] = {{U'0', 0},  {U'9', 9},  {U'a', 10}, {U'F', 15},
                                               {U'z', 35}, {U'/', -1}, {U':', -1}, {U'\uFF10', -1}};
    for (const auto& [c, value] : digits)
        EXPECT_EQ(ce::text::DigitValue(c), value) << static_cast<uint32_t>(c);
    EXPECT_EQ(ce::text::HexDigitValue(U'f'), 15);
    EXPECT_EQ(ce::text::HexDigitValue(U'g'), -1);
}

TEST(WideStrings, SearchCopyAndDuplicate)
{
    const char16_t* s = u"Comm\\WLAN11b1\\Parms";
    EXPECT_EQ(wcschr(s, u'\\') - s, 4);
    EXPECT_EQ(wcsrchr(s, u'\\') - s, 13);
    EXPECT_EQ(wcsstr(s, u"WLAN") - s, 5);
    EXPECT_EQ(wcsstr(s, u"wlan"), nullptr);
    EXPECT_EQ(wcschr(s, u'\0') - s, 19);

    char16_t* copy = _wcsdup(s);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(wcscmp(copy, s), 0);
    free(copy);
    EXPECT_EQ(_wcsdup(nullptr), nullptr);

    char16_t buf[8];
    std::fill(std::begin(buf), std::end(buf), u'#');
    wcsncpy(buf, u"ab", 5);
    EXPECT_EQ(std::u16string(buf, 6), std::u16string(u"ab\0\0\0#", 6));
}

TEST(Lstr, NullTolerantAndBounded)
{
    EXPECT_EQ(lstrlenW(nullptr), 0);
    EXPECT_EQ(lstrlenW(u"abc"), 3);

    char16_t buf[6];
    std::fill(std::begin(buf), std::end(buf), u'#');
    EXPECT_EQ(lstrcpynW(buf, u"abcdef", 4), buf);
    EXPECT_EQ(std::u16string(buf, 5), std::u16string(u"abc\0#", 5));
    std::fill(std::begin(buf), std::end(buf), u'#');
    lstrcpynW(buf, u"abc", 0);
    EXPECT_EQ(buf[0], u'#');
    EXPECT_EQ(lstrcpynW(nullptr, u"a", 3), nullptr);
    EXPECT_EQ(lstrcpyW(buf, nullptr), nullptr);
    EXPECT_EQ(U8(lstrcpyW(buf, u"xyz")), "xyz");

    // Word order: case is only a tie-break, lower before upper.
    EXPECT_LT(lstrcmpW(u"a", u"B"), 0);
    EXPECT_LT(lstrcmpW(u"a", u"A"), 0);
    EXPECT_GT(lstrcmpW(u"B", u"a"), 0);
    EXPECT_EQ(lstrcmpW(u"same", u"same"), 0);
    EXPECT_EQ(lstrcmpiW(u"WLAN11b1", u"wlan11B1"), 0);
    EXPECT_EQ(lstrcmpiW(u"a", u"B"), -1);
    EXPECT_EQ(lstrcmpW(nullptr, nullptr), 0);
    EXPECT_EQ(lstrcmpW(nullptr, u""), -1);
    EXPECT_EQ(lstrcmpiW(u"", nullptr), 1);
}
