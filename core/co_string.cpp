#include "core/co_string.h"

#include <cassert>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

namespace vandrel {

namespace {

// A text length that, with its terminator, still fits the signed 32-bit
// capacity; longer texts cannot be held and fail like an allocation.
std::int32_t HoldableLength(std::size_t length) {
  if (length > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max() - 1)) {
    throw std::bad_alloc();
  }
  return static_cast<std::int32_t>(length);
}

}  // namespace

coString::coString(const char* text) {
  assert(text != nullptr && "coString: null text");
  if (text == nullptr) text = "";
  const std::int32_t length = HoldableLength(std::strlen(text));
  text_ = new char[static_cast<std::size_t>(length) + 1];
  std::memcpy(text_, text, static_cast<std::size_t>(length) + 1);
  length_ = length;
  capacity_ = length + 1;
}

coString::~coString() { delete[] text_; }

coString::coString(const coString& other) : coObject(other) {
  if (other.length_ > 0) {
    text_ = new char[static_cast<std::size_t>(other.length_) + 1];
    std::memcpy(text_, other.text_, static_cast<std::size_t>(other.length_));
    text_[other.length_] = '\0';
    length_ = other.length_;
    capacity_ = other.length_ + 1;
  }
}

coString& coString::operator=(const coString& other) {
  Assign(other);
  return *this;
}

coString::coString(coString&& other) noexcept
    : coObject(std::move(other)),
      text_(std::exchange(other.text_, nullptr)),
      length_(std::exchange(other.length_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

coString& coString::operator=(coString&& other) noexcept {
  if (this != &other) {
    delete[] text_;
    text_ = std::exchange(other.text_, nullptr);
    length_ = std::exchange(other.length_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
  }
  return *this;
}

void coString::Clear() {
  delete[] text_;
  text_ = nullptr;
  length_ = 0;
  capacity_ = 0;
}

void coString::Allocate(std::int32_t n) {
  assert(n >= 0 && "coString::Allocate: negative length");
  const std::int32_t length = HoldableLength(n < 0 ? 0 : static_cast<std::size_t>(n));
  char* fresh = new char[static_cast<std::size_t>(length) + 1]();
  delete[] text_;
  text_ = fresh;
  length_ = length;
  capacity_ = length + 1;
}

void coString::Assign(const char* text, std::int32_t length) {
  assert(length >= 0 && "coString::Assign: negative length");
  if (text == nullptr || length <= 0) {
    Clear();
    return;
  }
  const auto bytes = static_cast<std::size_t>(HoldableLength(static_cast<std::size_t>(length)));
  if (capacity_ - 1 >= length) {
    std::memmove(text_, text, bytes);  // text may lie inside this buffer
  } else {
    // The new buffer is filled before the old one is freed, so text may lie
    // inside the old buffer.
    char* fresh = new char[bytes + 1];
    std::memcpy(fresh, text, bytes);
    delete[] text_;
    text_ = fresh;
    capacity_ = length + 1;
  }
  text_[length] = '\0';
  length_ = length;
}

void coString::Assign(const char* text) {
  if (text == nullptr) {
    Clear();
    return;
  }
  Assign(text, HoldableLength(std::strlen(text)));
}

void coString::Assign(const coString& other) {
  if (&other == this) return;
  Assign(other.text_, other.length_);
}

void coString::Append(const char* text, std::int32_t length) {
  assert(length >= 0 && "coString::Append: negative length");
  if (text == nullptr || length < 0) length = 0;
  const std::int32_t total =
      HoldableLength(static_cast<std::size_t>(length_) + static_cast<std::size_t>(length));
  if (capacity_ - 1 >= total) {
    if (length > 0) std::memmove(text_ + length_, text, static_cast<std::size_t>(length));
  } else {
    char* fresh = new char[static_cast<std::size_t>(total) + 1];
    if (length_ > 0) std::memcpy(fresh, text_, static_cast<std::size_t>(length_));
    if (length > 0) std::memcpy(fresh + length_, text, static_cast<std::size_t>(length));
    delete[] text_;
    text_ = fresh;
    capacity_ = total + 1;
  }
  text_[total] = '\0';
  length_ = total;
}

void coString::Append(const char* text) {
  Append(text, text != nullptr ? HoldableLength(std::strlen(text)) : 0);
}

void coString::Append(std::string_view text) { Append(text.data(), HoldableLength(text.size())); }

// Window text ends at its first zero byte, whatever length the window reports;
// the buffer keeps the size that was reported.
std::int32_t coString::TakeWindowText(std::string_view text) {
  Clear();
  if (!text.empty()) {
    Allocate(HoldableLength(text.size()));
    std::memcpy(text_, text.data(), text.size());
    length_ = static_cast<std::int32_t>(std::strlen(text_));
  }
  return length_;
}

std::int32_t coString::FromWindow(const TextWindow& window) {
  return TakeWindowText(window.WindowText());
}

void coString::ToWindow(TextWindow& window) const {
  window.SetWindowText(length_ < 1 ? std::string_view() : std::string_view(text_));
}

std::int32_t coString::FromDialogItem(const DialogItems& dialog, int itemId) {
  return TakeWindowText(dialog.ItemText(itemId));
}

void coString::ToDialogItem(DialogItems& dialog, int itemId) const {
  dialog.SetItemText(itemId, length_ < 1 ? std::string_view() : std::string_view(text_));
}

}  // namespace vandrel
