#include "core/jasc_palette.h"
#include <charconv>

namespace {

// Splits off the next line, without its line break; false at the end of the text.
bool NextLine(std::string_view& text, std::string_view& line) {
    if (text.empty()) return false;
    const std::size_t end = text.find('\n');
    line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    return true;
}

// Reads the whole line as whitespace-separated numbers in 0..255.
template <std::size_t N>
bool ParseNumbers(std::string_view line, std::array<int, N>& numbers) {
    const char* at = line.data();
    const char* end = line.data() + line.size();
    for (int& number : numbers) {
        while (at < end && (*at == ' ' || *at == '\t')) ++at;
        const auto [next, error] = std::from_chars(at, end, number);
        if (error != std::errc() || next == at || number < 0 || number > 255) return false;
        at = next;
    }
    return at == end;
}

}  // namespace

std::optional<TexturePalette> ParseJascPalette(std::string_view text) {
    std::string_view line;
    if (!NextLine(text, line) || line != "JASC-PAL") return std::nullopt;
    if (!NextLine(text, line) || line != "0100") return std::nullopt;
    if (!NextLine(text, line) || line != "256") return std::nullopt;
    TexturePalette palette{};
    for (std::size_t entry = 0; entry < 256; ++entry) {
        std::array<int, 3> rgb{};
        if (!NextLine(text, line) || !ParseNumbers(line, rgb)) return std::nullopt;
        palette[entry * 4 + 0] = static_cast<std::uint8_t>(rgb[2]);
        palette[entry * 4 + 1] = static_cast<std::uint8_t>(rgb[1]);
        palette[entry * 4 + 2] = static_cast<std::uint8_t>(rgb[0]);
    }
    while (NextLine(text, line)) {
        if (!line.empty()) return std::nullopt;
    }
    return palette;
}
