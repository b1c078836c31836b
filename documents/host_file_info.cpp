#include "documents/host_file_info.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <functional>
#include <limits>
#include <optional>

#include "core/message_box.h"
#include "core/string_ids.h"
#include "platform/ascii_text.h"

namespace vandrel {

namespace {

std::int32_t Saturate32(std::int64_t value) {
  if (value < std::numeric_limits<std::int32_t>::min()) {
    return std::numeric_limits<std::int32_t>::min();
  }
  if (value > std::numeric_limits<std::int32_t>::max()) {
    return std::numeric_limits<std::int32_t>::max();
  }
  return static_cast<std::int32_t>(value);
}

// Reads the items of a reply one at a time, as a C scanner would.
class ReplyScanner {
 public:
  explicit ReplyScanner(std::string_view text) : text_(text) {}

  std::optional<std::int32_t> Number() {
    SkipBlanks();
    std::size_t i = pos_;
    bool negative = false;
    if (i < text_.size() && (text_[i] == '+' || text_[i] == '-')) negative = text_[i++] == '-';
    const std::size_t digitsFrom = i;
    std::int64_t value = 0;
    constexpr std::int64_t kCap = std::int64_t{1} << 40;  // well beyond 32 bits
    while (i < text_.size() && platform::IsAsciiDigit(text_[i])) {
      if (value < kCap) value = value * 10 + (text_[i] - '0');
      ++i;
    }
    if (i == digitsFrom) return std::nullopt;
    pos_ = i;
    return Saturate32(negative ? -value : value);
  }

  std::optional<std::string> Text(std::size_t limit) {
    SkipBlanks();
    const std::size_t from = pos_;
    while (pos_ < text_.size() && !platform::IsAsciiSpace(text_[pos_])) ++pos_;
    if (pos_ == from) return std::nullopt;
    return std::string(text_.substr(from, std::min(pos_ - from, limit)));
  }

 private:
  void SkipBlanks() {
    while (pos_ < text_.size() && platform::IsAsciiSpace(text_[pos_])) ++pos_;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace

bool ParseFileInfoReply(std::string_view reply, HostFileInfo& info) {
  constexpr int kRequiredItems = 9;
  ReplyScanner scan(reply);
  HostFileInfo read = info;
  read.flags = 0;
  read.fileCode = 0;
  int items = 0;
  auto number = [&](std::int32_t& field) {
    const std::optional<std::int32_t> value = scan.Number();
    if (value) field = *value;
    return value.has_value();
  };
  auto text = [&](std::string& field) {
    std::optional<std::string> value = scan.Text(kMaxFileInfoText);
    if (value) field = std::move(*value);
    return value.has_value();
  };
  std::int32_t status = 0;
  // The items in reply order; reading stops at the first one that fails.
  const std::function<bool()> steps[] = {
      [&] { return number(status); },          [&] { return number(read.size); },
      [&] { return number(read.accessTime); }, [&] { return number(read.modifyTime); },
      [&] { return number(read.createTime); }, [&] { return text(read.permissions); },
      [&] { return number(read.further); },    [&] { return text(read.owner); },
      [&] { return text(read.group); },        [&] { return number(read.flags); },
      [&] { return number(read.fileCode); },
  };
  for (const auto& step : steps) {
    if (!step()) break;
    ++items;
  }
  if (items < kRequiredItems || status != 0) return false;
  info = std::move(read);
  return true;
}

std::string FormatHostTime(std::int32_t time) {
  if (time == 0) return LoadText(kStrNotAvailable);
  const std::time_t seconds = time;
  std::tm utc{};
  if (gmtime_r(&seconds, &utc) == nullptr) return LoadText(kStrNotAvailable);
  return fmt::format("{:04d}-{:02d}-{:02d} {:02d}:{:02d}", utc.tm_year + 1900, utc.tm_mon + 1,
                     utc.tm_mday, utc.tm_hour, utc.tm_min);
}

bool ReadLocalFileTimes(const std::string& path, HostFileInfo& info) {
  struct statx status {};
  if (statx(AT_FDCWD, path.c_str(), 0, STATX_ATIME | STATX_MTIME | STATX_CTIME | STATX_BTIME,
            &status) != 0) {
    return false;
  }
  auto seconds = [](const struct statx_timestamp& t) { return Saturate32(t.tv_sec); };
  info.accessTime = seconds(status.stx_atime);
  info.modifyTime = seconds(status.stx_mtime);
  info.createTime =
      (status.stx_mask & STATX_BTIME) ? seconds(status.stx_btime) : seconds(status.stx_ctime);
  return true;
}

}  // namespace vandrel
