// Times the main job in the real main window under Wine (or on Windows): one
// preview from the selection message to both panes drawn, for a texture and
// for a large 24-bit bitmap, a repaint of the whole window with that bitmap
// previewed, and 200 bitmaps converted with default names, then again without
// the flush before each move, and once more into a folder in memory where
// the machine has one, for the disk's share. Beside the times,
// a figure no machine changes: the bytes one preview of each reads.
// Prints the median of several runs; nothing here is a test.
#include <windows.h>
#include <commctrl.h>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>
#include "bench/window_bench.h"
#include "resources/resource_ids.h"
#include "settings/settings_store.h"
// <windows.h> names its own ReplaceFile as a macro for ReplaceFileA; the
// counting file system below must name the file seam's own.
#undef ReplaceFile
#include "tests/unit/image_test_support.h"
#include "tests/win/win_test_support.h"

namespace {

// Linux's file system in memory, as Wine shows it.
constexpr char kMemoryFolder[] = "Z:\\dev\\shm";

double Milliseconds(const std::function<void()>& work) {
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    work();
    QueryPerformanceCounter(&end);
    return 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

// Clicking back and forth between two items: each click previews one file.
double PreviewMilliseconds(HWND list) {
    std::vector<double> samples;
    for (int round = 0; round < 21; ++round) {
        SetItemState(list, -1, 0);
        samples.push_back(Milliseconds([&] { SetItemState(list, round % 2, LVIS_SELECTED | LVIS_FOCUSED); }));
    }
    return Median(samples);
}

// The whole window drawn again, panes included, as after being uncovered.
double RepaintMilliseconds(HWND main_window) {
    std::vector<double> samples;
    for (int round = 0; round < 21; ++round) {
        samples.push_back(Milliseconds([&] {
            RedrawWindow(main_window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        }));
    }
    return Median(samples);
}

// Previews the list's other item; with count_reads, returns the bytes read
// from files for that preview alone.
std::size_t PreviewOther(HWND list, bool count_reads = false) {
    const int shown = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    SetItemState(list, -1, 0);
    std::optional<CountedReads> files;
    if (count_reads) files.emplace();
    SetItemState(list, shown == 0 ? 1 : 0, LVIS_SELECTED | LVIS_FOCUSED);
    return files ? files->bytes_read : 0;
}

// The 200 bitmaps of the list converted into an emptied target folder, so
// that each run makes new files; the time the click takes.
double ConvertAll(const MainWindowUnderTest& main, const ScratchFolder& targets, const char* mark) {
    HWND list = main.Item(IDC_BITMAPS_LIST);
    char name[32];
    for (int i = 0; i < 200; ++i) {
        std::snprintf(name, sizeof name, "livery%03d.bmp.af", i);
        DeleteFileA((targets.WithBackslash() + name).c_str());
        SetItemState(list, i, LVIS_SELECTED);
    }
    EnableWindow(main.Item(IDC_BMP_TO_AF), TRUE);
    double taken = 0;
    Marked(mark, [&] { taken = Milliseconds([&] { SendMessageA(main.Get(), WM_COMMAND, IDC_BMP_TO_AF, 0); }); });
    return taken;
}

// The real files without the flush that makes each replace durable: the
// batch timed with it tells the disk's share of the batch from the program's.
class Unflushed final : public ForwardingFileSystem {
public:
    std::unique_ptr<WritableFile> CreateTemporary(const char* path, const std::string& temporary) override {
        std::unique_ptr<WritableFile> file = real_.CreateTemporary(path, temporary);
        return file ? std::make_unique<NotFlushed>(std::move(file)) : nullptr;
    }

private:
    class NotFlushed final : public WritableFile {
    public:
        explicit NotFlushed(std::unique_ptr<WritableFile> file) : file_(std::move(file)) {}
        bool Write(std::span<const std::uint8_t> bytes) override { return file_->Write(bytes); }
        bool Flush() override { return true; }
        bool Close() override { return file_->Close(); }
        bool MoveWhileOpen(const char* path) override { return file_->MoveWhileOpen(path); }

    private:
        std::unique_ptr<WritableFile> file_;
    };
};

}  // namespace

int main() {
    WindowBench bench("bench");  // an overwrite question would be answered Yes
    const ScratchFolder &bitmaps = bench.bitmaps, &textures = bench.textures;
    ScratchFolder large("bench-large");
    WriteSettingString("Bitmaps", large.WithBackslash());

    const Bytes texture = Texture([](int x, int y) { return static_cast<std::uint8_t>((x ^ y) % 216); });
    textures.Write("a.oaf", texture);
    textures.Write("b.oaf", texture);
    const Bytes big = BitmapFile(2048, 2048, 24, {}, [](int x, int y) { return static_cast<std::uint32_t>(x << 12 ^ y << 2 ^ x * y); });
    large.Write("a.bmp", big);
    large.Write("b.bmp", big);

    double texture_preview = 0;
    double bitmap_preview = 0;
    double repaint = 0;
    std::size_t texture_bytes = 0, bitmap_bytes = 0;
    {
        MainWindowUnderTest main;
        texture_preview = PreviewMilliseconds(main.Item(IDC_TEXTURES_LIST));
        bitmap_preview = PreviewMilliseconds(main.Item(IDC_BITMAPS_LIST));
        repaint = RepaintMilliseconds(main.Get());
        texture_bytes = PreviewOther(main.Item(IDC_TEXTURES_LIST), true);
        bitmap_bytes = PreviewOther(main.Item(IDC_BITMAPS_LIST), true);
        Marked("texture preview", [&] { PreviewOther(main.Item(IDC_TEXTURES_LIST)); });
        Marked("bitmap preview", [&] { PreviewOther(main.Item(IDC_BITMAPS_LIST)); });
        Marked("repaint", [&] { RedrawWindow(main.Get(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW); });
        Marked("2048 x 2048 bitmap converted", [&] {
            SetItemState(main.Item(IDC_BITMAPS_LIST), -1, 0);
            SetItemState(main.Item(IDC_BITMAPS_LIST), 0, LVIS_SELECTED);
            EnableWindow(main.Item(IDC_BMP_TO_AF), TRUE);
            SendMessageA(main.Get(), WM_COMMAND, IDC_BMP_TO_AF, 0);
        });
    }

    WriteSettingString("Bitmaps", bitmaps.WithBackslash());
    const Bytes picture = BitmapFile(256, 256, 24, {}, [](int x, int y) { return static_cast<std::uint32_t>(x << 16 | y << 8 | (x + y)); });
    char name[32];
    for (int i = 0; i < 200; ++i) {
        std::snprintf(name, sizeof name, "livery%03d.bmp", i);
        bitmaps.Write(name, picture);
    }
    double batch = 0, unflushed = 0;
    {
        MainWindowUnderTest main;
        HWND list = main.Item(IDC_BITMAPS_LIST);
        // One of them alone first, for the count of requests, then gone again.
        Marked("256 x 256 bitmap converted", [&] {
            SetItemState(list, 0, LVIS_SELECTED);
            EnableWindow(main.Item(IDC_BMP_TO_AF), TRUE);
            SendMessageA(main.Get(), WM_COMMAND, IDC_BMP_TO_AF, 0);
        });
        batch = ConvertAll(main, textures, "200 bitmaps converted");
    }
    {
        // Into a folder of its own: the first batch's 200 textures deleted to
        // make room would make its new files cost more (see below).
        const ScratchFolder unflushed_textures("bench-unflushed-textures");
        WriteSettingString("Textures", unflushed_textures.WithBackslash());
        MainWindowUnderTest main;
        const Unflushed files;
        unflushed = ConvertAll(main, unflushed_textures, "200 bitmaps converted without flushes");
    }
    // The same into a folder of a file system in memory, where the machine
    // has one that Wine shows: on some file systems, making a file costs more
    // after many were deleted, which is the disk's share too. ext4 without a
    // journal passes over every inode freed in the last five seconds, or the
    // last five minutes while the block that holds it is not yet written
    // back: run again at once, this bench finds the thousands of files its
    // last run deleted, a pass over each of them for every new file (on a
    // Zen 3 server's virtual disk the conversions there took up to half as
    // long again). Its figures on the disk are those of a run five quiet
    // minutes after the last.
    double in_memory = 0;
    if (GetFileAttributesA(kMemoryFolder) != INVALID_FILE_ATTRIBUTES) {
        const ScratchFolder memory_textures("bench-textures", kMemoryFolder);
        WriteSettingString("Textures", memory_textures.WithBackslash());
        MainWindowUnderTest main;
        in_memory = ConvertAll(main, memory_textures, "200 bitmaps converted into memory");
    }
    std::printf("texture preview (256 x 256):        %8.2f ms (median of 21)\n", texture_preview);
    std::printf("bitmap preview (2048 x 2048, 24-bit): %6.2f ms (median of 21)\n", bitmap_preview);
    std::printf("bytes read by one preview: texture %zu of %zu, bitmap %zu of %zu\n", texture_bytes, texture.size(), bitmap_bytes,
                big.size());
    std::printf("repaint, bitmap previewed:           %8.2f ms (median of 21)\n", repaint);
    std::printf("200 bitmaps to textures, default names: %6.0f ms\n", batch);
    std::printf("  the same without the flush before each move: %6.0f ms (the difference is the disk's)\n", unflushed);
    if (in_memory > 0) std::printf("  the same into a folder in memory (%s): %6.0f ms\n", kMemoryFolder, in_memory);
    return 0;
}
