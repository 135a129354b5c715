// CString: formatting as the utility uses it, clamped positions, searching, editing, buffers and the
// 8-bit conversions.
#include <afx.h>

#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace
{

std::string U8(const CString& s)
{
    return s.ToUtf8();
}

// LC_ALL for the life of the object.
class ScopedLcAll
{
public:
    explicit ScopedLcAll(const char* value)
    {
        if (const char* old = std::getenv("LC_ALL"))
            m_saved = old;
        ::setenv("LC_ALL", value, 1);
    }
    ~ScopedLcAll()
    {
        if (m_saved)
            ::setenv("LC_ALL", m_saved->c_str(), 1);
        else
            ::unsetenv("LC_ALL");
    }
    ScopedLcAll(const ScopedLcAll&) = delete;
    ScopedLcAll& operator=(const ScopedLcAll&) = delete;

private:
    std::optional<std::string> m_saved;
};

} // namespace

TEST(CStringFormat, ConversionsOfTheUtility)
{
    ScopedLcAll english("en_US.UTF-8");
    const BYTE mac[6] = {0x00, 0x0B, 0x6C, 0xA1, 0xFE, 0x07};
    const CString ssid(u"HomeNet");
    const float delta = 5000.0f;
    struct Row
    {
        CString got;
        const char* want;
    };
    auto fmt = [](auto... args)
    {
        CString s;
        s.Format(args...);
        return s;
    };
    const Row rows[] = {
        {fmt(u"%02X-%02X-%02X-%02X-%02X-%02X", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]),
         "00-0B-6C-A1-FE-07"},
        {fmt(u"%04d:\t", 16), "0016:\t"},
        {fmt(u"%.2f", delta * 0.25f * 0.008f), "10.00"},
        {fmt(u"%.0f %%", 37.0f * 100 / 100), "37 %"},
        {fmt(u"%.0f %%", 1.0f * 100 / 200), "1 %"}, // 0.5 rounds up on the handheld
        {fmt(u"%S", "192.168.1.20"), "192.168.1.20"},
        {fmt(u"%8.8X", DWORD{0xABC}), "00000ABC"},
        {fmt(u"%sEvt-%8.8X-%8.8X", u"PCANDIS4", DWORD{77}, DWORD{0x00C0FFEE}),
         "PCANDIS4Evt-0000004D-00C0FFEE"},
        {fmt(u"0x%08x", DWORD{0xFFA0C001}), "0xffa0c001"},
        {fmt(u"%d", 11), "11"},
        {fmt(u"Connected: %s", ssid), "Connected: HomeNet"},
        {fmt(u"Connect to: %s\r\nTx Link Speed: %s", ssid, CString(u"11 Mbps")),
         "Connect to: HomeNet\r\nTx Link Speed: 11 Mbps"},
        {fmt(u"%d.%d", HIWORD(0x00020005u), LOWORD(0x00020005u)), "2.5"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(U8(r.got), r.want);

    CString dump;
    for (int i = 0; i < 3; ++i)
        dump.AppendFormat(u"%02x ", i * 0x11);
    EXPECT_EQ(U8(dump), "00 11 22 ");
}

TEST(CString, LeftRightMidClamp)
{
    const CString s(u"abcdef");
    struct Row
    {
        CString got;
        const char* want;
    };
    const Row rows[] = {
        {s.Left(2), "ab"},     {s.Left(-1), ""},        {s.Left(99), "abcdef"}, {s.Right(2), "ef"},
        {s.Right(-3), ""},     {s.Right(99), "abcdef"}, {s.Mid(2), "cdef"},     {s.Mid(-1), "abcdef"},
        {s.Mid(6), ""},        {s.Mid(99), ""},         {s.Mid(1, 3), "bcd"},   {s.Mid(4, 99), "ef"},
        {s.Mid(-2, 3), "abc"}, {s.Mid(2, -1), ""},      {s.Mid(99, 2), ""},     {CString().Mid(0, 1), ""},
    };
    for (size_t i = 0; i < std::size(rows); ++i)
        EXPECT_EQ(U8(rows[i].got), rows[i].want) << "row " << i;
    EXPECT_EQ(U8(CString(u"WLAN11b1 PCI").SpanExcluding(u" ")), "WLAN11b1");
    EXPECT_EQ(U8(CString(u"0x1Fzz").SpanIncluding(u"0123456789xABCDEF")), "0x1F");
}

TEST(CString, Find)
{
    const CString s(u"a.b.c");
    EXPECT_EQ(s.Find(u'.'), 1);
    EXPECT_EQ(s.Find(u'.', 2), 3);
    EXPECT_EQ(s.Find(u'x'), -1);
    EXPECT_EQ(s.Find(u'.', 5), -1);
    EXPECT_EQ(s.Find(u'.', 99), -1);
    EXPECT_EQ(s.Find(u'.', -1), -1);
    EXPECT_EQ(s.Find(u"b.c"), 2);
    EXPECT_EQ(s.Find(u"b.c", 3), -1);
    EXPECT_EQ(s.Find(u"", 5), 5);
    EXPECT_EQ(s.Find(u"c", 6), -1);
    EXPECT_EQ(s.Find(static_cast<LPCWSTR>(nullptr)), -1);
    EXPECT_EQ(s.ReverseFind(u'.'), 3);
    EXPECT_EQ(s.ReverseFind(u'x'), -1);
    EXPECT_EQ(s.FindOneOf(u"cb"), 2);
    EXPECT_EQ(s.FindOneOf(u""), -1);
    // The last eight characters of an adapter name.
    const CString binding(u"PCI\\WLAN11b1");
    EXPECT_EQ(binding.Right(8), u"WLAN11b1");
}

TEST(CString, EditingOperations)
{
    CString s(u"  a-b-c \t");
    EXPECT_EQ(U8(s.Trim()), "a-b-c");
    EXPECT_EQ(s.Replace(u'-', u'+'), 2);
    EXPECT_EQ(U8(s), "a+b+c");
    EXPECT_EQ(s.Replace(u"+", u"--"), 2);
    EXPECT_EQ(U8(s), "a--b--c");
    EXPECT_EQ(s.Replace(u"", u"x"), 0);
    EXPECT_EQ(s.Remove(u'-'), 4);
    EXPECT_EQ(U8(s), "abc");
    EXPECT_EQ(s.Insert(-5, u'<'), 4);
    EXPECT_EQ(s.Insert(99, u">>"), 6);
    EXPECT_EQ(U8(s), "<abc>>");
    EXPECT_EQ(s.Delete(4, 99), 4);
    EXPECT_EQ(s.Delete(-1, 1), 3);
    EXPECT_EQ(s.Delete(1, -2), 3);
    EXPECT_EQ(U8(s), "abc");
    EXPECT_EQ(U8(s.MakeUpper()), "ABC");
    EXPECT_EQ(U8(s.MakeReverse()), "CBA");
    EXPECT_EQ(U8(s.MakeLower()), "cba");

    CString padded(u"xx12xx");
    EXPECT_EQ(U8(padded.TrimLeft(u'x')), "12xx");
    EXPECT_EQ(U8(padded.TrimRight(u"x2")), "1");

    // Replacing with text taken from the string itself.
    CString self(u"ab");
    self.Replace(u"a", self.GetString());
    EXPECT_EQ(U8(self), "abb");

    CString c;
    c.SetAt(0, u'x'); // outside the text: nothing happens
    EXPECT_TRUE(c.IsEmpty());
    EXPECT_EQ(c.GetAt(5), u'\0');
    c = u'q';
    c += u"rs";
    c += CString(u't');
    c += "v";
    EXPECT_EQ(U8(c), "qrstv");
    EXPECT_EQ(U8(CString(u'-', 3)), "---");
    EXPECT_EQ(U8(CString(u'-', -3)), "");
    EXPECT_EQ(U8(CString(u"abcdef", 3)), "abc");
    EXPECT_EQ(U8(CString(static_cast<LPCWSTR>(nullptr))), "");
}

TEST(CString, ComparisonsAndConcatenation)
{
    const CString a(u"abc"), b(u"ABD");
    EXPECT_EQ(a.Compare(u"abc"), 0);
    EXPECT_GT(a.Compare(u"ABD"), 0);
    EXPECT_LT(a.CompareNoCase(b), 0);
    EXPECT_EQ(a.CompareNoCase(u"ABC"), 0);
    EXPECT_TRUE(a == u"abc");
    EXPECT_TRUE(u"abc" == a);
    EXPECT_TRUE(a != b);
    EXPECT_TRUE(b < a);
    EXPECT_TRUE(a >= b && b <= a && a > b);
    EXPECT_TRUE(CString() == static_cast<LPCWSTR>(nullptr));
    EXPECT_EQ(U8(a + u'-' + b + u"!"), "abc-ABD!");
    EXPECT_EQ(U8(u'<' + a), "<abc");
    EXPECT_EQ(U8(u"x" + a), "xabc");
}

TEST(CString, BufferAccess)
{
    CString s(u"old");
    LPWSTR p = s.GetBuffer(10);
    const char16_t text[] = u"new text!";
    std::copy(std::begin(text), std::end(text), p); // ten characters including the terminator
    s.ReleaseBuffer();
    EXPECT_EQ(U8(s), "new text!");

    p = s.GetBuffer(0);
    p[3] = u'\0';
    s.ReleaseBuffer(-1);
    EXPECT_EQ(U8(s), "new");

    p = s.GetBufferSetLength(5);
    p[3] = u'!';
    p[4] = u'?';
    s.ReleaseBuffer(4);
    EXPECT_EQ(U8(s), "new!");
    s.ReleaseBuffer(99); // no longer than the buffer
    EXPECT_EQ(U8(s), "new!");

    CString reader(u"keep");
    reader.GetBuffer(); // just looking: the text stays as it was
    EXPECT_EQ(reader.GetLength(), 4);
}

TEST(CString, EightBitConversions)
{
    {
        ScopedLcAll taiwan("zh_TW.UTF-8");
        const CString fromBig5("\xA4\xA4\xA4\xE5");
        EXPECT_EQ(fromBig5, u"\u4E2D\u6587");
        EXPECT_EQ(fromBig5.ToAnsi(), "\xA4\xA4\xA4\xE5");
        CString s;
        s = "\xA6\x72";
        s += "!";
        EXPECT_EQ(s, u"\u5B57!");
    }
    {
        ScopedLcAll english("en_US.UTF-8");
        EXPECT_EQ(CString("caf\xE9"), u"caf\u00E9");
        EXPECT_EQ(CString(u"caf\u00E9\u4E2D").ToAnsi(), "caf\xE9?");
        EXPECT_EQ(CString(static_cast<LPCSTR>(nullptr)).GetLength(), 0);
    }
    const CString utf = CString::FromUtf8("\xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80");
    EXPECT_EQ(utf, u"\u4E2D\u6587 \U0001F600");
    EXPECT_EQ(utf.ToUtf8(), "\xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80");
    EXPECT_EQ(CString::FromUtf8("bad\xFF"), u"bad\uFFFD");
    EXPECT_TRUE(CString::FromUtf8("").IsEmpty());
}
