// What every shipped parser extension shares: a symbol as the language
// parsers produce it, the sink they report to, the adapter that turns symbols
// into records for the editor's callback, and the walk over the source's
// lines. The language parsers themselves know nothing of the binary record,
// so their tests drive them with a recording sink.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "templates/navigator/parser_symbol.h"

#define VDX_EXPORT extern "C" __attribute__((visibility("default")))

namespace vandrel::vdx {

struct Symbol {
  int category = kVdxFunction;
  std::string name;
  std::string alternativeName;
  std::string displayText;  // empty: the editor shows the name
  int line = 0;             // counted from 1
  int level = 0;            // 0 at the top of its category
  std::vector<std::string> parameters;
};

class SymbolSink {
 public:
  virtual ~SymbolSink() = default;
  virtual void Report(const Symbol& symbol) = 0;
  // Something the parser could not understand, at `line`.
  virtual void Diagnostic(int line, std::string_view text) = 0;
  virtual void Progress(int percent) { (void)percent; }
};

// Packs symbols into records and hands them to the editor's callbacks. Texts
// longer than a record field are cut; parameters that do not fit are left
// out whole, never cut in the middle.
class CallbackSink final : public SymbolSink {
 public:
  CallbackSink(VdxSymbolCallback symbol, VdxProgressCallback progress, std::uint32_t user)
      : symbol_(symbol), progress_(progress), user_(user) {}

  void Report(const Symbol& symbol) override;
  void Diagnostic(int line, std::string_view text) override;
  void Progress(int percent) override;

 private:
  void Send();

  VdxSymbolCallback symbol_;
  VdxProgressCallback progress_;
  std::uint32_t user_;
  VdxParserSymbol record_{};
  int lastPercent_ = -1;
};

// One line of the source: its number from 1 and its text without the line
// end (LF, CR LF or a lone CR).
struct SourceLine {
  int number = 0;
  std::string_view text;
};

// The lines of `text`, in order. A final line without a line end counts.
std::vector<SourceLine> SplitLines(std::string_view text);

// Writes `label` into the buffer of VDXGetName; 0 when there is no label
// (empty) or no buffer.
std::int32_t CopyLabel(std::string_view label, char* buffer, std::int32_t size);

// Upper-case copy, ASCII only: the host languages are case-insensitive.
std::string Upper(std::string_view text);
// `text` equals `upper` (written in upper case) in either case, ASCII only.
bool EqualsUpper(std::string_view text, std::string_view upper);

// NUL bytes, or more than one byte in twenty a control character that text
// does not hold: a form file or object code, not a source.
bool LooksLikeBinary(std::string_view text);

inline constexpr std::size_t kSequenceColumn = 72;  // columns 73-80 hold a number
inline constexpr std::size_t kNumberedRecordColumns = 80;

// Most non-empty lines end in a number in columns 73-80 (records of at most
// 80 columns): the file is as it is kept on the host, not as the editor
// shows it.
bool HasTrailingSequenceNumbers(const std::vector<SourceLine>& lines);

// The body of every VDXParseFile: a missing text reads as empty, the
// symbols go to the caller's callbacks, and nothing unwinds into the caller.
using ParseFunction = void (*)(std::string_view text, SymbolSink& sink);
std::int32_t ParseForCaller(ParseFunction parse, const char* text, std::uint32_t length,
                            VdxSymbolCallback symbol, VdxProgressCallback progress,
                            std::uint32_t user);

}  // namespace vandrel::vdx
