// Every message the program shows and the batch converter prints, word for
// word, in one place: the code that shows a message names its entry here, and
// the user guide's message tables are checked against this file, both ways.
// In a message, "{path}" stands for the path (or name) of the file it is
// about; MessageText and MessageCaption fill it in. Each entry stands on
// lines of its own, in the form the check reads: kName{"text", "caption", style}.
#pragma once
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

struct Message {
    const char* text;
    const char* caption;
    unsigned style;  // MessageBoxA's buttons and icon
};

inline constexpr std::string_view kPathSlot = "{path}";
// Style bits with the values MessageBoxA takes.
inline constexpr unsigned kMbOk = 0x0;
inline constexpr unsigned kMbYesNo = 0x4;
inline constexpr unsigned kMbIconQuestion = 0x20;
inline constexpr unsigned kMbIconWarning = 0x30;  // same value as MB_ICONEXCLAMATION
inline constexpr unsigned kWarningBox = kMbOk | kMbIconWarning;
inline constexpr unsigned kQuestionBox = kMbYesNo | kMbIconQuestion;
inline constexpr unsigned kPlainBox = kMbOk;  // no icon

// Start-up, the companion library and the settings.
inline constexpr Message kCompanionMissing{"Missing or corrupted Tessaline.dll!", "Fatal error!", kWarningBox};
inline constexpr Message kPaletteNotFound{"Fatal error (PAL1)!", "Application error", kWarningBox};
inline constexpr Message kPaletteUnusable{"Fatal error (PAL2)!", "Application error", kWarningBox};
inline constexpr Message kBitmapsFolderGone{"Previous Bitmaps directory does not exist!\nUsing setup default!",
                                           "Directory error!", kWarningBox};
inline constexpr Message kTexturesFolderGone{"Previous textures directory does not exist!\nUsing setup default!",
                                           "Directory error!", kWarningBox};
// The first start's folder, where no file can be made.
inline constexpr Message kFolderNotWritable{"Cannot write to directory: {path}\nPlease choose your Bitmaps and Textures directories in Setup!",
                                          "Directory error!", kWarningBox};
inline constexpr Message kChosenFolderTooLong{"Selected directory path is too long!\nPlease choose a shorter one.",
                                           "Directory error!", kWarningBox};

// Reading a texture.
inline constexpr Message kTextureNotOpened{"{path}", "Error opening file !", kWarningBox};
inline constexpr Message kTextureNoMemory{"{path}", "Failed to allocate memory for AF !", kWarningBox};
inline constexpr Message kTexturePixelsNoMemory{"{path}", "Failed to allocate memory for AF!", kWarningBox};
inline constexpr Message kTextureShort{"{path}", "Error reading file!", kWarningBox};

// Reading a bitmap. A refusal of the file's kind names it in the text.
inline constexpr Message kBitmapNotOpened{"Error opening file", "{path}", kWarningBox};
inline constexpr Message kBitmapHeaderShort{"Error reading file", "{path}", kWarningBox};
inline constexpr Message kBitmapShort{"{path}", "Error reading file", kWarningBox};
inline constexpr Message kBitmapNotPositioned{"{path}", "Error reading file!", kWarningBox};
inline constexpr Message kNotABitmap{"{path}", "Not a recognised BMP format file!", kWarningBox};
inline constexpr Message kOs2Bitmap{"{path}", "OS/2 style BMPs Not Supported", kWarningBox};
inline constexpr Message kHeaderSizeRefused{"{path}", "BMP header size Not Supported", kWarningBox};
inline constexpr Message kJpegRefused{"{path}", "JPEG BMPs Not Supported", kWarningBox};
inline constexpr Message kPngRefused{"{path}", "PNG BMPs Not Supported", kWarningBox};
inline constexpr Message kOs2HuffmanRefused{"{path}", "OS/2 Huffman BMPs Not Supported", kWarningBox};
inline constexpr Message kOs2Rle24Refused{"{path}", "OS/2 RLE24 BMPs Not Supported", kWarningBox};
inline constexpr Message kCompressionRefused{"{path}", "Compressed BMPs Not Supported", kWarningBox};
inline constexpr Message kDepth64Refused{"{path}", "64-bit BMPs Not Supported", kWarningBox};
inline constexpr Message kDepthRefused{"{path}", "BMP bit depth Not Supported", kWarningBox};
inline constexpr Message kMasksRefused{"{path}", "BMP colour masks Not Supported", kWarningBox};
inline constexpr Message kNoPixelsRefused{"{path}", "BMPs without pixels Not Supported", kWarningBox};
inline constexpr Message kColourTableRefused{"{path}", "BMP colour table Not Supported", kWarningBox};
inline constexpr Message kBitmapTooLarge{"{path}", "BMP too large!", kWarningBox};
inline constexpr Message kTableOutsideFile{"{path}", "BMP colour table outside the file!", kWarningBox};
inline constexpr Message kPixelsOutsideFile{"{path}", "BMP pixels outside the file!", kWarningBox};
inline constexpr Message kPixelsInsideHeaders{"{path}", "BMP pixels inside the headers!", kWarningBox};
inline constexpr Message kBitmapNoMemory{"{path}", "Failed to allocate memory for DIB !", kWarningBox};
inline constexpr Message kBitmapPixelsNoMemory{"{path}", "Failed to allocate memory for DIB!", kWarningBox};

