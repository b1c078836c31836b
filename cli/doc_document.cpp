#include "cli/doc_document.h"

#include <fmt/format.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "core/app_settings.h"
#include "core/progress.h"
#include "documents/load_request.h"
#include "platform/atomic_replacement.h"
#include "templates/apply_template.h"
#include "templates/catalogue_folders.h"
#include "templates/template_catalogue.h"

namespace vandrel::cli {

namespace {

std::string AttributeErrorText(int code) {
  switch (code) {
    case 1:
      return "a key that matches no header key";
    case 2:
      return "a key given twice";
    case 3:
      return "a required key is missing";
    case 4:
      return "a key without a value";
    case 5:
      return "a value given to a key that takes none";
    default:
      return fmt::format("parser error {}", code);
  }
}

std::string LoadErrorText(const std::string& file, const LoadedDocument& loaded) {
  switch (loaded.error) {
    case LoadError::kOpen: {
      std::error_code error;
      if (!std::filesystem::exists(file, error)) return "no such file";
      return "cannot open the file (not a regular file, not readable, or held open by another "
             "program)";
    }
    case LoadError::kHeaderRead:
      return "a header record is missing or shorter than its length (not a record-form file?)";
    case LoadError::kHeaderTooLong:
      return "a header record is longer than 8190 bytes (not a record-form file?)";
    case LoadError::kNotAHeader:
      return "the first record begins with neither Q nor M: no Qedit or MPE header (not a "
             "record-form file?)";
    case LoadError::kNoMpeHeader:
      return "the Qedit header is not followed by an MPE header";
    case LoadError::kHeaderParse:
      return "a header record is not valid: " + AttributeErrorText(loaded.parseError);
    case LoadError::kLabels:
      return "the user labels cannot be read";
    case LoadError::kNoMemory:
      return "not enough memory";
    case LoadError::kNone:
      break;
  }
  return "cannot load the file";
}

std::string LoadResultText(int code) {
  switch (code) {
    case kLoadResultReadFailed:
      return "the data cannot be read";
    case kLoadResultOutOfMemory:
      return "not enough memory for the text";
    case kLoadResultFormat:
      return "the load request cannot be honoured (check the numbering position and digits)";
    case kLoadResultCorrupted:
      return "the data start cannot be reached: the file appears to be corrupted";
    case kLoadResultCorruptedRecord:
      return "a record runs past the end of the data: the file appears to be corrupted";
    default:
      return fmt::format("the load failed with code {}", code);
  }
}

std::string SaveOutcomeText(const SaveOutcome& outcome, const LineMetadata& lines) {
  const std::int64_t line = outcome.line + 1;
  switch (outcome.result) {
    case SaveResult::kOk:
      return "saved";
    case SaveResult::kWriteFailed:
      return fmt::format("writing failed: {}", std::strerror(errno));
    case SaveResult::kBadRequest:
      return "the save request cannot be honoured";
    case SaveResult::kLineCountMismatch:
      return "the text and the line data disagree";
    case SaveResult::kRecordTooLong:
      return fmt::format("line {} is longer than a record can be (65,535 bytes)", line);
    case SaveResult::kNumberTooWide:
      return fmt::format("the number of line {} does not fit in {} digits", line,
                         lines.numbering().digits);
    case SaveResult::kOverlapsNumbers:
      return fmt::format("line {} reaches into the line numbers at column {}", line,
                         lines.numbering().column);
    case SaveResult::kOverlapsToken:
      return fmt::format("line {} reaches into the COBOL'85 token area (columns 73-80)", line);
  }
  return "the save failed";
}

std::string WriteErrorText(WriteFileError error, const ControlSaveEditor& editor,
                           const ControlDocument& control) {
  switch (error) {
    case WriteFileError::kNone:
      return "written";
    case WriteFileError::kCreate:
      return fmt::format("cannot create the file: {}", std::strerror(errno));
    case WriteFileError::kHeaders:
      return "the header records cannot be written (LW or ACD holds both kinds of quote, or "
             "the MPE header would be too long)";
    case WriteFileError::kControl:
      return SaveOutcomeText(editor.outcome(), control.lines());
    case WriteFileError::kLimit:
      return "the number of data bytes does not fit the eight LIMIT digits";
    case WriteFileError::kClose:
      return fmt::format("closing the file failed: {}", std::strerror(errno));
  }
  return "the file cannot be written";
}

// Writes the document into the open, empty file `fd`; false with the
// message for `target` given.
bool WriteDocumentInto(CliContext& context, const std::string& target, ControlDocument& control,
                       std::string_view text, const DocumentFormat& format, int fd) {
  ControlSaveEditor editor(control, text);
  SilentProgress progress;
  const WriteFileError error = WriteDocumentFile(fd, editor, format, nullptr, progress);
  if (error != WriteFileError::kNone) {
    Fail(context, fmt::format("{}: {}", target, WriteErrorText(error, editor, control)));
    return false;
  }
  return true;
}

}  // namespace

// ---- Option values ---------------------------------------------------------------

std::optional<std::vector<std::int64_t>> ParseNumberList(std::string_view text, std::size_t count) {
  std::vector<std::int64_t> values;
  while (true) {
    const std::size_t comma = text.find(',');
    const std::string_view item = text.substr(0, comma);
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(item.data(), item.data() + item.size(), value);
    if (item.empty() || error != std::errc() || end != item.data() + item.size()) {
      return std::nullopt;
    }
    values.push_back(value);
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  if (values.size() != count) return std::nullopt;
  return values;
}

std::optional<DocumentNumbering> ParsePositionDigits(CliContext& context, std::string_view text,
                                                     std::string_view option) {
  const auto values = ParseNumberList(text, 2);
  if (!values || (*values)[0] < 1 || (*values)[0] > kWidestPosition || (*values)[1] < 1 ||
      (*values)[1] > kMaxNumberDigits) {
    Fail(context, fmt::format("{} takes POS,DIGITS: a position from 1 to {} and 1 to {} digits",
                              option, kWidestPosition, kMaxNumberDigits));
    return std::nullopt;
  }
  DocumentNumbering numbering;
  numbering.position = static_cast<std::int32_t>((*values)[0]);
  numbering.digits = static_cast<std::int32_t>((*values)[1]);
  return numbering;
}

// ---- Loading ---------------------------------------------------------------------

void AddTemplateChoice(CLI::App& command, TemplateChoice& choice, const std::string& templateHelp,
                       const std::string& removeNumbersHelp) {
  auto* byTemplate = command.add_option("--template", choice.name, templateHelp);
  command
      .add_option("--remove-numbers", choice.removeNumbers,
                  removeNumbersHelp + " " + std::string(kPositionHelp))
      ->excludes(byTemplate);
}

bool ApplyChoice(CliContext& context, const TemplateChoice& choice, DocumentFormat& format) {
  if (!choice.name.empty()) {
    TemplateCatalogue catalogue;
    const std::optional<AppSettings> settings = LoadTemplates(context, catalogue);
    if (!settings) return false;
    if (!catalogue.HasTemplate(choice.name)) {
      Fail(context, fmt::format("no template named \"{}\" (see `template list`)", choice.name));
      return false;
    }
    if (ApplyTemplate(catalogue, *settings, choice.name, nullptr, format, kApplyEditing) ==
        kApplyFailed) {
      Fail(context, fmt::format("cannot apply the template \"{}\"", choice.name));
      return false;
    }
    format.templateName = choice.name.substr(0, kTemplateNameField - 1);
  }
  if (!choice.removeNumbers.empty()) {
    const auto given = ParsePositionDigits(context, choice.removeNumbers, "--remove-numbers");
    if (!given) return false;
    DocumentNumbering numbering = *given;
    // The detected start and increment go with the same field.
    if (format.numbering.position == given->position && format.numbering.digits == given->digits) {
      numbering = format.numbering;
    }
    format.numbering = numbering;
    format.editFlags |= kEditRemoveLineNumbers;
    format.editFlags &= ~kEditRenumber;
  }
  return true;
}

std::uint32_t LoadFlags(bool record, bool qedit) {
  if (qedit) return kFormatRecordForm | kFormatQedit;
  return record ? kFormatRecordForm : kFormatLocal;
}

bool OpenDocument(CliContext& context, const std::string& file, std::uint32_t flags,
                  OpenedDocument& out, bool detectLineNumbers) {
  out.format = DocumentFormat{};
  out.format.formatFlags = flags;
  LoadOptions options;
  options.detectLineNumbers = detectLineNumbers;
  out.loaded = LoadDocument(std::filesystem::path(file), out.format, options);
  if (!out.loaded) {
    Fail(context, fmt::format("{}: {}", file, LoadErrorText(file, out.loaded)));
    return false;
  }
  return true;
}

bool ReadIntoControl(CliContext& context, const std::string& file, OpenedDocument& opened,
                     ControlDocument& control, std::string& text) {
  if (opened.format.tabWidth > 0) control.SetTabWidth(opened.format.tabWidth);
  if (!opened.format.tabPositions.empty()) {
    control.SetTabPositions(static_cast<std::int32_t>(opened.format.tabPositions.size()),
                            opened.format.tabPositions.data());
  }
  const LoadRequest request =
      BuildLoadRequest(opened.format, opened.loaded.file.get(), opened.loaded.dataOffset);
  ApplyLoadRequestNumbering(opened.format, request);
  LoadOutcome outcome = control.Load(request);
  if (outcome.code != kLoadResultOk) {
    Fail(context, fmt::format("{}: {}", file, LoadResultText(outcome.code)));
    return false;
  }
  if (outcome.binary) {
    std::fprintf(stderr, "vandrel-cli: %s: the data looks like binary data\n", file.c_str());
  }
  text = std::move(outcome.text);
  return true;
}

// ---- Saving ----------------------------------------------------------------------

DocumentFormat SaveFormatOf(const DocumentFormat& format) {
  DocumentFormat out = format;
  if (!out.IsRecordForm()) {
    out.formatFlags = 0;
    if (out.lineEnds == 0) out.lineEnds = kLineEndCr | kLineEndLf;
  }
  return out;
}

bool ReplaceWithDocument(CliContext& context, const std::string& target, ControlDocument& control,
                         std::string_view text, const DocumentFormat& format) {
  platform::ReplacementOptions options;
  options.prefix = ".zvd";
  std::string error;
  std::optional<platform::AtomicReplacement> replacement =
      platform::AtomicReplacement::Begin(target, &error, options);
  if (!replacement) {
    Fail(context, error);
    return false;
  }
  if (!WriteDocumentInto(context, target, control, text, format, replacement->fd())) return false;
  if (!replacement->Flush(nullptr)) {
    Fail(context, fmt::format("{}: writing failed: {}", target, std::strerror(errno)));
    return false;
  }
  if (!replacement->Commit(nullptr)) {
    Fail(context, fmt::format("{}: cannot replace the file: {}", target, std::strerror(errno)));
    return false;
  }
  return true;
}

std::optional<TemporaryFile> WriteTemporaryDocument(CliContext& context, const std::string& file,
                                                    ControlDocument& control, std::string_view text,
                                                    const DocumentFormat& format) {
  std::optional<TemporaryFile> written = TemporaryFile::Create({}, ".zvd");
  if (!written) {
    Fail(context,
         fmt::format("{}: cannot create a temporary file: {}", file, std::strerror(errno)));
    return std::nullopt;
  }
  if (!WriteDocumentInto(context, file, control, text, format, written->fd())) return std::nullopt;
  if (!written->Close()) {
    Fail(context, fmt::format("{}: writing failed: {}", file, std::strerror(errno)));
    return std::nullopt;
  }
  return written;
}

}  // namespace vandrel::cli
