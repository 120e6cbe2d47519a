#include <gtest/gtest.h>
#include <string>
#include "core/path_buffer.h"

namespace {

// A path of 259 bytes still fits with its terminator; one more byte is
// refused, never cut, whether it comes from the folder or the name.
TEST(PathBuffer, FillsUpTo259BytesAndRefusesTheNext) {
    const std::string folder(200, 'f');
    const struct {
        std::size_t name_bytes;
        bool fits;
    } rows[] = {{0, true}, {59, true}, {60, false}, {1000, false}};
    for (const auto& row : rows) {
        const std::string name(row.name_bytes, 'n');
        const std::optional<PathBuffer> joined = JoinPath(folder, name);
        ASSERT_EQ(joined.has_value(), row.fits) << row.name_bytes;
        if (joined) {
            EXPECT_EQ(std::string(joined->data()), folder + name);
        }
        EXPECT_EQ(CopyPath(folder + name).has_value(), row.fits) << row.name_bytes;
    }
}

}  // namespace
