// reg: reads and changes the handheld's registry with the desktop tool's syntax.
//
//   reg query  KEY [/v NAME | /ve] [/s]
//   reg add    KEY [/v NAME | /ve] [/t TYPE] [/d DATA] [/f]
//   reg delete KEY [/v NAME | /ve | /va] /f
//   reg export KEY FILE [/y]
//   reg import FILE
//
// It never asks questions: overwriting a value needs /f, deleting always needs /f, overwriting an export
// file needs /y. Exit status 0 on success, 1 on failure with the reason on standard error, 2 for a command
// line it does not take (with the command's usage line). Text is UTF-8.
#include <windows.h>

#include <kernel/host_files.h>
#include <kernel/regfile.h>
#include <kernel/utf8.h>
#include <kernel/registry.h>
#include <kernel/text.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace
{

constexpr const char* kUsage =
    "Reads and changes the registry of the handheld named by $HANDHELD_DIR.\n"
    "\n"
    "  reg query  KEY [/v NAME | /ve] [/s]\n"
    "  reg add    KEY [/v NAME | /ve] [/t TYPE] [/d DATA] [/f]\n"
    "  reg delete KEY [/v NAME | /ve | /va] /f\n"
    "  reg export KEY FILE [/y]\n"
    "  reg import FILE\n"
    "\n"
    "  KEY   ROOT\\SubKey, ROOT being HKLM, HKCU, HKCR, HKU or their full names\n"
    "  /v    the named value; /ve the default value; /va every value of the key\n"
    "  /s    query the key and everything below it\n"
    "  /t    REG_SZ (default), REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_BINARY\n"
    "  /d    the data: REG_DWORD decimal or 0x hex, REG_BINARY hex digits,\n"
    "        REG_MULTI_SZ strings separated by \\0\n"
    "  /f    overwrite an existing value, or delete without asking (required for delete)\n"
    "  /y    overwrite an existing export file\n";

constexpr const char* kNotFound = "The system was unable to find the specified registry key or value.";
constexpr const char* kSuccess = "The operation completed successfully.";

// Failure of a command: its message goes to standard error with the exit status.
struct Failure
{
    std::string message;
    int status = 1;
};

// A command line the command does not take: a Failure with status 2 and the command's usage line.
struct UsageError
{
    std::string detail;
};

void Print(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
}

std::string Utf8(std::u16string_view text)
{
    return ce::text::ToUtf8(text);
}

std::string RegErrorText(LONG rc)
{
    switch (rc)
    {
    case ERROR_FILE_NOT_FOUND:
        return kNotFound;
    case ERROR_ACCESS_DENIED:
        return ce::RegistryIsReadOnly()
                   ? "Access is denied: the handheld's registry is read-only (its folder or database cannot "
                     "be written)."
                   : "Access is denied.";
    case ERROR_INVALID_PARAMETER:
        return "Invalid key or value name, or invalid data.";
    case ERROR_KEY_DELETED:
        return "The key was deleted meanwhile.";
    case ERROR_BUSY:
        return "The registry is busy; try again.";
    case ERROR_BADDB:
        return "The registry database is damaged or could not be created.";
    default:
        return "The registry call failed with error " + std::to_string(rc) + ".";
    }
}

void Check(LONG rc)
{
    if (rc != ERROR_SUCCESS)
        throw Failure{RegErrorText(rc)};
}

// Opens the registry before a command's first registry call, so that a damaged or unreachable one stops
// the command with what is wrong and how to recover.
void RequireRegistry()
{
    std::string message;
    if (ce::OpenRegistry(message) != ERROR_SUCCESS)
        throw Failure{message};
}

char16_t Lower(char16_t c)
{
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 0x20) : c;
}

std::u16string LowerAscii(std::u16string_view text)
{
    std::u16string out(text);
    for (char16_t& c : out)
        c = Lower(c);
    return out;
}

// ---- arguments ----

