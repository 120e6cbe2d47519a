#!/usr/bin/python3
"""Measures how many small faults the tests catch. Each fault is made in a
scratch copy of the tree (build/mutation/tree, with build folders of its own
that persist between runs), built, and tested; the copy is restored after it.

Faults are made mechanically by a fixed set of operators:
  cmp-negate    a comparison turned into its opposite (< into >=, == into !=)
  cmp-boundary  a comparison made strict or not strict (< into <=)
  const         an integer constant changed by one
  logic         && made || or || made &&
  drop          a statement that checks, releases or returns left out
  return-break  a return made a break, or a break made a return
at lines drawn with a fixed seed from every line of the .cpp files that carries
logic (a line where some operator applies). A fault that does not build is
left out and the next line drawn takes its place. Besides them, a fixed list
of named faults (explicit patches) is run; one whose text is no longer in the
code is named at the end, and the run fails until it is written again.

The core half (core/) runs the native unit tests and the tool-bitmap check,
built without sanitizers; a fault they miss is run again in the sanitizer
build. The Windows half (browser/, preview/, settings/, skin/, gallery/, app/,
platform/) runs lumivane_win_tests.exe under Wine. A test run that outlasts its
time counts as caught. Faults judged equivalent by reading (no test could
catch them) are listed in EQUIVALENT with the reason and are not run.

    scripts/mutation_check.py [--half core|windows] [--named-only | --no-named]
                              [--only ID,...] [--part K/N] [--list] [--log FILE]
                              [--every-failure]

--half      run only that half (default: both)
--named-only, --no-named
            only the named faults, or only the drawn ones
--only      only the faults with these ids (printed by --list)
--part K/N  only the K-th of N slices of each half's faults (K from 1), so
            that a long run can be made in pieces
--list      print the faults that would run, build nothing
--log       also append each result line to FILE
--every-failure
            run each whole suite without stopping at the first failure and
            name every test that fails, so that one can see which faults a
            test is the only one to catch

Prints one line a fault (id, caught / missed / equivalent / does not build,
the seconds it took, where it is) and the score of each half: caught out of
the faults that are not equivalent.
"""
import argparse
import hashlib
import json
import os
import re
import shutil
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
WORK = os.path.join(ROOT, "build", "mutation")
TREE = os.path.join(WORK, "tree")
SEED = "lumivane-faults-1"
HALVES = {
    "core": {"folders": ["core"], "count": 64, "build": "plain"},
    "windows": {"folders": ["browser", "preview", "settings", "skin", "gallery", "app", "platform"],
                "count": 44, "build": "win64"},
}
FLAGS = "-O1 -Werror=return-type"
EVERY_FAILURE = False
BUILDS = {
    "plain": ["-DLUMIVANE_SANITIZE=OFF"],
    "asan": ["-DLUMIVANE_SANITIZE=ON"],
    "win64": ["-DCMAKE_TOOLCHAIN_FILE={tree}/cmake/mingw-w64-x86_64.cmake"],
}
NATIVE_TARGETS = ["lumivane_unit_tests", "lumivane-convert"]
WIN_TARGETS = ["lumivane_win_tests"]

