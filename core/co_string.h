// coString: a heap text buffer that knows its length and its capacity.
//
// The text is null when nothing is allocated (length 0, capacity 0) and is
// zero-terminated whenever it is allocated. Capacity counts the terminator.
// Growth is exact: a buffer is never larger than the text that last required
// it, so appends that do not fit reallocate every time. Text may hold zero
// bytes when given with an explicit length; the length counts them.
//
// Running out of memory throws std::bad_alloc, as does a text longer than a
// signed 32-bit length can describe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/root_object.h"
#include "core/text_window.h"

namespace vandrel {

class coString : public coObject {
 public:
  coString() = default;
  // Copies `text` with its terminator into a buffer of exactly its length + 1
  // bytes. Debug builds assert against a null text; otherwise it counts as "".
  explicit coString(const char* text);
  ~coString() override;

  // Copies are deep and exact-sized; a copy of an empty string allocates
  // nothing.
  coString(const coString& other);
  coString& operator=(const coString& other);
  coString(coString&& other) noexcept;
  coString& operator=(coString&& other) noexcept;

  // Frees the text; length and capacity become 0.
  void Clear();

  // Replaces the text with an n-byte buffer (capacity n + 1), for the caller to
  // fill through Buffer(). The buffer starts zero-filled.
  void Allocate(std::int32_t n);

  // Zero length or a null text clears the string. Otherwise the buffer is
  // reused when it can hold `length` bytes and a terminator, else replaced by
  // one of exactly length + 1 bytes.
  void Assign(const char* text, std::int32_t length);
  // A null text counts as length 0.
  void Assign(const char* text);
  // Does nothing when `other` is this string.
  void Assign(const coString& other);

  // Appends in place when the buffer has room for the old and new bytes and a
  // terminator; otherwise moves to a buffer of exactly that size. Appending
  // nothing still allocates a one-byte terminated buffer for an empty string.
  // `text` may point into this string's own text.
  void Append(const char* text, std::int32_t length);
  // A null text counts as length 0.
  void Append(const char* text);
  void Append(std::string_view text);

  // Replaces the text with the window's text, cut at its first zero byte, and
  // returns the new length. An empty window text clears the string.
  std::int32_t FromWindow(const TextWindow& window);
  // Sets the window's text to this text up to its terminator, or to the empty
  // text when the length is below 1.
  void ToWindow(TextWindow& window) const;
  std::int32_t FromDialogItem(const DialogItems& dialog, int itemId);
  void ToDialogItem(DialogItems& dialog, int itemId) const;

  std::int32_t Length() const { return length_; }
  std::int32_t Capacity() const { return capacity_; }
  bool IsEmpty() const { return length_ == 0; }
  // The text itself, null when nothing is allocated.
  const char* Text() const { return text_; }
  char* Buffer() { return text_; }
  // Never null: "" when nothing is allocated.
  const char* c_str() const { return text_ != nullptr ? text_ : ""; }
  std::string_view View() const {
    return text_ != nullptr ? std::string_view(text_, static_cast<std::size_t>(length_))
                            : std::string_view();
  }

 private:
  std::int32_t TakeWindowText(std::string_view text);

  char* text_ = nullptr;
  std::int32_t length_ = 0;
  std::int32_t capacity_ = 0;
};

}  // namespace vandrel