struct Arguments
{
    std::vector<std::u16string> positional;
    std::vector<std::string> positionalBytes; // as given, for file names
    std::optional<std::u16string> valueName;  // /v
    bool defaultValue = false;                // /ve
    bool allValues = false;                   // /va
    bool recursive = false;                   // /s
    bool force = false;                       // /f
    bool overwriteFile = false;               // /y
    std::optional<std::u16string> type;       // /t
    std::optional<std::u16string> data;       // /d
    bool help = false;
};

// Options start with '/' or '-'; `allowed` lists the ones the command knows.
Arguments ParseArguments(int argc, char** argv, std::u16string_view allowed)
{
    Arguments args;
    for (int i = 2; i < argc; ++i)
    {
        const std::u16string arg = ce::text::FromUtf8(argv[i]);
        if (arg.size() >= 2 && (arg[0] == u'/' || arg[0] == u'-'))
        {
            const std::u16string option = LowerAscii(arg.substr(1));
            if (option == u"?" || option == u"h" || option == u"-help")
            {
                args.help = true;
                continue;
            }
            const auto known = [&](std::u16string_view name)
            {
                return option == name && allowed.find(std::u16string(u" ") + std::u16string(name) + u" ") !=
                                             std::u16string_view::npos;
            };
            const auto next = [&]() -> std::u16string
            {
                if (i + 1 >= argc)
                    throw UsageError{"/" + Utf8(option) + " needs an argument"};
                return ce::text::FromUtf8(argv[++i]);
            };
            if (known(u"v"))
                args.valueName = next();
            else if (known(u"ve"))
                args.defaultValue = true;
            else if (known(u"va"))
                args.allValues = true;
            else if (known(u"s"))
                args.recursive = true;
            else if (known(u"f"))
                args.force = true;
            else if (known(u"y"))
                args.overwriteFile = true;
            else if (known(u"t"))
                args.type = next();
            else if (known(u"d"))
                args.data = next();
            else if (option.size() <= 2 && option.find_first_of(u"/\\.") == std::u16string::npos)
                throw UsageError{"unknown option " + Utf8(arg)};
            else
            {
                // Not an option: a file name such as /tmp/x.reg.
                args.positional.push_back(arg);
                args.positionalBytes.emplace_back(argv[i]);
            }
            continue;
        }
        args.positional.push_back(arg);
        args.positionalBytes.emplace_back(argv[i]);
    }
    if ((args.valueName ? 1 : 0) + (args.defaultValue ? 1 : 0) + (args.allValues ? 1 : 0) > 1)
        throw UsageError{"/v, /ve and /va exclude each other"};
    return args;
}

ce::RegistryPath KeyArgument(const std::u16string& text)
{
    const auto path = ce::ParseRegistryPath(text);
    if (!path)
        throw UsageError{"invalid key name " + Utf8(text) + " (it must start with HKLM, HKCU, HKCR or HKU)"};
    return *path;
}

std::u16string DisplayPath(const ce::RegistryPath& path)
{
    std::u16string out(ce::RegistryRootName(path.root));
    if (!path.subKey.empty())
        out.append(u"\\").append(path.subKey);
    return out;
}

ce::UniqueHkey OpenKey(const ce::RegistryPath& path, REGSAM access)
{
    HKEY key = nullptr;
    Check(RegOpenKeyExW(path.root, path.subKey.c_str(), 0, access, &key));
    return ce::UniqueHkey(key);
}

// ---- value formatting ----

std::u16string TypeName(DWORD type)
{
    switch (type)
    {
    case REG_NONE:
        return u"REG_NONE";
    case REG_SZ:
        return u"REG_SZ";
    case REG_EXPAND_SZ:
        return u"REG_EXPAND_SZ";
    case REG_BINARY:
        return u"REG_BINARY";
    case REG_DWORD:
        return u"REG_DWORD";
    case REG_DWORD_BIG_ENDIAN:
        return u"REG_DWORD_BIG_ENDIAN";
    case REG_LINK:
        return u"REG_LINK";
    case REG_MULTI_SZ:
        return u"REG_MULTI_SZ";
    case 11:
        return u"REG_QWORD";
    default:
    {
        char buffer[24];
        std::snprintf(buffer, sizeof buffer, "0x%X", type);
        return ce::text::FromUtf8(buffer);
    }
    }
}

