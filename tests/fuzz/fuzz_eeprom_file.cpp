// EEPROM image files from outside: CEEPRomAccess::ParseEepromFile on a file of arbitrary bytes in a
// temporary handheld, into a buffer of exactly the words it is allowed to store.
//
// Input: one byte choosing the buffer's size (mostly the page's 512 words, sometimes a handful or none;
// 0xFF makes the file larger than any image instead), then the file's bytes.
// Checks: the call succeeds on every file an image can be, and fails with a file-error message and nothing
// stored on one too large; it stores at most the words it is allowed and nothing past them; the count is
// that of the four-character items before the first other item (the text ending at its first zero byte),
// each item of four hexadecimal digits stored as its number; "Size error" is shown exactly when parsing
// ended at an item of another length that does not start with a byte of 0x7B or above.
#include "fuzz_support.h"

#include <EEPRomAccess.h>

#include <kernel/msgbox.h>

#include <temp_handheld.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>

UINT WM_TBARDLGMESSAGE = 0;

namespace
{

const std::u16string kSizeError = u"Size error, all of the item should be word-size";
constexpr WORD kUntouched = 0xA5C3;
constexpr int kGuardWords = 4;

struct World
{
    testing_support::TempHandheld handheld;
    ce::RecordingPresenter boxes;
    std::filesystem::path file = handheld.path() / "image.txt";
};

bool IsSeparator(uint8_t c)
{
    return c == ' ' || c == ',' || c == '\t' || c == '\n' || c == '\r';
}

int HexDigit(uint8_t c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

struct Expected
{
    // Each item stored, with its value when it is four plain hexadecimal digits.
    std::vector<std::optional<WORD>> words;
    bool sizeError = false;
};

// The image's items as the file format describes them, independently of the page's parser.
Expected Model(const std::vector<uint8_t>& file, int maxWords)
{
    Expected e;
    size_t end = 0;
    while (end < file.size() && file[end] != 0)
        ++end;
    size_t p = 0;
    while (static_cast<int>(e.words.size()) < maxWords)
    {
        while (p < end && IsSeparator(file[p]))
            ++p;
        if (p == end)
            break;
        const size_t item = p;
        while (p < end && !IsSeparator(file[p]))
            ++p;
        if (p - item != 4)
        {
            e.sizeError = file[item] < 0x7B;
            break;
        }
        std::optional<WORD> value = 0;
        for (size_t i = item; i < p && value; ++i)
            value = HexDigit(file[i]) < 0
                        ? std::nullopt
                        : std::optional<WORD>(static_cast<WORD>(*value * 16 + HexDigit(file[i])));
        e.words.push_back(value);
    }
    return e;
}

int MaxWords(uint8_t selector)
{
    static const int kSizes[] = {
        CEEPRomAccess::LOAD_BUFFER_WORDS, CEEPRomAccess::LOAD_BUFFER_WORDS, 0, 1, 4, 7};
    return kSizes[selector % std::size(kSizes)];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    World& world = fuzz::Lasting<World>();
    fuzz::Input in(data, size);
    const uint8_t selector = in.U8();
    const std::vector<uint8_t> bytes = in.Rest();
    const int maxWords = MaxWords(selector);
    const bool huge = selector == 0xFF;
    {
        std::ofstream out(world.file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    if (huge)
        std::filesystem::resize_file(world.file, 1024 * 1024 + 1 + bytes.size());

    // The words it may store and a guard after them, all marked.
    const size_t allocated = static_cast<size_t>(maxWords) + kGuardWords;
    auto buffer = std::make_unique<WORD[]>(allocated);
    for (size_t i = 0; i < allocated; ++i)
        buffer[i] = kUntouched;
    int count = -1;
    world.boxes.clear();
    const CString path(world.file.string().c_str());
    const BOOL ok = CEEPRomAccess::ParseEepromFile(path, buffer.get(), maxWords, &count);
    const std::vector<std::u16string> texts = world.boxes.texts();

    for (size_t i = static_cast<size_t>(maxWords); i < allocated; ++i)
        FUZZ_CHECK(buffer[i] == kUntouched, "a word stored past the buffer: " + std::to_string(i));
    if (huge)
    {
        FUZZ_CHECK(!ok, "a file larger than any image was parsed");
        FUZZ_CHECK(count == -1 && buffer[0] == kUntouched, "a refused file stored words");
        FUZZ_CHECK(texts.size() == 1 && texts[0] != kSizeError, "a refused file without its file error");
        return 0;
    }
    FUZZ_CHECK(ok, "an image file was refused");
    const Expected expected = Model(bytes, maxWords);
    FUZZ_CHECK(count == static_cast<int>(expected.words.size()), std::to_string(count) + " words stored, " +
                                                                     std::to_string(expected.words.size()) +
                                                                     " in the file");
    for (int i = 0; i < count; ++i)
        FUZZ_CHECK(!expected.words[i] || buffer[i] == *expected.words[i],
                   "word " + std::to_string(i) + " stored as " + std::to_string(buffer[i]));
    for (int i = count; i < maxWords; ++i)
        FUZZ_CHECK(buffer[i] == kUntouched, "a word stored past the count: " + std::to_string(i));
    const size_t sizeErrors = static_cast<size_t>(std::count(texts.begin(), texts.end(), kSizeError));
    FUZZ_CHECK(sizeErrors == (expected.sizeError ? 1u : 0u) && texts.size() == sizeErrors,
               "messages shown: " + std::to_string(texts.size()));
    return 0;
}
