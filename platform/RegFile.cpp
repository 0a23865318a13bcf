#include "RegFile.h"

#include "Utf16.h"

#include <utility>
#include <vector>

namespace platform {

std::string_view rootName(RegistryRoot root)
{
    return root == RegistryRoot::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

std::string foldCase(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

std::string normaliseKeyPath(std::string_view path)
{
    std::string out;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string_view::npos)
            end = path.size();
        if (end > start) {
            if (!out.empty())
                out.push_back('\\');
            out += foldCase(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return out;
}

const RegKeyData* RegFile::find(std::string_view path) const
{
    std::string key = normaliseKeyPath(path);
    if (const auto it = keys_.find(key); it != keys_.end())
        return &it->second;
    // A parent of a stated key: the keys below it sort together, right from
    // "<key>\\" on.
    key.push_back('\\');
    const auto below = keys_.lower_bound(key);
    if (below != keys_.end() && below->first.starts_with(key))
        return &parent_;
    return nullptr;
}

const RegValue* RegFile::value(const RegKeyData& key, std::string_view name)
{
    const auto it = key.values.find(foldCase(name));
    return it == key.values.end() ? nullptr : &it->second;
}

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kOldHeader = "REGEDIT4";

constexpr std::string_view kBlanks = " \t";

std::string_view trim(std::string_view s)
{
    const std::size_t first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = s.find_last_not_of(kBlanks);
    return s.substr(first, last - first + 1);
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads 1 to maxDigits hex digits making up all of text.
std::optional<std::uint32_t> parseHex(std::string_view text, std::size_t maxDigits)
{
    if (text.empty() || text.size() > maxDigits)
        return std::nullopt;
    std::uint32_t value = 0;
    for (char c : text) {
        const int d = hexDigit(c);
        if (d < 0)
            return std::nullopt;
        value = (value << 4) | static_cast<std::uint32_t>(d);
    }
    return value;
}

std::u16string utf16FromLittleEndian(std::string_view bytes)
{
    std::u16string out;
    out.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i])
                                            | (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    }
    return out;
}

} // namespace

class RegFileParser {
public:
    RegFileParser(RegFile& file, RegistryRoot root) : file_(file), root_(root) {}

    void run(std::string_view content)
    {
        std::string text;
        if (!decode(content, text))
            return;
        splitLines(text);
        if (lines_.empty() || (trim(lines_[0]) != kHeader && trim(lines_[0]) != kOldHeader)) {
            fail(1, "expected the header \"" + std::string(kHeader) + "\"");
            return;
        }
        file_.keys_[""];
        for (index_ = 1; index_ < lines_.size(); ++index_) {
            const std::string_view line = trim(lines_[index_]);
            if (line.empty() || line.front() == ';')
                continue;
            const bool ok = line.front() == '[' ? keyLine(line) : valueLine(line);
            if (!ok)
                return;
        }
    }

private:
    // Records the first fault; lineNumber counts from 1.
    bool fail(std::size_t lineNumber, const std::string& message)
    {
        file_.keys_.clear();
        file_.error_ = "line " + std::to_string(lineNumber) + ": " + message;
        return false;
    }
    bool failHere(const std::string& message) { return fail(index_ + 1, message); }

    bool decode(std::string_view content, std::string& text)
    {
        if (content.size() >= 2 && content[0] == '\xFF' && content[1] == '\xFE') {
            content.remove_prefix(2);
            if (content.size() % 2 != 0) {
                fail(1, "the UTF-16 text has an odd number of bytes");
                return false;
            }
            text = utf16ToUtf8(utf16FromLittleEndian(content));
            return true;
        }
        if (content.substr(0, 3) == "\xEF\xBB\xBF")
            content.remove_prefix(3);
        text.assign(content);
        return true;
    }

    void splitLines(std::string_view text)
    {
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find('\n', start);
            if (end == std::string_view::npos)
                end = text.size();
            std::string_view line = text.substr(start, end - start);
            if (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            lines_.emplace_back(line);
            start = end + 1;
        }
    }

    bool keyLine(std::string_view line)
    {
        if (line.back() != ']')
            return failHere("a key line must end in \"]\"");
        const std::string_view inner = line.substr(1, line.size() - 2);
        const std::size_t slash = inner.find('\\');
        const std::string_view rootPart = inner.substr(0, slash);
        const std::string_view rest = slash == std::string_view::npos ? std::string_view{} : inner.substr(slash + 1);
        const std::string folded = foldCase(rootPart);
        if (folded != foldCase(rootName(root_))) {
            const RegistryRoot other = root_ == RegistryRoot::CurrentUser ? RegistryRoot::LocalMachine
                                                                          : RegistryRoot::CurrentUser;
            if (folded == foldCase(rootName(other))) {
                return failHere("a key of " + std::string(rootName(other)) + " in the file of "
                                + std::string(rootName(root_)));
            }
            return failHere("unknown root \"" + std::string(rootPart) + "\" (expected "
                            + std::string(rootName(root_)) + ")");
        }
        current_ = &file_.keys_[normaliseKeyPath(rest)];
        return true;
    }

    // Reads a double-quoted text starting at text[pos] == '"'; pos ends after
    // the closing quote.
    bool quoted(std::string_view text, std::size_t& pos, std::string& out)
    {
        out.clear();
        for (++pos; pos < text.size(); ++pos) {
            const char c = text[pos];
            if (c == '"') {
                ++pos;
                return true;
            }
            if (c == '\\') {
                if (pos + 1 < text.size() && (text[pos + 1] == '\\' || text[pos + 1] == '"')) {
                    out.push_back(text[++pos]);
                    continue;
                }
                return failHere("a backslash in a quoted text must be written \\\\ (or \\\" for a quote)");
            }
            out.push_back(c);
        }
        return failHere("a quoted text has no closing double quote");
    }

    bool valueLine(std::string_view line)
    {
        if (current_ == nullptr)
            return failHere("a value line outside of any key");
        std::size_t pos = 0;
        std::string name;
        if (line.front() == '@') {
            pos = 1;
        } else if (line.front() == '"') {
            if (!quoted(line, pos, name))
                return false;
        } else {
            return failHere("expected a key line \"[...]\" or a value name in double quotes or @");
        }
        std::string_view rest = trim(line.substr(pos));
        if (rest.empty() || rest.front() != '=')
            return failHere("expected \"=\" after the value name");
        rest = trim(rest.substr(1));
        RegValue value;
        if (!rest.empty() && rest.front() == '"') {
            std::size_t p = 0;
            if (!quoted(rest, p, value.text))
                return false;
            if (!trim(rest.substr(p)).empty())
                return failHere("unexpected text after the closing double quote");
            value.type = RegString;
        } else if (foldCase(rest.substr(0, 6)) == "dword:") {
            const auto number = parseHex(rest.substr(6), 8);
            if (!number)
                return failHere("a dword value needs 1 to 8 hex digits");
            value.type = RegDword;
            value.number = *number;
        } else if (foldCase(rest.substr(0, 3)) == "hex") {
            if (!hexValue(rest.substr(3), value))
                return false;
        } else {
            return failHere("unknown value data (expected \"text\", dword: or hex:)");
        }
        current_->values[foldCase(name)] = std::move(value);
        return true;
    }

    // text follows "hex": ":" or "(<type>):", then the bytes.
    bool hexValue(std::string_view text, RegValue& value)
    {
        std::uint32_t type = RegBinary;
        if (!text.empty() && text.front() == '(') {
            const std::size_t close = text.find(')');
            const auto parsed = close == std::string_view::npos ? std::nullopt : parseHex(text.substr(1, close - 1), 8);
            if (!parsed)
                return failHere("hex(<type>) needs a hex type number");
            type = *parsed;
            text.remove_prefix(close + 1);
        }
        if (text.empty() || text.front() != ':')
            return failHere("expected \":\" after hex");
        text.remove_prefix(1);

        // Join the continuation lines: a line whose data ends in a backslash
        // goes on in the next line.
        std::string joined;
        std::string_view part = trim(text);
        while (!part.empty() && part.back() == '\\') {
            joined += part.substr(0, part.size() - 1);
            if (++index_ >= lines_.size()) {
                --index_;
                return failHere("hex data goes on past the end of the file");
            }
            part = trim(lines_[index_]);
        }
        joined += part;

        std::string bytes;
        std::size_t start = 0;
        while (start < joined.size()) {
            std::size_t comma = joined.find(',', start);
            if (comma == std::string::npos)
                comma = joined.size();
            const auto byte = parseHex(trim(std::string_view(joined).substr(start, comma - start)), 2);
            if (!byte)
                return failHere("hex data must be bytes of two hex digits separated by commas");
            bytes.push_back(static_cast<char>(*byte));
            start = comma + 1;
        }

        if (type == RegString) {
            if (bytes.size() % 2 != 0)
                return failHere("a hex(1) string needs an even number of bytes");
            std::u16string wide = utf16FromLittleEndian(bytes);
            wide = wide.substr(0, wide.find(u'\0'));
            value.text = utf16ToUtf8(wide);
        } else if (type == RegDword) {
            if (bytes.size() != 4)
                return failHere("a hex(4) dword needs exactly 4 bytes");
            for (int i = 3; i >= 0; --i)
                value.number = (value.number << 8) | static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]);
        } else {
            value.bytes = std::move(bytes);
        }
        value.type = type;
        return true;
    }

    RegFile& file_;
    RegistryRoot root_;
    std::vector<std::string> lines_;
    std::size_t index_ = 0;
    RegKeyData* current_ = nullptr;
};

RegFile RegFile::parse(std::string_view content, RegistryRoot root)
{
    RegFile file;
    RegFileParser(file, root).run(content);
    return file;
}

} // namespace platform
