#include "ValueWriter.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstring>

#include "CapturedText.h"
#include "TextOutput.h"
#include "velTypes.h"

namespace vel {

static_assert(std::endian::native == std::endian::little,
              "binary lists are written as the elements lie in memory, which must be little-endian");

namespace {

template <typename T>
T load(const void* base, std::size_t index)
{
    T v;
    std::memcpy(&v, static_cast<const unsigned char*>(base) + index * sizeof(T), sizeof(T));
    return v;
}

// The reader takes -1 for a value that does not fit a float.
template <typename T>
T floatOrMinusOne(T v)
{
    return std::fabs(v) < static_cast<T>(FLT_MAX) ? v : T{-1};
}

void floats(TextOutput& out, const void* p, int n)
{
    for (int i = 0; i < n; ++i) {
        if (i)
            out.plain(' ');
        out.general(load<float>(p, static_cast<std::size_t>(i)));
    }
}

void doublesAsFloats(TextOutput& out, const void* p, int n)
{
    for (int i = 0; i < n; ++i) {
        if (i)
            out.plain(' ');
        out.general(static_cast<float>(load<double>(p, static_cast<std::size_t>(i))));
    }
}

void doubles(TextOutput& out, const void* p, int n)
{
    for (int i = 0; i < n; ++i) {
        if (i)
            out.plain(' ');
        out.general(load<double>(p, static_cast<std::size_t>(i)));
    }
}

void ints(TextOutput& out, const void* p, int n)
{
    for (int i = 0; i < n; ++i) {
        if (i)
            out.plain(' ');
        out.integer(load<std::int32_t>(p, static_cast<std::size_t>(i)));
    }
}

bool isListCode(int code)
{
    switch (code) {
    case TypeVector3fList: case TypeVector4fList: case TypeFloatList: case TypeDoubleList:
    case TypeVector3dList: case TypeIntList: case TypeBoolList: case TypeMatrixList:
    case TypeStringList: case TypeStringPtrList: case TypeIntAliasList:
        return true;
    default:
        return false;
    }
}

// Text form: elements separated by "," (the last followed by " "); after
// element 8, 16, 24 ... a newline and the indentation, so the first line
// holds nine elements and every further line eight. Each element is
// formatted in place by `element`, in at most `elementText` bytes; any run
// of them can be formatted on its own (TextOutput may use several threads).
template <typename Element>
struct TextList {
    std::uint32_t count;
    std::size_t indentation;
    Element element;
};

template <typename Element>
char* formatRun(const void* context, char* p, std::uint32_t first, std::uint32_t last)
{
    const auto& list = *static_cast<const TextList<Element>*>(context);
    for (std::uint32_t i = first; i < last; ++i) {
        p = list.element(p, i);
        *p++ = i + 1 < list.count ? ',' : ' ';
        if (i != 0 && i % 8 == 0) {
            *p++ = '\n';
            if (list.indentation <= 16)
                std::memcpy(p, "                ", 16); // room for 16 after the line break: see textList
            else
                std::memset(p, ' ', list.indentation);
            p += list.indentation;
        }
    }
    return p;
}

template <typename Element>
void textList(TextOutput& out, std::uint32_t count, std::size_t elementText, Element element)
{
    const TextList<Element> list{count, out.indentationWidth(), element};
    out.list({count, elementText + 2 + std::max<std::size_t>(list.indentation, 16), &formatRun<Element>, &list});
}

// `n` numbers separated by blanks, each through `format`.
template <typename T, typename Format>
char* numbers(char* p, const void* base, std::size_t first, int n, Format format)
{
    for (int k = 0; k < n; ++k) {
        if (k)
            *p++ = ' ';
        p = format(p, load<T>(base, first + static_cast<std::size_t>(k)));
    }
    return p;
}

// printf("%g") of a float or a double.
constexpr auto general = [](char* p, auto v) { return formatGeneral(p, v); };

void writeList(TextOutput& out, int code, const velList& list, bool binaryLists)
{
    const void* p = list.data;
    const std::uint32_t n = list.count;
    out.plain("[ ");
    if (binaryLists) {
        switch (code) {
        case TypeVector3fList:
            // The count of a triple block is that of its floats.
            writeBinaryBlock(out, 'c', static_cast<std::uint32_t>(3ull * n), p, 12ull * n);
            out.plain("] ");
            return;
        case TypeFloatList:
            writeBinaryBlock(out, 'f', n, p, 4ull * n);
            out.plain("] ");
            return;
        case TypeDoubleList:
            writeBinaryBlock(out, 'r', n, p, 8ull * n);
            out.plain("] ");
            return;
        case TypeIntList:
        case TypeIntAliasList:
            writeBinaryBlock(out, 'i', n, p, 4ull * n);
            out.plain("] ");
            return;
        default:
            break;
        }
    }
    switch (code) {
    case TypeVector3fList:
        textList(out, n, 3 * kMaxFloatText + 2, [p](char* o, std::uint32_t i) {
            return numbers<float>(o, p, 3 * std::size_t{i}, 3, general);
        });
        break;
    case TypeVector4fList:
        textList(out, n, 4 * kMaxFloatText + 3, [p](char* o, std::uint32_t i) {
            return numbers<float>(o, p, 4 * std::size_t{i}, 4, general);
        });
        break;
    case TypeFloatList:
        textList(out, n, kMaxFloatText,
                 [p](char* o, std::uint32_t i) { return formatGeneral(o, floatOrMinusOne(load<float>(p, i))); });
        break;
    case TypeDoubleList:
        textList(out, n, kMaxNumberText, [p](char* o, std::uint32_t i) {
            return formatFixed(o, floatOrMinusOne(load<double>(p, i)), 16, 16);
        });
        break;
    case TypeVector3dList:
        textList(out, n, 3 * kMaxNumberText + 2, [p](char* o, std::uint32_t i) {
            return numbers<double>(o, p, 3 * std::size_t{i}, 3, general);
        });
        break;
    case TypeIntList:
    case TypeIntAliasList:
        textList(out, n, kMaxIntegerText,
                 [p](char* o, std::uint32_t i) { return formatInt(o, load<std::int32_t>(p, i)); });
        break;
    case TypeBoolList:
        textList(out, n, 1, [p](char* o, std::uint32_t i) {
            *o = load<std::int32_t>(p, i) != 0 ? '1' : '0';
            return o + 1;
        });
        break;
    case TypeMatrixList:
        // One matrix per line, each number followed by a blank.
        for (std::uint32_t m = 0; m < n; ++m) {
            out.indentation();
            for (std::size_t j = 0; j < 16; ++j) {
                out.general(load<double>(p, 16 * std::size_t{m} + j));
                out.plain(' ');
            }
            out.plain(m + 1 < n ? ",\n" : "\n");
        }
        break;
    case TypeStringList:
    case TypeStringPtrList:
        // One string per line; every eighth line carries the indentation
        // before its newline.
        for (std::uint32_t i = 0; i < n; ++i) {
            out.name0(load<const char*>(p, i));
            out.plain(i + 1 < n ? ',' : ' ');
            if (i != 0 && i % 8 == 0)
                out.indentation();
            out.plain('\n');
        }
        break;
    default:
        break;
    }
    out.plain("] ");
}

} // namespace

const void* resolveIndirectValue(int code, const void* value)
{
    if (!value)
        return nullptr;
    if (code == TypeStringPtr)
        return load<const char*>(value, 0);
    if (code == TypeShaderText)
        return load<ShaderText>(value, 0);
    return value;
}

bool isReadableValue(int code, const void* value)
{
    switch (code) {
    case TypeVector3f: case TypeVector4f: case TypeFloat: case TypeDouble: case TypeVector3d:
    case TypeInt: case TypeBool: case TypeMatrix: case TypeString: case TypeStringPtr:
    case TypeVector2f: case TypeColor4f: case TypeInt2: case TypeInt3: case TypeInt4:
    case TypeIntAlias: case TypeShaderText:
        return value != nullptr;
    default:
        break;
    }
    if (!isListCode(code))
        return true; // no value text, nothing is read
    if (!value)
        return false;
    const velList list = load<velList>(value, 0);
    return list.count == 0 || list.data != nullptr;
}

void writeValue(TextOutput& out, int code, const void* value, bool binaryLists)
{
    if (!isReadableValue(code, value))
        return;
    switch (code) {
    case TypeVector3f:
        floats(out, value, 3);
        return;
    case TypeVector4f:
    case TypeColor4f:
        floats(out, value, 4);
        return;
    case TypeFloat:
        out.general(floatOrMinusOne(load<float>(value, 0)));
        return;
    case TypeDouble:
        out.fixed(load<double>(value, 0), 16, 16);
        return;
    case TypeVector3d:
        doubles(out, value, 3);
        return;
    case TypeInt:
    case TypeIntAlias:
        ints(out, value, 1);
        return;
    case TypeBool:
        out.plain(load<std::int32_t>(value, 0) != 0 ? "on" : "off");
        return;
    case TypeMatrix:
        doublesAsFloats(out, value, 16);
        return;
    case TypeString:
    case TypeStringPtr:
        out.name0(static_cast<const char*>(value));
        return;
    case TypeVector2f:
        floats(out, value, 2);
        return;
    case TypeInt2:
        ints(out, value, 2);
        return;
    case TypeInt3:
        ints(out, value, 3);
        return;
    case TypeInt4:
        ints(out, value, 4);
        return;
    case TypeShaderText: {
        const int saved = out.indent();
        out.setIndent(2);
        out.insert(*static_cast<const velShaderTextData*>(value));
        out.setIndent(saved);
        return;
    }
    default:
        if (isListCode(code))
            writeList(out, code, load<velList>(value, 0), binaryLists);
        return;
    }
}

void writeBinaryBlock(TextOutput& out, char letter, std::uint32_t count, const void* data, std::size_t size)
{
    const unsigned char head[8] = {1, 2, 3, static_cast<unsigned char>(letter),
                                   static_cast<unsigned char>(count), static_cast<unsigned char>(count >> 8),
                                   static_cast<unsigned char>(count >> 16), static_cast<unsigned char>(count >> 24)};
    out.raw(head, sizeof head);
    out.raw(data, size);
}

} // namespace vel
