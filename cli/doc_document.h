// What the `vandrel-cli doc` sub-commands share: a document loaded the way
// the editor loads it (the loader, a template's editing part or numbers given
// by hand, the edit control's load request), and written the way the save
// path writes it, in place of a file or as a temporary copy. Each
// sub-command is a file of its own (cli/doc_*.cpp) that adds itself to the
// `doc` command.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_context.h"
#include "documents/document_format.h"
#include "documents/document_loader.h"
#include "documents/document_writer.h"
#include "documents/save_request.h"
#include "editor/control_document.h"

namespace vandrel::cli {

// ---- Option values -------------------------------------------------------------

// A comma-separated list of exactly `count` whole numbers ("72,8").
std::optional<std::vector<std::int64_t>> ParseNumberList(std::string_view text, std::size_t count);

inline constexpr std::int64_t kWidestPosition = 0xFFFF;
inline constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();

// POS,DIGITS as a document numbering: position 1 at the start of each line,
// 2 or more the 0-based column where the numbers begin at the end. Fails
// (with the message naming `option`) otherwise.
std::optional<DocumentNumbering> ParsePositionDigits(CliContext& context, std::string_view text,
                                                     std::string_view option);

// What POS means, for the options' help.
inline constexpr std::string_view kPositionHelp =
    "POS is the numbering position: 1 for numbers at the start of each line, 2 or more for "
    "the 0-based column where numbers at the end begin (72 for columns 73-80)";

// ---- Loading -------------------------------------------------------------------

struct TemplateChoice {
  std::string name;           // --template
  std::string removeNumbers;  // --remove-numbers POS,DIGITS
};

// Adds --template and --remove-numbers (which exclude each other) to
// `command`, filling `choice`.
void AddTemplateChoice(CLI::App& command, TemplateChoice& choice, const std::string& templateHelp,
                       const std::string& removeNumbersHelp);

// What the editor does to a loaded document before its text is read: the
// template's editing part (which says whether numbers are taken out of the
// text, trimming, COBOL'85 tokens, tabs), or numbers taken out at a position
// given by hand. The numbering itself stays the detected one unless given.
bool ApplyChoice(CliContext& context, const TemplateChoice& choice, DocumentFormat& format);

// The format flags a file is loaded with: a download from an MPE/iX host
// (`record`), of a Qedit file (`qedit`), or a local file.
std::uint32_t LoadFlags(bool record, bool qedit);

struct OpenedDocument {
  DocumentFormat format;
  LoadedDocument loaded;
};

// Loads `file` as the editor does: flags as its caller sets them, line-number
// detection on unless `detectLineNumbers` is false.
bool OpenDocument(CliContext& context, const std::string& file, std::uint32_t flags,
                  OpenedDocument& out, bool detectLineNumbers = true);

// The edit control's load of an opened document; `text` receives its lines.
bool ReadIntoControl(CliContext& context, const std::string& file, OpenedDocument& opened,
                     ControlDocument& control, std::string& text);

// ---- Saving --------------------------------------------------------------------

// The edit control as the save path drives it, over a text held here.
class ControlSaveEditor final : public SaveEditor {
 public:
  ControlSaveEditor(ControlDocument& control, std::string_view text)
      : control_(control), text_(text) {}

  void SetCobolTokenText(std::string_view text) override { control_.SetTokenText(text); }
  LongestLine MeasureLongestLine(bool saveTabsAsSpaces) override {
    return control_.MeasureLongestLine(text_, saveTabsAsSpaces);
  }
  std::int32_t LineCount() override { return static_cast<std::int32_t>(control_.LineCount()); }
  bool WriteSaveRequest(const SaveRequest& request) override {
    outcome_ = control_.Save(text_, request);
    return static_cast<bool>(outcome_);
  }
  bool WriteText(int fd) override { return control_.WriteText(text_, fd); }
  void TextSaved() override { control_.TextSaved(); }

  const SaveOutcome& outcome() const { return outcome_; }

 private:
  ControlDocument& control_;
  std::string_view text_;
  SaveOutcome outcome_;
};

// The format a document is written with: record form with its header records
// as loaded; otherwise plain text, which a local save writes with CR LF when
// the line ends are not known.
DocumentFormat SaveFormatOf(const DocumentFormat& format);

// Replaces `target` with the document written in `format`, atomically and
// through a symbolic link: on failure the target is as it was and no
// temporary file is left.
bool ReplaceWithDocument(CliContext& context, const std::string& target, ControlDocument& control,
                         std::string_view text, const DocumentFormat& format);

// Writes the document into a new temporary file of the system's temporary
// folder, closed; removed when dropped.
std::optional<TemporaryFile> WriteTemporaryDocument(CliContext& context, const std::string& file,
                                                    ControlDocument& control, std::string_view text,
                                                    const DocumentFormat& format);

// ---- The sub-commands ----------------------------------------------------------

void AddInfoCommand(CLI::App& doc, CliContext& context);
void AddToTextCommand(CLI::App& doc, CliContext& context);
void AddToHostCommand(CLI::App& doc, CliContext& context);
void AddRoundTripCommand(CLI::App& doc, CliContext& context);
void AddRenumberCommand(CLI::App& doc, CliContext& context);
void AddFindCommand(CLI::App& doc, CliContext& context);
void AddPrintCommand(CLI::App& doc, CliContext& context);

}  // namespace vandrel::cli
