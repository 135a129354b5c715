// The EEPROM page on the simulated card: single words, the listing by the reported size, the image file's
// parse, and loads that write a whole image or nothing. The card's EEPROM is read through cardctl.
#include "register_page_test_support.h"

#include <EEPRomAccess.h>
#include <resource.h>

#include <gwes/shell.h>

#include <filesystem>
#include <fstream>
#include <iomanip>
#include <sstream>

namespace page_test
{
namespace
{

const std::u16string kSizeError = u"Size error, all of the item should be word-size";

std::vector<WORD> CardEeprom()
{
    std::istringstream listing(CardctlOutput("eeprom"));
    std::vector<WORD> words;
    for (std::string item; listing >> item;)
        if (item.back() != ':')
            words.push_back(static_cast<WORD>(std::stoul(item, nullptr, 16)));
    return words;
}

// nWords items counting up from wFirst, eight a line.
std::string Image(int nWords, WORD wFirst)
{
    std::ostringstream text;
    text << std::hex << std::setfill('0');
    for (int i = 0; i < nWords; ++i)
        text << std::setw(4) << ((wFirst + i) & 0xFFFF) << (i % 8 == 7 ? "\r\n" : ", ");
    return text.str();
}

// The file dialog that opens next is answered with this path; the file is then removed when asked.
std::u16string s_answer;
bool s_bRemoveAfterAnswer = false;

void CALLBACK AnswerTheFileDialog(HWND, UINT, UINT_PTR nId, DWORD)
{
    if (!gwes::AnswerFileDialog(s_answer))
        return; // not open yet
    KillTimer(nullptr, nId);
    if (s_bRemoveAfterAnswer)
        std::filesystem::remove(CString(s_answer.c_str()).ToUtf8());
}

class EEPROMPage : public RegisterPageTest<CEEPRomAccess>
{
protected:
    CString File(const std::string& contents)
    {
        const std::filesystem::path path = m_handheld.path() / "image.txt";
        std::ofstream(path, std::ios::binary) << contents;
        return CString(path.string().c_str());
    }
    void Load(const std::string& contents, bool bRemoveAfterAnswer = false)
    {
        s_answer = File(contents).GetString();
        s_bRemoveAfterAnswer = bRemoveAfterAnswer;
        SetTimer(nullptr, 0, 10, AnswerTheFileDialog);
        Click(IDC_FROM_FILE);
    }
};

TEST_F(EEPROMPage, ReadSetAndReadAllByTheReportedSize)
{
    Type(IDC_EEP_INDEX, u"10");
    Type(IDC_EEP_DATA, u"12345"); // the last four digits
    Click(IDC_SET);
    EXPECT_EQ(CardEeprom().at(0x10), 0x2345);
    for (const auto& [pszIndex, pszData] : {std::pair{u"10", u"zz"}, {u"", u"1"}})
    {
        Type(IDC_EEP_INDEX, pszIndex);
        Type(IDC_EEP_DATA, pszData);
        Click(IDC_SET);
    }
    EXPECT_EQ(CardEeprom().at(0x10), 0x2345);
    EXPECT_EQ(CardEeprom().at(0), 0x0A00);
    Type(IDC_EEP_INDEX, u"1ff"); // word 0xff, past this card's 128 words
    Click(IDC_READ);
    EXPECT_EQ(Text(IDC_EEP_DATA), u"1");
    EXPECT_EQ(m_boxes.texts(),
              (std::vector<std::u16string>{u"Please enter a hexadecimal number.",
                                           u"Please enter a hexadecimal number.", u"Fail to read"}));

    Click(IDC_READ_ALL);
    const std::vector<WORD> card = CardEeprom();
    CString strExpected;
    for (int i = 0; i < 128; ++i)
        strExpected.AppendFormat(i % 4 == 0   ? u"%03x:\t%04x"
                                 : i % 4 == 3 ? u"\t%04x\r\n"
                                              : u"\t%04x",
                                 i % 4 == 0 ? i : card[i], card[i]);
    EXPECT_EQ(m_page.m_strOutput, strExpected); // 32 lines, the last labelled 07c

    // Sizes the card reports (answered for every word too): an odd byte ignored, none below 2 bytes.
    Cardctl("fault answer FFA0C803 010000000b00");
    Click(IDC_READ_ALL);
    EXPECT_EQ(m_page.m_strOutput, CString(u"000:\t000b\t000b\t000b\t000b\r\n004:\t000b"));
    Cardctl("fault answer FFA0C803 010000000100");
    Click(IDC_READ_ALL);
    EXPECT_EQ(m_page.m_strOutput, CString(u""));
    EXPECT_EQ(CEEPRomAccess::AddressedWords(0xFFFF), 256);
    // A listing whose text comes back the same keeps its place too.
    Cardctl("fault answer FFA0C803 010000000800");
    Click(IDC_READ_ALL);
    Scroll(IDC_EEP_OUTPUT, 1);
    Click(IDC_READ_ALL);
    EXPECT_EQ(FirstLine(IDC_EEP_OUTPUT), 1);

    Cardctl("fault status FFA0C803 C0000001 query");
    Click(IDC_READ_ALL);
    EXPECT_EQ(m_boxes.texts().back(), u"Fail to get EEPRom size");
    m_page.m_pConfig = nullptr;
    for (int nId : {IDC_READ, IDC_SET, IDC_READ_ALL, IDC_FROM_FILE})
        Click(nId);
    EXPECT_EQ(m_boxes.texts().size(), 4u);
}

TEST_F(EEPROMPage, ParseTakesFourCharacterItemsAndEndsAtTheFirstOther)
{
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
        {"\357\273\2770001 0002", {}, false}, // a UTF-8 byte-order mark
        {std::string("0001") + '\0' + "0002", {1}, false},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.contents);
        m_boxes.clear();
        WORD awBuffer[8] = {};
        int nCount = -1;
        ASSERT_TRUE(CEEPRomAccess::ParseEepromFile(File(row.contents), awBuffer, 8, &nCount));
        EXPECT_EQ(std::vector<WORD>(awBuffer, awBuffer + nCount), row.words);
        EXPECT_EQ(Count(kSizeError.c_str()), row.bSizeError ? 1 : 0);
    }

