// One keyword list of a template: the keywords back to back in one block,
// each followed by a zero byte.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/root_object.h"

namespace vandrel {

class DialogItems;

class KeywordList : public coObject {
 public:
  void Clear();
  // Splits `text` at `separator`. Without keepEmpty a pair of separators acts
  // as one (a run of three still leaves one empty keyword); a text ending in
  // the separator gets an empty last keyword. An empty text gives an empty
  // list.
  bool Parse(std::string_view text, char separator, bool keepEmpty);
  // The keywords joined with `separator`, from at most `capacity` bytes of
  // the block; empty for an empty list.
  std::string Join(std::size_t capacity, char separator) const;
  void CopyFrom(const KeywordList& other);
  // True when the count, the size or any byte differs.
  bool Differs(const KeywordList& other) const;
  // The editor page's view: one keyword per line, lines joined with CR LF;
  // reading back takes each non-empty line, cut to 127 characters.
  void ShowInEdit(DialogItems& dialog, int itemId) const;
  void ReadFromEdit(const DialogItems& dialog, int itemId);

  std::size_t Count() const { return count_; }
  std::size_t Size() const { return block_.size(); }
  // The zero-separated keywords as the edit control receives them.
  const std::vector<char>& Block() const { return block_; }
  std::vector<std::string> Keywords() const;

 private:
  std::vector<char> block_;
  std::size_t count_ = 0;
};

}  // namespace vandrel
