#pragma once
// One registry root read from a file in the registry export format, the way
// regedit writes it:
//
//     Windows Registry Editor Version 5.00
//
//     [HKEY_CURRENT_USER\SOFTWARE\Veltor\RayDeck 9]
//     "BinName"="C:\\Program Files\\Veltor\\RayDeck 9\\bin\\raydeck.exe"
//     "LiveLinkPort"=dword:00001388
//     @="the key's default value"
//
// Accepted: UTF-8 with or without a byte-order mark, UTF-16LE with its mark
// (what regedit saves), LF or CRLF line ends, the header "REGEDIT4" as well,
// ";" comment lines, blank lines. Values: "text" with the escapes \\ and \",
// dword:<1 to 8 hex digits>, hex:<bytes> and hex(<type>):<bytes> with "\"
// continuation lines (hex(1) is a string in UTF-16LE, hex(4) a dword, any
// other type is kept but reads as a type mismatch). The file states the
// root's content, so the import-only deletions ("Name"=- and [-<key>]) are
// faults.
//
// Every key names its root in full (HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE)
// and a file holds the keys of one root only. Parent keys exist implicitly,
// as in the registry. Key and value names compare case-insensitively (ASCII).
//
// Anything else makes the whole file malformed: parse() then reports the
// first fault with its line number and no keys at all, so that a half-read
// file never yields a half-right installation.

#include "Registry.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// "HKEY_CURRENT_USER" or "HKEY_LOCAL_MACHINE".
std::string_view rootName(RegistryRoot root);

// Windows value type numbers, as hex(<type>) writes them.
enum RegValueType : std::uint32_t {
    RegNone = 0,
    RegString = 1,       // REG_SZ
    RegExpandString = 2, // REG_EXPAND_SZ
    RegBinary = 3,       // REG_BINARY
    RegDword = 4,        // REG_DWORD
};

struct RegValue {
    std::uint32_t type = RegNone;
    std::string text;          // RegString: the text, UTF-8
    std::uint32_t number = 0;  // RegDword
    std::string bytes;         // any other type: the raw data
};

struct RegKeyData {
    // Value name folded to lower case -> value. The default value ("@") has
    // the empty name.
    std::map<std::string, RegValue> values;
};

class RegFile {
public:
    // Parses the content of a file that holds the keys of root. On failure
    // error() tells what and where ("line 7: ...") and the file has no keys.
    static RegFile parse(std::string_view content, RegistryRoot root);

    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }

    // The key at path (backslash-separated, below the root, any case); null
    // when it does not exist. The empty path is the root key itself, which
    // exists once the file has parsed.
    const RegKeyData* find(std::string_view path) const;

    // A value of a key, by name in any case; null when missing.
    static const RegValue* value(const RegKeyData& key, std::string_view name);

    // Every key the file names, by its normalised path (see
    // normaliseKeyPath), and the root key with the empty path. Their parents
    // exist too (find() finds them) but are not listed.
    const std::map<std::string, RegKeyData>& keys() const { return keys_; }

private:
    // Normalised key path (lower case, single backslashes, no leading or
    // trailing one) -> key. Parents are not stored: a key 20,000 levels deep
    // would otherwise make 20,000 copies of ever longer prefixes.
    std::map<std::string, RegKeyData> keys_;
    RegKeyData parent_; // what find() gives for a parent: no values
    std::string error_;
    friend class RegFileParser;
};

// Folds ASCII letters to lower case; other bytes stay as they are.
std::string foldCase(std::string_view text);

// Splits a key path on backslashes, drops empty components, folds the case
// and joins the rest with single backslashes.
std::string normaliseKeyPath(std::string_view path);

} // namespace platform
