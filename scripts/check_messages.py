#!/usr/bin/env python3
"""Checks that the user guide lists every message the program and the batch
converter can show, word for word, and nothing else. The messages come from
their one table in core/messages.h (text, caption and icon of each message
box; text and stream of each converter line); the guide's tables are the one
with the columns Text, Caption, Icon and the one with Line and Printed on.
Both ways: an entry of the table missing from the guide and a row of the
guide missing from the table are faults, and so is a message shown in the
code other than through the table. Prints each fault and exits 1 when there
is one."""
import os
import re
import sys

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
C_STRING = r'"((?:[^"\\]|\\.)*)"'
MESSAGE = re.compile(r'inline constexpr Message (k\w+)\{\s*' + C_STRING + r'\s*,\s*' + C_STRING + r'\s*,\s*(k\w+)\s*\};')
LINE = re.compile(r'inline constexpr ConverterLine (k\w+)\{\s*' + C_STRING + r'\s*,\s*Stream::(\w+)\s*\};')
ICONS = {"kWarningBox": "warning", "kQuestionBox": "question", "kPlainBox": "none"}
STREAMS = {"Output": "output", "Errors": "errors"}
ESCAPES = {"n": "\n", '"': '"', "\\": "\\", "t": "\t"}


def c_text(literal):
    return re.sub(r"\\(.)", lambda m: ESCAPES.get(m.group(1), "\\" + m.group(1)), literal)


def table_entries(header_text, faults):
    messages, lines = [], []
    for name, text, caption, style in MESSAGE.findall(header_text):
        if style not in ICONS:
            faults.append(f"core/messages.h: {name} has the style {style}, which the check does not know")
            continue
        messages.append((c_text(text), c_text(caption), ICONS[style]))
    for name, text, stream in LINE.findall(header_text):
        lines.append((c_text(text), STREAMS.get(stream, stream)))
    # Every entry must be in the form read above, or it would escape the check.
    declared = len(re.findall(r"inline constexpr (?:Message|ConverterLine) k\w+\{", header_text))
    if declared != len(MESSAGE.findall(header_text)) + len(LINE.findall(header_text)):
        faults.append("core/messages.h: an entry is not in the form kName{\"text\", \"caption\", style} or kName{\"line\", Stream::...}")
    return messages, lines


def cells(row):
    return [cell.strip() for cell in row.strip().strip("|").split("|")]


def guide_cell(cell):
    """A cell's text as the program has it: quotes or backticks around, <br> for a line break."""
    if len(cell) >= 2 and cell[0] == cell[-1] and cell[0] in "\"`":
        cell = cell[1:-1]
    return cell.replace("<br>", "\n")


def guide_tables(guide_text):
    """The rows of the tables whose header starts with the given columns."""
    tables = {}
    rows = None
    for line in guide_text.splitlines():
        if not line.startswith("|"):
            rows = None
            continue
        row = cells(line)
        if rows is None:
            rows = tables.setdefault(tuple(row[:-1]), [])
            continue
        if set(line) <= set("|-: "):
            continue
        rows.append(row)
    return tables


def compare(kind, table, guide, faults):
    for entry in table:
        if guide.count(entry) != 1:
            faults.append(f"the guide lists the {kind} {entry!r} {guide.count(entry)} times, not once")
    for entry in guide:
        if entry not in table:
            faults.append(f"the guide lists the {kind} {entry!r}, which the program does not have")


def shown_outside_the_table(faults):
    """A ShowMessage with words of its own instead of a table entry."""
    call = re.compile(r'ShowMessage\([^;]*?"', re.S)
    for folder in ("app", "browser", "preview", "settings", "gallery", "about", "skin", "companion", "core", "cli", "platform"):
        for base, _, files in os.walk(os.path.join(root, folder)):
            for name in files:
                if not name.endswith((".cpp", ".h")):
                    continue
                path = os.path.join(base, name)
                with open(path, encoding="utf-8") as source:
                    if call.search(re.sub(r"//[^\n]*", "", source.read())):
                        faults.append(f"{os.path.relpath(path, root)}: shows a message that is not in core/messages.h")


def main():
    faults = []
    with open(os.path.join(root, "core", "messages.h"), encoding="utf-8") as header:
        messages, lines = table_entries(header.read(), faults)
    with open(os.path.join(root, "docs", "USER_GUIDE.md"), encoding="utf-8") as guide:
        tables = guide_tables(guide.read())
    boxes = tables.get(("Text", "Caption", "Icon"))
    printed = tables.get(("Line", "Printed on"))
    if boxes is None or printed is None:
        faults.append("docs/USER_GUIDE.md: the table of messages (Text | Caption | Icon | ...) "
                      "or of the converter's lines (Line | Printed on | ...) is missing")
    else:
        compare("message", messages, [tuple(guide_cell(c) for c in row[:3]) for row in boxes], faults)
        compare("converter line", lines, [tuple(guide_cell(c) for c in row[:2]) for row in printed], faults)
    if not messages or not lines:
        faults.append("core/messages.h: no messages found")
    shown_outside_the_table(faults)
    for fault in faults:
        print(fault)
    print(f"{len(messages)} messages and {len(lines)} converter lines checked: {len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
