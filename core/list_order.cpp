#include "core/list_order.h"
#include <algorithm>
#include <array>
#include <cstdint>

namespace {

// A character's weights: what orders names first (0 for a character that
// only counts when nothing else differs), whether it is a capital, and the
// weight it has when only such characters are left to tell names apart.
struct Weights {
    std::uint16_t primary = 0;
    bool capital = false;
    std::uint8_t special = 0;
};

// The punctuation and symbols of ASCII, in the order Windows sorts them, all
// before the digits and the letters; tab to carriage return come first.
constexpr std::string_view kSymbols = "\t\n\v\f\r !\"#$%&()*,./:;?@[\\]^_`{|}~+<=>";

// The apostrophe and the hyphen count only after everything else, the
// apostrophe first; the other control characters before either of them.
constexpr std::uint8_t kApostropheWeight = 0x80;
constexpr std::uint8_t kHyphenWeight = 0x81;

constexpr std::array<Weights, 256> MakeTable() {
    std::array<Weights, 256> table{};
    std::uint16_t next = 1;
    for (char symbol : kSymbols) table[static_cast<unsigned char>(symbol)].primary = next++;
    for (char digit = '0'; digit <= '9'; ++digit) table[static_cast<unsigned char>(digit)].primary = next++;
    for (char letter = 'a'; letter <= 'z'; ++letter) {
        table[static_cast<unsigned char>(letter)].primary = next;
        table[static_cast<unsigned char>(letter - 'a' + 'A')] = {next, true, 0};
        ++next;
    }
    for (unsigned byte = 0x80; byte < 0x100; ++byte) table[byte].primary = next++;
    for (unsigned byte = 1; byte < 0x80; ++byte) {
        if (table[byte].primary == 0) table[byte].special = static_cast<std::uint8_t>(byte);
    }
    table['\''].special = kApostropheWeight;
    table['-'].special = kHyphenWeight;
    return table;
}

constexpr std::array<Weights, 256> kWeights = MakeTable();

const Weights& WeightsOf(char c) { return kWeights[static_cast<unsigned char>(c)]; }

// The characters that have a primary weight, in order; pass picks what of
// each is compared. Shorter runs first when one is the start of the other.
template <typename Pass>
int CompareCounted(std::string_view a, std::string_view b, Pass pass) {
    std::size_t i = 0, j = 0;
    for (;;) {
        while (i < a.size() && WeightsOf(a[i]).primary == 0) ++i;
        while (j < b.size() && WeightsOf(b[j]).primary == 0) ++j;
        if (i == a.size() || j == b.size()) return (i == a.size() ? 0 : 1) - (j == b.size() ? 0 : 1);
        const int difference = pass(WeightsOf(a[i])) - pass(WeightsOf(b[j]));
        if (difference != 0) return difference;
        ++i;
        ++j;
    }
}

// The characters that only count now, one by one in the order they stand:
// one standing further along comes first, then the lower weight.
int CompareSpecial(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    for (;;) {
        while (i < a.size() && WeightsOf(a[i]).primary != 0) ++i;
        while (j < b.size() && WeightsOf(b[j]).primary != 0) ++j;
        if (i == a.size() || j == b.size()) return (i == a.size() ? 0 : 1) - (j == b.size() ? 0 : 1);
        if (i != j) return i > j ? -1 : 1;
        const int difference = WeightsOf(a[i]).special - WeightsOf(b[j]).special;
        if (difference != 0) return difference;
        ++i;
        ++j;
    }
}

}  // namespace

int CompareListNames(std::string_view a, std::string_view b) {
    if (const int order = CompareCounted(a, b, [](const Weights& w) { return int{w.primary}; })) return order;
    if (const int order = CompareCounted(a, b, [](const Weights& w) { return int{w.capital}; })) return order;
    if (const int order = CompareSpecial(a, b)) return order;
    return a.compare(b);  // only a character without any weight (a zero byte) is left
}

void SortAsListsDo(std::vector<std::string>& names) {
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) { return CompareListNames(a, b) < 0; });
}