# The faults a user would meet that the tests once missed, as patches:
# (id, half, file, text before, text after, what it breaks).
NAMED = [
    ("n-colour-count", "core", "core/packed_dib.cpp", "case 4: return 16;", "case 4: return 15;",
     "a plain 16-colour bitmap with colour count 0 read with 15 colours"),
    ("n-prune-strict", "core", "core/nearest_colour.cpp", "if (near_side[i] <= nearest_far_side)",
     "if (near_side[i] < nearest_far_side)", "nearest-colour pruning strict: ties no longer go to the lowest index"),
    ("n-wide-tail", "core", "core/nearest_colour_wide.cpp", "slow.places[slow.count++] = static_cast<std::uint16_t>(i);", "",
     "the last pixels of a row that are no whole group of eight left unsearched"),
    ("n-groups-spaced", "core", "core/nearest_colour.cpp",
     "for (std::size_t first = 0; first + kGroup <= offsets.size(); first += kGroup) {",
     "for (std::size_t first = 0; first + kGroup <= offsets.size() && first == 0; first += kGroup) {",
     "a row whose first pixels lie side by side read as if every group of it did"),
    ("n-sixteen-tail", "core", "core/nearest_colour_wide.cpp", "(1u << (count - i)) - 1);\n    };",
     "(1u << (count - i)) / 2 - 1);\n    };", "the last pixel of a run that is no whole group of sixteen left unplaced"),
    ("n-nearby-reach", "core", "core/nearest_colour_wide.cpp", "_mm512_set1_epi32(61)) != 0) break;", "_mm512_set1_epi32(62)) != 0) break;",
     "a pixel 62 bytes from the first of its group read from a permute that reaches 63 bytes"),
    ("n-nearby-row-end", "core", "core/nearest_colour_wide.cpp", "left >= 64 ? ~__mmask64{0} : (__mmask64{1} << left) - 1", "~__mmask64{0}",
     "64 bytes read for sixteen pixels near a row's end, past the row"),
    ("n-rows-run-out", "core", "core/nearest_colour_wide.cpp", "out + first_row * count + start;", "out + first_row * count;",
     "the answers for the second piece of a row longer than a run written over those of its first"),
    ("n-rows-narrow-spread", "core", "core/texture_conversion.cpp", "found[r * searched + ", "found[r * kTextureSide + ",
     "the rows after the first of a group, in a picture less wide than the texture, spread from the wrong place"),
    ("n-let-go-after-flush", "core", "core/file_access.cpp", "    if (complete && written) written();\n", "",
     "a picture handed to a writer kept until its file is flushed and moved"),
    ("n-moved-twice", "core", "core/file_access.cpp", "if (!moved && !MoveTemporary(temporary, path)) {",
     "if (!MoveTemporary(temporary, path)) {", "a temporary renamed while still open moved by name once more, which finds no file"),
    ("n-freed-block-twice", "core", "core/packed_dib.cpp", "kept.capacity / 2 < size", "kept.capacity / 4 < size",
     "a freed block four times the size asked for handed to a small picture, which keeps it from the large one"),
    ("n-freed-block-grown", "core", "core/packed_dib.cpp", "if (size_ > 0) std::memcpy(kept.block, block_, size_);",
     "if (size_ > 1) std::memcpy(kept.block, block_, size_ - 1);", "a block grown into a freed one that leaves the last byte behind"),
    ("n-long-list-tail", "core", "core/nearest_colour_wide.cpp", "count < kLanes ? 0 : count - kLanes", "0",
     "a list of more than eight candidates searched only in whole groups of eight from its start"),
    ("n-cells-by-loads", "core", "core/nearest_colour_wide.cpp", "at(4), at(5), at(6), at(7));", "at(4), at(5), at(6), at(6));",
     "each group's last pixel given the cell of the pixel before it where plain reads read the cells"),
    ("n-fours-kept-first", "core", "core/nearest_colour_wide.cpp",
     "        for (unsigned mask = present & ~four; mask != 0; mask &= mask - 1) {\n"
     "            slow.places[slow.count++] = static_cast<std::uint16_t>(listed.places[k + static_cast<std::size_t>(std::countr_zero(mask))]);\n"
     "        }\n"
     "        four_count = Add(listed, four_count, four, colours, _mm256_slli_epi32(_mm256_srli_epi32(cell, 8), 1), places);",
     "        const std::size_t kept = Add(listed, four_count, four, colours, _mm256_slli_epi32(_mm256_srli_epi32(cell, 8), 1), places);\n"
     "        for (unsigned mask = present & ~four; mask != 0; mask &= mask - 1) {\n"
     "            slow.places[slow.count++] = static_cast<std::uint16_t>(listed.places[k + static_cast<std::size_t>(std::countr_zero(mask))]);\n"
     "        }\n"
     "        four_count = kept;",
     "the fours of a group packed into place before the places of its other pixels are read, which the packing may overwrite"),
    ("n-last-hint", "core", "core/pixel_rows.cpp",
     "        if (hint_end != 0) file_.WillRead(hint_at, hint_end - hint_at);\n        // Then",
     "        // Then",
     "the last rows of a picture read without being announced: from a file not in memory, a row at a time"),
    ("n-cube-grey-bound", "core", "core/cube_palette_search.cpp",
     "_mm256_cmpgt_epi16(_mm256_add_epi16(cube_distance, cube_distance), Square(spread))", "_mm256_cmpgt_epi16(cube_distance, Square(spread))",
     "the greys skipped for a colour that is nearer to one of them than to the cube: a bound half as strong as the truth"),
    ("n-cube-grey-tie", "core", "core/cube_palette_search.cpp", "_mm256_cmpgt_epi16(cube_distance, grey_distance)",
     "_mm256_cmpgt_epi16(_mm256_add_epi16(cube_distance, Words(1)), grey_distance)",
     "a grey as near as the cube's nearest entry chosen, though the cube's index is lower"),
    ("n-cube-grey-levels", "core", "core/cube_palette_search.cpp", "const std::uint8_t blue = cube ? kCubeStep * (entry % 6) : GreyLevel(entry - kCubeEntries);",
     "const std::uint8_t blue = cube ? kCubeStep * (entry % 6) : colour[0];",
     "a palette whose last forty entries are greys of other levels searched as if they were the texture palette's"),
    ("n-pick-past-row", "core", "core/column_picking.cpp", "(row.size() - 4) / 3", "(row.size() - 3) / 3",
     "the last pixel of a row gathered as a word of four bytes: a read past the row"),
    ("n-short-table", "core", "core/texture_conversion.cpp", "mapped[value] = nearest.Find(0);", "mapped[value] = 0;",
     "pixels past a short colour table take index 0, not the colour nearest to black"),
    ("n-two-channels", "core", "core/texture_conversion.cpp", "std::memcmp(colour, &palette[value * 4], 3)",
     "std::memcmp(colour, &palette[value * 4], 2)", "a colour table differing in one channel kept as the palette"),
    ("n-after-end", "core", "core/rle_decoding.cpp", "case 1: return true;  // end of picture",
     "case 1: break;  // end of picture", "bytes after an RLE end-of-picture mark decoded"),
    ("n-planes", "core", "core/bitmap_layout.cpp", "if (layout.encoding != PixelEncoding::Plain) header.biPlanes = 1;",
     "", "a compressed, bit-field or 2-bit file keeps 2 planes"),
    ("n-open-rename-attributes", "windows", "platform/file_access_win.cpp",
     "            SetFileInformationByHandle(handle_.Get(), FileBasicInfo, &basic, sizeof basic);\n", "",
     "a hidden file replaced through the temporary's own handle no longer hidden"),
    ("n-existing-target-by-name", "windows", "platform/file_access_win.cpp",
     "        if (GetLastError() != ERROR_ALREADY_EXISTS && GetLastError() != ERROR_FILE_EXISTS) return false;\n",
     "        return false;\n",
     "a target that is there already not taken through the temporary's own handle, but left to the move by name"),
    ("n-refused-read-ends", "windows", "platform/file_access_win.cpp",
     "if (!ReadFile(handle_.Get(), buffer.data(), wanted, &got, nullptr)) return std::nullopt;",
     "if (!ReadFile(handle_.Get(), buffer.data(), wanted, &got, nullptr)) return 0;",
     "a read the system refuses taken for the end of the file, which reads a cut picture as whole"),
    ("n-slot-kept-after-slow-flush", "core", "cli/conversion_slots.cpp",
     "        slots->flushes_wait_.store(true, std::memory_order_relaxed);\n", "",
     "a batch whose flushes took no time at first keeps each slot through flushes that wait"),
    ("n-page-in-memory-inverted", "core", "platform/piece_reads_posix.cpp",
     "return counts.cached != 0;", "return counts.cached == 0;",
     "a picture whose rows are not in memory read without announcing them, and one that is announced for nothing"),
    ("n-one-registry-read", "windows", "settings/settings_store.cpp", "attempt < 4 && status == ERROR_MORE_DATA",
     "attempt < 1 && status == ERROR_MORE_DATA", "a stored text that outgrows the first read not read again at the registry's size"),
    ("n-gallery-centred", "windows", "resources/gallery_dialog.rc", "DS_MODALFRAME | DS_SETFONT", "DS_MODALFRAME | DS_CENTER | DS_SETFONT",
     "the gallery centred on the screen, not at the main window's client origin"),
    ("n-panes-kept", "windows", "preview/preview_panes.cpp",
     "if (PaneState* state = FoundStateOf(pane)) state->picture.reset();",
     "", "the panes keep the old file's picture after a refill"),
    ("n-redraw-off", "windows", "browser/folder_lists.cpp", "SendMessageA(list, WM_SETREDRAW, TRUE, 0);", "",
     "a refilled list never draws itself again"),
    ("n-click-unchanged", "windows", "preview/preview_panes.cpp",
     "std::string_view(followed.file.path.data()) == path &&\n           followed.version == VersionOf(path) &&",
     "std::string_view(followed.file.path.data()) == path &&", "a click on a file changed on disk shows the old picture"),
    ("n-thumb-one-side", "windows", "gallery/thumbnail.cpp", "header.biWidth == size && header.biHeight == size",
     "header.biWidth == size || header.biHeight == size", "a 60 x 40 picture copied unsqueezed as a 60 thumbnail"),
    ("n-drive-z", "windows", "settings/settings_store.cpp", "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz",
     "ABCDEFGHIJKLMNOPQRSTUVWXYabcdefghijklmnopqrstuvwxy", "a stored Z:\\ folder no longer taken for a drive root"),
    ("n-check-mark", "windows", "app/main_window.cpp", "    g_check_mark.Reset();\n", "",
     "the main window's check-mark bitmap left unreleased on exit"),
    ("n-260", "windows", "core/path_buffer.cpp", "if (folder.size() + name.size() >= path.size())",
     "if (folder.size() + name.size() > path.size())", "a settings text of 260 characters written past its buffer"),
]

