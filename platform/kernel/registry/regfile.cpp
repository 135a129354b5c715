// .reg files: parsing (a parser of outside input: every index is checked against its bounds), import in
// one registry transaction, and export of a key tree.
#include <kernel/regfile.h>
#include <kernel/utf8.h>
#include <kernel/registry.h>
#include <kernel/text.h>

#include <kernel/host_files.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>

namespace fs = std::filesystem;

namespace ce
{
namespace
{

using text::EqualsNoCase;
using text::HexDigitValue;
using text::StartsWithNoCase;

constexpr std::u16string_view kHeader = u"Windows Registry Editor Version 5.00";
constexpr std::size_t kMaxKeyNameLength = 255;
constexpr std::size_t kMaxValueNameLength = 16383;
constexpr std::size_t kMaxFileSize = 64u << 20;

struct RootName
{
    std::u16string_view longName;
    std::u16string_view shortName;
    HKEY root;
};

const RootName kRoots[] = {
    {u"HKEY_LOCAL_MACHINE", u"HKLM", HKEY_LOCAL_MACHINE},
    {u"HKEY_CURRENT_USER", u"HKCU", HKEY_CURRENT_USER},
    {u"HKEY_CLASSES_ROOT", u"HKCR", HKEY_CLASSES_ROOT},
    {u"HKEY_USERS", u"HKU", HKEY_USERS},
};

bool IsBlank(char16_t c)
{
    return c == u' ' || c == u'\t';
}

std::u16string_view Trim(std::u16string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// Parses 1 to maxDigits hex digits at the front of `s`, removing them.
bool TakeHex(std::u16string_view& s, std::size_t maxDigits, DWORD& value)
{
    std::size_t n = 0;
    value = 0;
    while (n < s.size() && n < maxDigits && HexDigitValue(s[n]) >= 0)
    {
        value = (value << 4) | static_cast<DWORD>(HexDigitValue(s[n]));
        ++n;
    }
    if (n == 0)
        return false;
    s.remove_prefix(n);
    return true;
}

void AppendUtf16Le(std::vector<BYTE>& out, std::u16string_view text)
{
    for (char16_t c : text)
    {
        out.push_back(static_cast<BYTE>(c & 0xFF));
        out.push_back(static_cast<BYTE>(c >> 8));
    }
}

// Turns the file's bytes into UTF-16 text.
bool DecodeFile(std::span<const BYTE> bytes, std::u16string& text, RegFileError& error)
{
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE)
    {
        const std::size_t size = bytes.size() - 2;
        text.clear();
        text.reserve(size / 2);
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
            text.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
        if (size % 2 != 0)
        {
            const std::size_t lines = std::count(text.begin(), text.end(), u'\n');
            error = {lines + 1, "UTF-16 text ends in the middle of a character"};
            return false;
        }
        return true;
    }
    if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF)
    {
        error = {1, "big-endian UTF-16 is not supported; use UTF-16LE or UTF-8"};
        return false;
    }
    std::size_t start = 0;
    if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF)
        start = 3;
    const std::string_view utf8(reinterpret_cast<const char*>(bytes.data()) + start, bytes.size() - start);
    std::size_t bad = 0;
    text.clear();
    if (!text::DecodeUtf8(utf8, true, text, &bad))
    {
        const std::size_t lines =
            std::count(utf8.begin(), utf8.begin() + static_cast<std::ptrdiff_t>(bad), '\n');
        error = {lines + 1, "invalid UTF-8 text"};
        return false;
    }
    return true;
}

// Where a line of hex data goes on to the next one: the '\\' that ends it outside quoted names and
// before any ; comment, or npos. A '\\' at the end of a comment or inside a string continues nothing, and
// only hex data (the value of the first line, after its '=') is ever continued.
std::size_t ContinuationMark(std::u16string_view line, bool firstLine)
{
    constexpr std::size_t npos = std::u16string_view::npos;
    std::size_t last = npos; // the last character that counts: outside comments, not blank
    std::size_t equals = npos;
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i)
    {
        const char16_t c = line[i];
        if (quoted)
        {
            if (c == u'\\')
                ++i; // the escaped character
            else if (c == u'"')
            {
                quoted = false;
                last = i;
            }
            continue;
        }
        if (c == u';')
            break;
        if (c == u'"')
            quoted = true;
        if (c == u'=' && equals == npos)
            equals = i;
        if (!IsBlank(c))
            last = i;
    }
    if (quoted || last == npos || line[last] != u'\\')
        return npos;
    if (firstLine && (equals == npos || !StartsWithNoCase(Trim(line.substr(equals + 1)), u"hex")))
        return npos;
    return last;
}

