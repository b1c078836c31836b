// Output masks: small patterns of literal text and tokens such as
// "$(FileName)($(Line)): $(String)" that tell which lines of a build's output
// are error lines and which file and line each one points at.
//
// A mask is matched against one line of a listing and may reach into the
// lines below it ($(LineBreak)) or above it ($(ScanUp)). ErrorScanner is the
// one matcher: it answers for any line of one listing, and remembers what
// $(ScanUp) found, so that counting the errors of a long listing stays
// linear in its length.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vandrel {
class TemplateCatalogue;
}

namespace vandrel::project {

// The lines a mask is matched against: an output pane or a listing.
class LineSource {
 public:
  virtual ~LineSource() = default;
  virtual std::size_t LineCount() const = 0;
  // Line `index` (below LineCount()) without its line end.
  virtual std::string_view Line(std::size_t index) const = 0;
};

// Lines held as strings.
class LineList final : public LineSource {
 public:
  LineList() = default;
  explicit LineList(std::vector<std::string> lines) : lines_(std::move(lines)) {}
  std::size_t LineCount() const override { return lines_.size(); }
  std::string_view Line(std::size_t index) const override { return lines_[index]; }
  std::vector<std::string>& lines() { return lines_; }

 private:
  std::vector<std::string> lines_;
};

// A mask list entry is stored with at most this many characters.
inline constexpr std::size_t kMaxMaskText = 259;
// The line a search tests is read with at most this many characters...
inline constexpr std::size_t kTestedLineLimit = 1024;
// ...and lines reached by $(LineBreak) and $(ScanUp) with at most this many.
inline constexpr std::size_t kFollowedLineLimit = 2048;

// The tokens, in the order the mask editor lists them.
enum class MaskToken {
  kString,
  kChar,
  kNumber,
  kLineBreak,
  kScanUp,
  kLine,
  kLineNumber,
  kFileName,
  kMpeFile,
  kMpeLine,
  kDosFile,
};
inline constexpr std::array<std::string_view, 11> kMaskTokenNames = {
    "String",     "Char",     "Number",  "LineBreak", "ScanUp", "Line",
    "LineNumber", "FileName", "MpeFile", "MpeLine",   "DosFile"};

// The token named `name` (the text between "$(" and ")"), ignoring case.
std::optional<MaskToken> MaskTokenOf(std::string_view name);

// What file names printed by a compiler are relative to: the host session's
// current directory for $(MpeFile), the current drive letter for $(DosFile)
// (0 when there is none).
struct MaskContext {
  std::string hostDirectory;
  char currentDrive = 0;
};

// Where a matched line points.
struct MaskMatch {
  std::string fileName;      // empty when no file token matched
  std::int64_t line = -1;    // -1 when no line token matched
  bool physicalLine = true;  // false once $(LineNumber) or $(MpeLine) matched

  bool operator==(const MaskMatch&) const = default;
};

// The masks a mask list stands for: an entry that names a template (ignoring
// case) is replaced by that template's compiler output mask. Looked up each
// time the list is used, so changes to the templates take effect at once.
std::vector<std::string> ResolveMasks(std::span<const std::string> entries,
                                      const TemplateCatalogue* catalogue);

// The error lines of one listing: a list of masks matched against its lines,
// for as many lines as the caller asks about, in any order. For every
// $(ScanUp) of every mask it remembers, line by line, the nearest line at or
// above where the rest of the mask matches, so no line is scanned twice for
// the same mask; the answers are those of matching each line on its own.
// The listing must not change while the scanner is in use.
class ErrorScanner {
 public:
  ErrorScanner(const LineSource& lines, std::span<const std::string> masks,
               MaskContext context = {});
  ~ErrorScanner();
  ErrorScanner(const ErrorScanner&) = delete;
  ErrorScanner& operator=(const ErrorScanner&) = delete;

  // The result of the first mask that matches line `index`; nothing for an
  // empty line, a line no mask matches, or an index past the end. The line
  // is read with at most kTestedLineLimit characters; an empty mask never
  // matches.
  //
  // Literals and token names ignore case; a space in the mask skips any
  // white space, none included; white space at the start of a line is
  // skipped. A field token takes the text up to white space, the end of the
  // line or the mask character after it, outside double quotes; an unknown
  // or unclosed token fails the mask. A $(LineBreak) goes on at the start
  // of the next line, and without one the mask has matched. A $(ScanUp)
  // tries the rest of the mask on the line it stands on and then on each
  // line above until the rest matches; each try starts again from what was
  // captured before the $(ScanUp). A $(LineBreak) after a $(ScanUp) goes to
  // the line below the one the scan reached.
  std::optional<MaskMatch> MatchLine(std::size_t index);
  // The number of lines MatchLine finds a match for.
  std::size_t CountErrors();

  bool HasMasks() const { return !masks_.empty(); }
  // How many times a part of a mask has been matched against a line: the
  // measure of the work done, linear in the listing's length.
  std::uint64_t segmentRuns() const { return segmentRuns_; }

 private:
  struct Compiled;
  enum class Outcome { kFail, kMatched, kScanUp };
  struct Run {
    Outcome outcome;
    std::size_t line;  // with kScanUp: the line the $(ScanUp) stands on
  };

  Run RunSegment(const Compiled& mask, std::size_t segment, std::size_t line, std::string_view text,
                 MaskMatch& match);
  std::int64_t NearestMatch(Compiled& mask, std::size_t segment, std::size_t from);
  std::optional<MaskMatch> MatchWith(Compiled& mask, std::size_t index, std::string_view text);

  const LineSource& lines_;
  MaskContext context_;
  std::vector<Compiled> masks_;
  std::uint64_t segmentRuns_ = 0;
};

}  // namespace vandrel::project
