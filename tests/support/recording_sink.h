// A sink that writes down what a language parser reports, as text a test
// compares whole, and a text numbered in columns 73-80 as the host keeps it.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "extensions/common/extension_sdk.h"

namespace vandrel::vdx::testing {

// Each symbol as "category line level name [display] (parameters)", each
// diagnostic as "! line text".
class RecordingSink final : public SymbolSink {
 public:
  void Report(const Symbol& symbol) override {
    std::string entry = std::to_string(symbol.category) + ' ' + std::to_string(symbol.line) + ' ' +
                        std::to_string(symbol.level) + ' ' + symbol.name;
    if (!symbol.displayText.empty()) entry += " [" + symbol.displayText + ']';
    if (!symbol.parameters.empty()) {
      entry += " (";
      for (std::size_t i = 0; i < symbol.parameters.size(); ++i) {
        entry += (i > 0 ? " | " : "") + symbol.parameters[i];
      }
      entry += ')';
    }
    symbols.push_back(entry);
  }
  void Diagnostic(int line, std::string_view text) override {
    diagnostics.push_back("! " + std::to_string(line) + ' ' + std::string(text));
  }
  void Progress(int percent) override {
    EXPECT_GE(percent, 0);
    EXPECT_LE(percent, 100);
    ++progressCalls;
  }

  std::vector<std::string> symbols;
  std::vector<std::string> diagnostics;
  int progressCalls = 0;
};

// The text as kept on the host: each line blank-padded to 72 columns and
// numbered in columns 73-80.
inline std::string Numbered(std::string_view text, bool crlf = false) {
  std::string result;
  int number = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string line(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    line.resize(72, ' ');
    char digits[16];
    std::snprintf(digits, sizeof digits, "%08d", number += 1000);
    result += line + digits + (crlf ? "\r\n" : "\n");
  }
  return result;
}

}  // namespace vandrel::vdx::testing
