// The EEPROM page on the simulated card: single words, the listing by the reported size, the image file's
// parse, and loads that write a whole image or nothing. The card's EEPROM is read through cardctl.
#include "register_page_test_support.h"

#include <EEPRomAccess.h>
#include <resource.h>

#include <gwes/shell.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace page_test
{
namespace
{

std::vector<WORD> CardEeprom()
{
    std::istringstream listing(CardctlOutput("eeprom"));
    std::vector<WORD> words;
    for (std::string item; listing >> item;)
        if (item.back() != ':')
            words.push_back(static_cast<WORD>(std::stoul(item, nullptr, 16)));
    return words;
}

std::string Image(int nWords, int nFirst)
{
    std::string text;
    char item[8];
    for (int i = 0; i < nWords; ++i)
    {
        std::snprintf(item, sizeof item, "%04x", (nFirst + i) & 0xFFFF);
        text += item + std::string(i % 8 == 7 ? "\r\n" : ", ");
    }
    return text;
}

// The file dialog that opens next is answered with this path (and the file then removed when asked).
std::u16string s_answer;
bool s_removeAfterAnswer = false;

void CALLBACK AnswerTheFileDialog(HWND, UINT, UINT_PTR nId, DWORD)
{
    if (!gwes::AnswerFileDialog(s_answer))
        return; // not open yet
    KillTimer(nullptr, nId);
    if (s_removeAfterAnswer)
        std::filesystem::remove(CString(s_answer.c_str()).ToUtf8());
}

class EEPROMPage : public RegisterPageTest
{
protected:
    void SetUp() override
    {
        RegisterPageTest::SetUp();
        m_page.m_pConfig = m_pConfig.get();
        Host(&m_page);
    }
    std::string File(const std::string& contents)
    {
        const std::filesystem::path path = m_handheld.path() / "image.txt";
        std::ofstream(path, std::ios::binary) << contents;
        return path.string();
    }
    void Load(const std::string& path, bool bRemoveAfterAnswer = false)
    {
        s_answer = CString(path.c_str()).GetString();
        s_removeAfterAnswer = bRemoveAfterAnswer;
        SetTimer(nullptr, 0, 10, AnswerTheFileDialog);
        Click(&m_page, IDC_FROM_FILE);
    }
    CEEPRomAccess m_page;
};

TEST_F(EEPROMPage, ReadAndSetTakeHexTextAndWriteOnlyFromNumbers)
{
    Type(&m_page, IDC_EEP_INDEX, u"10");
    Type(&m_page, IDC_EEP_DATA, u"12345");
    Click(&m_page, IDC_SET);
    EXPECT_EQ(CardEeprom().at(0x10), 0x2345);
    Type(&m_page, IDC_EEP_DATA, u"");
    Click(&m_page, IDC_READ);
    EXPECT_EQ(Text(&m_page, IDC_EEP_DATA), u"2345");

    Type(&m_page, IDC_EEP_INDEX, u"1ff"); // word 0xff, past this card's 128 words
    Click(&m_page, IDC_READ);
    EXPECT_EQ(m_pWatched->m_accesses.back().address, 0xFFu);
    EXPECT_EQ(Text(&m_page, IDC_EEP_DATA), u"2345");

    Type(&m_page, IDC_EEP_INDEX, u"10");
    Type(&m_page, IDC_EEP_DATA, u"zz");
    Click(&m_page, IDC_SET);
    Type(&m_page, IDC_EEP_INDEX, u"");
    Type(&m_page, IDC_EEP_DATA, u"1");
    Click(&m_page, IDC_SET);
    EXPECT_EQ(m_pWatched->Count('w'), 1);
    Cardctl("fault eeprom write 16");
    Type(&m_page, IDC_EEP_INDEX, u"0x10");
    Click(&m_page, IDC_SET);
    EXPECT_EQ(m_boxes.texts(),
              (std::vector<std::u16string>{u"Fail to read", u"Please enter a hexadecimal number.",
                                           u"Please enter a hexadecimal number.", u"Fail to read write"}));
    EXPECT_EQ(CardEeprom().at(0x10), 0x2345);
}

TEST_F(EEPROMPage, ReadAllListsTheWordsTheSizeGivesFourALine)
{
    Click(&m_page, IDC_READ_ALL);
    const std::vector<WORD> card = CardEeprom();
    ASSERT_EQ(card.size(), 128u);
    CString strExpected;
    for (int i = 0; i < 128; ++i)
        strExpected.AppendFormat(i % 4 == 0   ? u"%03x:\t%04x"
                                 : i % 4 == 3 ? u"\t%04x\r\n"
                                              : u"\t%04x",
                                 i % 4 == 0 ? i : card[i], card[i]);
    EXPECT_EQ(m_page.m_strOutput, strExpected);
    EXPECT_EQ(m_pWatched->Count('r'), 128);

    // Sizes the card reports (answered for every word too): odd bytes ignored, none below 2 bytes.
    const struct
    {
        const char* pszAnswer; // the access record: read, size, address, unused, data
        const char16_t* pszListing;
    } rows[] = {
        {"010000000a00", u"000:\t000a\t000a\t000a\t000a\r\n004:\t000a"},
        {"010000000b00", u"000:\t000b\t000b\t000b\t000b\r\n004:\t000b"},
        {"010000000100", u""},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.pszAnswer);
        Cardctl(std::string("fault answer FFA0C803 ") + row.pszAnswer);
        Click(&m_page, IDC_READ_ALL);
        EXPECT_EQ(m_page.m_strOutput, CString(row.pszListing));
    }
    EXPECT_TRUE(m_boxes.texts().empty());

    // A listing whose text comes back the same keeps its place too.
    Cardctl("fault answer FFA0C803 010000000800");
    Click(&m_page, IDC_READ_ALL);
    Scroll(&m_page, IDC_EEP_OUTPUT, 1);
    Click(&m_page, IDC_READ_ALL);
    EXPECT_EQ(FirstLine(&m_page, IDC_EEP_OUTPUT), 1);

    Cardctl("fault status FFA0C803 C0000001 query");
    Click(&m_page, IDC_READ_ALL);
    EXPECT_EQ(m_boxes.texts(), std::vector<std::u16string>{u"Fail to get EEPRom size"});
    for (const auto& [wSize, nWords] :
         {std::pair{0, 0}, {1, 0}, {2, 1}, {511, 255}, {512, 256}, {0xFFFF, 256}})
        EXPECT_EQ(CEEPRomAccess::AddressedWords(static_cast<WORD>(wSize)), nWords) << wSize;
}

TEST_F(EEPROMPage, ParseTakesFourCharacterItemsAndEndsAtTheFirstOther)
{
    const std::u16string kSize = u"Size error, all of the item should be word-size";
    const struct
    {
        std::string contents;
        std::vector<WORD> words;
        bool bSizeError;
    } rows[] = {
        {"0a0b, 0c0d,0e0f", {0x0a0b, 0x0c0d, 0x0e0f}, false},
        {" \t0x1f\r\n\r\nFFFF,,", {0x001f, 0xffff}, false},
        {"0001 zzzz 0002", {1, 0, 2}, false},
        {"0001 00002 0003", {1}, true},
        {"ab\r\n0001", {}, true},
        {"\xEF\xBB\xBF"
         "0001 0002",
         {},
         false},
        {"0001 {abcd 0002", {1}, false},
        {std::string("0001\0"
                     "0002",
                     9),
         {1},
         false},
        {"", {}, false},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.contents);
        m_boxes.clear();
        WORD awBuffer[8] = {};
        int nCount = -1;
        ASSERT_TRUE(
            CEEPRomAccess::ParseEepromFile(CString(File(row.contents).c_str()), awBuffer, 8, &nCount));
        EXPECT_EQ(std::vector<WORD>(awBuffer, awBuffer + nCount), row.words);
        EXPECT_EQ(Count(kSize.c_str()), row.bSizeError ? 1 : 0);
    }

    // 600 items: 512 stored and nothing past them.
    std::vector<WORD> buffer(600, 0xAAAA);
    int nCount = 0;
    ASSERT_TRUE(
        CEEPRomAccess::ParseEepromFile(CString(File(Image(600, 0)).c_str()), buffer.data(), 512, &nCount));
    EXPECT_EQ(nCount, 512);
    EXPECT_EQ(buffer[511], 511);
    EXPECT_EQ(buffer[512], 0xAAAA);

    // A file that cannot be read or held is a file error, and nothing is stored.
    const std::string large = File("");
    std::filesystem::resize_file(large, 1024 * 1024 + 1);
    m_boxes.clear();
    for (const std::string& path : {large, (m_handheld.path() / "missing.txt").string()})
        EXPECT_FALSE(CEEPRomAccess::ParseEepromFile(CString(path.c_str()), buffer.data(), 512, &nCount));
    ASSERT_EQ(m_boxes.texts().size(), 2u);
    EXPECT_EQ(m_boxes.texts()[0].rfind(u"An unexpected error occurred while accessing ", 0), 0u);
    EXPECT_NE(m_boxes.texts()[1].find(u"missing.txt was not found."), std::u16string::npos);
    EXPECT_EQ(buffer[0], 0);
}