// Physical lines, split at CR LF, LF or CR.
std::vector<std::u16string_view> SplitLines(std::u16string_view text)
{
    std::vector<std::u16string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        if (text[i] == u'\r' || text[i] == u'\n')
        {
            lines.push_back(text.substr(start, i - start));
            if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

class Parser
{
public:
    Parser(std::vector<RegFileEntry>& entries, RegFileError& error) : m_entries(entries), m_error(error) {}

    bool Run(std::u16string_view text)
    {
        const std::vector<std::u16string_view> lines = SplitLines(text);
        bool headerSeen = false;
        for (std::size_t i = 0; i < lines.size(); ++i)
        {
            m_line = i + 1;
            std::u16string_view line = Trim(lines[i]);
            if (line.empty() || line.front() == u';')
                continue;
            if (!headerSeen)
            {
                if (line != kHeader)
                    return Fail("not a registry file: the first line must be \"Windows Registry Editor "
                                "Version 5.00\"");
                headerSeen = true;
                continue;
            }
            std::u16string joined;
            if (std::size_t mark = ContinuationMark(line, true); mark != std::u16string_view::npos)
            {
                // Hex data continued on the following lines.
                joined.assign(line.substr(0, mark));
                while (i + 1 < lines.size())
                {
                    const std::u16string_view next = Trim(lines[++i]);
                    mark = ContinuationMark(next, false);
                    if (mark == std::u16string_view::npos)
                    {
                        joined.append(next);
                        break;
                    }
                    joined.append(next.substr(0, mark));
                }
                line = joined;
            }
            if (!ParseLine(line))
                return false;
        }
        if (!headerSeen)
        {
            m_line = lines.empty() ? 1 : lines.size();
            return Fail("not a registry file: \"Windows Registry Editor Version 5.00\" is missing");
        }
        return true;
    }

private:
    bool Fail(std::string message)
    {
        m_error = {m_line, std::move(message)};
        return false;
    }

    bool ParseLine(std::u16string_view line)
    {
        if (line.front() == u'[')
            return ParseKey(line);
        if (line.front() == u'"' || line.front() == u'@')
            return ParseValue(line);
        return Fail("expected [key], \"name\"=value, @=value or a ; comment");
    }

    bool ParseKey(std::u16string_view line)
    {
        if (line.back() != u']')
            return Fail("a key line must end with ']'");
        std::u16string_view path = line.substr(1, line.size() - 2);
        RegFileEntry entry;
        entry.line = m_line;
        entry.kind = RegFileEntry::Kind::Key;
        if (!path.empty() && path.front() == u'-')
        {
            entry.kind = RegFileEntry::Kind::DeleteKey;
            path.remove_prefix(1);
        }
        const auto parsed = ParseRegistryPath(path);
        if (!parsed)
            return Fail(
                "unknown root key in \"" + text::ToUtf8(path) +
                "\"; expected HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_CLASSES_ROOT or HKEY_USERS");
        if (!ValidKeyPath(parsed->subKey))
            return Fail("invalid key name \"" + text::ToUtf8(path) + "\"");
        if (entry.kind == RegFileEntry::Kind::DeleteKey && parsed->subKey.empty())
            return Fail("a root key cannot be deleted");
        entry.root = parsed->root;
        entry.subKey = parsed->subKey;
        m_inKey = entry.kind == RegFileEntry::Kind::Key;
        m_inDeletedKey = !m_inKey;
        m_entries.push_back(std::move(entry));
        return true;
    }

    static bool ValidKeyPath(std::u16string_view sub)
    {
        if (sub.find(u'\0') != std::u16string_view::npos)
            return false;
        while (!sub.empty())
        {
            const std::size_t sep = sub.find(u'\\');
            const std::u16string_view part = sub.substr(0, sep);
            if (part.empty() || part.size() > kMaxKeyNameLength)
                return false;
            if (sep == std::u16string_view::npos)
                break;
            sub.remove_prefix(sep + 1);
        }
        return true;
    }

    // A quoted string at the front of `s` (which starts with '"'), with \\ and \" escapes.
    bool TakeQuoted(std::u16string_view& s, std::u16string& out)
    {
        out.clear();
        std::size_t i = 1;
        while (i < s.size())
        {
            const char16_t c = s[i];
            if (c == u'"')
            {
                s.remove_prefix(i + 1);
                return true;
            }
            if (c == u'\\')
            {
                if (i + 1 >= s.size())
                    break;
                const char16_t next = s[i + 1];
                if (next != u'\\' && next != u'"')
                    return Fail("unknown escape \\" + text::ToUtf8(std::u16string_view(&s[i + 1], 1)) +
                                " in a string (only \\\\ and \\\" are known)");
                out.push_back(next);
                i += 2;
                continue;
            }
            out.push_back(c);
            ++i;
        }
        return Fail("string without its closing quote");
    }

    // Nothing but blanks or a ; comment may follow a value.
    bool AtEnd(std::u16string_view rest)
    {
        rest = Trim(rest);
        if (!rest.empty() && rest.front() != u';')
            return Fail("unexpected text after the value: \"" + text::ToUtf8(rest) + "\"");
        return true;
    }

    bool ParseValue(std::u16string_view line)
    {
        if (!m_inKey)
            return Fail(m_inDeletedKey ? "a value under a key that is being deleted"
                                       : "a value before the first [key]");
        RegFileEntry entry;
        entry.line = m_line;
        entry.kind = RegFileEntry::Kind::Value;
        std::u16string_view rest = line;
        if (rest.front() == u'@')
            rest.remove_prefix(1);
        else
        {
            if (!TakeQuoted(rest, entry.name))
                return false;
            if (entry.name.empty())
                return Fail("an empty value name; the default value is written @");
            if (entry.name.size() > kMaxValueNameLength || entry.name.find(u'\0') != std::u16string::npos)
                return Fail("invalid value name");
        }
        rest = Trim(rest);
        if (rest.empty() || rest.front() != u'=')
            return Fail("expected '=' after the value name");
        rest = Trim(rest.substr(1));
        if (rest.empty())
            return Fail("missing value data");

        if (rest.front() == u'-')
        {
            entry.kind = RegFileEntry::Kind::DeleteValue;
            if (!AtEnd(rest.substr(1)))
                return false;
        }
        else if (rest.front() == u'"')
        {
            std::u16string text;
            if (!TakeQuoted(rest, text) || !AtEnd(rest))
                return false;
            entry.type = REG_SZ;
            AppendUtf16Le(entry.data, text);
            AppendUtf16Le(entry.data, std::u16string_view(u"\0", 1));
        }
        else if (StartsWithNoCase(rest, u"dword:"))
        {
            rest.remove_prefix(6);
            DWORD value = 0;
            if (!TakeHex(rest, 8, value) || (!rest.empty() && HexDigitValue(rest.front()) >= 0))
                return Fail("dword: needs 1 to 8 hex digits");
            if (!AtEnd(rest))
                return false;
            entry.type = REG_DWORD;
            for (int i = 0; i < 4; ++i)
                entry.data.push_back(static_cast<BYTE>((value >> (8 * i)) & 0xFF));
        }
        else if (StartsWithNoCase(rest, u"hex"))
        {
            rest.remove_prefix(3);
            entry.type = REG_BINARY;
            if (!rest.empty() && rest.front() == u'(')
            {
                rest.remove_prefix(1);
                if (!TakeHex(rest, 8, entry.type) || rest.empty() || rest.front() != u')')
                    return Fail("hex(N): needs a type number of 1 to 8 hex digits");
                rest.remove_prefix(1);
            }
            if (rest.empty() || rest.front() != u':')
                return Fail("expected ':' after hex");
            rest.remove_prefix(1);
            if (!ParseHexBytes(rest, entry.data))
                return false;
        }
        else
            return Fail("unknown value data; expected \"text\", dword:, hex:, hex(N): or -");
        m_entries.push_back(std::move(entry));
        return true;
    }

    // "01,02, ff" (blanks allowed around the commas, a trailing comma tolerated). Every byte has its two
    // digits: "0" may be what is left of a line cut short, so it is refused rather than read as 00.
    bool ParseHexBytes(std::u16string_view rest, std::vector<BYTE>& data)
    {
        rest = Trim(rest);
        while (!rest.empty() && rest.front() != u';')
        {
            DWORD byte = 0;
            const std::size_t before = rest.size();
            if (!TakeHex(rest, 2, byte) || before - rest.size() != 2)
                return Fail("hex data must be bytes of two hex digits separated by commas");
            data.push_back(static_cast<BYTE>(byte));
            rest = Trim(rest);
            if (rest.empty() || rest.front() == u';')
                break;
            if (rest.front() != u',')
                return Fail("hex data must be bytes of two hex digits separated by commas");
            rest = Trim(rest.substr(1));
        }
        return true;
    }

    std::vector<RegFileEntry>& m_entries;
    RegFileError& m_error;
    std::size_t m_line = 0;
    bool m_inKey = false;
    bool m_inDeletedKey = false;
};

std::string ErrorText(LONG code)
{
    switch (code)
    {
    case ERROR_ACCESS_DENIED:
        return "access denied";
    case ERROR_INVALID_PARAMETER:
        return "invalid name or data";
    case ERROR_KEY_DELETED:
        return "the key was deleted";
    case ERROR_BUSY:
        return "the registry is busy";
    case ERROR_DISK_FULL:
        return "the disk is full";
    default:
        return "registry error " + std::to_string(code);
    }
}

LONG Apply(const std::vector<RegFileEntry>& entries, RegFileError& error)
{
    UniqueHkey current;
    for (const RegFileEntry& entry : entries)
    {
        LONG rc = ERROR_SUCCESS;
        std::string what;
        switch (entry.kind)
        {
        case RegFileEntry::Kind::Key:
        {
            rc = RegCreateKeyExW(entry.root, entry.subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                 current.receive(), nullptr);
            what = "cannot create the key";
            break;
        }
        case RegFileEntry::Kind::DeleteKey:
            current.reset();
            rc = RegDeleteKeyW(entry.root, entry.subKey.c_str());
            if (rc == ERROR_FILE_NOT_FOUND)
                rc = ERROR_SUCCESS;
            what = "cannot delete the key";
            break;
        case RegFileEntry::Kind::Value:
            rc = RegSetValueExW(current.get(), entry.name.c_str(), 0, entry.type, entry.data.data(),
                                static_cast<DWORD>(entry.data.size()));
            what = "cannot set the value";
            break;
        case RegFileEntry::Kind::DeleteValue:
            rc = RegDeleteValueW(current.get(), entry.name.c_str());
            if (rc == ERROR_FILE_NOT_FOUND)
                rc = ERROR_SUCCESS;
            what = "cannot delete the value";
            break;
        }
        if (rc != ERROR_SUCCESS)
        {
            error = {entry.line, what + ": " + ErrorText(rc)};
            return rc;
        }
    }
    return ERROR_SUCCESS;
}

// ---- export ----

void AppendEscaped(std::u16string& out, std::u16string_view text)
{
    for (char16_t c : text)
    {
        if (c == u'\\' || c == u'"')
            out.push_back(u'\\');
        out.push_back(c);
    }
}

// REG_SZ data that the "text" form gives back exactly: UTF-16 units ending in one zero, no other zero
// and no line break.
bool PlainString(const std::vector<BYTE>& data, std::u16string& text)
{
    if (data.size() < 2 || data.size() % 2 != 0)
        return false;
    text.clear();
    for (std::size_t i = 0; i + 1 < data.size(); i += 2)
        text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    if (text.back() != 0)
        return false;
    text.pop_back();
    return text.find_first_of(std::u16string_view(u"\0\r\n", 3)) == std::u16string::npos;
}

void AppendHexNumber(std::u16string& out, DWORD value, int minDigits)
{
    char16_t buffer[8];
    int n = 0;
    do
    {
        buffer[n++] = static_cast<char16_t>(ce::text::kHexDigitsLower[value & 0xF]);
        value >>= 4;
    } while (value && n < 8);
    while (n < minDigits)
        buffer[n++] = u'0';
    while (n > 0)
        out.push_back(buffer[--n]);
}

// hex:01,02,... wrapped like the desktop registry editor: lines of at most 80 characters, continued
// with '\' and indented by two blanks.
void AppendHexData(std::u16string& out, std::size_t lineStart, const std::vector<BYTE>& data)
{
    std::size_t column = out.size() - lineStart;
    for (std::size_t i = 0; i < data.size(); ++i)
    {
        AppendHexNumber(out, data[i], 2);
        column += 2;
        if (i + 1 < data.size())
        {
            out.push_back(u',');
            ++column;
            if (column > 76)
            {
                out.append(u"\\\r\n  ");
                column = 2;
            }
        }
    }
}

void AppendValue(std::u16string& out, const std::u16string& name, DWORD type, const std::vector<BYTE>& data)
{
    const std::size_t lineStart = out.size();
    if (name.empty())
        out.push_back(u'@');
    else
    {
        out.push_back(u'"');
        AppendEscaped(out, name);
        out.push_back(u'"');
    }
    out.push_back(u'=');
    std::u16string text;
    if (type == REG_SZ && PlainString(data, text))
    {
        out.push_back(u'"');
        AppendEscaped(out, text);
        out.push_back(u'"');
    }
    else if (type == REG_DWORD && data.size() == 4)
    {
        out.append(u"dword:");
        AppendHexNumber(out, data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<DWORD>(data[3]) << 24),
                        8);
    }
    else
    {
        out.append(u"hex");
        if (type != REG_BINARY)
        {
            out.push_back(u'(');
            AppendHexNumber(out, type, 1);
            out.push_back(u')');
        }
        out.push_back(u':');
        AppendHexData(out, lineStart, data);
    }
    out.append(u"\r\n");
}

LONG AppendKeyValues(std::u16string& out, HKEY key)
{
    DWORD maxName = 0, maxData = 0;
    LONG rc = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxName,
                               &maxData, nullptr, nullptr);
    if (rc != ERROR_SUCCESS)
        return rc;
    std::vector<WCHAR> name(static_cast<std::size_t>(maxName) + 1);
    std::vector<BYTE> data;
    for (DWORD index = 0;; ++index)
    {
        DWORD cchName = static_cast<DWORD>(name.size());
        DWORD type = 0;
        DWORD cbData = maxData;
        data.resize(maxData);
        rc = RegEnumValueW(key, index, name.data(), &cchName, nullptr, &type, data.data(), &cbData);
        if (rc == ERROR_NO_MORE_ITEMS)
            return ERROR_SUCCESS;
        if (rc != ERROR_SUCCESS)
            return rc;
        data.resize(cbData);
        AppendValue(out, std::u16string(name.data(), cchName), type, data);
    }
}

} // namespace

