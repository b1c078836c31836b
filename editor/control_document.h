// The document of one edit control: what the control means, apart from how
// it shows it. The view holds the text and its styling; this object holds
// everything else the control's messages answer from – the per-line data
// (numbers, tokens, marks, links; see LineMetadata), the tab stops, the
// numbering and the COBOL'85 token text – and turns load and save requests
// into text and back, in bulk.
//
// The view calls Load once and shows the text it returns, reports every
// change of its lines to lines() (InsertLines, DeleteLines, MarkChanged),
// and hands its whole text to Save, MeasureLongestLine and WriteText. Its
// text separates lines with '\n' only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "documents/load_request.h"
#include "documents/save_request.h"
#include "editor/edit_control.h"
#include "editor/line_metadata.h"
#include "editor/load_request_reader.h"
#include "editor/save_request_writer.h"

namespace vandrel {

class ControlDocument {
 public:
  // [33] Reads the document the request names. On success the line data
  // describes the returned text; on failure nothing changes.
  LoadOutcome Load(const LoadRequest& request);
  // The same over the data bytes (from the data start).
  LoadOutcome LoadData(std::span<const std::uint8_t> data, const LoadRequest& request);

  // [18] Writes `text` with the line data to the request's file.
  SaveOutcome Save(std::string_view text, const SaveRequest& request) const;
  // The same into `sink`.
  SaveOutcome Save(std::string_view text, const SaveRequest& request, ByteSink& sink) const;
  // [21] The plain text copy into `fd`.
  bool WriteText(std::string_view text, int fd) const;
  // [35] The longest line, tabs expanded at the tab stops when `tabsAsSpaces`.
  LongestLine MeasureLongestLine(std::string_view text, bool tabsAsSpaces) const;
  // [31]
  std::int64_t LineCount() const { return lines_.LineCount(); }
  // [26] The text has been saved: changed lines take the token they were
  // written with.
  void TextSaved() { lines_.TextSaved(tokenText_); }

  // [50] The token text for changed lines, kept to kMaxTokenTextLength
  // characters (the token area shows its first kTokenWidth).
  void SetTokenText(std::string_view text);
  const std::string& tokenText() const { return tokenText_; }
  // [22], [53]
  void SetTabWidth(std::int32_t width) { tabs_.width = width; }
  void SetTabPositions(std::int32_t count, const std::int32_t* positions);
  const TabStops& tabs() const { return tabs_; }
  // [39] How numbers are held; null: the text carries no numbers of its own.
  // False for a description that cannot be honoured.
  bool SetNumbering(const NumberingDescription* numbering);
  // [46] kCobolTokenMode keeps columns 73-80 apart as each line's token.
  void SetCobolTokenMode(std::int32_t mode) { lines_.SetTokens(mode & kCobolTokenMode); }

  // Numbers [19, 47, 38], marks [24, 5, 27], links [43, 42, 45] and the
  // view's edits.
  LineMetadata& lines() { return lines_; }
  const LineMetadata& lines() const { return lines_; }

 private:
  SaveSettings Settings() const { return {tabs_, tokenText_}; }

  LineMetadata lines_;
  TabStops tabs_;
  std::string tokenText_;
};

}  // namespace vandrel
