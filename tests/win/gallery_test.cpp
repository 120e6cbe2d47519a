#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <array>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>
#include "platform/program_instance.h"
#include "gallery/gallery.h"
#include "gallery/owned_image_list.h"
#include "gallery/thumbnail.h"
#include "core/packed_dib.h"
#include "core/file_access.h"
#include "platform/guards.h"
#include "core/palette_source.h"
#include "resources/resource_ids.h"
#include "settings/settings_store.h"
#include "tests/win/picture_files.h"
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

Bytes Solid(int width, int height, std::uint32_t rgb) {
    return Bmp24(width, height, [rgb](int, int) { return rgb; });
}

int IconSide(HIMAGELIST images) {
    int width = 0, height = 0;
    ImageList_GetIconSize(images, &width, &height);
    return width == height ? width : -1;
}

// One image of an image list drawn onto a magenta canvas, top row first.
std::vector<std::uint32_t> ImagePixels(HIMAGELIST images, int index) {
    const int side = IconSide(images);
    const Canvas canvas(side, side);
    ImageList_Draw(images, index, canvas.Dc(), 0, 0, ILD_NORMAL);
    GdiFlush();
    std::vector<std::uint32_t> result;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) result.push_back(Rgb(canvas.At(x, y)));
    }
    return result;
}

struct GalleryItem {
    std::string name;
    int image;
};

std::vector<GalleryItem> ItemsOf(HWND list) {
    std::vector<GalleryItem> items;
    for (int i = 0; i < SendMessageA(list, LVM_GETITEMCOUNT, 0, 0); ++i) {
        char name[MAX_PATH] = {};
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = i;
        item.pszText = name;
        item.cchTextMax = MAX_PATH;
        SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        items.push_back({name, item.iImage});
    }
    return items;
}

HIMAGELIST ShownImages(HWND list) {
    return reinterpret_cast<HIMAGELIST>(SendMessageA(list, LVM_GETIMAGELIST, LVSIL_NORMAL, 0));
}

bool NamesAnImage(HIMAGELIST images, int index) { return index >= 0 && index < ImageList_GetImageCount(images); }

// What the list view shows inside an item's icon box.
std::vector<std::uint32_t> ShownIconColours(HWND list, int item) {
    RECT box{LVIR_ICON, 0, 0, 0};
    SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&box));
    RECT client{};
    GetClientRect(list, &client);
    Canvas shown(client.right, client.bottom);
    CaptureClient(list, shown);
    std::vector<std::uint32_t> colours;
    for (int y = std::max(box.top, 0L); y < std::min(box.bottom, client.bottom); ++y) {
        for (int x = std::max(box.left, 0L); x < std::min(box.right, client.right); ++x) colours.push_back(Rgb(shown.At(x, y)));
    }
    return colours;
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

// Counts the files opened for reading, by path.
class CountingFileSystem final : public FileSystem {
public:
    CountingFileSystem() : real_(Files()), previous_(SetFileSystem(this)) {}
    ~CountingFileSystem() override { SetFileSystem(previous_); }
    std::unique_ptr<ReadableFile> OpenForReading(const char* path) override {
        ++opened[path];
        return real_.OpenForReading(path);
    }
    WriteOutcome ReplaceFile(const char* path, std::span<const std::span<const std::uint8_t>> pieces) override {
        return real_.ReplaceFile(path, pieces);
    }
    std::map<std::string, int> opened;

private:
    FileSystem& real_;
    FileSystem* previous_;
};

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
        gallery_ = CreateDialogParamA(ProgramInstance(), kGalleryTemplate, main_->Get(), &GalleryDialogProc, 0);
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

TEST_F(GalleryTest, ThumbsIndexSetsTheSideAndEveryPictureIsScaledWhole) {
    textures_.Write("quads.oaf", Texture(QuadrantIndex));
    // A checkerboard with marked corners: at 60 pixels it must come through unchanged.
    auto checks = [](int x, int y) { return x == 0 && y == 0 ? kRed : x == 59 && y == 59 ? kBlue : (x + y) % 2 ? kWhite : kBlack; };
    bitmaps_.Write("checks.bmp", Bmp24(60, 60, checks));
    StartMainWindow();
    for (const auto& [thumbs, side] : std::map<DWORD, int>{{0, 32}, {1, 60}, {2, 80}, {5, 32}}) {
        SCOPED_TRACE("Thumbs " + std::to_string(thumbs));
        WriteSettingDword("Thumbs", thumbs);
        CountingFileSystem files;
        OpenGallery();
        const HIMAGELIST textures = ShownImages(TexturesList());
        const HIMAGELIST bitmaps = ShownImages(BitmapsList());
        ASSERT_TRUE(textures && bitmaps && textures != bitmaps);
        EXPECT_EQ(IconSide(textures), side);
        EXPECT_EQ(IconSide(bitmaps), side);
        EXPECT_EQ(files.opened, (std::map<std::string, int>{{bitmaps_.WithBackslash() + "checks.bmp", 1},
                                                             {textures_.WithBackslash() + "quads.oaf", 1}}));
        const std::vector<std::uint32_t> quads = ImagePixels(textures, ItemsOf(TexturesList()).at(0).image);
        const int q = side / 4;
        EXPECT_PRED2(NearColour, quads[q * side + q], kRed);
        EXPECT_PRED2(NearColour, quads[q * side + 3 * q], kGreen);
        EXPECT_PRED2(NearColour, quads[3 * q * side + q], kBlue);
        EXPECT_PRED2(NearColour, quads[3 * q * side + 3 * q], kWhite);
        if (side == 60) {
            const std::vector<std::uint32_t> copy = ImagePixels(bitmaps, ItemsOf(BitmapsList()).at(0).image);
            int wrong = 0;
            for (int i = 0; i < 3600; ++i) wrong += !NearColour(copy[i], checks(i % 60, i / 60));
            EXPECT_EQ(wrong, 0);
        }
        DestroyGallery();
    }
    EXPECT_TRUE(messages_.Messages().empty());
}