std::u16string Units(const std::vector<BYTE>& data)
{
    std::u16string text;
    for (std::size_t i = 0; i + 1 < data.size(); i += 2)
        text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    return text;
}

std::u16string HexBytes(const std::vector<BYTE>& data)
{
    std::u16string out;
    for (BYTE b : data)
    {
        out.push_back(static_cast<char16_t>(ce::text::kHexDigitsUpper[b >> 4]));
        out.push_back(static_cast<char16_t>(ce::text::kHexDigitsUpper[b & 0xF]));
    }
    return out;
}

std::u16string Number(unsigned long long value)
{
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "0x%llx", value);
    return ce::text::FromUtf8(buffer);
}

std::u16string FormatData(DWORD type, const std::vector<BYTE>& data)
{
    switch (type)
    {
    case REG_SZ:
    case REG_EXPAND_SZ:
    {
        std::u16string text = Units(data);
        return text.substr(0, text.find(u'\0'));
    }
    case REG_MULTI_SZ:
    {
        std::u16string text = Units(data);
        while (!text.empty() && text.back() == 0)
            text.pop_back();
        std::u16string out;
        for (char16_t c : text)
        {
            if (c == 0)
                out.append(u"\\0");
            else
                out.push_back(c);
        }
        return out;
    }
    case REG_DWORD:
        if (data.size() == 4)
            return Number(data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<DWORD>(data[3]) << 24));
        break;
    case REG_DWORD_BIG_ENDIAN:
        if (data.size() == 4)
            return Number((static_cast<DWORD>(data[0]) << 24) | (data[1] << 16) | (data[2] << 8) | data[3]);
        break;
    case 11: // REG_QWORD
        if (data.size() == 8)
        {
            unsigned long long value = 0;
            for (int i = 7; i >= 0; --i)
                value = (value << 8) | data[static_cast<std::size_t>(i)];
            return Number(value);
        }
        break;
    default:
        break;
    }
    return HexBytes(data);
}

std::string ValueLine(const std::u16string& name, DWORD type, const std::vector<BYTE>& data)
{
    return "    " + (name.empty() ? std::string("(Default)") : Utf8(name)) + "    " + Utf8(TypeName(type)) +
           "    " + Utf8(FormatData(type, data)) + "\n";
}

struct Value
{
    std::u16string name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

std::optional<Value> QueryValue(HKEY key, const std::u16string& name)
{
    Value value;
    value.name = name;
    for (;;)
    {
        DWORD size = static_cast<DWORD>(value.data.size());
        const LONG rc = RegQueryValueExW(key, name.c_str(), nullptr, &value.type,
                                         value.data.empty() ? nullptr : value.data.data(), &size);
        if (rc == ERROR_FILE_NOT_FOUND)
            return std::nullopt;
        if (rc == ERROR_SUCCESS && (!value.data.empty() || size == 0))
        {
            value.data.resize(size);
            return value;
        }
        if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA)
            Check(rc);
        value.data.resize(size); // the size it has now; read again
    }
}

std::vector<Value> AllValues(HKEY key)
{
    DWORD maxName = 0, maxData = 0;
    Check(RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxName,
                           &maxData, nullptr, nullptr));
    std::vector<Value> values;
    std::vector<WCHAR> name(static_cast<std::size_t>(maxName) + 1);
    for (DWORD index = 0;; ++index)
    {
        Value value;
        value.data.resize(maxData);
        DWORD cch = static_cast<DWORD>(name.size());
        DWORD size = maxData;
        const LONG rc =
            RegEnumValueW(key, index, name.data(), &cch, nullptr, &value.type, value.data.data(), &size);
        if (rc == ERROR_NO_MORE_ITEMS)
            return values;
        Check(rc);
        value.name.assign(name.data(), cch);
        value.data.resize(size);
        values.push_back(std::move(value));
    }
}