std::string RegFileError::ToString() const
{
    return line ? "line " + std::to_string(line) + ": " + message : message;
}

std::optional<RegistryPath> ParseRegistryPath(std::u16string_view text)
{
    const std::size_t sep = text.find(u'\\');
    const std::u16string_view rootName = text.substr(0, sep);
    for (const RootName& root : kRoots)
    {
        if (EqualsNoCase(rootName, root.longName) || EqualsNoCase(rootName, root.shortName))
        {
            std::u16string_view rest =
                sep == std::u16string_view::npos ? std::u16string_view() : text.substr(sep);
            while (!rest.empty() && rest.front() == u'\\')
                rest.remove_prefix(1);
            while (!rest.empty() && rest.back() == u'\\')
                rest.remove_suffix(1);
            return RegistryPath{root.root, std::u16string(rest)};
        }
    }
    return std::nullopt;
}

std::u16string_view RegistryRootName(HKEY root)
{
    for (const RootName& r : kRoots)
        if (r.root == root)
            return r.longName;
    return {};
}

bool ParseRegFile(std::span<const BYTE> bytes, std::vector<RegFileEntry>& entries, RegFileError& error)
{
    std::u16string text;
    if (!DecodeFile(bytes, text, error))
        return false;
    std::vector<RegFileEntry> parsed;
    Parser parser(parsed, error);
    if (!parser.Run(text))
        return false;
    entries = std::move(parsed);
    return true;
}

