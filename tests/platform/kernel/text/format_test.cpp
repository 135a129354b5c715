// The formatting engine and the printf family: the handheld runtime's output for every conversion,
// argument mismatches, and the buffer rules of wsprintfW, swprintf and _snwprintf.
#include "text_test_util.h"

#include <windows.h>
#include <wformat.h>

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

using text_test::U8;

namespace
{

template <class... Args> std::u16string F(const char16_t* format, const Args&... args)
{
    return ce::fmt::FormatArgs(format, args...);
}

struct Row
{
    std::u16string got;
    std::u16string_view want;
};

void ExpectRows(const std::vector<Row>& rows)
{
    for (size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(U8(rows[i].got), U8(rows[i].want)) << "row " << i;
}

std::vector<std::string> g_mismatches;
std::vector<std::u16string> g_formats;

void Record(const char16_t* format, const char* what)
{
    g_formats.emplace_back(format);
    g_mismatches.emplace_back(what);
}

class MismatchRecorder
{
public:
    MismatchRecorder()
    {
        g_mismatches.clear();
        g_formats.clear();
        m_previous = ce::fmt::SetMismatchHandler(&Record);
    }
    ~MismatchRecorder() { ce::fmt::SetMismatchHandler(m_previous); }

private:
    ce::fmt::MismatchHandler m_previous;
};

} // namespace

TEST(Format, ConversionsOfTheUtility)
{
    const BYTE mac[6] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
    const DWORD pid = 1234, address = 0xDEADBEEF, oid = 0x00010116;
    const float kbps = 1000000.0f * 0.25f * 0.008f;
    ExpectRows({
        {F(u"%02X-%02X-%02X-%02X-%02X-%02X", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]),
         u"00-1A-2B-3C-4D-5E"},
        {F(u"%04d:\t", 8), u"0008:\t"},
        {F(u"%04d:\t", 123456), u"123456:\t"},
        {F(u"%.2f", kbps), u"2000.00"},
        {F(u"%.0f %%", 37.0), u"37 %"},
        {F(u"%8.8X", 0x1Au), u"0000001A"},
        {F(u"%sEvt-%8.8X-%8.8X", u"PCANDIS4", pid, address), u"PCANDIS4Evt-000004D2-DEADBEEF"},
        {F(u"0x%08x", oid), u"0x00010116"},
        {F(u"%d.%02d.%02d.%04d", 2, 1, 5, 17), u"2.01.05.0017"},
        {F(u" === nIOStatus != 0 (0x%d)\r\n", 31), u" === nIOStatus != 0 (0x31)\r\n"},
        {F(u"%02x%02x", BYTE{0xAB}, BYTE{0x05}), u"ab05"},
        {F(u"%03x:\t%04x", 0x12, WORD{0xBEEF}), u"012:\tbeef"},
    });
}

TEST(Format, IntegersAreThirtyTwoBitsUnlessPrefixed)
{
    ExpectRows({
        {F(u"%d", DWORD{0xFFFFFFFF}), u"-1"},
        {F(u"%u", DWORD{0xFFFFFFFF}), u"4294967295"},
        {F(u"%u", -1), u"4294967295"},
        {F(u"%x", -1), u"ffffffff"},
        {F(u"%d", u'A'), u"65"},
        {F(u"%d", int64_t{5000000000}), u"705032704"}, // the low 32 bits
        {F(u"%I64d", int64_t{-5000000000}), u"-5000000000"},
        {F(u"%lld", int64_t{-5000000000}), u"-5000000000"},
        {F(u"%I64u", std::numeric_limits<uint64_t>::max()), u"18446744073709551615"},
        {F(u"%I64X", uint64_t{0x123456789ABCDEF0}), u"123456789ABCDEF0"},
        {F(u"%I32d", -3), u"-3"},
        {F(u"%ld %lu %lx", LONG{-2}, ULONG{3}, DWORD{0xAB}), u"-2 3 ab"},
        {F(u"%hd", 40000), u"-25536"},
        {F(u"%hu", 70000), u"4464"},
        {F(u"%d", INT32_MIN), u"-2147483648"},
        {F(u"%d", true), u"1"},
        {F(u"%o", 8), u"10"},
    });
}

TEST(Format, IntegerFlagsWidthAndPrecision)
{
    ExpectRows({
        {F(u"%5d|%-5d|%05d", 42, 42, 42), u"   42|42   |00042"},
        {F(u"%05d", -42), u"-0042"},
        {F(u"%+d % d %+d", 5, 5, -5), u"+5  5 -5"},
        {F(u"%+u", 5u), u"5"},
        {F(u"%.3d", 7), u"007"},
        {F(u"%.0d|", 0), u"|"},
        {F(u"%08.3d", 7), u"     007"}, // a precision turns the zero padding off
        {F(u"%#x %#X %#x", 255, 255, 0), u"0xff 0XFF 0x0"},
        {F(u"%#06x", 255), u"0x00ff"},
        {F(u"%#o %#o", 8, 0), u"010 0"},
        {F(u"%*d|%-*d|", 5, 42, 4, 7), u"   42|7   |"},
        {F(u"%*d|", -4, 7), u"7   |"},
        {F(u"%.*d", 4, 7), u"0007"},
        {F(u"%p", reinterpret_cast<const void*>(uintptr_t{0x1234})), u"0000000000001234"},
    });
}