std::vector<std::u16string> SubKeys(HKEY key)
{
    DWORD maxSubKey = 0;
    Check(RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, &maxSubKey, nullptr, nullptr, nullptr,
                           nullptr, nullptr, nullptr));
    std::vector<std::u16string> names;
    std::vector<WCHAR> name(static_cast<std::size_t>(maxSubKey) + 1);
    for (DWORD index = 0;; ++index)
    {
        DWORD cch = static_cast<DWORD>(name.size());
        const LONG rc = RegEnumKeyExW(key, index, name.data(), &cch, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS)
            return names;
        Check(rc);
        names.emplace_back(name.data(), cch);
    }
}

// ---- commands ----

// Visits the key and everything below it, each key before its sub-keys, in creation order.
template <class Visit> void Walk(ce::UniqueHkey key, const std::u16string& path, Visit&& visit)
{
    struct Frame
    {
        ce::UniqueHkey key;
        std::u16string path;
        std::vector<std::u16string> children;
        std::size_t next = 0;
    };
    std::vector<Frame> stack;
    visit(key.get(), path);
    std::vector<std::u16string> children = SubKeys(key.get());
    stack.push_back(Frame{std::move(key), path, std::move(children), 0});
    while (!stack.empty())
    {
        Frame& frame = stack.back();
        if (frame.next == frame.children.size())
        {
            stack.pop_back();
            continue;
        }
        const std::u16string name = frame.children[frame.next++];
        HKEY child = nullptr;
        const LONG rc = RegOpenKeyExW(frame.key.get(), name.c_str(), 0, KEY_READ, &child);
        if (rc == ERROR_FILE_NOT_FOUND || rc == ERROR_KEY_DELETED)
            continue; // deleted by someone else meanwhile
        Check(rc);
        ce::UniqueHkey childKey(child);
        const std::u16string childPath = frame.path + u"\\" + name;
        visit(childKey.get(), childPath);
        std::vector<std::u16string> grandChildren = SubKeys(childKey.get());
        stack.push_back(
            Frame{std::move(childKey), childPath, std::move(grandChildren), 0}); // invalidates frame
    }
}

int Query(const Arguments& args)
{
    if (args.positional.size() != 1 || args.allValues)
        throw UsageError{"reg query takes one KEY"};
    const ce::RegistryPath path = KeyArgument(args.positional[0]);
    RequireRegistry();
    ce::UniqueHkey key = OpenKey(path, KEY_READ);
    const std::u16string display = DisplayPath(path);

    if (args.valueName || args.defaultValue)
    {
        const std::u16string name = args.valueName ? *args.valueName : std::u16string();
        if (!args.recursive)
        {
            const auto value = QueryValue(key.get(), name);
            if (!value)
                throw Failure{kNotFound};
            Print("\n" + Utf8(display) + "\n" + ValueLine(value->name, value->type, value->data) + "\n");
            return 0;
        }
        std::string out;
        std::size_t matches = 0;
        Walk(std::move(key), display,
             [&](HKEY k, const std::u16string& p)
             {
                 if (const auto value = QueryValue(k, name))
                 {
                     out += "\n" + Utf8(p) + "\n" + ValueLine(value->name, value->type, value->data);
                     ++matches;
                 }
             });
        if (matches == 0)
            throw Failure{kNotFound};
        Print(out + "\nEnd of search: " + std::to_string(matches) + " match(es) found.\n");
        return 0;
    }

    std::string out;
    if (args.recursive)
    {
        Walk(std::move(key), display,
             [&](HKEY k, const std::u16string& p)
             {
                 out += "\n" + Utf8(p) + "\n";
                 for (const Value& value : AllValues(k))
                     out += ValueLine(value.name, value.type, value.data);
             });
    }
    else
    {
        out += "\n" + Utf8(display) + "\n";
        for (const Value& value : AllValues(key.get()))
            out += ValueLine(value.name, value.type, value.data);
        const std::vector<std::u16string> children = SubKeys(key.get());
        if (!children.empty())
            out += "\n";
        for (const std::u16string& child : children)
            out += Utf8(display) + "\\" + Utf8(child) + "\n";
    }
    Print(out);
    return 0;
}

