#include "documents/comparable_text.h"

#include <memory>

#include "documents/header_records.h"
#include "platform/ascii_text.h"

namespace vandrel {

namespace {

using platform::IsAsciiBlank;
using platform::IsAsciiDigit;

// Splits plain text at LF, CR LF and lone CR.
void SplitPlainText(std::string_view text, std::vector<std::string>& lines) {
  std::size_t begin = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\n' && text[i] != '\r') continue;
    lines.emplace_back(text.substr(begin, i - begin));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    begin = i + 1;
  }
  if (begin < text.size()) lines.emplace_back(text.substr(begin));
}

ComparableText ReadLoaded(LoadedDocument loaded, const DocumentFormat& format,
                          const std::optional<DocumentNumbering>& numbering) {
  ComparableText result;
  if (!loaded) {
    result.error = loaded.error;
    return result;
  }
  result.numbering = numbering.value_or(format.numbering);
  if (result.numbering.digits <= 0) result.numbering = DocumentNumbering{};

  std::vector<std::string> raw;
  if (format.IsRecordForm()) {
    std::vector<std::uint8_t> record;
    while (true) {
      const RecordRead read = ReadRecord(*loaded.file, record);
      if (read == RecordRead::kEnd) break;
      if (read != RecordRead::kOk) {
        result.damaged = true;
        break;
      }
      raw.emplace_back(record.begin(), record.end());
    }
  } else {
    std::vector<std::uint8_t> bytes;
    if (!ReadToEnd(*loaded.file, bytes)) {
      result.damaged = true;
    } else {
      SplitPlainText({reinterpret_cast<const char*>(bytes.data()), bytes.size()}, raw);
    }
  }
  result.lines.reserve(raw.size());
  for (const std::string& line : raw)
    result.lines.push_back(ComparableLine(line, result.numbering));
  return result;
}

DocumentFormat FormatFor(bool recordForm) {
  DocumentFormat format;
  format.formatFlags = recordForm ? kFormatRecordForm : 0;
  return format;
}

LoadOptions OptionsFor(const std::optional<DocumentNumbering>& numbering) {
  LoadOptions options;
  options.detectLineNumbers = !numbering.has_value();
  return options;
}

}  // namespace

std::string ComparableLine(std::string_view line, const DocumentNumbering& numbering) {
  std::string out(line);
  if (numbering.digits > 0 && numbering.position > 0) {
    const std::size_t at =
        numbering.position == 1 ? 0 : static_cast<std::size_t>(numbering.position);
    const std::size_t digits = static_cast<std::size_t>(numbering.digits);
    if (out.size() >= at + digits) {
      bool allDigits = true;
      for (std::size_t i = at; i < at + digits && allDigits; ++i) allDigits = IsAsciiDigit(out[i]);
      if (allDigits) out.erase(at, digits);
    }
  }
  while (!out.empty() && IsAsciiBlank(out.back())) out.pop_back();
  return out;
}

ComparableText MakeComparableText(std::span<const std::uint8_t> bytes, bool recordForm,
                                  const std::optional<DocumentNumbering>& numbering) {
  DocumentFormat format = FormatFor(recordForm);
  LoadedDocument loaded =
      LoadDocument(std::make_unique<MemorySource>(bytes), format, OptionsFor(numbering));
  return ReadLoaded(std::move(loaded), format, numbering);
}

ComparableText MakeComparableText(std::string_view bytes, bool recordForm,
                                  const std::optional<DocumentNumbering>& numbering) {
  return MakeComparableText(std::span<const std::uint8_t>(
                                reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
                            recordForm, numbering);
}

ComparableText ReadComparableText(const std::filesystem::path& path, bool recordForm,
                                  const std::optional<DocumentNumbering>& numbering) {
  DocumentFormat format = FormatFor(recordForm);
  LoadedDocument loaded = LoadDocument(path, format, OptionsFor(numbering));
  return ReadLoaded(std::move(loaded), format, numbering);
}

}  // namespace vandrel
