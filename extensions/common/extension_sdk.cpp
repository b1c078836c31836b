#include "extensions/common/extension_sdk.h"

#include <algorithm>
#include <cstring>

namespace vandrel::vdx {

namespace {

bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

bool IsSequenceField(std::string_view field) {
  bool digit = false;
  for (const char c : field) {
    if (IsAsciiDigit(c)) {
      digit = true;
    } else if (c != ' ') {
      return false;
    }
  }
  return digit;
}

void CopyText(std::string_view text, char (&field)[kVdxTextBytes]) {
  const std::size_t count = std::min(text.size(), std::size_t{kVdxTextBytes - 1});
  std::memcpy(field, text.data(), count);
  field[count] = '\0';
}

}  // namespace

void CallbackSink::Report(const Symbol& symbol) {
  // Only the bytes a reader looks at are written: clearing the whole
  // record for every symbol costs more than the parse of a large file.
  record_.reserved = 0;
  record_.category = static_cast<std::uint32_t>(symbol.category);
  CopyText(symbol.name, record_.name);
  CopyText(symbol.alternativeName, record_.alternativeName);
  CopyText(symbol.displayText, record_.displayText);
  record_.line = symbol.line;
  record_.level = symbol.level;
  record_.further = 0;
  // Each parameter with its terminator, and room kept for the final empty text.
  std::size_t at = 0;
  for (const std::string& parameter : symbol.parameters) {
    if (parameter.empty()) continue;
    if (at + parameter.size() + 2 > sizeof record_.parameters) break;
    std::memcpy(record_.parameters + at, parameter.data(), parameter.size());
    record_.parameters[at + parameter.size()] = '\0';
    at += parameter.size() + 1;
  }
  record_.parameters[at] = '\0';
  Send();
}

void CallbackSink::Diagnostic(int line, std::string_view text) {
  record_.reserved = 0;
  record_.category = kVdxDiagnostic;
  record_.name[0] = record_.alternativeName[0] = record_.displayText[0] = '\0';
  record_.line = line;
  record_.level = 0;
  record_.further = 0;
  const std::size_t count = std::min(text.size(), sizeof record_.parameters - 2);
  std::memcpy(record_.parameters, text.data(), count);
  record_.parameters[count] = '\0';
  record_.parameters[count + 1] = '\0';
  Send();
}

void CallbackSink::Progress(int percent) {
  if (progress_ == nullptr || percent == lastPercent_) return;
  lastPercent_ = percent;
  progress_(percent);
}

void CallbackSink::Send() {
  record_.user = user_;
  if (symbol_ != nullptr) symbol_(&record_);
}

std::vector<SourceLine> SplitLines(std::string_view text) {
  std::vector<SourceLine> lines;
  std::size_t start = 0;
  int number = 1;
  while (start < text.size()) {
    std::size_t end = start;
    while (end < text.size() && text[end] != '\n' && text[end] != '\r') ++end;
    lines.push_back({number++, text.substr(start, end - start)});
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') {
      ++end;
    }
    start = end + 1;
  }
  return lines;
}

std::int32_t CopyLabel(std::string_view label, char* buffer, std::int32_t size) {
  if (label.empty() || buffer == nullptr || size <= 0) return 0;
  const std::size_t count = std::min(label.size(), static_cast<std::size_t>(size) - 1);
  std::memcpy(buffer, label.data(), count);
  buffer[count] = '\0';
  return 1;
}

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

bool EqualsUpper(std::string_view text, std::string_view upper) {
  if (text.size() != upper.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != upper[i]) return false;
  }
  return true;
}

bool LooksLikeBinary(std::string_view text) {
  std::size_t controls = 0;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == 0) return true;
    if (byte < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && byte != 0x1b) {
      ++controls;
    }
  }
  return controls * 20 > text.size();
}

bool HasTrailingSequenceNumbers(const std::vector<SourceLine>& lines) {
  std::size_t filled = 0;
  std::size_t numbered = 0;
  for (const SourceLine& line : lines) {
    if (line.text.find_first_not_of(" \t") == std::string_view::npos) continue;
    ++filled;
    if (line.text.size() > kSequenceColumn && line.text.size() <= kNumberedRecordColumns &&
        IsSequenceField(line.text.substr(kSequenceColumn))) {
      ++numbered;
    }
  }
  return numbered > 0 && numbered * 2 >= filled;
}

std::int32_t ParseForCaller(ParseFunction parse, const char* text, std::uint32_t length,
                            VdxSymbolCallback symbol, VdxProgressCallback progress,
                            std::uint32_t user) {
  if (text == nullptr) length = 0;
  try {
    CallbackSink sink(symbol, progress, user);
    parse(std::string_view(text == nullptr ? "" : text, length), sink);
  } catch (...) {
    return 0;
  }
  return 1;
}

}  // namespace vandrel::vdx
