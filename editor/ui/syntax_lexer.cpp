#include "editor/ui/syntax_lexer.h"

#include <Qsci/qsciscintilla.h>

#include <algorithm>
#include <cstring>

namespace vandrel::ui {

namespace {

constexpr unsigned char Upper(unsigned char c) {
  return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}
constexpr unsigned char Lower(unsigned char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

std::string Uppercased(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(Upper(static_cast<unsigned char>(c)));
  return out;
}

// Used when a template names no delimiters of its own.
constexpr std::string_view kDefaultDelimiters = ".,;:()[]{}<>=+*/&|!^%~";

// The per-line state bit: the line ends inside a block comment.
constexpr int kLineStateInBlockComment = 1;

}  // namespace

// ---- SyntaxRules ----------------------------------------------------------------

SyntaxRules::SyntaxRules() { SetSyntax(SyntaxDescription{}); }

void SyntaxRules::SetSyntax(const SyntaxDescription& syntax) {
  blockStart_.clear();
  blockEnd_.clear();
  if (syntax.flags & kSyntaxBlockComment) {
    blockStart_ = SyntaxDescription::FieldText(syntax.blockCommentStart);
    blockEnd_ = SyntaxDescription::FieldText(syntax.blockCommentEnd);
    // A comment that cannot end would swallow the rest of the document.
    if (blockEnd_.empty()) blockStart_.clear();
  }
  lineComment_.clear();
  if (syntax.flags & kSyntaxLineComment) {
    lineComment_ = SyntaxDescription::FieldText(syntax.lineComment);
  }
  lineCommentColumn_ = 0;
  if (syntax.flags & kSyntaxLineCommentColumn) {
    // A column at or before 0 lies in the numbers outside the text, where no
    // marker can stand: such a comment never matches.
    lineCommentColumn_ = syntax.lineCommentColumn > 0 ? syntax.lineCommentColumn : -1;
  }
  singleQuotes_ = syntax.flags & kSyntaxSingleQuotes;
  caseSensitive_ = syntax.flags & kSyntaxCaseSensitive;

  delimiters_.reset();
  for (int c = 0; c <= ' '; ++c) delimiters_.set(c);
  delimiters_.set(0x7F);
  std::string_view chosen = SyntaxDescription::FieldText(syntax.delimiters);
  if (chosen.empty()) chosen = kDefaultDelimiters;
  for (char c : chosen) delimiters_.set(static_cast<unsigned char>(c));
}

void SyntaxRules::ClearKeywordLists() {
  lists_.clear();
  wordStarts_.reset();
  shortestWord_ = 0;
  longestWord_ = 0;
}

bool SyntaxRules::AddKeywordList(const KeywordListRecord& record) {
  if (lists_.size() >= static_cast<std::size_t>(kMaxKeywordLists)) return false;
  KeywordList list;
  list.caseSensitive = caseSensitive_ || (record.flags & kKeywordsCaseSensitive);
  list.colour = record.colour;
  const bool partial = record.flags & kKeywordsPartialMatch;
  const std::size_t partialFrom = static_cast<std::size_t>(std::max(record.partialLength, 1));
  for (std::string_view keyword : record.Keywords()) {
    if (keyword.empty()) continue;
    const std::string word = list.caseSensitive ? std::string(keyword) : Uppercased(keyword);
    // With partial matching every abbreviation of at least partialFrom
    // characters is a keyword too.
    const std::size_t shortest = partial ? std::min(partialFrom, word.size()) : word.size();
    for (std::size_t length = shortest; length <= word.size(); ++length) {
      list.words.emplace(word, 0, length);
    }
    const auto first = static_cast<unsigned char>(word[0]);
    wordStarts_.set(first);
    if (!list.caseSensitive) wordStarts_.set(Lower(first));
    shortestWord_ = shortestWord_ == 0 ? shortest : std::min(shortestWord_, shortest);
    longestWord_ = std::max(longestWord_, word.size());
  }
  lists_.push_back(std::move(list));
  return true;
}

int SyntaxRules::WordStyle(std::string_view word) const {
  if (word.empty() || word.size() < shortestWord_ || word.size() > longestWord_ ||
      !wordStarts_[static_cast<unsigned char>(word[0])]) {
    return kStyleText;
  }
  // Keywords are short; longestWord_ bounds the copy.
  std::string upper;
  for (std::size_t i = 0; i < lists_.size(); ++i) {
    const KeywordList& list = lists_[i];
    if (list.caseSensitive) {
      if (list.words.find(word) != list.words.end())
        return kStyleFirstKeyword + static_cast<int>(i);
      continue;
    }
    if (upper.empty()) upper = Uppercased(word);
    if (list.words.find(std::string_view(upper)) != list.words.end()) {
      return kStyleFirstKeyword + static_cast<int>(i);
    }
  }
  return kStyleText;
}

bool SyntaxRules::MatchesAt(std::string_view line, std::size_t at, std::string_view marker) const {
  if (marker.empty() || at > line.size() || line.size() - at < marker.size()) return false;
  if (caseSensitive_) return line.compare(at, marker.size(), marker) == 0;
  for (std::size_t i = 0; i < marker.size(); ++i) {
    if (Upper(static_cast<unsigned char>(line[at + i])) !=
        Upper(static_cast<unsigned char>(marker[i]))) {
      return false;
    }
  }
  return true;
}

std::size_t SyntaxRules::Find(std::string_view line, std::size_t from,
                              std::string_view marker) const {
  if (caseSensitive_) return line.find(marker, from);
  for (std::size_t at = from; at + marker.size() <= line.size(); ++at) {
    if (MatchesAt(line, at, marker)) return at;
  }
  return std::string_view::npos;
}

bool SyntaxRules::StyleLine(std::string_view line, bool inBlockComment, char* styles) const {
  const std::size_t n = line.size();
  std::memset(styles, kStyleText, n);
  auto comment = [&](std::size_t from, std::size_t to) {
    std::memset(styles + from, kStyleComment, to - from);
  };

  std::size_t i = 0;
  if (inBlockComment) {
    const std::size_t end = Find(line, 0, blockEnd_);
    if (blockEnd_.empty() || end == std::string_view::npos) {
      comment(0, n);
      return !blockEnd_.empty();
    }
    i = end + blockEnd_.size();
    comment(0, i);
  }

  // A line comment bound to a column makes the rest of the line a comment
  // from that column on, whatever stands before it.
  std::size_t limit = n;
  if (!lineComment_.empty() && lineCommentColumn_ > 0) {
    const auto at = static_cast<std::size_t>(lineCommentColumn_ - 1);
    if (at >= i && MatchesAt(line, at, lineComment_)) limit = at;
  }
  const bool commentAnywhere = !lineComment_.empty() && lineCommentColumn_ == 0;
  auto isQuote = [&](char c) { return c == '"' || (singleQuotes_ && c == '\''); };

  while (i < limit) {
    const char c = line[i];
    if (!blockStart_.empty() && MatchesAt(line, i, blockStart_)) {
      const std::size_t end = Find(line, i + blockStart_.size(), blockEnd_);
      if (end == std::string_view::npos) {
        comment(i, n);
        return true;
      }
      comment(i, end + blockEnd_.size());
      i = end + blockEnd_.size();
      continue;
    }
    if (commentAnywhere && MatchesAt(line, i, lineComment_)) {
      comment(i, n);
      return false;
    }
    if (isQuote(c)) {
      // Strings show as text; an unclosed one runs to the end of the line.
      const std::size_t close = line.find(c, i + 1);
      i = close == std::string_view::npos ? limit : close + 1;
      continue;
    }
    if (IsDelimiter(static_cast<unsigned char>(c))) {
      ++i;
      continue;
    }
    std::size_t j = i + 1;
    while (j < limit && !IsDelimiter(static_cast<unsigned char>(line[j])) && !isQuote(line[j])) {
      ++j;
    }
    const int style = WordStyle(line.substr(i, j - i));
    if (style != kStyleText) std::memset(styles + i, style, j - i);
    i = j;
  }
  if (limit < n) comment(limit, n);
  return false;
}

// ---- SyntaxLexer ----------------------------------------------------------------

QColor ColourOf(std::uint32_t value) {
  return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                static_cast<int>((value >> 16) & 0xFF));
}

SyntaxLexer::SyntaxLexer(QObject* parent) : QsciLexerCustom(parent), text_(Qt::black) {}

QString SyntaxLexer::description(int style) const {
  switch (style) {
    case kStyleText:
      return QStringLiteral("Normal");
    case kStyleComment:
      return QStringLiteral("Comment");
    default:
      if (style >= kStyleFirstKeyword && style < kStyleFirstKeyword + kMaxKeywordLists) {
        return QStringLiteral("Keyword Style %1").arg(style - kStyleFirstKeyword + 1);
      }
      return {};
  }
}

void SyntaxLexer::SetSyntax(const SyntaxDescription& syntax) {
  rules_.SetSyntax(syntax);
  Restyle();
}

void SyntaxLexer::ClearKeywordLists() {
  rules_.ClearKeywordLists();
  for (int i = 0; i < kMaxKeywordLists; ++i) setColor(text_, kStyleFirstKeyword + i);
  Restyle();
}

void SyntaxLexer::AddKeywordList(const KeywordListRecord& record) {
  if (!rules_.AddKeywordList(record)) return;
  const int list = rules_.KeywordListCount() - 1;
  setColor(ColourOf(record.colour), kStyleFirstKeyword + list);
  Restyle();
}

void SyntaxLexer::SetAppearance(const QFont& font, const QColor& text, const QColor& background,
                                const QColor& comment) {
  text_ = text;
  setDefaultFont(font);
  setDefaultColor(text);
  setDefaultPaper(background);
  setFont(font, -1);
  setPaper(background, -1);
  setColor(text, kStyleText);
  setColor(comment, kStyleComment);
  for (int i = 0; i < kMaxKeywordLists; ++i) {
    setColor(i < rules_.KeywordListCount() ? ColourOf(rules_.KeywordColour(i)) : text,
             kStyleFirstKeyword + i);
  }
}

void SyntaxLexer::Restyle() {
  QsciScintilla* view = editor();
  if (view == nullptr) return;
  // Everything counts as unstyled again; the view asks for what it shows.
  view->SendScintilla(QsciScintillaBase::SCI_STARTSTYLING, 0UL, 0L);
  view->viewport()->update();
}

void SyntaxLexer::styleText(int start, int end) {
  QsciScintilla* view = editor();
  if (view == nullptr || end <= start) return;
  using Base = QsciScintillaBase;
  // Whole lines only: the block-comment state is known at line starts.
  const long firstLine = view->SendScintilla(Base::SCI_LINEFROMPOSITION, start);
  const long lastLine = view->SendScintilla(Base::SCI_LINEFROMPOSITION, end - 1);
  const long lineCount = view->SendScintilla(Base::SCI_GETLINECOUNT);
  const long from = view->SendScintilla(Base::SCI_POSITIONFROMLINE, firstLine);
  const long to = lastLine + 1 < lineCount
                      ? view->SendScintilla(Base::SCI_POSITIONFROMLINE, lastLine + 1)
                      : view->SendScintilla(Base::SCI_GETLENGTH);
  if (to <= from) return;
  const auto length = static_cast<std::size_t>(to - from);
  const char* text = reinterpret_cast<const char*>(view->SendScintilla(
      Base::SCI_GETRANGEPOINTER, static_cast<unsigned long>(from), static_cast<long>(length)));
  if (text == nullptr) return;

  // Without block comments no line carries state over to the next.
  const bool carriesState = rules_.HasBlockComments();
  bool inBlock =
      carriesState && firstLine > 0 &&
      (view->SendScintilla(Base::SCI_GETLINESTATE, firstLine - 1) & kLineStateInBlockComment);
  styles_.resize(length);
  std::size_t at = 0;
  long line = firstLine;
  while (at < length) {
    const void* newline = std::memchr(text + at, '\n', length - at);
    const std::size_t lineEnd =
        newline != nullptr ? static_cast<std::size_t>(static_cast<const char*>(newline) - text)
                           : length;
    inBlock =
        rules_.StyleLine(std::string_view(text + at, lineEnd - at), inBlock, styles_.data() + at);
    if (lineEnd < length) styles_[lineEnd] = inBlock ? kStyleComment : kStyleText;
    if (carriesState)
      view->SendScintilla(Base::SCI_SETLINESTATE, static_cast<unsigned long>(line),
                          static_cast<long>(inBlock ? kLineStateInBlockComment : 0));
    at = lineEnd + 1;
    ++line;
  }
  view->SendScintilla(Base::SCI_STARTSTYLING, static_cast<unsigned long>(from), 0L);
  view->SendScintilla(Base::SCI_SETSTYLINGEX, static_cast<uintptr_t>(length), styles_.data());
}

}  // namespace vandrel::ui
