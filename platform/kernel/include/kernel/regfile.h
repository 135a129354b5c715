// Registry text files ("Windows Registry Editor Version 5.00", the .reg format): parsing, importing into
// the handheld's registry in one transaction, and exporting a key with everything below it.
//
// Import reads UTF-16LE with a byte-order mark, or UTF-8 with or without one. It understands
//   [ROOT\path]            create (or open) the key; the following values go into it
//   [-ROOT\path]           delete the key and everything below it
//   "name"="text"          REG_SZ (escapes \\ and \"), stored with its terminating zero
//   @=...                  the key's default value
//   "name"=dword:1a2b      REG_DWORD (1 to 8 hex digits)
//   "name"=hex:01,02       REG_BINARY, bytes of two hex digits;  hex(N):.. any type N (hex), e.g.
//                          hex(2) REG_EXPAND_SZ and hex(7) REG_MULTI_SZ given as UTF-16LE bytes
//   "name"=-               delete the value
//   ; comment              comments, on a line of their own or after a statement
// Hex data goes on over the following lines while a line ends in '\' (outside its comment). Roots are
// HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_CLASSES_ROOT, HKEY_USERS or the short forms HKLM, HKCU, HKCR,
// HKU, in any case.
//
// Export writes UTF-16LE with a byte-order mark and CR LF line ends: each key's header, its values in
// creation order, a blank line, then its sub-keys in creation order. Strings that would not survive the
// "text" form (no terminating zero, embedded zeros or line breaks) are written as hex(1):.
#pragma once

#include <windows.h>

#include <cstddef>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ce
{

// "HKLM\Comm\WLAN11b1" split into its root and the path below it (no leading or trailing '\').
struct RegistryPath
{
    HKEY root = nullptr;
    std::u16string subKey;
};

// Accepts the long and short root names in any case; a path without a known root gives nothing.
std::optional<RegistryPath> ParseRegistryPath(std::u16string_view text);

// "HKEY_LOCAL_MACHINE" and so on; empty for a handle that is not a predefined root.
std::u16string_view RegistryRootName(HKEY root);

// One statement of a .reg file. Value statements belong to the key statement before them.
struct RegFileEntry
{
    enum class Kind
    {
        Key,        // [ROOT\subKey]
        DeleteKey,  // [-ROOT\subKey]
        Value,      // "name"=data (name empty for @)
        DeleteValue // "name"=-
    };
    Kind kind = Kind::Key;
    std::size_t line = 0;
    HKEY root = nullptr;
    std::u16string subKey;
    std::u16string name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

struct RegFileError
{
    std::size_t line = 0; // 0: the error belongs to no particular line
    std::string message;

    // "line 12: message", or just the message.
    std::string ToString() const;
};

// Parses a whole .reg file. On a format error returns false with the line and what is wrong.
bool ParseRegFile(std::span<const BYTE> bytes, std::vector<RegFileEntry>& entries, RegFileError& error);

// Parses and applies a .reg file in one registry transaction: on any error nothing is changed.
// Deleting a key or value that does not exist is not an error. Returns a Windows error number.
LONG ImportRegFile(std::span<const BYTE> bytes, RegFileError& error);
LONG ImportRegFile(const std::filesystem::path& file, RegFileError& error);

// Exports the key root\subKey (the whole root for an empty subKey) as .reg text in UTF-16LE with BOM,
// read in one consistent snapshot. A missing key gives ERROR_FILE_NOT_FOUND and leaves `out` alone.
LONG ExportRegFile(HKEY root, std::u16string_view subKey, std::vector<BYTE>& out);

} // namespace ce
