#include "bench_pictures.h"
#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
PackedDib Blank(std::int32_t width, std::int32_t height, std::uint16_t bits) {
    BitmapInfoHeader header{};
    header.biSize = kInfoHeaderBytes;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = bits;
    std::optional<PackedDib> dib = PackedDib::Allocate(*DibImageBytes(header));
    dib->SetHeader(header);
    std::memset(dib->data() + kInfoHeaderBytes, 0, dib->size() - kInfoHeaderBytes);
    return std::move(*dib);
}
}  // namespace

PackedDib MakeTrueColourPicture(std::int32_t width, std::int32_t height) {
    PackedDib dib = Blank(width, height, 24);
    const std::size_t stride = static_cast<std::size_t>(DibRowStride(dib.Header()));
    std::uint32_t noise = 12345;
    for (std::int32_t y = 0; y < height; ++y) {
        std::uint8_t* row = dib.Pixels().data() + static_cast<std::size_t>(y) * stride;
        for (std::int32_t x = 0; x < width; ++x) {
            noise = noise * 1664525u + 1013904223u;
            const double u = static_cast<double>(x) / width, v = static_cast<double>(y) / height;
            const int jitter = static_cast<int>(noise >> 29) - 4;
            const auto channel = [&](double value) { return static_cast<std::uint8_t>(std::clamp(static_cast<int>(value * 255) + jitter, 0, 255)); };
            row[3 * x + 0] = channel(0.5 + 0.5 * std::sin(6.0 * u + 2.0 * v));
            row[3 * x + 1] = channel(v * (1 - u) + 0.3 * u);
            row[3 * x + 2] = channel(0.5 + 0.5 * std::cos(9.0 * u * v + 1.0));
        }
    }
    return dib;
}

PackedDib MakeIndexedPicture(std::int32_t width, std::int32_t height, std::span<const std::uint8_t> palette) {
    PackedDib dib = Blank(width, height, 8);
    std::memcpy(dib.ColorTable().data(), palette.data(), std::min<std::size_t>(palette.size(), dib.ColorTable().size()));
    const std::size_t stride = static_cast<std::size_t>(DibRowStride(dib.Header()));
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            dib.Pixels()[static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x)] = static_cast<std::uint8_t>((x / 4 + y / 8) & 255);
        }
    }
    return dib;
}
