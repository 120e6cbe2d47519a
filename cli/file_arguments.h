// The file arguments of lumivane-convert, made into the files to convert. The
// Windows command prompt hands wildcards over as they are typed, so the
// converter expands them itself, as the folder lists would.
#pragma once
#include <string>
#include <vector>
#include "core/target_naming.h"

// One item of a batch: a file to convert, or an argument that named none.
struct BatchItem {
    std::string source;   // the file, or the argument as given when it names none
    std::string problem;  // the line that says why the argument names no file; empty for a file
};

// What a folder's list shows for a direction: "*.bmp" for Direction::BmpToAf, "*.*af" for Direction::AfToBmp.
const char* ListPatternOf(Direction direction);

// A folder gives the files in it that its list would show; an argument with *
// or ? in its last part that is not itself a file gives the files it matches;
// both in the order the lists show them (see core/list_order.h). Any other
// argument is taken as it is.
std::vector<BatchItem> ExpandFileArguments(const std::vector<std::string>& arguments, Direction direction);
