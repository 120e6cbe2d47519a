// The thumbnail gallery over the real main window: every picture squeezed
// whole at the size the settings ask, a file that gets no picture losing only
// its own, and every way of closing letting go of what an opening holds.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>
#include "core/builtin_palette.h"
#include "core/packed_dib.h"
#include "core/palette_source.h"
#include "gallery/gallery.h"
#include "gallery/owned_image_list.h"
#include "gallery/thumbnail.h"
#include "platform/program_instance.h"
#include "resources/resource_ids.h"
#include "settings/settings_store.h"
#include "tests/win/pixel_capture.h"
#include "tests/win/win_test_support.h"

namespace {

constexpr std::uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF, kBlack = 0;

// Thumbnails are kept at 16 bits per pixel: colours come back within a step of 8.
bool NearColour(std::uint32_t a, std::uint32_t b) {
    for (int shift : {0, 8, 16}) {
        if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > 8) return false;
    }
    return true;
}

std::uint8_t QuadrantIndex(int x, int y) {
    if (y < 128) return static_cast<std::uint8_t>(x < 128 ? CubeIndex(5, 0, 0) : CubeIndex(0, 5, 0));
    return static_cast<std::uint8_t>(x < 128 ? CubeIndex(0, 0, 5) : CubeIndex(5, 5, 5));
}


Bytes Solid(std::uint32_t rgb) {
    return BitmapFile(8, 8, 24, {}, [rgb](int, int) { return rgb; });
}

HIMAGELIST ShownImages(HWND list) {
    return reinterpret_cast<HIMAGELIST>(SendMessageA(list, LVM_GETIMAGELIST, LVSIL_NORMAL, 0));
}

int IconSide(HIMAGELIST images) {
    int width = 0, height = 0;
    ImageList_GetIconSize(images, &width, &height);
    return width == height ? width : -1;
}

int ItemImage(HWND list, int item) {
    LVITEMA asked{};
    asked.mask = LVIF_IMAGE;
    asked.iItem = item;
    SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&asked));
    return asked.iImage;
}

// The thumbnail of a list's item drawn onto a magenta canvas, top row first.
std::vector<std::uint32_t> Thumbnail(HWND list, int item) {
    const int side = IconSide(ShownImages(list));
    const Canvas canvas(side, side);
    ImageList_Draw(ShownImages(list), ItemImage(list, item), canvas.Dc(), 0, 0, ILD_NORMAL);
    GdiFlush();
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) pixels.push_back(Rgb(canvas.At(x, y)));
    }
    return pixels;
}

// Busy bytes in every heap of the process.
std::size_t HeapBytesInUse() {
    HANDLE heaps[64];
    const DWORD count = std::min<DWORD>(GetProcessHeaps(64, heaps), 64);
    std::size_t total = 0;
    for (DWORD i = 0; i < count; ++i) {
        HeapLock(heaps[i]);
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heaps[i], &entry)) total += (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) ? entry.cbData : 0;
        HeapUnlock(heaps[i]);
    }
    return total;
}

// Fails the allocation of one thumbnail header block, counted from 1.
int g_header_blocks = 0;
int g_failing_header_block = 0;
void* FailOneHeaderBlock(void* block, std::size_t size) {
    if (!block && size == kThumbnailHeaderBytes && ++g_header_blocks == g_failing_header_block) return nullptr;
    return std::realloc(block, size);
}

class GalleryTest : public WindowTest {
protected:
    void OpenGallery() {
        gallery_ = CreateDialogParamA(ProgramInstance(), kGalleryTemplate, Main(), &GalleryDialogProc, 0);
        PumpMessages();
    }
    void DestroyGallery() {
        if (gallery_) DestroyWindow(gallery_);
        gallery_ = nullptr;
        PumpMessages();
    }
    void TearDown() override { DestroyGallery(); }
    HWND TexturesList() const { return GetDlgItem(gallery_, IDC_GALLERY_TEXTURES); }
    HWND BitmapsList() const { return GetDlgItem(gallery_, IDC_GALLERY_BITMAPS); }

    HWND gallery_ = nullptr;
};

