#include "templates/keyword_list.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "core/text_window.h"

namespace vandrel {

namespace {

// Keywords read back from the editor page keep at most this many characters.
constexpr std::size_t kMaxEditedKeywordLength = 127;

}  // namespace

void KeywordList::Clear() {
  block_.clear();
  block_.shrink_to_fit();
  count_ = 0;
}

bool KeywordList::Parse(std::string_view text, char separator, bool keepEmpty) {
  Clear();
  // Keyword texts are zero-terminated texts: a zero byte ends them.
  text = text.substr(0, std::min(text.size(), text.find('\0')));
  if (text.empty()) return true;
  try {
    // The block keeps the size of the text and its terminator even when pairs
    // of separators shrink the keywords; the bytes freed at its end stay zero.
    std::vector<char> block;
    block.reserve(text.size() + 1);
    block.assign(text.begin(), text.end());
    block.push_back(0);
    std::size_t count = 0;
    for (std::size_t i = 0; block[i] != 0; ++i) {
      if (block[i] != separator) continue;
      if (!keepEmpty && block[i + 1] == separator) {
        // Move the rest, terminator included, one place to the left so that
        // the pair becomes one separator.
        std::size_t rest = std::strlen(&block[i + 1]) + 1;
        std::memmove(&block[i], &block[i + 1], rest);
      }
      block[i] = 0;
      ++count;
    }
    block_ = std::move(block);
    count_ = count + 1;
    return true;
  } catch (const std::bad_alloc&) {
    Clear();
    return false;
  }
}

std::string KeywordList::Join(std::size_t capacity, char separator) const {
  std::string out(block_.begin(),
                  block_.begin() + static_cast<std::ptrdiff_t>(std::min(block_.size(), capacity)));
  std::size_t replaced = 0;
  for (char& c : out) {
    if (replaced + 1 >= count_) break;
    if (c == 0) {
      c = separator;
      ++replaced;
    }
  }
  out.resize(std::min(out.size(), out.find('\0')));
  return out;
}

void KeywordList::CopyFrom(const KeywordList& other) {
  if (&other == this) return;
  block_ = other.block_;
  count_ = other.count_;
}

bool KeywordList::Differs(const KeywordList& other) const {
  return count_ != other.count_ || block_ != other.block_;
}

std::vector<std::string> KeywordList::Keywords() const {
  std::vector<std::string> out;
  out.reserve(count_);
  std::size_t at = 0;
  for (std::size_t i = 0; i < count_ && at < block_.size(); ++i) {
    const char* word = &block_[at];
    std::size_t length = strnlen(word, block_.size() - at);
    out.emplace_back(word, length);
    at += length + 1;
  }
  return out;
}

void KeywordList::ShowInEdit(DialogItems& dialog, int itemId) const {
  std::string text;
  const std::vector<std::string> words = Keywords();
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (i > 0) text += "\r\n";
    text += words[i];
  }
  dialog.SetItemText(itemId, text);
}

void KeywordList::ReadFromEdit(const DialogItems& dialog, int itemId) {
  const std::string text = dialog.ItemText(itemId);
  std::vector<char> block;
  std::size_t count = 0;
  std::size_t at = 0;
  // Lines end at CR LF, a lone LF or a lone CR; a zero byte ends the text.
  const std::size_t end = std::min(text.size(), text.find('\0'));
  while (at < end) {
    std::size_t stop = text.find_first_of("\r\n", at);
    if (stop == std::string::npos || stop > end) stop = end;
    const std::size_t length = std::min(stop - at, kMaxEditedKeywordLength);
    if (stop > at) {
      block.insert(block.end(), text.begin() + static_cast<std::ptrdiff_t>(at),
                   text.begin() + static_cast<std::ptrdiff_t>(at + length));
      block.push_back(0);
      ++count;
    }
    at = stop;
    if (at < end && text[at] == '\r') ++at;
    if (at < end && text[at] == '\n') ++at;
  }
  block_ = std::move(block);
  count_ = count;
}

}  // namespace vandrel
