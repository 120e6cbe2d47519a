#include <gtest/gtest.h>
#include <array>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include "app/companion_library.h"
#include "core/palette_source.h"
#include "tests/win/win_test_support.h"

namespace {

// The palette file the library was built from, as 1,024 RGBQUAD bytes.
std::vector<unsigned char> PaletteFileAsQuads() {
    std::ifstream in(BesideTestProgram("texture_palette.pal"));
    std::string line;
    std::getline(in, line);
    std::getline(in, line);
    std::getline(in, line);
    std::vector<unsigned char> quads;
    int red = 0, green = 0, blue = 0;
    while (in >> red >> green >> blue) {
        quads.insert(quads.end(), {static_cast<unsigned char>(blue), static_cast<unsigned char>(green),
                                   static_cast<unsigned char>(red), 0});
    }
    return quads;
}

std::set<std::string> ExportNames(HMODULE module) {
    auto base = reinterpret_cast<const unsigned char*>(module);
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    auto exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + directory.VirtualAddress);
    auto names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    std::set<std::string> result;
    for (DWORD i = 0; i < exports->NumberOfNames; ++i) result.insert(reinterpret_cast<const char*>(base + names[i]));
    return result;
}

class CompanionLibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureCompanionLibrary();
        ASSERT_NE(CompanionLibrary(), nullptr);
        QueryPaletteId();
    }
    void TearDown() override { QueryPaletteId(); }
    RecordingMessageSink messages_;
};

TEST_F(CompanionLibraryTest, ExportsExactlyTheThreeUndecoratedNames) {
    EXPECT_EQ(ExportNames(CompanionLibrary()), (std::set<std::string>{"QRV1", "QRV2", "QRV3"}));
}

TEST_F(CompanionLibraryTest, ThePaletteIsANamedTypeResourceEqualToThePaletteFile) {
    ASSERT_NE(PaletteId(), 0u);
    HRSRC named = FindResourceA(CompanionLibrary(), MAKEINTRESOURCEA(PaletteId() & 0xFFFF), "RT_RCDATA");
    ASSERT_NE(named, nullptr);
    EXPECT_EQ(FindResourceA(CompanionLibrary(), MAKEINTRESOURCEA(PaletteId() & 0xFFFF), RT_RCDATA), nullptr);
    EXPECT_GE(SizeofResource(CompanionLibrary(), named), 1024u);

    std::array<std::uint8_t, kTexturePaletteBytes> palette{};
    ASSERT_TRUE(LoadTexturePalette(nullptr, palette));
    const std::vector<unsigned char> expected = PaletteFileAsQuads();
    ASSERT_EQ(expected.size(), 1024u);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), palette.begin()));
    EXPECT_TRUE(messages_.Messages().empty());
}

TEST_F(CompanionLibraryTest, AnUnknownPaletteIdGivesTheFirstFatalErrorOwnedByTheCaller) {
    SetPaletteId(0);
    HWND owner = CreateWindowA("STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    std::array<std::uint8_t, kTexturePaletteBytes> palette{};
    palette.fill(0xAB);
    EXPECT_FALSE(LoadTexturePalette(owner, palette));
    ASSERT_EQ(messages_.Messages().size(), 1u);
    EXPECT_EQ(messages_.Messages()[0].text, "Fatal error (PAL1)!");
    EXPECT_EQ(messages_.Messages()[0].caption, "Application error");
    EXPECT_EQ(messages_.Messages()[0].style, static_cast<unsigned>(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_EQ(messages_.Messages()[0].owner, owner);
    EXPECT_EQ(palette[0], 0xAB);
    DestroyWindow(owner);
}

}  // namespace
