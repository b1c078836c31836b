// An edit control that records every message it receives, in order: one text
// line per call (for exact-sequence checks) and a copy of every record (for
// field-by-field checks). Keyword blocks are copied, since the sender's
// storage may be gone when the test looks.
#pragma once

#include <fmt/format.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "editor/edit_control.h"

namespace vandrel::testing {

struct RecordedKeywordList {
  std::vector<std::string> keywords;
  std::int32_t count = 0;
  std::uint32_t colour = 0;
  std::uint32_t flags = 0;
  std::int32_t partialLength = 0;
};

class RecordingEditControl : public EditControl {
 public:
  // One line per call, starting with the message number, e.g. "22 tab 4".
  std::vector<std::string> calls;
  // Message numbers in order.
  std::vector<std::uint32_t> messages;
  std::vector<SyntaxDescription> syntaxRecords;
  std::vector<RecordedKeywordList> keywordLists;  // since construction or Reset
  std::vector<std::optional<NumberingDescription>> numberings;
  std::vector<std::vector<std::int32_t>> tabPositionLists;  // the terminator included

  void Reset() { *this = RecordingEditControl(); }

  void SetSyntax(const SyntaxDescription& s) override {
    syntaxRecords.push_back(s);
    Add(kEditMessageSyntax,
        fmt::format("syntax flags=0x{:x} open='{}' close='{}' line='{}' column={} delimiters='{}'",
                    s.flags, SyntaxDescription::FieldText(s.blockCommentStart),
                    SyntaxDescription::FieldText(s.blockCommentEnd),
                    SyntaxDescription::FieldText(s.lineComment), s.lineCommentColumn,
                    SyntaxDescription::FieldText(s.delimiters)));
  }
  void ClearKeywordLists() override { Add(kEditMessageClearKeywordLists, "clear keyword lists"); }
  void AddKeywordList(const KeywordListRecord& r) override {
    RecordedKeywordList list{{}, r.count, r.colour, r.flags, r.partialLength};
    std::string words;
    for (std::string_view word : r.Keywords()) {
      list.keywords.emplace_back(word);
      if (!words.empty()) words += '|';
      words += word;
    }
    keywordLists.push_back(list);
    Add(kEditMessageAddKeywordList,
        fmt::format("keywords count={} colour=0x{:06x} flags=0x{:x} partial={} words={}", r.count,
                    r.colour, r.flags, r.partialLength, words));
  }
  void SetNumbering(const NumberingDescription* n) override {
    if (n == nullptr) {
      numberings.emplace_back();
      Add(kEditMessageNumbering, "numbering none");
      return;
    }
    numberings.emplace_back(*n);
    Add(kEditMessageNumbering,
        fmt::format("numbering mode={} cobol={} digits={} position={} start={} increment={}",
                    n->mode, n->cobol, n->digits, n->position, n->start, n->increment));
  }
  void SetTabWidth(std::int32_t width) override {
    Add(kEditMessageTabWidth, fmt::format("tab {}", width));
  }
  void SetLineLimit(std::uint32_t packed) override {
    Add(kEditMessageLineLimit,
        fmt::format("line limit {} param=0x{:08x}", LineLimitOf(packed), packed));
  }
  void SetOptionBits(std::uint32_t mask, std::uint32_t value) override {
    Add(kEditMessageOptionBits, fmt::format("options mask=0x{:x} value=0x{:x}", mask, value));
  }
  void SetTabPositions(std::int32_t count, const std::int32_t* positions) override {
    std::vector<std::int32_t> list(positions, positions + count + 1);
    std::string text = fmt::format("tab positions count={}:", count);
    for (std::int32_t p : list) text += fmt::format(" {}", p);
    tabPositionLists.push_back(std::move(list));
    Add(kEditMessageTabPositions, text);
  }
  void SetMarginMode(std::int32_t mode) override {
    Add(kEditMessageMarginMode, fmt::format("margin {}", mode));
  }
  void SetCobolTokenMode(std::int32_t mode) override {
    Add(kEditMessageCobolTokens, fmt::format("cobol tokens {}", mode));
  }

 private:
  void Add(std::uint32_t message, const std::string& text) {
    messages.push_back(message);
    calls.push_back(fmt::format("{} {}", message, text));
  }
};

}  // namespace vandrel::testing
