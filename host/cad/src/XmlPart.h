#pragma once
// One part (entry) of a zip package parsed as it is inflated: pieces of its
// text go to an XML event parser (expat) and each element to the subclass,
// so that neither the text nor a document tree is ever held whole.

#include "ZipArchive.h"

#include <charconv>
#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

typedef struct XML_ParserStruct* XML_Parser;

namespace standin::host::cad {

/// The value of the attribute `name` of an element, null when it has none.
const char* xmlAttribute(const char** attributes, std::string_view name);
/// `text` without XML white space around it.
std::string_view xmlTrimmed(std::string_view text);

/// A whole number (T integral) or a decimal, the entire text and nothing
/// else (a leading '+' allowed); empty otherwise, also when it does not
/// fit in T.
template <typename T>
std::optional<T> xmlNumber(std::string_view s)
{
    if (s.size() > 1 && s.front() == '+' && s[1] != '-')
        s.remove_prefix(1);
    T value{};
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || error != std::errc() || end != s.data() + s.size())
        return std::nullopt;
    return value;
}

class XmlPart {
public:
    /// Bytes of the part read so far, of its stated size.
    using Progress = std::function<void(std::uint64_t done, std::uint64_t total)>;

    /// Parses the entry `zip` has open; errors name `source` and `part`.
    XmlPart(ZipArchive& zip, std::string source, std::string part);
    virtual ~XmlPart();
    XmlPart(const XmlPart&) = delete;
    XmlPart& operator=(const XmlPart&) = delete;

    /// Parses the whole part, then calls finish(). Throws DesignError (for
    /// XML that is not well-formed: the part and line) or whatever a
    /// handler threw: handlers may throw, the exception is kept, the parser
    /// stopped and the exception rethrown here, above expat's C frames.
    void parse(const Progress& progress = {});

protected:
    virtual void start(const char* name, const char** attributes) = 0;
    virtual void end() = 0;
    virtual void finish() {}

    /// The line of the element being handled.
    unsigned long line() const;
    /// "<part>, line <at>" (the current line when `at` is 0).
    std::string where(unsigned long at = 0) const;
    /// Throws DesignError for the part at line `at` (0: the current one).
    [[noreturn]] void fail(const std::string& problem, unsigned long at = 0) const;

    /// The attribute `name` of `element` as a T; fails when it is missing
    /// or not a T.
    template <typename T>
    T required(const char** attributes, const char* element, const char* name) const
    {
        const char* text = xmlAttribute(attributes, name);
        if (!text)
            fail("<" + std::string(element) + "> without its " + name);
        return parsed<T>(text, element, name);
    }
    template <typename T>
    T parsed(const char* text, const char* element, const char* name) const
    {
        const std::optional<T> value = xmlNumber<T>(xmlTrimmed(text));
        if (!value)
            fail("<" + std::string(element) + "> " + name + " \"" + text + "\" is not " +
                 (std::is_integral_v<T> ? "a whole number that fits" : "a number"));
        return *value;
    }

private:
    static void onStart(void* self, const char* name, const char** attributes);
    static void onEnd(void* self, const char* name);
    void stop(std::exception_ptr error);

    ZipArchive& zip_;
    std::string source_;
    std::string part_;
    XML_Parser parser_;
    std::exception_ptr error_;
};

} // namespace standin::host::cad
