#include "HexText.h"

#include <algorithm>

#include "OutputSink.h"

namespace vel {

bool needsHexName(std::string_view name)
{
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '\n' || byte == '\r' || byte == '"' || byte >= 128)
            return true;
    }
    return false;
}

void writeHex(OutputSink& out, std::string_view prefix, const unsigned char* data, std::size_t size)
{
    static constexpr char digits[] = "0123456789abcdef";
    out.write(prefix);
    while (size != 0) {
        const std::size_t piece = std::min(size, OutputSink::kMaxReserve / 2);
        char* p = out.reserve(2 * piece);
        for (std::size_t i = 0; i < piece; ++i) {
            *p++ = digits[data[i] >> 4];
            *p++ = digits[data[i] & 0xF];
        }
        out.commit(p);
        data += piece;
        size -= piece;
    }
}

} // namespace vel
