// lumivane-convert watch from a bitmap's writer closing it to its texture
// replaced: the same bitmap saved 50 times, one save after the other, as a
// paint program saves it. Runs natively (inotify) and under Wine
// (ReadDirectoryChangesW and the writer's open handle). Prints the figures;
// nothing here is a test.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>
#include "cli/watch_command.h"
#include "core/builtin_palette.h"
#include "core/folder_changes.h"
#include "core/target_naming.h"

namespace {

using Clock = std::chrono::steady_clock;

// A 24-bit bitmap of 512 x 512 that differs for each seed.
std::vector<char> Bitmap(unsigned seed) {
    const int side = 512;
    const std::uint32_t pixels = side * side * 3, size = 54 + pixels;
    std::vector<char> file(size);
    const auto put = [&](std::size_t at, std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) file[at + i] = static_cast<char>(value >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put(2, size, 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, side, 4);
    put(22, side, 4);
    put(26, 1, 2);
    put(28, 24, 2);
    for (std::uint32_t i = 0; i < pixels; ++i) file[54 + i] = static_cast<char>((i * 2654435761u + seed * 40503u) >> 13);
    return file;
}


}  // namespace

int main() {
    const std::filesystem::path root = std::filesystem::temp_directory_path() / "lumivane-watch-bench";
    std::filesystem::remove_all(root);
    const std::filesystem::path in = root / "in", out = root / "out";
    std::filesystem::create_directories(in);
    std::filesystem::create_directories(out);
    std::ostringstream lines, errors;
    std::thread watch([&] { RunWatch({Direction::BmpToAf, in.string(), out.string(), 1}, BuiltinTexturePalette(), lines, errors); });
    watch.detach();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));

    const std::filesystem::path source = in / "plane.af.bmp", target = out / "plane.af";
    std::vector<double> samples;
    int missed = 0;
    for (unsigned save = 0; save < 50; ++save) {
        const std::optional<FileStamp> before = StampOfFile(target.string());
        const std::vector<char> bytes = Bitmap(save);
        Clock::time_point closed;
        {
            std::ofstream file(source, std::ios::binary | std::ios::trunc);
            file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            file.close();
            closed = Clock::now();
        }
        bool replaced = false;
        while (Clock::now() - closed < std::chrono::seconds(3)) {
            const std::optional<FileStamp> now = StampOfFile(target.string());
            if (now && now != before) {
                replaced = true;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (replaced) {
            samples.push_back(std::chrono::duration<double, std::milli>(Clock::now() - closed).count());
        } else {
            ++missed;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    std::sort(samples.begin(), samples.end());
    if (!samples.empty()) {
        std::printf("writer closed -> texture replaced: median %.0f ms, fastest %.0f ms, 90th %.0f ms, slowest %.0f ms over %zu saves "
                    "(%d not replaced within 3 s); quiet while 100 ms\n",
                    samples[samples.size() / 2], samples.front(), samples[samples.size() * 9 / 10], samples.back(), samples.size(), missed);
    }
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
    std::fflush(stdout);
    std::_Exit(0);  // the watch thread waits for a change that does not come
}