LONG ImportRegFile(std::span<const BYTE> bytes, RegFileError& error)
{
    std::vector<RegFileEntry> entries;
    if (!ParseRegFile(bytes, entries, error))
        return ERROR_BAD_FORMAT;
    RegFileError applyError;
    const LONG rc = RunRegistryTransaction(true, [&] { return Apply(entries, applyError); });
    if (rc != ERROR_SUCCESS)
    {
        error = applyError.message.empty() ? RegFileError{0, ErrorText(rc)} : applyError;
        return rc;
    }
    return ERROR_SUCCESS;
}

LONG ImportRegFile(const fs::path& file, RegFileError& error)
{
    UniqueFd fd = OpenHostFile(file.c_str(), O_RDONLY);
    std::optional<std::string> bytes = fd ? ReadAll(fd.get(), kMaxFileSize) : std::nullopt;
    if (!bytes)
    {
        const int reason = errno;
        if (reason == EFBIG)
        {
            error = {0, file.string() + " is too large for a registry file"};
            return ERROR_BAD_FORMAT;
        }
        error = {0, "cannot read " + file.string() + ": " + std::strerror(reason)};
        return reason == ENOENT ? ERROR_FILE_NOT_FOUND : ERROR_READ_FAULT;
    }
    return ImportRegFile(std::span<const BYTE>(reinterpret_cast<const BYTE*>(bytes->data()), bytes->size()),
                         error);
}