TEST_F(GalleryTest, ThumbsSetsTheSideAndEveryPictureIsSqueezedWhole) {
    textures_.Write("quads.oaf", Texture(QuadrantIndex));
    // A checkerboard with marked corners: at 60 pixels it must come through unchanged.
    auto checks = [](int x, int y) {
        return x == 0 && y == 0 ? kRed : x == 59 && y == 59 ? kBlue : (x + y) % 2 ? kWhite : kBlack;
    };
    bitmaps_.Write("checks.bmp", BitmapFile(60, 60, 24, {}, checks));
    // Red over blue, 60 wide and 40 high: squeezed, its rows 0 to 19 fill rows 0 to 29.
    bitmaps_.Write("short.bmp", BitmapFile(60, 40, 24, {}, [](int, int y) { return y < 20 ? kRed : kBlue; }));
    // Red and blue ends, a white band on top and a black one below: all must
    // survive; so must the middle's colour, far from every texture palette entry,
    // which a bitmap's thumbnail drawn in the palette would lose.
    constexpr std::uint32_t kOffPalette = 0x1A4D80;
    const TexturePalette& palette = BuiltinTexturePalette();
    for (int entry = 0; entry < 256; ++entry) {
        const std::uint32_t colour = palette[entry * 4 + 2] << 16 | palette[entry * 4 + 1] << 8 | palette[entry * 4];
        ASSERT_FALSE(NearColour(colour, kOffPalette)) << "entry " << entry;
    }
    bitmaps_.Write("wide.bmp", BitmapFile(640, 200, 24, {}, [](int x, int y) {
                       return y < 20 ? kWhite : y >= 180 ? kBlack : x < 64 ? kRed : x >= 576 ? kBlue : kOffPalette;
                   }));
    StartMainWindow();
    const std::pair<DWORD, int> sides[] = {{0, 32}, {2, 80}, {5, 32}, {1, 60}};  // Thumbs and thumbnail side
    for (const auto& [thumbs, side] : sides) {
        WriteSettingDword("Thumbs", thumbs);
        OpenGallery();
        ASSERT_NE(ShownImages(TexturesList()), ShownImages(BitmapsList()));
        EXPECT_EQ(IconSide(ShownImages(TexturesList())), side) << thumbs;
        EXPECT_EQ(IconSide(ShownImages(BitmapsList())), side) << thumbs;
        DestroyGallery();
    }
    // At 60 pixels (the last Thumbs) the checkerboard is copied whole; the others
    // are squeezed, one side of each reader's at every size alike.
    OpenGallery();
    const std::vector<std::uint32_t> quads = Thumbnail(TexturesList(), 0);
    EXPECT_PRED2(NearColour, quads[15 * 60 + 15], kRed);
    EXPECT_PRED2(NearColour, quads[15 * 60 + 45], kGreen);
    EXPECT_PRED2(NearColour, quads[45 * 60 + 15], kBlue);
    EXPECT_PRED2(NearColour, quads[45 * 60 + 45], kWhite);
    const std::vector<std::uint32_t> short_one = Thumbnail(BitmapsList(), 1);
    EXPECT_PRED2(NearColour, short_one[25 * 60 + 30], kRed);
    EXPECT_PRED2(NearColour, short_one[35 * 60 + 30], kBlue);
    EXPECT_PRED2(NearColour, short_one[55 * 60 + 30], kBlue);
    const std::vector<std::uint32_t> wide = Thumbnail(BitmapsList(), 2);
    EXPECT_PRED2(NearColour, wide[30 * 60], kRed);
    EXPECT_PRED2(NearColour, wide[30 * 60 + 59], kBlue);
    EXPECT_PRED2(NearColour, wide[30 * 60 + 30], kOffPalette);
    EXPECT_PRED2(NearColour, wide[30], kWhite);
    EXPECT_PRED2(NearColour, wide[59 * 60 + 30], kBlack);
    const std::vector<std::uint32_t> copy = Thumbnail(BitmapsList(), 0);
    int wrong = 0;
    for (int i = 0; i < 3600; ++i) wrong += !NearColour(copy[i], checks(i % 60, i / 60));
    EXPECT_EQ(wrong, 0);
    EXPECT_TRUE(messages_.Messages().empty());
}