void AppendUnits(std::vector<BYTE>& out, std::u16string_view text)
{
    for (char16_t c : text)
    {
        out.push_back(static_cast<BYTE>(c & 0xFF));
        out.push_back(static_cast<BYTE>(c >> 8));
    }
}

std::vector<BYTE> ParseData(DWORD type, const std::u16string& text)
{
    std::vector<BYTE> data;
    switch (type)
    {
    case REG_SZ:
    case REG_EXPAND_SZ:
        AppendUnits(data, text);
        AppendUnits(data, std::u16string_view(u"\0", 1));
        break;
    case REG_MULTI_SZ:
    {
        // "a\0b" holds the strings a and b; the list ends with an empty string.
        std::size_t start = 0;
        if (!text.empty())
        {
            for (;;)
            {
                const std::size_t sep = text.find(u"\\0", start);
                AppendUnits(data, std::u16string_view(text).substr(start, sep - start));
                AppendUnits(data, std::u16string_view(u"\0", 1));
                if (sep == std::u16string::npos)
                    break;
                start = sep + 2;
            }
        }
        AppendUnits(data, std::u16string_view(u"\0", 1));
        if (text.empty())
            AppendUnits(data, std::u16string_view(u"\0", 1));
        break;
    }
    case REG_DWORD:
    {
        const std::string digits = Utf8(text.empty() ? u"0" : text);
        const bool hex = digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X');
        unsigned long long value = 0;
        const std::string body = hex ? digits.substr(2) : digits;
        bool valid = !body.empty() && body.size() <= 10;
        const int base = hex ? 16 : 10;
        for (char c : body)
        {
            const int digit = ce::text::DigitValue(static_cast<unsigned char>(c));
            if (digit < 0 || digit >= base)
            {
                valid = false;
                break;
            }
            value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
        }
        if (!valid || value > 0xFFFFFFFFull)
            throw UsageError{"invalid REG_DWORD data \"" + digits +
                             "\": give a number from 0 to 4294967295, in decimal or as 0x hex"};
        for (int i = 0; i < 4; ++i)
            data.push_back(static_cast<BYTE>((value >> (8 * i)) & 0xFF));
        break;
    }
    case REG_BINARY:
    {
        const auto digit = ce::text::HexDigitValue;
        bool valid = text.size() % 2 == 0;
        for (std::size_t i = 0; valid && i < text.size(); i += 2)
        {
            const int high = digit(text[i]), low = digit(text[i + 1]);
            if (high < 0 || low < 0)
                valid = false;
            else
                data.push_back(static_cast<BYTE>(high * 16 + low));
        }
        if (!valid)
            throw UsageError{"invalid REG_BINARY data \"" + Utf8(text) + "\": give pairs of hex digits"};
        break;
    }
    }
    return data;
}

DWORD ParseType(const std::u16string& name)
{
    const std::u16string lower = LowerAscii(name);
    if (lower == u"reg_sz")
        return REG_SZ;
    if (lower == u"reg_expand_sz")
        return REG_EXPAND_SZ;
    if (lower == u"reg_multi_sz")
        return REG_MULTI_SZ;
    if (lower == u"reg_dword")
        return REG_DWORD;
    if (lower == u"reg_binary")
        return REG_BINARY;
    throw UsageError{"invalid type " + Utf8(name) +
                     ": use REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD or REG_BINARY"};
}

