// Where a picture's rows go when they are handed out one at a time, so that
// a consumer of every row never needs the whole picture at once.
#pragma once
#include <cstdint>

class RowSink {
public:
    // Whether the row, counted from the top, is wanted at all; a row that is
    // not is never handed in.
    virtual bool Uses(std::int32_t from_top) const = 0;
    // The row from_top, in the form the readers hold; the rows come in order,
    // all from the top down or all from the bottom up. repeated: it holds the
    // same pixels as the row handed in before it.
    virtual void AddRow(std::int32_t from_top, const std::uint8_t* row, bool repeated) = 0;

protected:
    ~RowSink() = default;
};