    // 600 items: 512 stored and nothing past them.
    std::vector<WORD> buffer(600, 0xAAAA);
    int nCount = 0;
    ASSERT_TRUE(CEEPRomAccess::ParseEepromFile(File(Image(600, 0)), buffer.data(), 512, &nCount));
    EXPECT_EQ(nCount, 512);
    EXPECT_EQ(buffer[511], 511);
    EXPECT_EQ(buffer[512], 0xAAAA);

    // A file that cannot be held is a file error, and nothing is stored.
    const CString strLarge = File("");
    std::filesystem::resize_file(strLarge.ToUtf8(), 1024 * 1024 + 1);
    m_boxes.clear();
    EXPECT_FALSE(CEEPRomAccess::ParseEepromFile(strLarge, buffer.data(), 512, &nCount));
    EXPECT_EQ(m_boxes.texts().at(0).rfind(u"An unexpected error occurred while accessing ", 0), 0u);
    EXPECT_EQ(buffer[0], 0);
}

TEST_F(EEPROMPage, ALoadWritesTheWholeEepromOrNothing)
{
    const std::vector<WORD> before = CardEeprom();
    const std::u16string kNone = u"Fail to load: the file holds 0 of the 128 words, nothing written";
    const struct
    {
        std::string contents;
        bool bRemove;
        std::vector<std::u16string> messages;
    } refused[] = {
        {Image(127, 0x100), false, {u"Fail to load: the file holds 127 of the 128 words, nothing written"}},
        {"", false, {kNone}},
        {"\xEF\xBB\xBF" + Image(128, 0x100), false, {kNone}},
        {"01\r\n" + Image(128, 0x100), false, {kSizeError, kNone}},
        {Image(128, 0x100), true, {}}, // gone after it was chosen: the file error
    };
    for (const auto& row : refused)
    {
        SCOPED_TRACE(row.contents.substr(0, 20));
        m_boxes.clear();
        Load(row.contents, row.bRemove);
        if (row.bRemove)
            EXPECT_NE(m_boxes.texts().at(0).find(u"was not found."), std::u16string::npos);
        else
            EXPECT_EQ(m_boxes.texts(), row.messages);
        EXPECT_EQ(CardEeprom(), before);
    }
    // The parse's messages come up under the load's wait cursor, the load's own after it.
    EXPECT_EQ(m_waitAtBox, (std::vector<bool>{false, false, false, true, false, true}));

    m_boxes.clear();
    Load(Image(600, 0x1000)); // exactly the EEPROM's 128 words are written
    EXPECT_TRUE(m_boxes.texts().empty());
    const std::vector<WORD> loaded = CardEeprom();
    for (int i = 0; i < 128; ++i)
        EXPECT_EQ(loaded[i], 0x1000 + i) << i;

    // A word that cannot be written stops the load there; the words before it stay written.
    Cardctl("fault eeprom write 5");
    Load(Image(128, 0x2000));
    EXPECT_EQ(m_boxes.texts(), std::vector<std::u16string>{u"Fail to read write"});
    const std::vector<WORD> stopped = CardEeprom();
    for (int i = 0; i < 128; ++i)
        EXPECT_EQ(stopped[i], i < 5 ? 0x2000 + i : loaded[i]) << i;
}

} // namespace
} // namespace page_test