# Drawn faults that no test can catch, decided by reading: id -> reason.
EQUIVALENT = {
    "9110edbf": "preview/preview_panes.cpp: CreateDIBSection's offset 0 made 1: without a file mapping to make "
                "the section of, the offset is not used",
    "8ad3844b": "app/main_window.cpp: the kept window procedure cleared to 1, not 0, once it is put back: "
                "nothing reads it after that, and a window is destroyed once",
    "130f6b91": "core/nearest_colour_wide.cpp: a byte shuffle's -1 made -2: any byte with its top bit set "
                "shuffles in a zero",
    "82e32769": "core/nearest_colour_wide.cpp: a cell's shift masked with 30, not 31: the shifts cells hold "
                "are 0, 8 and 16, all even, and what a cell that holds a record places is never used",
    "591843cd": "core/nearest_colour.cpp: from.size() > kShortList made >=: a list of exactly that length is "
                "cut down once more by the same exact test, which keeps every entry that can be nearest",
    "81a9747f": "core/bitmap_layout.cpp: biHeight < 0 made <= 0: a height of 0 negated is still 0",
    "864881d1": "core/bitmap_layout.cpp: room == 0 || room > full made &&: a room of 0 then gives a colour "
                "count of 0, which means the whole table, as full does",
    "233718f2": "core/bitmap_layout.cpp: entries != (1u << bits) made (0u << bits): an OS/2 1.x file with a "
                "whole table is then held with that count in biClrUsed, which means what 0 means",
    "d52e336b": "browser/convert_command.cpp: !bitmaps || !textures made &&: FolderOf never fails, the folder "
                "getters giving a text under MAX_PATH that CopyPath always takes",
    "62e95f3e": "gallery/gallery_list.cpp: WM_SETREDRAW's lParam 0 made 1: the message ignores lParam",
    "bd73c06d": "core/pixel_rows.cpp: rows_bytes starting at 1, not 0: every row lies past the file's byte 1, so "
                "the first row is read either way",
    "0a01d652": "core/rle_decoding.cpp: the stream's read buffer of 4095 bytes, not 4096: it is read through in "
                "pieces of whatever size, the same bytes in the same order",
    "d0b336a0": "core/texture_conversion.cpp: biBitCount / 7u for / 8u: only 24 and 32 reach it, giving 3 and 4 "
                "either way",
    "d1c9b92a": "core/pixel_rows.cpp: room->size() < bytes made <=: a block of exactly that size is resized to "
                "the size it has, which changes nothing",
    "05bfdc78": "skin/window_centring.cpp: screen_height starting at 1, not 0: it is set from the device before "
                "any use",
    "23430049": "core/rle_decoding.cpp: a row the sink does not use handed to it all the same: every sink refuses "
                "such a row itself, and the scaler then forgets the last row's sums, so only the time a repeated "
                "blank row takes differs",
    "56f4c081": "core/rle_decoding.cpp: a stream ending before an odd run's pad byte breaks out of the switch, not "
                "returns: the loop's next read meets the same end and returns what the return did",
    "6845c0a9": "core/smooth_scaling.cpp: the target's means starting at 1, not 0: a target row is written whole "
                "when its last source row is added, and every row reaches the scaler (the RLE decoder hands on "
                "the rows it did not reach as blank), so the starting value is never read",
    "34ad8542": "platform/native_path_win.cpp: the shortcut for an empty text dropped: MultiByteToWideChar of no "
                "bytes gives 0 characters, the same empty path",
    "23391821": "platform/native_path_win.cpp: the shortcut for an empty path dropped: WideCharToMultiByte of no "
                "characters gives 0 bytes, the same empty text",
    "c9e466ef": "gallery/gallery_list.cpp: LVM_GETITEMCOUNT's wParam 0 made 1: the message ignores wParam",
    "6a47cc5b": "core/nearest_colour_wide.cpp: the words a read near the row's end steps back by, back / 3 for "
                "back / 4: back is 0 or 8, and 8 / 3 is 2 as 8 / 4 is",
    "7f33f3d6": "core/nearest_colour.cpp: a later entry must beat an earlier one by 2, not 1, to prune it: fewer "
                "entries are pruned, and the search compares those kept exactly, so only the table's size changes",
    "47099c88": "platform/folder_changes_win.cpp: the check for a read still waiting made false: the event is set "
                "only when the read completes (it is reset before each read starts), so the read is never found "
                "waiting",
    "1c43b355": "preview/preview_panes.cpp: the return after SetWindowSubclass fails dropped: it fails only when "
                "the system has no memory left for its record",
    "0df5d65b": "platform/file_access_win.cpp: the temporary opened sharing reads: it is open only while this "
                "write runs, under a name nothing else opens",
    "a0657e93": "browser/folder_watch.cpp: room for three notified flags, not two: only the two sides' are used",
    "0959a823": "browser/folder_watch.cpp: the follow timer's id 0x4C56 made 0x4C57: it is the main window's only "
                "timer, so any id serves",
    "1e8f8115": "gallery/thumbnail.cpp: the thumbnail's header block cleared to 1s, not 0s: every byte read is "
                "written first, the header whole and, for a texture, the whole table; a bitmap's 24-bit header has "
                "no table",
    "44a11637": "settings/first_start.cpp: the trial file opened sharing reads: it has a name no one else uses and "
                "is gone when closed, so no one else opens it",
    "c0515bca": "platform/file_access_win.cpp: written starting at 1: WriteFile sets it to 0 before any work",
    "1ed83542": "platform/folder_changes_win.cpp: the return after an interruption dropped: the next line returns "
                "the same change, the wait having woken on the interruption, not on the folder",
    "6c8336fd": "settings/setup_dialog.cpp: a break of the command switch made a return: nothing follows the "
                "switch",
    "cb2a18b3": "preview/preview_panes.cpp: a pane of no height measured as 0 high, not 1: the panes are fixed "
                "controls of the dialog template, never of no height; only a missing main window, which shows "
                "nothing, measures so",
}