TEST(Format, FloatingPointAsTheHandheldPrintsIt)
{
    ExpectRows({
        // Rounding is half away from zero on the decimal digits.
        {F(u"%.2f", 3.14159), u"3.14"},
        {F(u"%.2f", 0.125), u"0.13"},
        {F(u"%.2f", 1.125), u"1.13"},
        {F(u"%.2f", 2.675), u"2.67"}, // just below 2.675 in binary
        {F(u"%.2f", -0.005), u"-0.01"},
        {F(u"%.2f", 0.004), u"0.00"},
        {F(u"%.2f", 9.999), u"10.00"},
        {F(u"%.0f %%", 0.5), u"1 %"},
        {F(u"%.0f %%", 2.5), u"3 %"},
        {F(u"%.0f %%", 99.5), u"100 %"},
        {F(u"%.0f", 9.5), u"10"},
        {F(u"%.0f", 0.4), u"0"},
        {F(u"%f", 1.0), u"1.000000"},
        {F(u"%f", -0.0), u"-0.000000"},
        {F(u"%f", 1e20), u"100000000000000000000.000000"},
        {F(u"%.20f", 0.1), u"0.10000000000000001000"}, // 17 significant digits, then zeros
        {F(u"%+.1f", 2.25), u"+2.3"},
        {F(u"%08.3f", -3.14159), u"-003.142"},
        {F(u"% .2f", 1.0), u" 1.00"},
        {F(u"%-8.2f|", 1.0), u"1.00    |"},
        {F(u"%#.0f", 3.0), u"3."},
        {F(u"%.*f", 1, 0.25), u"0.3"},
        {F(u"%.2f", 1.5f), u"1.50"},
        // Exponents have at least three digits.
        {F(u"%e", 1.0), u"1.000000e+000"},
        {F(u"%e", 12345.678), u"1.234568e+004"},
        {F(u"%e", 0.0), u"0.000000e+000"},
        {F(u"%e", 1e-300), u"1.000000e-300"},
        {F(u"%e", 9.9999999), u"1.000000e+001"},
        {F(u"%.2E", 1.5e10), u"1.50E+010"},
        {F(u"%g", 0.0001), u"0.0001"},
        {F(u"%g", 0.00001), u"1e-005"},
        {F(u"%g", 123456.0), u"123456"},
        {F(u"%g", 1234567.0), u"1.23457e+006"},
        {F(u"%g %g %g", 100.0, 0.0, 2.5), u"100 0 2.5"},
        {F(u"%#g", 1.0), u"1.00000"},
        {F(u"%G", 1e-10), u"1E-010"},
        {F(u"%.0g", 25.0), u"3e+001"},
        {F(u"%f %f", std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()),
         u"1.#INF00 -1.#INF00"},
    });
}

TEST(Format, TextAndCharacters)
{
    text_test::ScopedLocale english("en_US.UTF-8");
    ExpectRows({
        {F(u"[%s]", u"abc"), u"[abc]"},
        {F(u"[%ls][%ws]", u"a", u"b"), u"[a][b]"},
        {F(u"[%S][%hs]", "abc", "de"), u"[abc][de]"},
        {F(u"%S", "caf\xE9"), u"caf\u00E9"}, // the ANSI code page: 1252
        {F(u"[%-5s][%5s][%.2s]", u"ab", u"ab", u"abcdef"), u"[ab   ][   ab][ab]"},
        {F(u"%05s", u"ab"), u"000ab"},
        {F(u"%s|%S", static_cast<const char16_t*>(nullptr), static_cast<const char*>(nullptr)),
         u"(null)|(null)"},
        {F(u"%s", nullptr), u"(null)"},
        {F(u"%s", 0), u"(null)"}, // NULL as the integer 0
        {F(u"%s", std::u16string(u"str")), u"str"},
        {F(u"%c%c%C%hc", u'A', u'\u4E2D', 'x', 'y'), u"A\u4E2Dxy"},
        {F(u"%5c|%-3c|", u'x', u'y'), u"    x|y  |"},
        {F(u"100%% %%d"), u"100% %d"},
        {F(u"%y|%"), u"y|"}, // an unknown conversion prints its letter; a trailing '%' nothing
    });
}

TEST(Format, AnsiTextFollowsTheDeviceLanguage)
{
    {
        text_test::ScopedLocale taiwan("zh_TW.UTF-8");
        EXPECT_EQ(U8(F(u"%S", "\xA4\xA4\xA4\xE5")), U8(u"\u4E2D\u6587"));
    }
    {
        text_test::ScopedLocale china("zh_CN.UTF-8");
        EXPECT_EQ(U8(F(u"%S", "\xD6\xD0\xCE\xC4")), U8(u"\u4E2D\u6587"));
    }
}