LONG ExportRegFile(HKEY root, std::u16string_view subKey, std::vector<BYTE>& out)
{
    const std::u16string_view rootName = RegistryRootName(root);
    if (rootName.empty())
        return ERROR_INVALID_HANDLE;
    std::u16string text(kHeader);
    text.append(u"\r\n\r\n");

    const LONG rc = RunRegistryTransaction(
        false,
        [&]() -> LONG
        {
            struct Frame
            {
                UniqueHkey key;
                std::u16string path;
                DWORD next = 0;
            };
            std::vector<Frame> stack;
            const std::u16string subKeyText(subKey);
            UniqueHkey top;
            LONG result = RegOpenKeyExW(root, subKeyText.c_str(), 0, KEY_READ, top.receive());
            if (result != ERROR_SUCCESS)
                return result;
            std::u16string topPath(rootName);
            if (!subKey.empty())
                topPath.append(u"\\").append(subKey);
            stack.push_back(Frame{std::move(top), topPath, 0});

            // Depth first, each key before its sub-keys, in creation order; no recursion, whatever the depth.
            bool entering = true;
            std::vector<WCHAR> name;
            while (!stack.empty())
            {
                Frame& frame = stack.back();
                if (entering)
                {
                    text.append(u"[").append(frame.path).append(u"]\r\n");
                    if ((result = AppendKeyValues(text, frame.key.get())) != ERROR_SUCCESS)
                        return result;
                    text.append(u"\r\n");
                    entering = false;
                }
                DWORD maxSubKey = 0;
                if ((result = RegQueryInfoKeyW(frame.key.get(), nullptr, nullptr, nullptr, nullptr,
                                               &maxSubKey, nullptr, nullptr, nullptr, nullptr, nullptr,
                                               nullptr)) != ERROR_SUCCESS)
                    return result;
                name.resize(static_cast<std::size_t>(maxSubKey) + 1);
                DWORD cch = static_cast<DWORD>(name.size());
                result = RegEnumKeyExW(frame.key.get(), frame.next, name.data(), &cch, nullptr, nullptr,
                                       nullptr, nullptr);
                if (result == ERROR_NO_MORE_ITEMS)
                {
                    stack.pop_back();
                    continue;
                }
                if (result != ERROR_SUCCESS)
                    return result;
                ++frame.next;
                std::u16string childName(name.data(), cch);
                UniqueHkey child;
                if ((result = RegOpenKeyExW(frame.key.get(), childName.c_str(), 0, KEY_READ,
                                            child.receive())) != ERROR_SUCCESS)
                    return result;
                std::u16string childPath = frame.path + u"\\" + childName;
                stack.push_back(Frame{std::move(child), std::move(childPath), 0}); // invalidates `frame`
                entering = true;
            }
            return ERROR_SUCCESS;
        });
    if (rc != ERROR_SUCCESS)
        return rc;

    std::vector<BYTE> bytes{0xFF, 0xFE};
    bytes.reserve(2 + text.size() * 2);
    AppendUtf16Le(bytes, text);
    out = std::move(bytes);
    return ERROR_SUCCESS;
}

} // namespace ce