RELEASES = (r"Reset|Close|Release\w*|Delete\w*|Destroy\w*|Free\w*|free|CloseHandle|RegCloseKey|FindClose|"
            r"UnmapViewOfFile|GlobalFree|GlobalUnlock|LocalFree|ImageList_Destroy|KillTimer|EndDialog|"
            r"RemoveWindowSubclass|StopFollowingFolders|SelectObject|RevokeDragDrop|UnregisterClassA")
RELEASE_LINE = re.compile(r"^\s*(?:[\w:]+(?:\.|->|::))*(?:%s)\(.*\);\s*$" % RELEASES)
SINGLE_IF = re.compile(r"^(\s*(?:\}\s*else\s+)?)if \(.*;\s*$")
BLOCK_IF = re.compile(r"^(\s*(?:\}\s*else\s+)?if )\((.*)\)( \{\s*)$")
RETURN_LINE = re.compile(r"^\s*return\b.*;\s*$")
COMPARISON = re.compile(r"(?<= )(<=|>=|==|!=|<|>)(?= )")
NEGATED = {"<": ">=", ">=": "<", ">": "<=", "<=": ">", "==": "!=", "!=": "=="}
BOUNDARY = {"<": "<=", "<=": "<", ">": ">=", ">=": ">"}
CONSTANT = re.compile(r"(?<![\w.'])(0[xX][0-9A-Fa-f]+|\d+)(?=[uUlL]*(?![\w.']))")
LOGIC = re.compile(r"&&|\|\|")
RETURN_VALUE = re.compile(r"\breturn\b[^;]*;")
BREAK = re.compile(r"\bbreak;")


def digest(text):
    return hashlib.sha1((SEED + "|" + text).encode()).hexdigest()


def masked_lines(text):
    """The lines with comments, string and character literals blanked, so
    that operators are looked for only in code."""
    out = []
    in_block = False
    for line in text.split("\n"):
        chars = list(line)
        i = 0
        while i < len(chars):
            if in_block:
                if line.startswith("*/", i):
                    chars[i] = chars[i + 1] = " "
                    in_block = False
                    i += 2
                    continue
                chars[i] = " "
                i += 1
            elif line.startswith("//", i):
                for j in range(i, len(chars)):
                    chars[j] = " "
                break
            elif line.startswith("/*", i):
                chars[i] = chars[i + 1] = " "
                in_block = True
                i += 2
            elif chars[i] in "\"'":
                quote = chars[i]
                j = i + 1
                while j < len(chars) and chars[j] != quote:
                    j += 2 if chars[j] == "\\" else 1
                for k in range(i + 1, min(j, len(chars))):
                    chars[k] = "_"
                i = j + 1
            else:
                i += 1
        out.append("".join(chars))
    return out