// Converting and writing.
inline constexpr Message kOverwriteTarget{"{path}", "Do you want to overwrite existing target?", kQuestionBox};
inline constexpr Message kCannotConvert{"{path}", "Cannot convert this picture!", kWarningBox};
inline constexpr Message kTargetPathTooLong{"{path}", "Target path too long!", kWarningBox};
inline constexpr Message kTextureNotCreated{"{path}", "Error opening file!", kWarningBox};
inline constexpr Message kBitmapNotCreated{"Error opening file", "{path}", kPlainBox};
inline constexpr Message kWriteFailed{"{path}", "Error Writing file", kWarningBox};

// The file commands.
inline constexpr Message kFilePathTooLong{"{path}", "Path too long!", kWarningBox};
inline constexpr Message kMultipleToClipboard{"Cannot place multiple files!", "Clipboard error!", kWarningBox};
inline constexpr Message kConfirmDeleteOne{"Are you sure?", "Confirm deleting selected file!", kQuestionBox};
inline constexpr Message kConfirmDeleteMany{"Are you sure?", "Confirm deleting multiple selection!", kQuestionBox};
inline constexpr Message kCannotDelete{"Cannot delete:\n\n {path}", "Non critical warning!", kWarningBox};

// The text and the caption of message with path in its slot.
std::string MessageText(const Message& message, std::string_view path);
std::string MessageCaption(const Message& message, std::string_view path);

// The batch converter's own lines, in the form the check reads:
// kName{"line", stream}. A word in braces stands for what it names.
enum class Stream { Output, Errors };
struct ConverterLine {
    const char* text;
    Stream stream;
};

inline constexpr ConverterLine kConvertedLine{"{file} -> {target}", Stream::Output};
inline constexpr ConverterLine kFailedLine{"{file}: failed", Stream::Output};
inline constexpr ConverterLine kSummaryLine{"{count} files converted, {failed} failed", Stream::Output};
inline constexpr ConverterLine kSummaryOneLine{"1 file converted, {failed} failed", Stream::Output};
// A window message about a file, printed with the words that do not name it.
inline constexpr ConverterLine kMessageLine{"{file}: {message}", Stream::Errors};
inline constexpr ConverterLine kTargetExistsLine{"{file}: {target} exists (--force overwrites it)", Stream::Errors};
inline constexpr ConverterLine kMatchesNothingLine{"{argument}: matches no file", Stream::Errors};
inline constexpr ConverterLine kFolderEmptyLine{"{folder}: holds no file that matches {pattern}", Stream::Errors};
inline constexpr ConverterLine kNoMemoryLine{"{file}: not enough memory", Stream::Errors};
inline constexpr ConverterLine kNoMemoryForTableLine{"lumivane-convert: not enough memory for the colour table", Stream::Errors};
inline constexpr ConverterLine kBadPaletteLine{"lumivane-convert: {palette} is not a JASC-PAL file of 256 colours", Stream::Errors};
inline constexpr ConverterLine kNoDirectionLine{"lumivane-convert: the first argument must be to-af or to-bmp", Stream::Errors};
inline constexpr ConverterLine kNoValueLine{"lumivane-convert: {option} needs a value", Stream::Errors};
inline constexpr ConverterLine kUnknownOptionLine{"lumivane-convert: unknown option {option}", Stream::Errors};
inline constexpr ConverterLine kBadJobsLine{"lumivane-convert: -j takes a number of files from 1 to 256", Stream::Errors};
inline constexpr ConverterLine kNoFilesLine{"lumivane-convert: no files to convert", Stream::Errors};

// line with each {name} replaced by its value.
std::string FilledLine(const ConverterLine& line, std::initializer_list<std::pair<std::string_view, std::string_view>> values);