int Add(const Arguments& args)
{
    if (args.positional.size() != 1 || args.allValues)
        throw UsageError{"reg add takes one KEY"};
    if ((args.type || args.data) && !args.valueName && !args.defaultValue)
        throw UsageError{"/t and /d need /v NAME or /ve"};
    const ce::RegistryPath path = KeyArgument(args.positional[0]);
    const DWORD type = args.type ? ParseType(*args.type) : REG_SZ;
    const std::vector<BYTE> data = ParseData(type, args.data ? *args.data : std::u16string());
    RequireRegistry();

    const bool setValue = args.valueName || args.defaultValue;
    const std::u16string name = args.valueName ? *args.valueName : std::u16string();
    bool exists = false;
    const LONG rc = ce::RunRegistryTransaction(
        true,
        [&]() -> LONG
        {
            HKEY raw = nullptr;
            LONG result = RegCreateKeyExW(path.root, path.subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                          nullptr, &raw, nullptr);
            if (result != ERROR_SUCCESS)
                return result;
            ce::UniqueHkey key(raw);
            if (!setValue)
                return ERROR_SUCCESS;
            if (!args.force && RegQueryValueExW(key.get(), name.c_str(), nullptr, nullptr, nullptr,
                                                nullptr) == ERROR_SUCCESS)
            {
                exists = true;
                return ERROR_ALREADY_EXISTS;
            }
            return RegSetValueExW(key.get(), name.c_str(), 0, type, data.data(),
                                  static_cast<DWORD>(data.size()));
        });
    if (exists)
        throw Failure{"The value " + (name.empty() ? std::string("(Default)") : Utf8(name)) +
                      " exists already; add /f to overwrite it."};
    Check(rc);
    Print(std::string(kSuccess) + "\n");
    return 0;
}

int Delete(const Arguments& args)
{
    if (args.positional.size() != 1)
        throw UsageError{"reg delete takes one KEY"};
    const ce::RegistryPath path = KeyArgument(args.positional[0]);
    if (!args.force)
        throw UsageError{"reg delete asks for no confirmation: add /f to delete"};
    RequireRegistry();

    if (args.valueName || args.defaultValue)
    {
        ce::UniqueHkey key = OpenKey(path, KEY_SET_VALUE);
        Check(RegDeleteValueW(key.get(), args.valueName ? args.valueName->c_str() : u""));
    }
    else if (args.allValues)
    {
        Check(ce::RunRegistryTransaction(
            true,
            [&]() -> LONG
            {
                HKEY raw = nullptr;
                if (const LONG rc = RegOpenKeyExW(path.root, path.subKey.c_str(), 0, KEY_ALL_ACCESS, &raw))
                    return rc;
                ce::UniqueHkey key(raw);
                // Each deletion moves the remaining values up: delete the first until none is left.
                for (;;)
                {
                    DWORD maxName = 0;
                    if (const LONG rc =
                            RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                             nullptr, &maxName, nullptr, nullptr, nullptr))
                        return rc;
                    std::vector<WCHAR> name(static_cast<std::size_t>(maxName) + 1);
                    DWORD cch = static_cast<DWORD>(name.size());
                    const LONG rc =
                        RegEnumValueW(key.get(), 0, name.data(), &cch, nullptr, nullptr, nullptr, nullptr);
                    if (rc == ERROR_NO_MORE_ITEMS)
                        return ERROR_SUCCESS;
                    if (rc != ERROR_SUCCESS)
                        return rc;
                    if (const LONG del = RegDeleteValueW(key.get(), name.data()))
                        return del;
                }
            }));
    }
    else
    {
        if (path.subKey.empty())
            throw Failure{"A root key cannot be deleted."};
        Check(RegDeleteKeyW(path.root, path.subKey.c_str()));
    }
    Print(std::string(kSuccess) + "\n");
    return 0;
}