def mutants_of(line, code):
    """(operator, k, new line) for every way the operators change this line."""
    found = []
    if code.lstrip().startswith("#") or "static_assert" in code:
        return found
    for k, m in enumerate(COMPARISON.finditer(code)):
        op = m.group(1)
        found.append(("cmp-negate", k, line[:m.start()] + NEGATED[op] + line[m.end():]))
        if op in BOUNDARY:
            found.append(("cmp-boundary", k, line[:m.start()] + BOUNDARY[op] + line[m.end():]))
    for k, m in enumerate(CONSTANT.finditer(code)):
        token = m.group(1)
        value = int(token, 0)
        # Which way by the line's own hash, so a draw is fixed by the seed.
        delta = 1 if value == 0 or int(digest(line + str(k)), 16) % 2 else -1
        new = value + delta
        text = ("0x%X" % new) if token.lower().startswith("0x") else str(new)
        found.append(("const", k, line[:m.start()] + text + line[m.end():]))
    for k, m in enumerate(LOGIC.finditer(code)):
        found.append(("logic", k, line[:m.start()] + ("||" if m.group() == "&&" else "&&") + line[m.end():]))
    indent = line[:len(line) - len(line.lstrip())]
    if SINGLE_IF.match(code) and code.count("(") == code.count(")"):
        found.append(("drop", 0, SINGLE_IF.match(code).group(1) + ";"))
    elif BLOCK_IF.match(code) and code.count("(") == code.count(")"):
        m = BLOCK_IF.match(line)
        if m:
            found.append(("drop", 0, m.group(1) + "(false)" + m.group(3)))
    elif RELEASE_LINE.match(code) or (RETURN_LINE.match(code) and code.count("(") == code.count(")")):
        found.append(("drop", 0, indent + ";"))
    for k, m in enumerate(RETURN_VALUE.finditer(code)):
        found.append(("return-break", k, line[:m.start()] + "break;" + line[m.end():]))
    for k, m in enumerate(BREAK.finditer(code)):
        found.append(("return-break", 100 + k, line[:m.start()] + "return;" + line[m.end():]))
    return found


class Fault:
    def __init__(self, ident, half, path, line_no, original, changed, operator, what=""):
        self.id = ident
        self.half = half
        self.path = path
        self.line_no = line_no
        self.original = original
        self.changed = changed
        self.operator = operator
        self.what = what

    def where(self):
        if self.what:
            return "%s: %s" % (self.path, self.what)
        return "%s:%d %s: %s  ->  %s" % (self.path, self.line_no, self.operator, self.original.strip(),
                                          self.changed.strip())


def compiled_sources(build):
    """The .cpp files of the tree that the build compiles, relative to it."""
    with open(os.path.join(TREE, "build", build, "compile_commands.json")) as f:
        commands = json.load(f)
    sources = set()
    for command in commands:
        path = os.path.relpath(os.path.join(command["directory"], command["file"]), TREE)
        if not path.startswith(".."):
            sources.add(path)
    return sources


def drawn_faults(half):
    """Every line of the half's compiled .cpp files that carries logic, in
    the order the seed draws them, each with the one fault drawn for it."""
    sources = compiled_sources(HALVES[half]["build"])
    lines = []
    for folder in HALVES[half]["folders"]:
        for name in sorted(os.listdir(os.path.join(TREE, folder))):
            path = folder + "/" + name
            if not name.endswith(".cpp") or path not in sources:
                continue
            with open(os.path.join(TREE, path)) as f:
                text = f.read()
            raw = text.split("\n")
            seen = {}
            for number, (line, code) in enumerate(zip(raw, masked_lines(text)), 1):
                mutants = mutants_of(line, code)
                if not mutants:
                    continue
                stripped = line.strip()
                seen[stripped] = seen.get(stripped, 0) + 1
                key = "%s|%s|%d" % (path, stripped, seen[stripped])
                operator, k, changed = mutants[int(digest(key + "|fault"), 16) % len(mutants)]
                ident = digest(key + "|" + operator + "|" + str(k))[:8]
                lines.append((digest(key), Fault(ident, half, path, number, line, changed, operator)))
    lines.sort(key=lambda pair: pair[0])
    return [fault for _, fault in lines]


def named_faults(half):
    return [Fault(ident, h, path, 0, before, after, "named", what)
            for ident, h, path, before, after, what in NAMED if h == half]


# ---------------------------------------------------------------- the copy

def sync_tree(revision):
    """Brings the scratch copy to the tree as it is (committed or not), or to
    a commit; only files whose bytes differ are written, so the builds stay
    incremental."""
    if revision:
        listed = subprocess.run(["git", "ls-tree", "-r", "-z", "--name-only", revision], cwd=ROOT, check=True,
                                capture_output=True).stdout.decode().split("\0")
    else:
        listed = subprocess.run(["git", "ls-files", "-co", "--exclude-standard", "-z"], cwd=ROOT, check=True,
                                capture_output=True).stdout.decode().split("\0")
        listed = [p for p in listed if p and os.path.isfile(os.path.join(ROOT, p))]
    wanted = set(p for p in listed if p)
    for path in wanted:
        if revision:
            data = subprocess.run(["git", "show", "%s:%s" % (revision, path)], cwd=ROOT, check=True,
                                  capture_output=True).stdout
        else:
            with open(os.path.join(ROOT, path), "rb") as f:
                data = f.read()
        target = os.path.join(TREE, path)
        if os.path.exists(target):
            with open(target, "rb") as f:
                if f.read() == data:
                    continue
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "wb") as f:
            f.write(data)
        if path.endswith((".sh", ".py")):
            os.chmod(target, 0o755)
    for folder, dirs, files in os.walk(TREE):
        relative = os.path.relpath(folder, TREE)
        if relative == ".":
            dirs[:] = [d for d in dirs if d != "build"]
        for name in files:
            path = os.path.normpath(os.path.join(relative, name))
            if path not in wanted:
                os.remove(os.path.join(folder, name))