TEST_F(GalleryTest, AFileThatGetsNoPictureLosesOnlyItsOwn) {
    bitmaps_.Write("a.bmp", Solid(kRed));
    bitmaps_.Write("b.bmp", Bytes(100, 'x'));
    bitmaps_.Write("c.bmp", Solid(kGreen));
    const std::string japanese = "d" + kNamesInThreeScripts[2] + ".bmp";
    bitmaps_.Write(japanese, Solid(kBlue));
    StartMainWindow();
    // A name that does not fit a path buffer behind its folder: never read, and
    // never cut short (a cut name would fail to open, with a message).
    std::string long_name(MAX_PATH - bitmaps_.WithBackslash().size() + 1, 'n');
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.pszText = long_name.data();
    SendMessageA(Item(IDC_BITMAPS_LIST), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    g_header_blocks = 0;
    g_failing_header_block = 2;  // a.bmp's comes first, b.bmp is refused before it asks, then c.bmp's
    const DibReallocator previous = SetDibReallocator(&FailOneHeaderBlock);
    OpenGallery();
    SetDibReallocator(previous);
    const auto broken = [&](const ShownMessage& shown) {
        ExpectMessage(shown, "@", "Not a recognised BMP format file!", MB_ICONWARNING, bitmaps_.WithBackslash() + "b.bmp");
    };
    ASSERT_EQ(messages_.Messages().size(), 1u);
    broken(messages_.Messages()[0]);
    EXPECT_EQ(ListTexts(BitmapsList()), (std::vector<std::string>{"a.bmp", "b.bmp", "c.bmp", japanese, long_name}));
    for (int nothing : {1, 2, 4}) EXPECT_EQ(ItemImage(BitmapsList(), nothing), I_IMAGENONE) << nothing;
    EXPECT_PRED2(NearColour, Thumbnail(BitmapsList(), 0)[0], kRed);
    EXPECT_PRED2(NearColour, Thumbnail(BitmapsList(), 3)[0], kBlue);
    EXPECT_EQ(SendMessageA(TexturesList(), LVM_GETITEMCOUNT, 0, 0), 0);  // an empty folder: no items, no images
    EXPECT_EQ(ShownImages(TexturesList()), nullptr);
    DestroyGallery();

    // Without a palette each readable bitmap reaches the thumbnail's lookup, owned by the gallery.
    messages_.Clear();
    PaletteSource* palette = SetPaletteSource(nullptr);
    OpenGallery();
    SetPaletteSource(palette);
    ASSERT_EQ(messages_.Messages().size(), 4u);
    broken(messages_.Messages()[1]);
    for (int i : {0, 2, 3}) ExpectMessage(messages_.Messages()[i], "Fatal error (PAL1)!", "Application error", MB_ICONWARNING, "", gallery_);
    EXPECT_EQ(ImageList_GetImageCount(ShownImages(BitmapsList())), 0);
}

TEST_F(GalleryTest, TheSystemCommandRunsItModalAtTheMainWindowsClientOrigin) {
    bitmaps_.Write("a.bmp", Solid(kRed));
    StartMainWindow();
    POINT origin{0, 0};
    ClientToScreen(Main(), &origin);
    HWND gallery = nullptr;
    {
        // Inside the gallery's modal loop: looks, then presses OK.
        WindowUser user(50, [&](HWND window) {
            if (gallery || GetWindow(window, GW_OWNER) != Main() || !GetDlgItem(window, IDC_GALLERY_BITMAPS)) return;
            gallery = window;
            POINT seen{0, 0};
            ClientToScreen(window, &seen);
            EXPECT_EQ(std::pair(seen.x, seen.y), std::pair(origin.x, origin.y));
            EXPECT_EQ(ListTexts(GetDlgItem(window, IDC_GALLERY_BITMAPS)), std::vector<std::string>{"a.bmp"});
            PostMessageA(window, WM_COMMAND, IDC_GALLERY_OK, 0);
        });
        SendMessageA(Main(), WM_SYSCOMMAND, SystemMenuCommand(Main(), "Show all textures and bitmaps"), 0);
    }
    ASSERT_NE(gallery, nullptr) << "no gallery was shown";
    EXPECT_FALSE(IsWindow(gallery)) << "the gallery is gone when the command returns";
}

TEST_F(GalleryTest, EveryWayOfClosingReleasesAllExactlyOnceAndFiftyOpeningsLeakNothing) {
    for (int i = 0; i < 11; ++i) {  // 22 files: a byte lost per file passes the bound below over 50 openings
        const std::string number = std::to_string(i);  // appended: GCC 12 warns wrongly about operator+ here
        textures_.Write(std::string("t").append(number).append(".oaf"), Texture(QuadrantIndex));
        bitmaps_.Write(std::string("b").append(number).append(".bmp"), Solid(kBlue));
    }
    bitmaps_.Write("broken.bmp", Bytes(10, 0));  // the failure path leaks nothing either
    StartMainWindow();
    std::size_t messages_shown = 0;
    auto open_and_close = [&](int way) {
        const long gdi_before = LiveGdiObjectCount();
        const long lists_before = LiveImageListCount();
        OpenGallery();
        EXPECT_EQ(LiveGdiObjectCount(), gdi_before + 2) << "the two brushes";
        EXPECT_EQ(LiveImageListCount(), lists_before + 2);
        if (way != 2) {
            SendMessageA(gallery_, way == 0 ? WM_COMMAND : WM_SYSCOMMAND, way == 0 ? IDC_GALLERY_OK : SC_CLOSE, 0);
            EXPECT_FALSE(IsWindowVisible(gallery_)) << "the dialog has ended";
            EXPECT_EQ(LiveGdiObjectCount(), gdi_before);
            EXPECT_EQ(LiveImageListCount(), lists_before);
            EXPECT_EQ(ShownImages(TexturesList()), nullptr) << "a list view still holds a destroyed image list";
            EXPECT_EQ(ShownImages(BitmapsList()), nullptr);
            EXPECT_EQ(ListTexts(TexturesList()).size() + ListTexts(BitmapsList()).size(), 0u);
        }
        DestroyGallery();  // way 2: gone while open, as when its owner goes
        EXPECT_EQ(LiveGdiObjectCount(), gdi_before);
        EXPECT_EQ(LiveImageListCount(), lists_before);
        messages_shown += messages_.Messages().size();
        messages_.Clear();  // the test's own record must not grow the heap
    };
    open_and_close(0);  // lets the platform set up whatever it keeps for good
    open_and_close(1);
    const std::size_t heap_before = HeapBytesInUse();
    for (int round = 0; round < 50; ++round) open_and_close(round % 3);
    // Less than a single header block over fifty openings.
    const std::size_t heap_after = HeapBytesInUse();
    EXPECT_LT(heap_after, heap_before + 1024) << heap_before << " -> " << heap_after;
    EXPECT_EQ(messages_shown, 52u) << "one message for the broken file per opening";
}

}  // namespace
