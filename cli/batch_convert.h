// The batch converter behind lumivane-convert: the same readers, conversion
// and writers as the program's convert buttons, and the same default names.
#pragma once
#include <ostream>
#include "cli/batch_request.h"
#include "core/jasc_palette.h"

class ProgressLine;

// Converts every file, several at once, and prints as if one after the other:
// for each file in the order given, the reader's or writer's message when it
// fails on errors, then its line on out; then a summary line on out. The
// files written are the same whatever the number of jobs. Returns the number
// of files (and of arguments that named none) that failed. progress, when
// given, is kept up to date and taken away before anything else is printed.
int ConvertFiles(const BatchRequest& request, const TexturePalette& palette, std::ostream& out, std::ostream& errors,
                 ProgressLine* progress = nullptr);