def configure(build):
    folder = os.path.join(TREE, "build", build)
    if os.path.exists(os.path.join(folder, "build.ninja")):
        return
    subprocess.run(["nice", "cmake", "-G", "Ninja", "-S", TREE, "-B", folder, "-DCMAKE_EXPORT_COMPILE_COMMANDS=ON",
                    "-DLUMIVANE_BENCH=OFF", "-DCMAKE_BUILD_TYPE=None", "-DCMAKE_CXX_FLAGS=" + FLAGS] +
                   [option.format(tree=TREE) for option in BUILDS[build]],
                   check=True, stdout=subprocess.DEVNULL)


BUILD_LIMIT = 900  # seconds; the build runs the nearest-colour table maker, so a fault can hang it


def build_targets(build, targets):
    """True when the targets build, "hangs" when the build outlasts BUILD_LIMIT."""
    configure(build)
    # ninja puts each command in a process group of its own, so the whole
    # session goes on a timeout: a table maker caught in an endless loop would go on.
    code = run_in_session(["nice", "ninja", "-j2", "-C", os.path.join(TREE, "build", build)] + targets, BUILD_LIMIT)
    return "hangs" if code is None else code == 0


def run_in_session(command, timeout):
    """The exit code of command, run in a session of its own with its output
    dropped; None when it outlasts timeout, and then every process of that
    session is killed, the children it started included."""
    process = subprocess.Popen(command, cwd=TREE, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                               start_new_session=True)
    try:
        return process.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        subprocess.run(["pkill", "-9", "-s", str(process.pid)])
        process.wait()
        return None


# ---------------------------------------------------------------- running tests

FAILED_TEST = re.compile(r"^\[  FAILED  \] (\S+\.\S+)", re.M)


def run_gtest(command, timeout, env=None):
    """(set of failed tests, whether the run ended normally)."""
    try:
        done = subprocess.run(["nice"] + command, cwd=TREE, env=env, timeout=timeout, stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT)
    except subprocess.TimeoutExpired:
        return {"(timed out)"}, False
    output = done.stdout.decode(errors="replace")
    failed = set(m.group(1) for m in FAILED_TEST.finditer(output))
    finished = "[  PASSED  ]" in output or failed
    if done.returncode != 0 and not failed:
        started = re.findall(r"^\[ RUN      \] (\S+)", output, re.M)
        failed = {"(crashed, exit %d%s)" % (done.returncode, ", in " + started[-1] if started else "")}
        finished = False
    return failed, bool(finished)


def run_tool_bitmaps(build, timeout):
    # On a timeout the converters the check started go too: one that a fault
    # keeps waiting would otherwise outlive the run.
    convert = os.path.join(TREE, "build", build, "bin", "lumivane-convert")
    return run_in_session(["nice", "/usr/bin/python3", os.path.join(TREE, "scripts", "check_tool_bitmaps.py"), convert],
                          timeout) == 0


def gtest_filter(positive, negative):
    """A --gtest_filter option: the positive patterns but not the negative."""
    return "--gtest_filter=" + ":".join(positive) + ("-" + ":".join(sorted(negative)) if negative else "")


def first_failures(run, positive, negative, timeout):
    """The tests that fail, run by run(filter, timeout) until the first
    failure, and that fail again when run once more on their own; one that
    then passes is taken for a flake and the run goes on without it. A crash
    or a run out of time counts as it is. Returns (failed, flakes)."""
    flakes = set()
    for _ in range(3):
        failed, _ = run(gtest_filter(positive, negative | flakes), timeout)
        failed -= negative
        if not failed or any(name.startswith("(") for name in failed):
            return failed, flakes
        again, _ = run(gtest_filter(sorted(failed), set()), timeout)
        if again & failed:
            return again & failed, flakes
        flakes |= failed
    return set(), flakes


def described(failed, flakes):
    text = ", ".join(sorted(failed))
    text = text if EVERY_FAILURE else text[:160]
    return text + (" (passed when run again, taken for flakes: %s)" % ", ".join(sorted(flakes)) if flakes else "")


def suites_including(folder):
    """The Windows test suites of the test files that include a header of folder."""
    suites = set()
    tests = os.path.join(TREE, "tests", "win")
    for name in sorted(os.listdir(tests)):
        if not name.endswith(".cpp"):
            continue
        with open(os.path.join(tests, name)) as f:
            text = f.read()
        if re.search(r'#include "%s/' % re.escape(folder), text):
            suites.update(re.findall(r"^TEST(?:_F|_P)?\((\w+),", text, re.M))
    return sorted(suites)


