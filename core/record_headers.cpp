#include "core/record_headers.h"

#include <fmt/printf.h>

#include <array>
#include <limits>

#include "platform/ascii_text.h"
#include "platform/byte_order.h"

namespace vandrel {

namespace {

enum MpeKey : std::size_t {
  kMver,
  kFcode,
  kLw,
  kMpeReclen,
  kBfact,
  kType,
  kMode,
  kMpeEof,
  kLimit,
  kLabels,
  kMaxLabels,
  kCctl,
  kAcd,
  kMpeKeyCount
};

constexpr std::array<AttributeRow, kMpeKeyCount> kMpeKeys = {{
    {"MVER", 2},
    {"FCODE", 2},
    {"LW", 2},
    {"RECLEN", 2},
    {"BFACT", 2},
    {"TYPE", 2},
    {"MODE", 2},
    {"EOF", 2},
    {"LIMIT", 2},
    {"#L", 2},
    {"M#L", 2},
    {"CCTL", 2},
    {"ACD", 2},
}};

enum QeditKey : std::size_t { kQver, kLang, kQeditReclen, kQeditEof, kLnl, kLnj, kQeditKeyCount };

constexpr std::array<AttributeRow, kQeditKeyCount> kQeditKeys = {{
    {"QVER", 2},
    {"LANG", 2},
    {"RECLEN", 2},
    {"EOF", 3},
    {"LNL", 3},
    {"LNJ", 3},
}};

void StoreNumber(const AttributeList& list, std::size_t row, std::int32_t& field) {
  if (list.Has(row)) field = HeaderNumber(list.Value(row));
}

}  // namespace

std::span<const AttributeRow> MpeHeaderKeys() { return kMpeKeys; }
std::span<const AttributeRow> QeditHeaderKeys() { return kQeditKeys; }

std::int32_t HeaderNumber(std::string_view text) {
  std::size_t at = 0;
  const auto number = platform::ScanDecimal(text, &at, platform::SkipNothing);
  if (!number) return 0;
  return static_cast<std::int32_t>(number->Clamped(std::numeric_limits<std::int32_t>::min(),
                                                   std::numeric_limits<std::int32_t>::max()));
}

int ParseMpeHeader(std::string_view text, MpeHeader& header) {
  const AttributeList list = ParseAttributes(text, kMpeKeys);
  if (!list.ok()) return static_cast<int>(list.error);
  StoreNumber(list, kMver, header.mver);
  StoreNumber(list, kFcode, header.fcode);
  if (list.Has(kLw)) header.lw = std::string(list.Value(kLw).substr(0, kLockwordLength));
  StoreNumber(list, kMpeReclen, header.reclen);
  StoreNumber(list, kBfact, header.bfact);
  StoreNumber(list, kType, header.type);
  StoreNumber(list, kMode, header.mode);
  StoreNumber(list, kMpeEof, header.eof);
  StoreNumber(list, kLimit, header.limit);
  StoreNumber(list, kLabels, header.labels);
  StoreNumber(list, kMaxLabels, header.maxLabels);
  StoreNumber(list, kCctl, header.cctl);
  if (list.Has(kAcd)) header.acd = std::string(list.Value(kAcd));
  return 0;
}

int ParseQeditHeader(std::string_view text, QeditHeader& header) {
  const AttributeList list = ParseAttributes(text, kQeditKeys);
  if (!list.ok()) return static_cast<int>(list.error);
  StoreNumber(list, kQver, header.qver);
  StoreNumber(list, kLang, header.lang);
  StoreNumber(list, kQeditReclen, header.reclen);
  StoreNumber(list, kQeditEof, header.eof);
  StoreNumber(list, kLnl, header.lnl);
  StoreNumber(list, kLnj, header.lnj);
  return 0;
}

std::string FormatQeditHeader(const QeditHeader& header) {
  return fmt::sprintf("QVER=%d LANG=%d RECLEN=%d EOF=%d LNL=%d LNJ=%d", 1, header.lang,
                      header.reclen, header.eof, header.lnl, header.lnj);
}

std::optional<std::string> QuoteHeaderValue(std::string_view value) {
  const bool hasDouble = value.find('"') != std::string_view::npos;
  const bool hasSingle = value.find('\'') != std::string_view::npos;
  if (hasDouble && hasSingle) return std::nullopt;
  const char quote = hasDouble ? '\'' : '"';
  std::string out;
  out.reserve(value.size() + 2);
  out += quote;
  out += value;
  out += quote;
  return out;
}

std::optional<MpeHeaderText> FormatMpeHeader(const MpeHeader& header) {
  const auto lw = QuoteHeaderValue(std::string_view(header.lw).substr(0, kLockwordLength));
  const auto acd = QuoteHeaderValue(header.acd);
  if (!lw || !acd) return std::nullopt;
  MpeHeaderText out;
  out.text = fmt::sprintf("MVER=%d FCODE=%d LW=%s RECLEN=%d BFACT=%d TYPE=%d MODE=%d EOF=%d ", 1,
                          header.fcode, *lw, header.reclen, header.bfact, header.type, header.mode,
                          header.eof);
  out.text += "LIMIT=";
  out.limitDigits = out.text.size();
  out.text += fmt::sprintf("%08d #L=%d M#L=%d CCTL=%d ACD=%s", header.limit, header.labels,
                           header.maxLabels, header.cctl, *acd);
  if (out.text.size() > kMaxHeaderRecordLength) return std::nullopt;
  return out;
}

bool AppendRecord(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> bytes) {
  if (bytes.size() > kMaxRecordLength) return false;
  platform::AppendBigEndian16(out, static_cast<std::uint16_t>(bytes.size()));
  out.insert(out.end(), bytes.begin(), bytes.end());
  return true;
}

bool AppendRecord(std::string& out, std::string_view record) {
  if (record.size() > kMaxRecordLength) return false;
  platform::AppendBigEndian16(out, static_cast<std::uint16_t>(record.size()));
  out += record;
  return true;
}

bool AppendRecord(std::vector<std::uint8_t>& out, std::string_view text) {
  return AppendRecord(out,
                      std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

}  // namespace vandrel
