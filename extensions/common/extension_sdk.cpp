#include "extensions/common/extension_sdk.h"

#include <algorithm>
#include <cstring>

namespace vandrel::vdx {

namespace {

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

}  // namespace vandrel::vdx