TEST(Format, MismatchesReachTheHandler)
{
    MismatchRecorder recorder;
    struct Case
    {
        std::u16string got;
        const char* expectedPart; // nullptr: no mismatch
    };
    const Case cases[] = {
        {F(u"<%d>", u"text"), "does not fit %d"},
        {F(u"<%s>", 5), "does not fit %s"},
        {F(u"<%S>", u"wide"), "does not fit %S"},
        {F(u"<%s>", "narrow"), "does not fit %s"},
        {F(u"<%f>", 5), "does not fit %f"},
        {F(u"<%x>", 1.5), "does not fit %x"},
        {F(u"<%c>", u"text"), "does not fit %c"},
        {F(u"<%*d>", u"w", 5), "does not fit %*d"},
        {F(u"<%d %d>", 1), "too few arguments"},
        {F(u"<%d>", 1, 2, u"extra"), nullptr},
        {F(u"<%x>", reinterpret_cast<const void*>(uintptr_t{0x10})), nullptr},
    };
    ASSERT_EQ(g_mismatches.size(), 9u);
    size_t next = 0;
    for (const Case& c : cases)
    {
        if (!c.expectedPart)
            continue;
        EXPECT_NE(g_mismatches[next].find(c.expectedPart), std::string::npos) << g_mismatches[next];
        ++next;
    }
    EXPECT_EQ(U8(g_formats[0]), "<%d>");
    // The rest of the text is still produced.
    EXPECT_EQ(U8(cases[0].got), "<>");
    EXPECT_EQ(U8(cases[8].got), "<1 >");
    EXPECT_EQ(U8(cases[9].got), "<1>");
    EXPECT_EQ(U8(cases[10].got), "<10>");
}

TEST(FormatDeathTest, DefaultHandlerReportsAndAborts)
{
    EXPECT_DEATH(F(u"value %d", u"text"), "value %d.*does not fit %d");
}

TEST(Wsprintf, ReadsArgumentsByConversion)
{
    text_test::ScopedLocale english("en_US");
    char16_t buf[256];
    const int n = wsprintfW(buf, u"%s|%S|%d|%u|%x|%c|%C|%I64d|%.2f|%5.1f|%*d|%p|%hs", u"wide", "narrow", -7,
                            4000000000u, 0xBEEFu, u'W', 'n', int64_t{-5000000000}, 0.125, 2.25, 4, 3,
                            reinterpret_cast<void*>(uintptr_t{0xAB}), "h");
    const std::u16string want =
        u"wide|narrow|-7|4000000000|beef|W|n|-5000000000|0.13|  2.3|   3|00000000000000AB|h";
    EXPECT_EQ(U8(buf), U8(want));
    EXPECT_EQ(n, static_cast<int>(want.size()));
}

TEST(Wsprintf, StopsAt1024Characters)
{
    const std::u16string big(2000, u'x');
    std::vector<char16_t> buf(1100, u'#');
    EXPECT_EQ(wsprintfW(buf.data(), u"%s", big.c_str()), 1024);
    EXPECT_EQ(buf[1023], u'x');
    EXPECT_EQ(buf[1024], u'\0');
    EXPECT_EQ(buf[1025], u'#');
}

TEST(Swprintf, NeverWritesPastTheBuffer)
{
    char16_t buf[8];
    std::fill(std::begin(buf), std::end(buf), u'#');
    EXPECT_EQ(swprintf(buf, 6, u"%s", u"abc"), 3);
    EXPECT_EQ(U8(buf), "abc");
    EXPECT_EQ(buf[4], u'#');

    std::fill(std::begin(buf), std::end(buf), u'#');
    EXPECT_EQ(swprintf(buf, 6, u"%s", u"abcdefgh"), -1); // cut and terminated
    EXPECT_EQ(U8(buf), "abcde");
    EXPECT_EQ(buf[6], u'#');

    std::fill(std::begin(buf), std::end(buf), u'#');
    EXPECT_EQ(swprintf(buf, 0, u"x"), -1);
    EXPECT_EQ(buf[0], u'#');

    // A multi-string of one name: the rest of a zeroed buffer stays zero.
    char16_t names[16] = {};
    EXPECT_EQ(swprintf(names, 16, u"%s1", u"WLAN11b"), 8);
    EXPECT_EQ(U8(names), "WLAN11b1");
    EXPECT_EQ(names[9], u'\0');
}

TEST(Snwprintf, TerminatesOnlyWhenThereIsRoom)
{
    char16_t buf[8];
    std::fill(std::begin(buf), std::end(buf), u'#');
    EXPECT_EQ(_snwprintf(buf, 6, u"%d", 123), 3);
    EXPECT_EQ(U8(buf), "123");

    std::fill(std::begin(buf), std::end(buf), u'#');
    EXPECT_EQ(_snwprintf(buf, 6, u"%s", u"abcdef"), 6); // exactly full: no terminator
    EXPECT_EQ(std::u16string(buf, 7), u"abcdef#");

    std::fill(std::begin(buf), std::end(buf), u'#');
    EXPECT_EQ(_snwprintf(buf, 6, u"%s", u"abcdefgh"), -1);
    EXPECT_EQ(std::u16string(buf, 7), u"abcdef#");
}
