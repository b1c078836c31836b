// What a printout puts where: the header and footer built from their macro
// codes, the body inside the margins, each line with its number and its
// COBOL'85 token, and the breaking into pages. Every road to paper (the
// printer, a PDF from the editor, a PDF from the command-line tool) lays a
// document out here and only draws the result.
//
// Measures go through PrintMetrics, so nothing here knows a font system.
// All positions are in the device's units with the origin at the paper's
// top left corner; a run's `top` is the top of its line box.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vandrel {

// The two fonts of a printout: the body font for the text, the header font
// for the header and the footer.
enum class PrintFont { kBody, kHeader };

class PrintMetrics {
 public:
  virtual ~PrintMetrics() = default;
  // The advance of `text` in `font`. Body text is the document's bytes;
  // header text is UTF-8.
  virtual double Width(PrintFont font, std::string_view text) const = 0;
  // The distance from one line's top to the next one's.
  virtual double LineHeight(PrintFont font) const = 0;
};

// ---- Header and footer codes ---------------------------------------------------

// What "&F", "&D" and "&T" stand for.
struct PrintFacts {
  std::string fileName;
  std::string date;  // the user's short date format
  std::string time;  // 24-hour form without seconds
};

// One part of a header or footer: pieces of text with the places where the
// page number goes between them (the number is filled in on each page, so a
// "&P" inside a file name never becomes a number).
struct HeaderPart {
  std::vector<std::string> pieces;  // one more than the page-number places
  bool Empty() const;
  std::string ForPage(int page) const;
};

struct HeaderParts {
  HeaderPart left, centre, right;
  bool Empty() const { return left.Empty() && centre.Empty() && right.Empty(); }
};

// Splits header or footer codes into their parts: "&L", "&C" and "&R" send
// what follows to the left, centre or right part (text before any of them
// goes to the centre); "&F", "&D" and "&T" are replaced by `facts`, "&P" by
// the page number later; any other "&" and its character stand as they are.
// Codes ignore case.
HeaderParts ExpandHeaderCodes(std::string_view codes, const PrintFacts& facts);

// ---- What is printed -----------------------------------------------------------

// Lines [first, first + count) of a source.
struct PrintLineRange {
  std::int64_t first = 0;
  std::int64_t count = 0;
};

// The lines of a document as the printout takes them.
struct PrintSource {
  std::string name;                // the document's name ("&F")
  std::vector<std::string> lines;  // the text of each line, without line end
  // The number text of each line ("00100 ", blanks for a line without a
  // number), with numberPosition 1 (before the text) or the 0-based column
  // the numbers stand at after the text; empty or position 0: no numbers.
  std::vector<std::string> numbers;
  std::int32_t numberPosition = 0;
  // The COBOL'85 token of each line; empty when the document has none.
  std::vector<std::string> tokens;
  std::int32_t tabWidth = 8;  // in widths of "A"
  // The lines the window's selection prints, when it has one.
  std::optional<PrintLineRange> selection;
};

// The lines a selection prints, from 0-based places: its first line to its
// last, the last only when the selection ends after its first column (a
// selection from line 3 column 0 to line 7 column 0 prints lines 3 to 6).
PrintLineRange SelectedPrintLines(std::int64_t lineFrom, std::int64_t columnFrom,
                                  std::int64_t lineTo, std::int64_t columnTo);

// ---- The page ------------------------------------------------------------------

struct PrintPageSetup {
  double paperWidth = 0;   // in device units
  double paperHeight = 0;  // in device units
  double unitsPerMm = 1;   // the device's units in a millimetre
  // Left, top, right and bottom, in millimetres from the paper's edge; a
  // negative margin counts as 0.
  std::array<std::int32_t, 4> marginsMm{20, 20, 20, 20};
  std::string header = "&F";
  std::string footer = "Page &P";
};

// The gap between the header (or footer) and the body.
inline constexpr double kHeaderGapMm = 5.0;
// COBOL'85 tokens start this many widths of "A" from the body's left edge.
inline constexpr int kPrintTokenColumn = 75;

struct PrintRect {
  double left = 0, top = 0, right = 0, bottom = 0;
};

// One piece of text at its place. `line` is the source line it belongs to,
// -1 for the header and the footer.
struct PrintRun {
  double x = 0;
  double top = 0;
  std::string text;
  PrintFont font = PrintFont::kBody;
  std::int64_t line = -1;
};

struct PrintPage {
  int number = 1;
  PrintRect body;              // what is left for the lines once header and footer are placed
  std::vector<PrintRun> runs;  // the header's, the footer's, then the lines' in order
  std::int64_t lineCount = 0;  // lines placed on this page
};

struct PrintLayout {
  PrintRect area;  // the paper inside the margins
  std::vector<PrintPage> pages;
};

// Lays out `range` of `source` (a range past the end is cut to it). Each
// page: the header parts at the top left, centre and right of the area, the
// footer's at the bottom, word-wrapped to the area's width; the tallest of
// the six plus kHeaderGapMm is taken off the body's top when the header has
// a part, off its bottom when the footer has one. Lines follow in the body
// font; a line that would pass the body's bottom starts a new page, but
// every page takes at least one line, so margins that leave no room still
// end. No lines give one page with its header and footer.
PrintLayout LayOutPrint(const PrintSource& source, PrintLineRange range,
                        const PrintPageSetup& setup, const PrintFacts& facts,
                        const PrintMetrics& metrics);

// Breaks `text` at blanks into lines no wider than `width` where it can (a
// word wider than that stands alone on its line); "\n" breaks too.
std::vector<std::string> WrapHeaderText(std::string_view text, double width,
                                        const PrintMetrics& metrics);

}  // namespace vandrel
