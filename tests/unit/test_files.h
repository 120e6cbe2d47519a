// Files for the tests of the core, of the Windows program and of the program
// driven from outside alike: a scratch folder, whole files read and written,
// and pictures built field by field, independently of the program's writers.
#pragma once
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>
#include "core/native_path.h"
#include "core/packed_dib.h"
#ifdef _WIN32
#include <windows.h>
#include <process.h>
inline int TestProcessId() { return _getpid(); }
// A file of the folder of the running test program.
inline std::filesystem::path BesideTestProgram(const char* name) {
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    return std::filesystem::path(module).parent_path() / name;
}
#else
#include <unistd.h>
inline int TestProcessId() { return getpid(); }
#endif

inline std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteWholeFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The lines of a text, without their ends ("\n" or "\r\n").
inline std::vector<std::string> LinesOf(std::string_view text) {
    std::vector<std::string> lines;
    for (std::size_t end; (end = text.find('\n')) != std::string_view::npos; text.remove_prefix(end + 1)) {
        lines.emplace_back(text.substr(0, end > 0 && text[end - 1] == '\r' ? end - 1 : end));
    }
    return lines;
}

// Whether the file is there within the time, looked for every 20 ms.
inline bool AppearsWithin(const std::filesystem::path& path, std::chrono::milliseconds limit) {
    for (const auto end = std::chrono::steady_clock::now() + limit; std::chrono::steady_clock::now() < end;
         std::this_thread::sleep_for(std::chrono::milliseconds(20))) {
        if (std::filesystem::exists(path)) return true;
    }
    return false;
}

// A fresh folder under the temporary folder, or under another, removed with
// what it holds. Names are UTF-8, the program's code page on Windows.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& name = "scratch", const std::filesystem::path& under = std::filesystem::temp_directory_path())
        : path_(under / NativePath("lumivane-" + name + "-" + std::to_string(TestProcessId()))) {
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& Path() const { return path_; }
    // A path inside it as the program's functions take it.
    std::string operator/(const std::string& name) const { return NarrowText(path_ / NativePath(name)); }
    // The folder as the Windows settings hold it, ending in a backslash.
    std::string WithBackslash() const { return NarrowText(path_) + "\\"; }
    std::filesystem::path Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
        const std::filesystem::path file = path_ / NativePath(name);
        WriteWholeFile(file, bytes);
        return file;
    }
    std::size_t EntryCount() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(path_), std::filesystem::directory_iterator()));
    }

private:
    std::filesystem::path path_;
};

inline BitmapInfoHeader InfoHeader(std::int32_t width, std::int32_t height, std::uint16_t bits, std::uint32_t colours_used = 0) {
    BitmapInfoHeader header{};
    header.biSize = 40;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = bits;
    header.biClrUsed = colours_used;
    return header;
}

// An info header as bytes: the 40 of a BitmapInfoHeader, or those of another kind.
struct InfoBytes {
    InfoBytes(const BitmapInfoHeader& header) : bytes(40) { std::memcpy(bytes.data(), &header, 40); }
    InfoBytes(std::vector<std::uint8_t> other) : bytes(std::move(other)) {}
    std::vector<std::uint8_t> bytes;
};

// A bitmap file as bytes: file header, info header, colour table, an optional
// gap, then the pixel rows. bfOffBits and bfSize are written as given (0 is
// legal), worked out from the parts unless set.
inline constexpr std::uint32_t kFromTheParts = 0xFFFFFFFF;
struct BitmapFileParts {
    InfoBytes info;
    std::vector<std::uint8_t> table;
    std::vector<std::uint8_t> gap;
    std::vector<std::uint8_t> pixels;
    std::uint32_t pixel_offset = kFromTheParts;
    std::uint32_t file_size = kFromTheParts;
};

inline std::vector<std::uint8_t> BuildBitmapFile(const BitmapFileParts& parts) {
    const std::size_t headers = 14 + parts.info.bytes.size();
    const auto offset = parts.pixel_offset != kFromTheParts ? parts.pixel_offset
                                                            : static_cast<std::uint32_t>(headers + parts.table.size() + parts.gap.size());
    const auto size = parts.file_size != kFromTheParts
                          ? parts.file_size
                          : static_cast<std::uint32_t>(headers + parts.table.size() + parts.gap.size() + parts.pixels.size());
    std::vector<std::uint8_t> file(14);
    file[0] = 'B';
    file[1] = 'M';
    std::memcpy(&file[2], &size, 4);
    std::memcpy(&file[10], &offset, 4);
    for (const std::vector<std::uint8_t>* part : {&parts.info.bytes, &parts.table, &parts.gap, &parts.pixels}) {
        file.insert(file.end(), part->begin(), part->end());
    }
    return file;
}

// Bottom-up rows of pixels of 1 to 32 bits, each padded to whole 32-bit
// words; value(x, y), y counted from the top, is a palette index or a colour
// as 0xRRGGBB (at 16 bits the pixel's own two bytes).
inline std::vector<std::uint8_t> PixelRows(int width, int height, int bits, const std::function<std::uint32_t(int, int)>& value) {
    const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
    std::vector<std::uint8_t> rows(stride * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = &rows[stride * static_cast<std::size_t>(height - 1 - y)];
        for (int x = 0; x < width; ++x) {
            const std::uint32_t v = value(x, y);
            const std::size_t bit = static_cast<std::size_t>(x) * bits;
            if (bits < 8) row[bit / 8] |= static_cast<std::uint8_t>(v << (8 - bits - bit % 8));
            for (int byte = 0; bits >= 8 && byte < bits / 8; ++byte) row[bit / 8 + byte] = static_cast<std::uint8_t>(v >> (8 * byte));
        }
    }
    return rows;
}

// A plain bitmap file of those pixels, with the colour table given.
inline std::vector<std::uint8_t> BitmapFile(int width, int height, int bits, std::span<const std::uint8_t> table,
                                            const std::function<std::uint32_t(int, int)>& value) {
    return BuildBitmapFile({InfoHeader(width, height, static_cast<std::uint16_t>(bits)), {table.begin(), table.end()}, {},
                            PixelRows(width, height, bits, value)});
}

// A packed DIB as bytes: the info header, the colour table, the pixel rows.
inline std::vector<std::uint8_t> DibBytes(const BitmapInfoHeader& header, std::span<const std::uint8_t> table,
                                          std::span<const std::uint8_t> pixels = {}) {
    std::vector<std::uint8_t> dib(40 + table.size() + pixels.size());
    std::memcpy(dib.data(), &header, 40);
    std::copy(table.begin(), table.end(), dib.begin() + 40);
    std::copy(pixels.begin(), pixels.end(), dib.begin() + 40 + static_cast<std::ptrdiff_t>(table.size()));
    return dib;
}

// The same in the program's own type.
inline PackedDib MakeDib(const BitmapInfoHeader& header, std::span<const std::uint8_t> table, std::span<const std::uint8_t> pixels) {
    const std::vector<std::uint8_t> bytes = DibBytes(header, table, pixels);
    std::optional<PackedDib> dib = PackedDib::Allocate(bytes.size());
    std::memcpy(dib->data(), bytes.data(), bytes.size());
    return std::move(*dib);
}
