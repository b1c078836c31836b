// Syntax colouring of the edit control from a template's syntax description
// and keyword lists: block comments (which may run over many lines), a line
// comment marker (anywhere, or only in one column), quoted strings, word
// delimiters and up to four keyword lists, each with its own colour, case
// rule and partial matching.
//
// SyntaxRules is the scanner itself and knows nothing of the widget; the
// lexer feeds it the ranges the widget asks to have styled, line by line,
// carrying "inside a block comment" from one line to the next in the
// widget's per-line state. Only what is about to be shown is styled, so a
// file of a million lines costs nothing until it is scrolled through.
#pragma once

#include <Qsci/qscilexercustom.h>

#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "editor/edit_control.h"

namespace vandrel::ui {

// Style numbers. Quoted strings and plain text share the text style.
inline constexpr int kStyleText = 0;
inline constexpr int kStyleComment = 1;
inline constexpr int kStyleFirstKeyword = 2;  // then one per keyword list, in the order added
inline constexpr int kMaxKeywordLists = 4;

class SyntaxRules {
 public:
  SyntaxRules();

  void SetSyntax(const SyntaxDescription& syntax);
  void ClearKeywordLists();
  // False (and nothing kept) once kMaxKeywordLists lists are held.
  bool AddKeywordList(const KeywordListRecord& record);
  int KeywordListCount() const { return static_cast<int>(lists_.size()); }
  bool HasBlockComments() const { return !blockStart_.empty(); }
  std::uint32_t KeywordColour(int list) const { return lists_[list].colour; }

  // Styles one line (without its line end) into `styles` (one byte per text
  // byte), starting inside a block comment when `inBlockComment`. Returns
  // whether the line ends inside a block comment.
  bool StyleLine(std::string_view line, bool inBlockComment, char* styles) const;

  // The style of a whole word: a keyword list's style, or kStyleText.
  int WordStyle(std::string_view word) const;

 private:
  struct TransparentHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const {
      return std::hash<std::string_view>{}(text);
    }
  };
  struct KeywordList {
    std::unordered_set<std::string, TransparentHash, std::equal_to<>> words;  // and prefixes
    bool caseSensitive = false;
    std::uint32_t colour = 0;
  };

  bool IsDelimiter(unsigned char c) const { return delimiters_[c]; }
  bool MatchesAt(std::string_view line, std::size_t at, std::string_view marker) const;
  std::size_t Find(std::string_view line, std::size_t from, std::string_view marker) const;

  std::string blockStart_;
  std::string blockEnd_;
  std::string lineComment_;
  std::int32_t lineCommentColumn_ = 0;  // 1-based; 0: anywhere
  bool singleQuotes_ = false;
  bool caseSensitive_ = false;
  std::bitset<256> delimiters_;
  std::vector<KeywordList> lists_;
  // Cheap filters before any lookup.
  std::bitset<256> wordStarts_;
  std::size_t shortestWord_ = 0;
  std::size_t longestWord_ = 0;
};

class SyntaxLexer : public QsciLexerCustom {
 public:
  explicit SyntaxLexer(QObject* parent = nullptr);

  const char* language() const override { return "Template"; }
  QString description(int style) const override;
  void styleText(int start, int end) override;

  const SyntaxRules& rules() const { return rules_; }
  void SetSyntax(const SyntaxDescription& syntax);
  void ClearKeywordLists();
  void AddKeywordList(const KeywordListRecord& record);
  // The font and the colours of text and comments; keyword colours come with
  // their lists.
  void SetAppearance(const QFont& font, const QColor& text, const QColor& background,
                     const QColor& comment);
  // Forgets all styling, so that what is shown is styled again by the
  // current rules.
  void Restyle();

 private:
  SyntaxRules rules_;
  QColor text_;
  std::string styles_;  // reused between calls
};

// A colour value of the settings (red in the lowest byte) as a QColor.
QColor ColourOf(std::uint32_t value);

}  // namespace vandrel::ui
