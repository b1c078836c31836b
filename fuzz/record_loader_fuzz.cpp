// Feeds arbitrary bytes to the document loader (as a record-form download, a
// Qedit download and a plain file) and then to the edit control's load of the
// data, with numbers left in the text, taken out and kept, taken out and
// regenerated, and with COBOL'85 tokens and trimming. Nothing may crash, loop
// or read outside the data, and:
//  - loading from the open source and from the data bytes gives the same;
//  - record form without numbers taken out, tokens or trimming saves back
//    to exactly the data bytes;
//  - with kept numbers or tokens, a save that succeeds gives exactly the data
//    bytes (a line that reaches into the number or token area is refused);
//  - otherwise (regenerated numbers, trimming, plain text, whose line ends
//    are made uniform), a save that the save path's width checks let through
//    loads back to the same text and the same numbers (in plain text an
//    empty last line without a line end, left by trimming, is no line).
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "documents/document_format.h"
#include "documents/document_loader.h"
#include "documents/header_records.h"
#include "documents/load_request.h"
#include "documents/save_request.h"
#include "editor/control_document.h"

using namespace vandrel;

namespace {

struct Variant {
  std::uint32_t editFlags = 0;
  bool ownNumbering = false;  // a numbering chosen from the input, not the detected one
};

constexpr Variant kVariants[] = {
    {0, false},
    {kEditRemoveLineNumbers, false},
    {kEditRemoveLineNumbers, true},
    {kEditRemoveLineNumbers | kEditCobol85, false},
    {kEditCobol85, false},
    {kEditRemoveLineNumbers | kEditRenumber | kEditTrim, false},
    {kEditRemoveLineNumbers | kEditRenumber | kEditTrim | kEditCobol85, true},
    {kEditTrim, false},
};

// The numbers and tokens of `b`'s lines are those of `a`'s first lines, and
// `a` has `extra` lines more.
bool SameLines(const ControlDocument& a, const ControlDocument& b, std::int64_t extra = 0) {
  if (a.LineCount() != b.LineCount() + extra) return false;
  for (std::int64_t i = 0; i < b.LineCount(); ++i) {
    if (a.lines().NumberOfLine(i) != b.lines().NumberOfLine(i)) return false;
    if (a.lines().Token(i) != b.lines().Token(i)) return false;
  }
  return true;
}

// The save path's width rules: numbers at the end must not be overlapped by
// the text, and with COBOL'85 tokens the text and its numbers must end by
// column 72.
bool SavePathAccepts(const ControlDocument& control, const std::string& text,
                     const DocumentFormat& format, const LoadRequest& request) {
  if (!(request.flags & kLoadRequestCobol85)) return true;
  std::int64_t width = control.MeasureLongestLine(text, false).width;
  if (request.flags & kLoadRequestRemoveNumbers) {
    const DocumentNumbering& n = format.numbering;
    if (n.position >= 2) {
      if (width > n.position) return false;
      width = n.position;
    }
    width += n.digits;
  }
  return width <= 72;
}

void CheckVariant(const DocumentFormat& loaded, std::span<const std::uint8_t> data,
                  std::span<const std::uint8_t> whole, std::int64_t dataOffset,
                  const Variant& variant, DocumentNumbering ownNumbering) {
  DocumentFormat format = loaded;
  format.editFlags = variant.editFlags;
  if (variant.ownNumbering) format.numbering = ownNumbering;
  const LoadRequest request = BuildLoadRequest(format, nullptr, 0);

  ControlDocument control;
  const LoadOutcome outcome = control.LoadData(data, request);

  // The same through the open source, from the data offset (once per load:
  // reading the data does not depend on the request's other fields).
  if (&variant == &kVariants[0]) {
    MemorySource source(whole);
    LoadRequest fromFile = BuildLoadRequest(format, &source, dataOffset);
    ControlDocument other;
    const LoadOutcome again = other.Load(fromFile);
    if (again.code != outcome.code || again.text != outcome.text ||
        again.binary != outcome.binary) {
      std::abort();
    }
    if (outcome.code == kLoadResultOk && !SameLines(control, other)) std::abort();
  }
  if (outcome.code != kLoadResultOk) return;
  if (control.LineCount() < 1) std::abort();

  SaveRequest save = BuildSaveRequest(format, -1, 0);
  std::string saved;
  StringSink sink(saved);
  const SaveOutcome result = control.Save(outcome.text, save, sink);

  const bool recordForm = format.IsRecordForm();
  const bool removes = request.flags & kLoadRequestRemoveNumbers;
  const bool regenerates = request.flags & kLoadRequestRenumber;
  const bool trims = request.flags & kLoadRequestTrim;
  const bool tokens = request.flags & kLoadRequestCobol85;
  const std::string_view bytes(reinterpret_cast<const char*>(data.data()), data.size());

  if (recordForm && !removes && !tokens && !trims) {
    if (!result || saved != bytes) std::abort();
    return;
  }
  if (!result) {
    // Only a line that does not fit its areas, or a record grown past the
    // 16-bit length by its number or token, may be refused.
    if (result.result != SaveResult::kOverlapsNumbers &&
        result.result != SaveResult::kOverlapsToken &&
        result.result != SaveResult::kNumberTooWide &&
        result.result != SaveResult::kRecordTooLong) {
      std::abort();
    }
    return;
  }
  if (recordForm && !regenerates && !trims) {
    if (saved != bytes) std::abort();
    return;
  }
  // Lines whose numbers or tokens would cross into each other's area are
  // refused by the save path's width checks before the control writes
  // anything; only what it lets through has to load back the same.
  if (!SavePathAccepts(control, outcome.text, format, request)) return;
  ControlDocument reloaded;
  const std::span<const std::uint8_t> savedBytes(
      reinterpret_cast<const std::uint8_t*>(saved.data()), saved.size());
  const LoadOutcome back = reloaded.LoadData(savedBytes, request);
  // In plain text an empty last line without a line end (left by trimming a
  // last line of blanks) is written as nothing, so it is no line when loaded
  // again; a number written for it keeps it a line.
  std::string_view expected = outcome.text;
  std::int64_t extra = 0;
  if (!recordForm && !control.lines().finalLineEnd() && expected.ends_with('\n') &&
      back.text != expected) {
    expected.remove_suffix(1);
    extra = 1;
  }
  if (back.code != kLoadResultOk || back.text != expected) std::abort();
  if (!SameLines(control, reloaded, extra)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> whole(data, size);
  // A numbering of the input's choosing, from its last two bytes.
  DocumentNumbering own;
  if (size >= 2) {
    own.position = data[size - 1] % 90;
    own.digits = 1 + data[size - 2] % 18;
    own.start = data[size - 2];
    own.increment = data[size - 1] % 7;
  }
  for (const std::uint32_t flags : {kFormatRecordForm, kFormatRecordForm | kFormatQedit, 0u}) {
    DocumentFormat format;
    format.formatFlags = flags;
    LoadOptions options;
    LoadedDocument loaded = LoadDocument(std::make_unique<MemorySource>(whole), format, options);
    if (!loaded) {
      if (!format.mpe.labelBlock.empty() || !format.mpe.acd.empty()) std::abort();
      continue;
    }
    if (loaded.dataOffset < 0 || static_cast<std::size_t>(loaded.dataOffset) > size) std::abort();
    if (loaded.file->Position() != loaded.dataOffset) std::abort();
    // The header block the save path writes reads back to the same values.
    if (format.IsRecordForm()) {
      if (const auto block = BuildHeaderBlock(format)) {
        DocumentFormat again;
        again.formatFlags = kFormatRecordForm;
        LoadedDocument reread =
            LoadDocument(std::make_unique<MemorySource>(block->bytes), again, options);
        if (!reread || static_cast<std::size_t>(reread.dataOffset) != block->bytes.size()) {
          std::abort();
        }
        MpeHeader expected = format.mpe;
        expected.mver = 1;
        QeditHeader expectedQedit = format.qedit;
        if (format.IsQedit()) expectedQedit.qver = 1;
        if (!(again.mpe == expected) || !(again.qedit == expectedQedit) ||
            again.formatFlags != format.formatFlags) {
          std::abort();
        }
      }
    }
    const auto rest = whole.subspan(static_cast<std::size_t>(loaded.dataOffset));
    for (const Variant& variant : kVariants) {
      CheckVariant(format, rest, whole, loaded.dataOffset, variant, own);
    }
  }
  return 0;
}