int Export(const Arguments& args)
{
    if (args.positional.size() != 2)
        throw UsageError{"reg export takes a KEY and a FILE"};
    const ce::RegistryPath path = KeyArgument(args.positional[0]);
    RequireRegistry();
    const fs::path file(args.positionalBytes[1]);
    std::error_code ec;
    if (fs::exists(file, ec) && !args.overwriteFile)
        throw Failure{"The file " + file.string() + " exists already; add /y to overwrite it."};

    std::vector<BYTE> bytes;
    Check(ce::ExportRegFile(path.root, path.subKey, bytes));

    // Written next to the target and renamed over it, so a failed export leaves no half file. The
    // temporary file is made afresh (never an existing file or a link planted under its name), and
    // owner-only like the registry whose keys it holds.
    fs::path temp = file;
    temp += ".tmp" + std::to_string(::getpid());
    {
        ce::UniqueFd out = ce::OpenHostFile(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
        const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        if (!out)
            throw Failure{"Cannot write " + file.string() + ": " + std::strerror(errno) + "."};
        if (!ce::WriteAll(out.get(), text) || ::fsync(out.get()) != 0)
        {
            fs::remove(temp, ec);
            throw Failure{"Cannot write " + file.string() + "."};
        }
    }
    fs::rename(temp, file, ec);
    if (ec)
    {
        fs::remove(temp, ec);
        throw Failure{"Cannot write " + file.string() + "."};
    }
    Print(std::string(kSuccess) + "\n");
    return 0;
}

int Import(const Arguments& args)
{
    if (args.positional.size() != 1)
        throw UsageError{"reg import takes one FILE"};
    const fs::path file(args.positionalBytes[0]);
    RequireRegistry();
    ce::RegFileError error;
    if (ce::ImportRegFile(file, error) != ERROR_SUCCESS)
        throw Failure{file.string() + ": " + error.ToString()};
    Print(std::string(kSuccess) + "\n");
    return 0;
}

int Run(int argc, char** argv)
{
    if (argc < 2)
    {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::u16string command = LowerAscii(ce::text::FromUtf8(argv[1]));
    if (command == u"/?" || command == u"-?" || command == u"--help" || command == u"-h" || command == u"/h")
    {
        std::fputs(kUsage, stdout);
        return 0;
    }
    struct Command
    {
        std::u16string_view name;
        std::u16string_view options;
        int (*run)(const Arguments&);
        std::string_view usage;
    };
    static constexpr Command kCommands[] = {
        {u"query", u" v ve s ", &Query, "reg query  KEY [/v NAME | /ve] [/s]"},
        {u"add", u" v ve t d f ", &Add, "reg add    KEY [/v NAME | /ve] [/t TYPE] [/d DATA] [/f]"},
        {u"delete", u" v ve va f ", &Delete, "reg delete KEY [/v NAME | /ve | /va] /f"},
        {u"export", u" y ", &Export, "reg export KEY FILE [/y]"},
        {u"import", u" ", &Import, "reg import FILE"},
    };
    for (const Command& c : kCommands)
    {
        if (command != c.name)
            continue;
        try
        {
            const Arguments args = ParseArguments(argc, argv, c.options);
            if (args.help)
            {
                std::fputs(kUsage, stdout);
                return 0;
            }
            return c.run(args);
        }
        catch (const UsageError& e)
        {
            throw Failure{"Invalid syntax: " + e.detail + ".\nUsage: " + std::string(c.usage) +
                              "\nType \"reg /?\" for usage.",
                          2};
        }
    }
    throw Failure{"Invalid syntax: unknown operation " + Utf8(command) + ".\nType \"reg /?\" for usage.", 2};
}

} // namespace

int main(int argc, char** argv)
{
    try
    {
        return Run(argc, argv);
    }
    catch (const Failure& failure)
    {
        std::fflush(stdout);
        std::fprintf(stderr, "ERROR: %s\n", failure.message.c_str());
        return failure.status;
    }
    catch (const std::exception& e)
    {
        std::fflush(stdout);
        std::fprintf(stderr, "ERROR: %s\n", e.what());
        return 1;
    }
}