TEST_F(GalleryTest, ABrokenBitmapKeepsItsNameAndTheOthersTheirOwnPictures) {
    bitmaps_.Write("a.bmp", Solid(40, 40, kRed));
    bitmaps_.Write("b.bmp", Bytes(100, 'x'));
    bitmaps_.Write("c.bmp", Solid(40, 40, kBlue));
    StartMainWindow();
    OpenGallery();
    ASSERT_EQ(messages_.Messages().size(), 1u);
    EXPECT_EQ(messages_.Messages()[0].text, bitmaps_.WithBackslash() + "b.bmp");
    EXPECT_EQ(messages_.Messages()[0].caption, "Not a recognised BMP format file!");

    const HIMAGELIST images = ShownImages(BitmapsList());
    const std::vector<GalleryItem> items = ItemsOf(BitmapsList());
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].name + items[1].name + items[2].name, "a.bmpb.bmpc.bmp");
    ASSERT_TRUE(NamesAnImage(images, items[0].image) && NamesAnImage(images, items[2].image));
    EXPECT_FALSE(NamesAnImage(images, items[1].image));
    EXPECT_PRED2(NearColour, ImagePixels(images, items[0].image)[16 * 32 + 16], kRed);
    EXPECT_PRED2(NearColour, ImagePixels(images, items[2].image)[16 * 32 + 16], kBlue);

    // On screen the broken file's icon box holds nothing but the list's background.
    UpdateWindow(BitmapsList());
    auto shows = [](const std::vector<std::uint32_t>& box, std::uint32_t colour) {
        return std::any_of(box.begin(), box.end(), [colour](std::uint32_t c) { return NearColour(c, colour); });
    };
    EXPECT_TRUE(shows(ShownIconColours(BitmapsList(), 0), kRed));
    EXPECT_TRUE(shows(ShownIconColours(BitmapsList(), 2), kBlue));
    const std::uint32_t background = Rgb(static_cast<COLORREF>(SendMessageA(BitmapsList(), LVM_GETBKCOLOR, 0, 0)));
    const std::vector<std::uint32_t> empty_box = ShownIconColours(BitmapsList(), 1);
    ASSERT_FALSE(empty_box.empty());
    EXPECT_EQ(std::count(empty_box.begin(), empty_box.end(), background), static_cast<std::ptrdiff_t>(empty_box.size()));
}

TEST_F(GalleryTest, AWidePictureIsSqueezedWholeAndAnEmptyFolderLeavesItsListEmpty) {
    // Red and blue ends, a white band on top and a black one below: all must survive.
    bitmaps_.Write("wide.bmp", Bmp24(640, 200, [](int x, int y) {
                       return y < 20 ? kWhite : y >= 180 ? kBlack : x < 64 ? kRed : x >= 576 ? kBlue : kGreen;
                   }));
    StartMainWindow();
    OpenGallery();
    ASSERT_TRUE(ShownImages(BitmapsList()));
    const std::vector<std::uint32_t> pixels = ImagePixels(ShownImages(BitmapsList()), ItemsOf(BitmapsList()).at(0).image);
    EXPECT_PRED2(NearColour, pixels[16 * 32 + 0], kRed);
    EXPECT_PRED2(NearColour, pixels[16 * 32 + 31], kBlue);
    EXPECT_PRED2(NearColour, pixels[16 * 32 + 16], kGreen);
    EXPECT_PRED2(NearColour, pixels[0 * 32 + 16], kWhite);
    EXPECT_PRED2(NearColour, pixels[31 * 32 + 16], kBlack);

    EXPECT_EQ(SendMessageA(TexturesList(), LVM_GETITEMCOUNT, 0, 0), 0);
    EXPECT_EQ(ShownImages(TexturesList()), nullptr);
    EXPECT_TRUE(messages_.Messages().empty());
}

