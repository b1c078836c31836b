#include "templates/catalogue_folders.h"
#include "cli/doc_commands.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "cli/json_text.h"
#include "core/app_settings.h"
#include "core/message_box.h"
#include "core/progress.h"
#include "core/settings_store.h"
#include "documents/document_format.h"
#include "documents/document_loader.h"
#include "documents/line_numbers.h"
#include "documents/load_request.h"
#include "documents/renumber_model.h"
#include "documents/save_request.h"
#include "documents/temporary_file.h"
#include "editor/control_document.h"
#include "platform/install_paths.h"
#include "templates/apply_template.h"
#include "templates/template_catalogue.h"

namespace vandrel::cli {

namespace {

// ---- Option values ------------------------------------------------------------

// A comma-separated list of exactly `count` whole numbers ("72,8").
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

constexpr std::int64_t kWidestPosition = 0xFFFF;
constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();

// POS,DIGITS as a document numbering: position 1 at the start of each line,
// 2 or more the 0-based column where the numbers begin at the end.
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

// ---- Settings and templates ---------------------------------------------------

struct TemplateChoice {
  std::string name;           // --template
  std::string removeNumbers;  // --remove-numbers POS,DIGITS
};

// What the editor does to a loaded document before its text is read: the
// template's editing part (which says whether numbers are taken out of the
// text, trimming, COBOL'85 tokens, tabs), or numbers taken out at a position
// given by hand. The numbering itself stays the detected one unless given.
bool ApplyChoice(CliContext& context, const TemplateChoice& choice, DocumentFormat& format) {
  if (!choice.name.empty()) {
    AppSettings settings;
    const std::optional<AppSettings> loaded = LoadSettings(context);
    if (!loaded) return false;
    settings = *loaded;
    TemplateCatalogue catalogue;
    if (!catalogue.LoadCatalogue(CatalogueFoldersOf(settings), nullptr)) {
      Fail(context, "cannot load the templates");
      return false;
    }
    if (!catalogue.HasTemplate(choice.name)) {
      Fail(context, fmt::format("no template named \"{}\" (see `template list`)", choice.name));
      return false;
    }
    if (ApplyTemplate(catalogue, settings, choice.name, nullptr, format, kApplyEditing) ==
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

// ---- Loading ------------------------------------------------------------------

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

std::uint32_t LoadFlags(bool record, bool qedit) {
  if (qedit) return kFormatRecordForm | kFormatQedit;
  return record ? kFormatRecordForm : kFormatLocal;
}

struct OpenedDocument {
  DocumentFormat format;
  LoadedDocument loaded;
};

// Loads `file` as the editor does: flags as its caller sets them, line-number
// detection on.
bool OpenDocument(CliContext& context, const std::string& file, std::uint32_t flags,
                  OpenedDocument& out, bool detectLineNumbers = true) {
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

// The edit control's load of an opened document.
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

// ---- Saving -------------------------------------------------------------------

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

class SilentProgress final : public ProgressReporter {
 public:
  void ShowStatus(std::string_view) override {}
  void SetProgress(int) override {}
  void ClearProgress() override {}
};

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

// The format a document is written with: record form with its header records
// as loaded; otherwise plain text, which a local save writes with CR LF when
// the line ends are not known.
DocumentFormat SaveFormatOf(const DocumentFormat& format) {
  DocumentFormat out = format;
  if (!out.IsRecordForm()) {
    out.formatFlags = 0;
    if (out.lineEnds == 0) out.lineEnds = kLineEndCr | kLineEndLf;
  }
  return out;
}

// Writes the document into a new temporary file in `folder`.
std::optional<TemporaryFile> WriteDocument(CliContext& context, const std::string& target,
                                           ControlDocument& control, std::string_view text,
                                           const DocumentFormat& format,
                                           const std::filesystem::path& folder) {
  std::optional<TemporaryFile> file = TemporaryFile::Create(folder, ".zvd");
  if (!file) {
    Fail(context,
         fmt::format("{}: cannot create a temporary file: {}", target, std::strerror(errno)));
    return std::nullopt;
  }
  ControlSaveEditor editor(control, text);
  SilentProgress progress;
  const WriteFileError error = WriteDocumentFile(*file, editor, format, nullptr, progress);
  if (error != WriteFileError::kNone) {
    Fail(context, fmt::format("{}: {}", target, WriteErrorText(error, editor, control)));
    return std::nullopt;
  }
  return file;
}

mode_t DefaultFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// Replaces `target` with the written file: flushed, given the target's mode,
// renamed over it, the folder flushed. On failure the target is untouched and
// the temporary file removed.
bool ReplaceWith(CliContext& context, TemporaryFile& file, const std::filesystem::path& target) {
  struct stat existing {};
  const mode_t mode =
      ::stat(target.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : DefaultFileMode();
  if (::fsync(file.fd()) != 0 || ::fchmod(file.fd(), mode) != 0 || !file.Close()) {
    Fail(context, fmt::format("{}: writing failed: {}", target.string(), std::strerror(errno)));
    return false;
  }
  if (::rename(file.path().c_str(), target.c_str()) != 0) {
    Fail(context,
         fmt::format("{}: cannot replace the file: {}", target.string(), std::strerror(errno)));
    return false;
  }
  file.Keep();
  std::filesystem::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
  return true;
}

std::filesystem::path FolderOf(const std::filesystem::path& file) {
  const std::filesystem::path folder = file.parent_path();
  return folder.empty() ? std::filesystem::path(".") : folder;
}

// ---- doc info -----------------------------------------------------------------

std::string FlagsText(std::uint32_t flags) {
  std::vector<std::string> names;
  if (flags & kFormatRecordForm) names.push_back("record form");
  if (flags & kFormatQedit) names.push_back("Qedit");
  if (flags & kFormatLocal) names.push_back("local file");
  std::string out;
  for (const auto& name : names) out += (out.empty() ? "" : ", ") + name;
  return out.empty() ? "plain text" : out;
}

std::string LineEndsText(std::uint32_t lineEnds) {
  if ((lineEnds & kLineEndCr) && (lineEnds & kLineEndLf)) return "CR LF";
  if (lineEnds & kLineEndLf) return "LF";
  if (lineEnds & kLineEndCr) return "CR";
  return "not known";
}

void Info(CliContext& context, const std::string& file, bool record, bool qedit, bool json) {
  OpenedDocument opened;
  if (!OpenDocument(context, file, LoadFlags(record, qedit), opened)) return;
  const DocumentFormat& f = opened.format;
  const MpeHeader& m = f.mpe;
  const QeditHeader& q = f.qedit;
  const DocumentNumbering& n = f.numbering;
  if (json) {
    std::string out =
        fmt::format("{{\"flags\":{},\"lineEnds\":{},\"mpe\":", f.formatFlags, f.lineEnds);
    if (f.IsRecordForm()) {
      out += fmt::format(
          "{{\"MVER\":{},\"FCODE\":{},\"LW\":{},\"RECLEN\":{},\"BFACT\":{},\"TYPE\":{},"
          "\"MODE\":{},\"EOF\":{},\"LIMIT\":{},\"#L\":{},\"M#L\":{},\"CCTL\":{},\"ACD\":{}}}",
          m.mver, m.fcode, JsonString(m.lw), m.reclen, m.bfact, m.type, m.mode, m.eof, m.limit,
          m.labels, m.maxLabels, m.cctl, JsonString(m.acd));
    } else {
      out += "null";
    }
    out += ",\"qedit\":";
    if (f.IsQedit()) {
      out +=
          fmt::format("{{\"QVER\":{},\"LANG\":{},\"RECLEN\":{},\"EOF\":{},\"LNL\":{},\"LNJ\":{}}}",
                      q.qver, q.lang, q.reclen, q.eof, q.lnl, q.lnj);
    } else {
      out += "null";
    }
    out += fmt::format(
        ",\"labels\":{},\"numbering\":{{\"position\":{},\"digits\":{},\"start\":{},"
        "\"increment\":{}}}}}",
        m.labelBlock.size(), n.position, n.digits, n.start, n.increment);
    std::printf("%s\n", out.c_str());
    return;
  }
  std::printf("file: %s\n", file.c_str());
  std::printf("format flags: %u (%s)\n", f.formatFlags, FlagsText(f.formatFlags).c_str());
  std::printf("data start: %lld\n", static_cast<long long>(opened.loaded.dataOffset));
  if (!f.IsRecordForm()) std::printf("line ends: %s\n", LineEndsText(f.lineEnds).c_str());
  if (f.IsQedit()) {
    std::printf("Qedit header: QVER=%d LANG=%d RECLEN=%d EOF=%d LNL=%d LNJ=%d\n", q.qver, q.lang,
                q.reclen, q.eof, q.lnl, q.lnj);
  }
  if (f.IsRecordForm()) {
    std::printf(
        "MPE header: MVER=%d FCODE=%d LW=%s RECLEN=%d BFACT=%d TYPE=%d MODE=%d EOF=%d "
        "LIMIT=%d #L=%d M#L=%d CCTL=%d ACD=%s\n",
        m.mver, m.fcode, JsonString(m.lw).c_str(), m.reclen, m.bfact, m.type, m.mode, m.eof,
        m.limit, m.labels, m.maxLabels, m.cctl, JsonString(m.acd).c_str());
    std::printf("labels: %zu bytes\n", m.labelBlock.size());
  }
  if (n.position == 0) {
    std::printf("numbering: none\n");
  } else {
    std::printf("numbering: position %d (%s), digits %d, start %d, increment %d\n", n.position,
                n.position == 1 ? "at the start"
                                : fmt::format("columns {}-{}", n.position + 1,
                                              std::int64_t{n.position} + n.digits)
                                      .c_str(),
                n.digits, n.start, n.increment);
  }
}

// ---- doc totext -----------------------------------------------------------------

}  // namespace

bool ReadDocumentText(CliContext& context, const std::string& file, bool record,
                      std::string& text) {
  OpenedDocument opened;
  if (!OpenDocument(context, file, LoadFlags(record, false), opened, false)) return false;
  ControlDocument control;
  return ReadIntoControl(context, file, opened, control, text);
}

namespace {

void ToText(CliContext& context, const std::string& file, bool record, const TemplateChoice& choice,
            bool numbers) {
  OpenedDocument opened;
  if (!OpenDocument(context, file, LoadFlags(record, false), opened)) return;
  if (!ApplyChoice(context, choice, opened.format)) return;
  ControlDocument control;
  std::string text;
  if (!ReadIntoControl(context, file, opened, control, text)) return;
  if (!numbers) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    return;
  }
  const LineMetadata& lines = control.lines();
  const bool fileNumbers = lines.numbering().mode != NumberingMode::kNone;
  const int width = fileNumbers ? 0 : static_cast<int>(std::to_string(lines.LineCount()).size());
  std::string out;
  std::size_t at = 0;
  for (std::int64_t i = 0; i < lines.LineCount(); ++i) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    if (fileNumbers) {
      const std::int64_t number = lines.NumberOfLine(i);
      if (number == kNoLineNumber) {
        out.append(static_cast<std::size_t>(
                       LineNumberFieldWidth(opened.format.activeNumbering.digits,
                                            opened.format.editFlags & kEditMpeLineNumberFormat) +
                       1),
                   ' ');
      } else {
        out += FormatLineNumber(opened.format, number);
      }
    } else {
      out += fmt::format("{:>{}} ", i + 1, width);
    }
    out.append(text, at, end - at);
    out += '\n';
    at = end + 1;
    if (out.size() > (1 << 20)) {
      std::fwrite(out.data(), 1, out.size(), stdout);
      out.clear();
    }
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
}

// ---- doc tohost -----------------------------------------------------------------

struct ToHostOptions {
  std::string text;
  std::string out;
  std::int32_t fcode = 0;
  std::int32_t reclen = 0;
  std::int32_t type = 0;
  std::int32_t mode = 1;
  std::optional<std::int32_t> qeditLanguage;
  std::string numbers;  // POS,DIGITS,START,INC
};

void ToHost(CliContext& context, const ToHostOptions& options) {
  // The text as the editor reads a local file.
  OpenedDocument opened;
  if (!OpenDocument(context, options.text, kFormatLocal, opened)) return;
  ControlDocument control;
  std::string text;
  if (!ReadIntoControl(context, options.text, opened, control, text)) return;

  DocumentFormat format;
  format.formatFlags = kFormatRecordForm;
  DocumentNumbering numbering;
  if (!options.numbers.empty()) {
    const auto values = ParseNumberList(options.numbers, 4);
    if (!values || (*values)[0] < 1 || (*values)[0] > kWidestPosition || (*values)[1] < 1 ||
        (*values)[1] > kMaxNumberDigits || (*values)[2] < 0 || (*values)[2] > kInt32Max ||
        (*values)[3] < 1 || (*values)[3] > kInt32Max) {
      return Fail(context, fmt::format("--numbers takes POS,DIGITS,START,INC: a position from 1 "
                                       "to {}, 1 to {} digits, a start of 0 or more and an "
                                       "increment of 1 or more",
                                       kWidestPosition, kMaxNumberDigits));
    }
    numbering = {static_cast<std::int32_t>((*values)[0]), static_cast<std::int32_t>((*values)[1]),
                 static_cast<std::int32_t>((*values)[2]), static_cast<std::int32_t>((*values)[3])};
    NumberingDescription description;
    description.mode = kNumberingRenumber;
    description.digits = numbering.digits;
    description.position = numbering.position - 1;
    description.start = numbering.start;
    description.increment = numbering.increment;
    if (!control.SetNumbering(&description)) {
      return Fail(context, "--numbers: the numbering cannot be used");
    }
    format.numbering = numbering;
    format.activeNumbering = numbering;
    format.editFlags |= kEditRemoveLineNumbers | kEditRenumber;
  }

  // The widest record, as the save path measures it.
  const LongestLine longest = control.MeasureLongestLine(text, false);
  std::int64_t width = longest.width;
  if (numbering.position >= 2) {
    if (width > numbering.position) {
      return Fail(context, fmt::format("line {} overlaps the line numbers at column {}",
                                       longest.line + 1, numbering.position));
    }
    width = numbering.position;
  }
  if (numbering.position != 0) width += numbering.digits;

  // A single empty line without a line end is a file of no records.
  const std::int64_t records = text.empty() && !control.lines().finalLineEnd()
                                   ? 0
                                   : static_cast<std::int64_t>(control.LineCount());
  if (records > 99'999'999) return Fail(context, "too many lines for the EOF and LIMIT values");
  const auto count = static_cast<std::int32_t>(records);

  MpeHeader& m = format.mpe;
  m.mver = 1;
  m.fcode = options.fcode;
  m.reclen = options.reclen;
  m.bfact = 1;
  m.type = options.type;
  m.mode = options.mode;
  m.eof = count;
  m.limit = std::max(count, 1);
  if (options.qeditLanguage) {
    format.formatFlags |= kFormatQedit;
    QeditHeader& q = format.qedit;
    q.qver = 1;
    q.lang = *options.qeditLanguage;
    q.reclen = options.reclen;
    q.eof = count;
    q.lnl = numbering.digits;
    q.lnj = numbering.position == 1 ? 1 : 0;
    if (width > q.reclen) {
      return Fail(context, fmt::format("the widest record ({} bytes) exceeds the Qedit record "
                                       "length {}",
                                       width, q.reclen));
    }
  } else if (m.type == 0 && width > m.reclen) {
    return Fail(context, fmt::format("the widest record ({} bytes, line {}) exceeds the fixed "
                                     "record length {}; give a larger --reclen",
                                     width, longest.line + 1, m.reclen));
  }

  const std::filesystem::path target(options.out);
  auto file = WriteDocument(context, options.out, control, text, format, FolderOf(target));
  if (!file) return;
  ReplaceWith(context, *file, target);
}

// ---- doc roundtrip ----------------------------------------------------------------

bool ReadFileBytes(const std::filesystem::path& path, std::vector<std::uint8_t>& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

void RoundTrip(CliContext& context, const std::string& file, bool record,
               const TemplateChoice& choice) {
  OpenedDocument opened;
  if (!OpenDocument(context, file, LoadFlags(record, false), opened)) return;
  if (!ApplyChoice(context, choice, opened.format)) return;
  ControlDocument control;
  std::string text;
  if (!ReadIntoControl(context, file, opened, control, text)) return;
  auto written = WriteDocument(context, file, control, text, SaveFormatOf(opened.format),
                               std::filesystem::path());
  if (!written) return;

  std::vector<std::uint8_t> expected;
  std::vector<std::uint8_t> found;
  if (!ReadFileBytes(file, expected) || !ReadFileBytes(written->path(), found)) {
    return Fail(context, fmt::format("{}: cannot read the files back to compare them", file));
  }
  const std::size_t common = std::min(expected.size(), found.size());
  std::size_t at = 0;
  while (at < common && expected[at] == found[at]) ++at;
  if (at == common && expected.size() == found.size()) {
    std::printf("%s: identical (%zu bytes, %lld lines)\n", file.c_str(), expected.size(),
                static_cast<long long>(control.LineCount()));
    return;
  }
  const auto byteText = [](const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    return offset < bytes.size() ? fmt::format("0x{:02X}", bytes[offset]) : std::string("end");
  };
  std::printf("%s: differs at byte %zu: expected %s, found %s (%zu bytes read, %zu written)\n",
              file.c_str(), at, byteText(expected, at).c_str(), byteText(found, at).c_str(),
              expected.size(), found.size());
  context.exitCode = 1;
}

// ---- doc renumber -------------------------------------------------------------------

struct RenumberOptions {
  std::string file;
  bool record = false;
  std::string removeNumbers;
  std::int64_t start = 0;
  std::int64_t increment = 0;
  std::optional<std::int64_t> from;
  std::optional<std::int64_t> to;
};

void Renumber(CliContext& context, const RenumberOptions& options) {
  OpenedDocument opened;
  if (!OpenDocument(context, options.file, LoadFlags(options.record, false), opened)) return;
  TemplateChoice choice;
  choice.removeNumbers = options.removeNumbers;
  if (!ApplyChoice(context, choice, opened.format)) return;
  DocumentFormat& format = opened.format;
  if (format.numbering.position == 0 || format.numbering.digits == 0) {
    return Fail(context, fmt::format("{}: no line numbers found (give --remove-numbers POS,DIGITS)",
                                     options.file));
  }
  // The numbers are taken out of the text and each line keeps its own.
  format.editFlags |= kEditRemoveLineNumbers;
  format.editFlags &= ~kEditRenumber;
  ControlDocument control;
  std::string text;
  if (!ReadIntoControl(context, options.file, opened, control, text)) return;

  LineMetadata& lines = control.lines();
  if (lines.LineCount() > kInt32Max) return Fail(context, "too many lines");
  RenumberModel model(MakeRenumberInput(format, static_cast<std::int32_t>(lines.LineCount()),
                                        TextSelection{}, false,
                                        [&lines](std::int32_t line) -> std::optional<std::int32_t> {
                                          const std::int64_t number = lines.NumberOfLine(line);
                                          if (number == kNoLineNumber || number > kInt32Max)
                                            return std::nullopt;
                                          return static_cast<std::int32_t>(number);
                                        }));
  if (options.from || options.to) {
    model.ChooseScope(RenumberScope::kRange);
    model.SetFirstLine(options.from.value_or(1));
    model.SetLastLine(options.to.value_or(lines.LineCount()));
  }
  model.SetStart(options.start);
  model.SetIncrement(options.increment);
  model.SetMarkLines(false);
  const RenumberOutcome outcome = model.Accept();
  if (!outcome.accepted()) {
    return Fail(context, fmt::format("{}: {}", options.file, LoadText(outcome.messageId)));
  }
  const RenumberRequest& r = outcome.request;
  if (!lines.Renumber(r.firstLine, r.lastLine, r.start, r.increment, false)) {
    return Fail(context, fmt::format("{}: the numbers do not fit in {} digits", options.file,
                                     format.activeNumbering.digits));
  }
  const std::filesystem::path target(options.file);
  auto file =
      WriteDocument(context, options.file, control, text, SaveFormatOf(format), FolderOf(target));
  if (!file) return;
  // The loader's hold on the old file ends once the new one is in place.
  if (ReplaceWith(context, *file, target)) {
    std::printf("%s: lines %d-%d numbered %d to %lld\n", options.file.c_str(), r.firstLine + 1,
                r.lastLine + 1, r.start,
                static_cast<long long>(r.start) +
                    static_cast<long long>(r.lastLine - r.firstLine) * r.increment);
  }
}

}  // namespace

void AddDocCommands(CLI::App& app, CliContext& context) {
  auto* command = app.add_subcommand(
      "doc", "load, show, convert, check and renumber documents as the editor does");
  command->require_subcommand(1);
  const std::string positionHelp =
      "POS is the numbering position: 1 for numbers at the start of each line, 2 or more for "
      "the 0-based column where numbers at the end begin (72 for columns 73-80)";

  // info
  struct InfoArgs {
    std::string file;
    bool record = false;
    bool qedit = false;
    bool json = false;
  };
  auto info = std::make_shared<InfoArgs>();
  auto* infoCommand = command->add_subcommand(
      "info",
      "load a file as the editor does, with line-number detection, and print its format record: "
      "format flags, line ends, header values, label bytes and the detected numbering");
  infoCommand->add_option("FILE", info->file, "the file")->required();
  infoCommand->add_flag("--record", info->record,
                        "load as a download from an MPE/iX host (format flags 1: header "
                        "records, then length-prefixed records); otherwise as a local open "
                        "(flags 4)");
  infoCommand->add_flag("--qedit", info->qedit,
                        "load as a download of a Qedit file (file code 111, format flags 3)");
  infoCommand->add_flag(
      "--json", info->json,
      "print JSON: flags, lineEnds, mpe and qedit (the header values by key, or null), labels "
      "(label bytes) and numbering (position, digits, start, increment)");
  infoCommand->callback(
      [&context, info] { Info(context, info->file, info->record, info->qedit, info->json); });

  // totext
  struct TextArgs {
    std::string file;
    bool record = false;
    TemplateChoice choice;
    bool numbers = false;
  };
  auto toText = std::make_shared<TextArgs>();
  auto* textCommand = command->add_subcommand(
      "totext",
      "print the text the editor would show for a file, one line per record or text line");
  textCommand->add_option("FILE", toText->file, "the file")->required();
  textCommand->add_flag("--record", toText->record,
                        "the file is in record form (a download from an MPE/iX host)");
  auto* textTemplate = textCommand->add_option(
      "--template", toText->choice.name,
      "apply this template (by name, from the catalogue) as the editor does before loading: "
      "it decides whether numbers are taken out of the text, trimming and COBOL'85 tokens");
  textCommand
      ->add_option("--remove-numbers", toText->choice.removeNumbers,
                   "take the numbers at POS,DIGITS out of the text, each line keeping its "
                   "own. " +
                       positionHelp)
      ->excludes(textTemplate);
  textCommand->add_flag("--numbers", toText->numbers,
                        "print each line's number in front of it (the line's position when "
                        "no numbers are taken out)");
  textCommand->callback([&context, toText] {
    ToText(context, toText->file, toText->record, toText->choice, toText->numbers);
  });

  // tohost
  auto toHost = std::make_shared<ToHostOptions>();
  auto* hostCommand = command->add_subcommand(
      "tohost",
      "write a text file as a record-form file, as an upload to an MPE/iX host would: a Qedit "
      "header (with --qedit), the MPE header, then one record per line. EOF and LIMIT are the "
      "line count; LIMIT of a byte-stream file (TYPE 9) its number of data bytes");
  hostCommand->add_option("TEXT", toHost->text, "the text file to read")->required();
  hostCommand->add_option("OUT", toHost->out, "the record-form file to write (replaced whole)")
      ->required();
  hostCommand->add_option("--fcode", toHost->fcode, "the MPE file code")->required();
  hostCommand
      ->add_option("--reclen", toHost->reclen,
                   "the record length in bytes; with TYPE 0 (fixed) no line may be longer")
      ->required()
      ->check(CLI::Range(0, 65535));
  hostCommand
      ->add_option("--type", toHost->type,
                   "the record type: 0 fixed, 1 variable, 2 undefined, 9 byte stream")
      ->required();
  hostCommand->add_option("--mode", toHost->mode, "the MPE mode: 0 binary, 1 ASCII (default 1)");
  hostCommand
      ->add_option("--qedit", toHost->qeditLanguage,
                   "write a Qedit file of this language (1 SPL, 2 Fortran, 3 COBOL, 4 RPG, 5 "
                   "Job, 6 Text, 7 Pascal, 8 COBOL'85); its record length is --reclen, LNL and "
                   "LNJ follow --numbers")
      ->check(CLI::Range(0, 8));
  hostCommand->add_option("--numbers", toHost->numbers,
                          "POS,DIGITS,START,INC: number the lines START, START+INC, ... in "
                          "DIGITS digits at POS. " +
                              positionHelp);
  hostCommand->callback([&context, toHost] { ToHost(context, *toHost); });

  // roundtrip
  struct RoundTripArgs {
    std::string file;
    bool record = false;
    TemplateChoice choice;
  };
  auto roundTrip = std::make_shared<RoundTripArgs>();
  auto* tripCommand = command->add_subcommand(
      "roundtrip",
      "load a file and save it unchanged into a temporary file as the editor would (record "
      "form with its header records as loaded, plain text as a local save); exit 0 when the "
      "bytes are identical, else print the first difference and exit 1");
  tripCommand->add_option("FILE", roundTrip->file, "the file")->required();
  tripCommand->add_flag("--record", roundTrip->record, "the file is in record form");
  auto* tripTemplate =
      tripCommand->add_option("--template", roundTrip->choice.name,
                              "apply this template (by name, from the catalogue) before loading");
  tripCommand
      ->add_option(
          "--remove-numbers", roundTrip->choice.removeNumbers,
          "take the numbers at POS,DIGITS out of the text and write them back. " + positionHelp)
      ->excludes(tripTemplate);
  tripCommand->callback([&context, roundTrip] {
    RoundTrip(context, roundTrip->file, roundTrip->record, roundTrip->choice);
  });

  // renumber
  auto renumber = std::make_shared<RenumberOptions>();
  auto* renumberCommand = command->add_subcommand(
      "renumber",
      "renumber a file's line numbers (the detected ones, or those at --remove-numbers) with "
      "the checks of the Edit Line Numbering dialog, and replace the file atomically");
  renumberCommand->add_option("FILE", renumber->file, "the file")->required();
  renumberCommand->add_flag("--record", renumber->record, "the file is in record form");
  renumberCommand->add_option(
      "--remove-numbers", renumber->removeNumbers,
      "the numbers stand at POS,DIGITS (default: as detected). " + positionHelp);
  renumberCommand->add_option("--start", renumber->start, "the first new number")->required();
  renumberCommand->add_option("--increment", renumber->increment, "the step")->required();
  auto* from = renumberCommand->add_option(
      "--from", renumber->from, "the first line to renumber (from 1; default the first)");
  auto* to = renumberCommand->add_option("--to", renumber->to,
                                         "the last line to renumber (default the last)");
  from->needs(to);
  to->needs(from);
  renumberCommand->callback([&context, renumber] { Renumber(context, *renumber); });
}

}  // namespace vandrel::cli