class CoreRunner:
    builds = ["plain", "asan"]

    def __init__(self):
        self.baseline = {}
        self.limit = {}

    def suite(self, build, timeout):
        unit = os.path.join(TREE, "build", build, "tests", "unit", "lumivane_unit_tests")
        stop = [] if EVERY_FAILURE else ["--gtest_fail_fast"]
        failed, flakes = first_failures(lambda only, limit: run_gtest([unit] + stop + [only], limit),
                                        ["*"], self.baseline.get(build, set()), timeout)
        if EVERY_FAILURE:
            bitmaps = "" if run_tool_bitmaps(build, timeout) else "tool bitmaps"
            tests = "unit tests: " + described(failed, flakes) if failed else ""
            return "; ".join(x for x in (tests, bitmaps) if x) or None
        if failed:
            return "unit tests: " + described(failed, flakes)
        if flakes:
            print("   %s: passed when run again, taken for flakes: %s" % (build, ", ".join(sorted(flakes))))
        if not run_tool_bitmaps(build, timeout):
            return "tool bitmaps"
        return None

    def prepare(self):
        for build in self.builds:
            if not build_targets(build, NATIVE_TARGETS):
                sys.exit("the unchanged tree does not build (%s)" % build)
            started = time.time()
            unit = os.path.join(TREE, "build", build, "tests", "unit", "lumivane_unit_tests")
            self.baseline[build], _ = run_gtest([unit], 1800)
            if not run_tool_bitmaps(build, 1800):
                sys.exit("the tool-bitmap check fails on the unchanged tree (%s)" % build)
            self.limit[build] = 4 * (time.time() - started) + 60
            if self.baseline[build]:
                print("unchanged tree, %s: failing already: %s" % (build, ", ".join(sorted(self.baseline[build]))))

    def run(self, fault):
        """'caught: how' / 'missed' / 'does not build'."""
        built = build_targets("plain", NATIVE_TARGETS)
        if built != True:
            return "caught: the build hangs" if built else "does not build"
        how = self.suite("plain", self.limit["plain"])
        if how:
            return "caught: " + how
        built = build_targets("asan", NATIVE_TARGETS)
        if built != True:
            return "caught: the build hangs" if built else "does not build"
        how = self.suite("asan", self.limit["asan"])
        if how:
            return "caught under sanitizers: " + how
        return "missed"

    def close(self):
        pass


