#include "PrintableText.h"

#include <cstdint>
#include <cstdio>

namespace PrintableText {

namespace {

// The length of the printable character at the start of the text, or 0 when it begins with a control
// character or with bytes that are not valid UTF-8 (overlong forms and surrogates included).
std::size_t PrintableLength(std::string_view text)
{
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead >= 0x20 && lead < 0x7f) return 1;
    uint32_t code = 0;
    const std::size_t length = Utf8Character(text, code);
    return code < 0xa0 ? 0 : length; // C0, DEL and U+0080 to U+009F, the C1 controls with CSI among them
}

} // namespace

std::string Escaped(std::string_view text)
{
    std::string escaped;
    escaped.reserve(text.size());
    while (!text.empty()) {
        if (const std::size_t length = PrintableLength(text)) {
            escaped.append(text.substr(0, length));
            text.remove_prefix(length);
            continue;
        }
        switch (text[0]) {
        case '\t': escaped += "\\t"; break;
        case '\n': escaped += "\\n"; break;
        case '\r': escaped += "\\r"; break;
        default: {
            char code[5];
            std::snprintf(code, sizeof code, "\\x%02x", static_cast<unsigned char>(text[0]));
            escaped += code;
        }
        }
        text.remove_prefix(1);
    }
    return escaped;
}

std::size_t Utf8Character(std::string_view text, uint32_t& code)
{
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = 1;
    if (lead < 0x80) {
        code = lead;
        return 1;
    }
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
        code = lead & 0x1f;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        code = lead & 0x0f;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xc0) != 0x80) return 0;
        code = code << 6 | (next & 0x3f);
    }
    constexpr uint32_t Smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < Smallest[length] || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff)) return 0;
    return length;
}

} // namespace PrintableText