TEST_F(EEPROMPage, ALoadWritesTheWholeEepromOrNothing)
{
    const std::vector<WORD> before = CardEeprom();
    const std::u16string kShort = u"Fail to load: the file holds 0 of the 128 words, nothing written";
    const struct
    {
        std::string contents;
        bool bRemove;
        std::vector<std::u16string> messages;
    } refused[] = {
        {Image(127, 0x100), false, {u"Fail to load: the file holds 127 of the 128 words, nothing written"}},
        {"", false, {kShort}},
        {"\xEF\xBB\xBF" + Image(128, 0x100), false, {kShort}},
        {"01\r\n" + Image(128, 0x100), false, {u"Size error, all of the item should be word-size", kShort}},
        {Image(128, 0x100), true, {}},
    };
    for (const auto& row : refused)
    {
        SCOPED_TRACE(row.contents.substr(0, 20));
        m_boxes.clear();
        Load(File(row.contents), row.bRemove);
        if (row.bRemove)
            EXPECT_NE(m_boxes.texts().at(0).find(u"was not found."), std::u16string::npos);
        else
            EXPECT_EQ(m_boxes.texts(), row.messages);
        EXPECT_EQ(CardEeprom(), before);
    }
    EXPECT_EQ(m_pWatched->Count('w'), 0);

    // 600 items: exactly the EEPROM's 128 words are written, behind the wait cursor.
    m_boxes.clear();
    Load(File(Image(600, 0x1000)));
    EXPECT_TRUE(m_boxes.texts().empty());
    const std::vector<WORD> loaded = CardEeprom();
    for (int i = 0; i < 128; ++i)
        EXPECT_EQ(loaded[i], 0x1000 + i) << i;
    ASSERT_EQ(m_pWatched->m_accesses.size(), 128u);
    for (const Access& access : m_pWatched->m_accesses)
        EXPECT_TRUE(access.kind == 'w' && access.waiting);

    // A word that cannot be written stops the load there; the words before it stay written.
    Cardctl("fault eeprom write 5");
    m_waitAtBox.clear();
    Load(File(Image(128, 0x2000)));
    EXPECT_EQ(m_boxes.texts(), std::vector<std::u16string>{u"Fail to read write"});
    EXPECT_EQ(m_waitAtBox, std::vector<bool>{false});
    const std::vector<WORD> stopped = CardEeprom();
    for (int i = 0; i < 128; ++i)
        EXPECT_EQ(stopped[i], i < 5 ? 0x2000 + i : loaded[i]) << i;
}

} // namespace
} // namespace page_test
