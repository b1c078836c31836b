// "=FIND_INFILES": searches files of the tree for a text and streams every
// line that holds it to the client over a data connection, one result line
// each, "<host path>(<line>): <text>", then the summary line
// "Found N occurrence(s) in M file(s).". The editor finds the file name of a
// result as the text before the last "(" that precedes the first "): ", so
// no other line the search writes contains "): ", and files whose host path
// does (or holds a line break) are passed over.
//
// The files searched are those of a directory (and of its sub-directories
// on request) whose names match the file types, or those a list file names.
// Binary files (a zero byte in their first 8 KB), the attribute store and
// upload temporaries are never searched, and nothing outside the tree is
// reached: symbolic links to files are followed only when they stay inside,
// links to directories are not descended into.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "agent/server_options.h"
#include "agent/session.h"
#include "agent/transfer_commands.h"

namespace vandrel::agent {

enum FindFlags : long {
  kFindMatchCase = 0x1,
  kFindSubdirectories = 0x2,
  kFindListFile = 0x8,  // the directory argument names a file listing the files
  kFindShowProgress = 0x10,
  kFindWholeWord = 0x20,
};

// The longest text to find, and the longest line text a result shows.
inline constexpr std::size_t kMaxSearchText = 1023;
inline constexpr std::size_t kMaxResultText = 1000;

// "port maxPacket flags \"directory\" \"file types\" text": the text to find
// is the rest of the line after one blank, blanks included. With flag 8 the
// directory is a file of host paths, one a line: an upload the session kept
// (its reply's name) or a file of the tree. The reply is "0" once the
// results and the end packet are sent; an abort answers 103.
Outcome RunFindInFiles(const TransferContext& context, std::string_view arguments);

// The file types of a search: wildcard patterns separated by ';', ',' or
// blanks, matched against file names. No pattern, "*" or "*.*" takes every
// file. In the MPE personality "@" stands for any run of characters and
// letters match either case.
class FileTypes {
 public:
  FileTypes(std::string_view list, Personality personality);
  bool Matches(std::string_view name) const;

 private:
  std::vector<std::string> patterns_;
  bool everyFile_ = false;
  unsigned wildcardFlags_ = 0;
};

// The text to find, with its case and whole-word rules. A whole word is
// neither preceded nor followed by a letter, digit or underscore.
class TextFinder {
 public:
  TextFinder(std::string_view text, bool matchCase, bool wholeWord);

  std::size_t size() const { return text_.size(); }
  bool wholeWord() const { return wholeWord_; }

  // The first occurrence in `text` starting at or after `from` whose
  // surroundings are known: text[from - 1] is taken as the character before
  // `from` (at 0 the line starts there). An occurrence that ends where
  // `text` ends counts only when the line ends there too (`endsLine`) or
  // when whole words are not asked for. npos when there is none so far.
  std::size_t Find(std::string_view text, std::size_t from, bool endsLine) const;

 private:
  // The first place at or after `from` where the text stands, case as asked.
  std::size_t Search(std::string_view text, std::size_t from) const;

  std::string text_;  // lower-cased when case does not matter
  bool matchCase_;
  bool wholeWord_;
  std::size_t shift_[256];  // Horspool's shift for the byte under the text's last place
};

// Finds the lines of a stream that hold the text. The stream is fed in
// pieces of any size; the matching lines are reported with their 1-based
// physical line number and their text (line end dropped, cut to
// kMaxResultText bytes). A line longer than `holdLimit` is searched in
// parts, so memory stays bounded whatever the line lengths.
class LineScanner {
 public:
  // Returns false to stop the scan.
  using Report = std::function<bool(std::uint64_t line, std::string_view text)>;

  LineScanner(const TextFinder& finder, Report report, std::size_t holdLimit = 256 * 1024);

  // False once a report asked to stop.
  bool Feed(std::string_view bytes);
  // Ends the stream: a last line without a line feed is searched too.
  bool Finish();

 private:
  void Extend(std::string_view piece);
  bool EndLine();
  bool Emit(std::string_view text, bool wholeLine);

  const TextFinder& finder_;
  Report report_;
  std::size_t holdLimit_;
  bool stopped_ = false;

  std::uint64_t line_ = 1;
  // A line that runs on past the last piece fed:
  std::uint64_t lineLength_ = 0;  // its bytes so far
  std::string shown_;             // its first bytes, for the result
  std::string held_;              // its part not yet searched through
  std::size_t from_ = 0;          // in held_, the first start not yet decided
  bool matched_ = false;
};

}  // namespace vandrel::agent