class WindowsRunner:
    def __init__(self):
        self.env = None
        self.xvfb = None
        self.baseline = set()
        self.limit = 600

    def start_display(self):
        for number in range(90, 141):
            if os.path.exists("/tmp/.X11-unix/X%d" % number) or os.path.exists("/tmp/.X%d-lock" % number):
                continue
            self.xvfb = subprocess.Popen(["Xvfb", ":%d" % number, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            time.sleep(1)
            if self.xvfb.poll() is None:
                return ":%d" % number
        sys.exit("no virtual display could be started")

    def prepare(self):
        if not build_targets("win64", WIN_TARGETS):
            sys.exit("the unchanged tree does not build (win64)")
        display = self.start_display()
        # The project's own Wine settings, with a prefix in the copy's build folder.
        script = ("root=%s; source %s/scripts/wine_env.sh; export DISPLAY=%s; use_prefix test-prefix virtual-desktop "
                  ">/dev/null; env -0" % (TREE, TREE, display))
        out = subprocess.run(["bash", "-c", script], check=True, capture_output=True).stdout.decode()
        self.env = dict(item.split("=", 1) for item in out.split("\0") if "=" in item)
        started = time.time()
        self.baseline, finished = self.tests(1800)
        if not finished:
            sys.exit("the Windows tests do not finish on the unchanged tree")
        self.limit = 4 * (time.time() - started) + 120
        if self.baseline:
            print("unchanged tree, win64: failing already: %s" % ", ".join(sorted(self.baseline)))

    def tests(self, timeout, only=None):
        exe = os.path.join(TREE, "build", "win64", "bin", "lumivane_win_tests.exe")
        stop = [] if EVERY_FAILURE else ["--gtest_fail_fast"]
        result = run_gtest(["wine", exe] + (stop + [only] if only else []), timeout, self.env)
        self.stop_wine()
        return result

    def stop_wine(self):
        subprocess.run(["wineserver", "-k"], env=self.env, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], env=self.env, stderr=subprocess.DEVNULL)

    def run(self, fault):
        built = build_targets("win64", WIN_TARGETS)
        if built != True:
            return "caught: the build hangs" if built else "does not build"
        # The suites whose tests include a header of the fault's folder run
        # first; the rest only when they catch nothing.
        first = [] if EVERY_FAILURE else suites_including(os.path.dirname(fault.path))
        passes = [(first, set()), (["*"], set(first))] if first else [(["*"], set())]
        flakes = set()
        for suites, skipped in passes:
            failed, more = first_failures(lambda only, limit: self.tests(limit, only),
                                          [s + ".*" if s != "*" else s for s in suites],
                                          self.baseline | {s + ".*" for s in skipped}, self.limit)
            flakes |= more
            if failed:
                return "caught: " + described(failed, flakes)
        return "missed" + (" (taken for flakes: %s)" % ", ".join(sorted(flakes)) if flakes else "")

    def close(self):
        if self.env:
            self.stop_wine()
        if self.xvfb:
            self.xvfb.terminate()
            self.xvfb.wait()


# ---------------------------------------------------------------- faults

def apply(fault):
    """Writes the fault into the copy; its text before, or None when the
    text the fault changes is not there."""
    target = os.path.join(TREE, fault.path)
    with open(target) as f:
        text = f.read()
    if fault.operator == "named":
        if text.count(fault.original) != 1:
            return None
        changed = text.replace(fault.original, fault.changed)
    else:
        lines = text.split("\n")
        if lines[fault.line_no - 1] != fault.original:
            return None
        lines[fault.line_no - 1] = fault.changed
        changed = "\n".join(lines)
    with open(target, "w") as f:
        f.write(changed)
    return text


def restore(fault, text):
    with open(os.path.join(TREE, fault.path), "w") as f:
        f.write(text)


def part_of(faults, part):
    if not part:
        return faults
    k, n = part
    return [f for i, f in enumerate(faults) if i % n == k - 1]


def main():
    global TREE, EVERY_FAILURE
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--half", choices=sorted(HALVES))
    group = parser.add_mutually_exclusive_group()
    group.add_argument("--named-only", action="store_true")
    group.add_argument("--no-named", action="store_true")
    parser.add_argument("--only", default="")
    parser.add_argument("--part", default="")
    parser.add_argument("--list", action="store_true")
    parser.add_argument("--log")
    parser.add_argument("--every-failure", action="store_true")
    parser.add_argument("--revision", help="measure this commit instead of the working tree")
    parser.add_argument("--score", nargs="+", metavar="LOG", help="only count the results of these logs again, "
                        "with the equivalent faults as listed now")
    parser.add_argument("--copy", default="tree", help="name of the scratch copy (two copies let the halves "
                        "run side by side)")
    args = parser.parse_args()
    part = tuple(int(x) for x in args.part.split("/")) if args.part else None
    only = set(x for x in args.only.split(",") if x)
    TREE = os.path.join(WORK, args.copy)
    EVERY_FAILURE = args.every_failure
    if args.score:
        return score_logs(args.score)

    os.makedirs(TREE, exist_ok=True)
    sync_tree(args.revision)
    log = open(args.log, "a") if args.log else None

    def say(text):
        print(text, flush=True)
        if log:
            log.write(text + "\n")
            log.flush()

    scores = []
    stale = []
    for half in ([args.half] if args.half else ["core", "windows"]):
        configure(HALVES[half]["build"])
        named = [] if args.no_named else part_of(named_faults(half), part)
        drawn = [] if args.named_only else part_of(drawn_faults(half), part)
        wanted = 0 if args.named_only else HALVES[half]["count"]
        if part:
            k, n = part
            wanted = wanted // n + (1 if k - 1 < wanted % n else 0)
        if only:
            named = [f for f in named if f.id in only]
            drawn = [f for f in drawn if f.id in only]
            wanted = len(drawn)
        if args.list:
            for fault in named + drawn[:wanted]:
                say("%s  %s" % (fault.id, fault.where()))
            continue
        runner = CoreRunner() if half == "core" else WindowsRunner()
        counts = {"caught": 0, "missed": 0, "equivalent": 0}
        missed = []
        say("== %s: the unchanged tree built and tested first" % half)
        started = time.time()
        try:
            runner.prepare()
            say("   ready after %.0f s" % (time.time() - started))
            # The named faults, then the drawn ones in draw order until
            # enough build, so that a run cut short is still a fair sample.
            queue = named
            pending = drawn
            built = 0
            while (built < wanted and pending) or queue:
                batch, pending = pending[:wanted - built], pending[wanted - built:]
                for fault in queue + batch:
                    outcome = one_fault(runner, fault, say, counts, missed)
                    if outcome == "not applied":
                        stale.append((half, fault.id))
                    if fault in batch and outcome != "does not build":
                        built += 1
                queue = []
        finally:
            runner.close()
        total = counts["caught"] + counts["missed"]
        score = "%s: %d of %d caught (%.1f %%), %d equivalent, %.0f s" % (
            half, counts["caught"], total, 100.0 * counts["caught"] / total if total else 0.0, counts["equivalent"],
            time.time() - started)
        scores.append(score)
        say("missed in %s: %s" % (half, ", ".join(missed) or "none"))
    for score in scores:
        say(score)
    # A named fault that no longer applies tests nothing; the run is not a
    # measure until it is written against the code as it is.
    if stale:
        say("named faults whose text is gone, to be written again: %s" % ", ".join("%s (%s)" % (i, h) for h, i in stale))
        sys.exit(1)


def score_logs(paths):
    """The score of each half in logs written by --log, the last result of a
    fault counting, with the equivalent faults as listed now."""
    results = {}
    for path in paths:
        with open(path) as f:
            half = None
            for line in f:
                heading = re.match(r"== (core|windows):", line)
                if heading:
                    half = heading.group(1)
                m = re.match(r"(\S+) (caught|missed|equivalent)\b", line)
                if m and half:
                    results[m.group(1)] = (m.group(2), half)
    for half in ("core", "windows"):
        ids = [i for i, (_, h) in results.items() if h == half]
        equivalent = [i for i in ids if i in EQUIVALENT or results[i][0] == "equivalent"]
        caught = [i for i in ids if i not in equivalent and results[i][0] == "caught"]
        missed = [i for i in ids if i not in equivalent and results[i][0] == "missed"]
        total = len(caught) + len(missed)
        print("%s: %d of %d caught (%.1f %%), %d equivalent; missed: %s" % (
            half, len(caught), total, 100.0 * len(caught) / total if total else 0.0, len(equivalent),
            ", ".join(missed) or "none"))


def one_fault(runner, fault, say, counts, missed):
    if fault.id in EQUIVALENT:
        counts["equivalent"] += 1
        say("%s equivalent  (%s)  %s" % (fault.id, EQUIVALENT[fault.id], fault.where()))
        return "equivalent"
    started = time.time()
    text = apply(fault)
    if text is None:
        say("%s not applied (the text has changed)  %s" % (fault.id, fault.where()))
        return "not applied" if fault.operator == "named" else "does not build"
    try:
        outcome = runner.run(fault)
    finally:
        restore(fault, text)
    seconds = time.time() - started
    if outcome.startswith("caught"):
        counts["caught"] += 1
    elif outcome == "missed":
        counts["missed"] += 1
        missed.append(fault.id)
    say("%s %s  [%.0f s]  %s" % (fault.id, outcome, seconds, fault.where()))
    return outcome


if __name__ == "__main__":
    main()