TEST_F(GalleryTest, FilesThatGetNoPictureLoseOnlyTheirOwn) {
    bitmaps_.Write("a.bmp", Solid(8, 8, kRed));
    bitmaps_.Write("b.bmp", Solid(8, 8, kGreen));
    bitmaps_.Write("c.bmp", Solid(8, 8, kBlue));
    textures_.Write("quads.oaf", Texture(QuadrantIndex));
    StartMainWindow();
    // A name that does not fit a path buffer behind its folder: never read, never cut short.
    std::string long_name(MAX_PATH - bitmaps_.WithBackslash().size() + 1, 'n');
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.pszText = long_name.data();
    SendMessageA(main_->Item(IDC_BITMAPS_LIST), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    CountingFileSystem files;
    g_header_blocks = 0;
    g_failing_header_block = 3;  // the texture's comes first, then a.bmp's, then b.bmp's
    const DibReallocator previous = SetDibReallocator(&FailOneHeaderBlock);
    OpenGallery();
    SetDibReallocator(previous);
    EXPECT_TRUE(messages_.Messages().empty());
    EXPECT_EQ(files.opened.size(), 4u);
    const HIMAGELIST images = ShownImages(BitmapsList());
    const std::vector<GalleryItem> items = ItemsOf(BitmapsList());
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[3].name, long_name);
    EXPECT_FALSE(NamesAnImage(images, items[1].image) || NamesAnImage(images, items[3].image));
    ASSERT_TRUE(NamesAnImage(images, items[0].image) && NamesAnImage(images, items[2].image));
    EXPECT_PRED2(NearColour, ImagePixels(images, items[0].image)[0], kRed);
    EXPECT_PRED2(NearColour, ImagePixels(images, items[2].image)[0], kBlue);
    DestroyGallery();

    // Without a palette the texture reader stops with its own message, without
    // owner; each bitmap reaches the thumbnail's lookup, owned by the gallery.
    PaletteSource* palette = SetPaletteSource(nullptr);
    OpenGallery();
    SetPaletteSource(palette);
    ASSERT_EQ(messages_.Messages().size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(messages_.Messages()[i].owner, i == 0 ? nullptr : gallery_);
        EXPECT_EQ(messages_.Messages()[i].text, "Fatal error (PAL1)!");
        EXPECT_EQ(messages_.Messages()[i].caption, "Application error");
        EXPECT_EQ(messages_.Messages()[i].style, static_cast<unsigned>(MB_ICONWARNING));
    }
    EXPECT_EQ(ItemsOf(BitmapsList()).size(), 4u);
    EXPECT_EQ(ImageList_GetImageCount(ShownImages(BitmapsList())), 0);
}

// What the timer below saw of the modal gallery.
TEST_F(GalleryTest, TheSystemCommandRunsItModalAtTheMainWindowsClientOrigin) {
    bitmaps_.Write("a.bmp", Solid(8, 8, kRed));
    StartMainWindow();
    HWND gallery = nullptr;
    POINT seen_origin{0, 0};
    LRESULT items = 0;
    std::array<char, 32> caption{};
    const long lists_before = LiveImageListCount();
    {
        // Inside the gallery's modal loop: looks, then presses OK.
        WindowUser user(50, [&](HWND window) {
            if (gallery || GetWindow(window, GW_OWNER) != Main() || !GetDlgItem(window, IDC_GALLERY_BITMAPS)) return;
            gallery = window;
            GetWindowTextA(window, caption.data(), static_cast<int>(caption.size()));
            ClientToScreen(window, &seen_origin);
            items = SendDlgItemMessageA(window, IDC_GALLERY_BITMAPS, LVM_GETITEMCOUNT, 0, 0);
            PostMessageA(window, WM_COMMAND, IDC_GALLERY_OK, 0);
        });
        SendMessageA(Main(), WM_SYSCOMMAND, IDM_SHOW_GALLERY, 0);
    }
    ASSERT_NE(gallery, nullptr) << "no gallery was shown";
    EXPECT_STREQ(caption.data(), " Textures ");
    EXPECT_FALSE(IsWindow(gallery)) << "the gallery is gone when the command returns";
    POINT origin{0, 0};
    ClientToScreen(Main(), &origin);
    EXPECT_EQ(seen_origin.x, origin.x);
    EXPECT_EQ(seen_origin.y, origin.y);
    EXPECT_EQ(items, 1);
    EXPECT_EQ(LiveImageListCount(), lists_before);
}

TEST_F(GalleryTest, EveryWayOfClosingReleasesAllExactlyOnceAndFiftyOpeningsLeakNothing) {
    for (int i = 0; i < 50; ++i) {
        const std::string number = std::to_string(i);
        textures_.Write(std::string("t").append(number).append(".oaf"), Texture(QuadrantIndex));
        bitmaps_.Write(std::string("b").append(number).append(".bmp"), Solid(64, 48, kBlue));
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
            EXPECT_EQ(SendMessageA(TexturesList(), LVM_GETITEMCOUNT, 0, 0) + SendMessageA(BitmapsList(), LVM_GETITEMCOUNT, 0, 0), 0);
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
