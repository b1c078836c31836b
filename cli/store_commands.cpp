#include "cli/store_commands.h"

#include <fmt/format.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>

#include "cli/json_text.h"
#include "core/store_file.h"
#include "core/store_listing.h"
#include "core/store_records.h"
#include "platform/ascii_text.h"

namespace vandrel::cli {

namespace {

// Large enough for any value a caller of the store writes.
constexpr std::size_t kMaxCliValue = 16 * 1024 * 1024;

std::string Hex(const std::vector<std::uint8_t>& data, std::string_view separator) {
  std::string out;
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (i > 0) out += separator;
    out += fmt::format("{:02X}", data[i]);
  }
  return out;
}

std::int32_t NumberOf(const std::vector<std::uint8_t>& data) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < data.size() && i < 4; ++i) v |= std::uint32_t{data[i]} << (8 * i);
  return static_cast<std::int32_t>(v);
}

bool IsNumber(const StoreListedValue& v) { return v.type == kStorageNumber && v.data.size() == 4; }

std::string OpenError(const std::string& path, int error) {
  if (error == EBUSY) return fmt::format("{}: the file is held open by another program", path);
  return fmt::format("{}: {}", path, std::strerror(error));
}

void PrintText(const StoreListing& listing) {
  std::printf("format %u, flags %u\n", listing.formatNumber, listing.flags);
  for (const auto& section : listing.sections) {
    std::printf("[%s]%s  (record at %u)\n", section.name.c_str(), section.live ? "" : "  retired",
                section.recordOffset);
    for (const auto& v : section.values) {
      std::string shown;
      if (v.type == kStorageText) {
        shown = "text " + JsonString({reinterpret_cast<const char*>(v.data.data()), v.data.size()});
      } else if (IsNumber(v)) {
        shown = fmt::format("number {}", NumberOf(v.data));
      } else {
        shown = "hex " + Hex(v.data, " ");
      }
      std::printf("  %s  type %u  offset %llu  %s%s\n", v.name.c_str(), v.type,
                  static_cast<unsigned long long>(v.dataOffset), shown.c_str(),
                  v.live ? "" : "  (retired)");
    }
  }
}

void PrintJson(const StoreListing& listing) {
  std::string out = fmt::format("{{\"flags\":{},\"format\":{},\"sections\":[", listing.flags,
                                listing.formatNumber);
  for (std::size_t s = 0; s < listing.sections.size(); ++s) {
    const auto& section = listing.sections[s];
    out += fmt::format("{}{{\"name\":{},\"live\":{},\"values\":[", s ? "," : "",
                       JsonString(section.name), section.live);
    for (std::size_t i = 0; i < section.values.size(); ++i) {
      const auto& v = section.values[i];
      std::string data;
      if (v.type == kStorageText) {
        data =
            "\"text\":" + JsonString({reinterpret_cast<const char*>(v.data.data()), v.data.size()});
      } else if (IsNumber(v)) {
        data = fmt::format("\"number\":{}", NumberOf(v.data));
      } else {
        data = "\"hex\":\"" + Hex(v.data, "") + "\"";
      }
      out += fmt::format("{}{{\"name\":{},\"type\":{},\"live\":{},\"offset\":{},{}}}", i ? "," : "",
                         JsonString(v.name), v.type, v.live, v.dataOffset, data);
    }
    out += "]}";
  }
  out += "]}";
  std::printf("%s\n", out.c_str());
}

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path,
                                                       CliContext& context) {
  // Held like any reader, so a file open elsewhere in exclusive mode is refused.
  StoreFile file = StoreFile::Open(path, true, StoreCreation::kOpenExisting);
  if (!file.IsValid()) {
    Fail(context, OpenError(path, file.error()));
    return std::nullopt;
  }
  std::ifstream in(path, std::ios::binary);
  std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                  std::istreambuf_iterator<char>()};
  if (in.bad()) {
    Fail(context, fmt::format("{}: cannot read the file", path));
    return std::nullopt;
  }
  return bytes;
}

void Dump(CliContext& context, const std::string& path, bool json) {
  auto bytes = ReadWholeFile(path, context);
  if (!bytes) return;
  const StoreListing listing = ListStoreImage(*bytes);
  if (listing.formatNumber == 0 && !listing.valid && listing.sections.empty()) {
    Fail(context, fmt::format("{}: {}", path, listing.error));
    return;
  }
  json ? PrintJson(listing) : PrintText(listing);
  if (!listing.valid) Fail(context, fmt::format("{}: {}", path, listing.error));
}

// The type of the value a lookup would find: the first live record of that
// name in the first live section of that name.
std::optional<std::uint32_t> StoredType(const StoreListing& listing, const std::string& section,
                                        const std::string& value) {
  for (const auto& s : listing.sections) {
    if (!s.live || !StoreNamesEqual(s.name, section)) continue;
    for (const auto& v : s.values)
      if (v.live && StoreNamesEqual(v.name, value)) return v.type;
    return std::nullopt;
  }
  return std::nullopt;
}

void Get(CliContext& context, const std::string& path, const std::string& section,
         const std::string& name, std::optional<std::uint32_t> type) {
  auto bytes = ReadWholeFile(path, context);
  if (!bytes) return;
  const StoreListing listing = ListStoreImage(*bytes);
  if (!type) type = StoredType(listing, section, name);
  if (!type) {
    Fail(context, fmt::format("{}: no value '{}' in section '{}'", path, name, section));
    return;
  }
  std::string text;
  std::int32_t number = 0;
  std::vector<std::uint8_t> raw;
  std::vector<SettingDescriptor> row;
  if (*type == kStorageText) {
    row.push_back(TextRow(name, &text, kMaxCliValue));
  } else if (*type == kStorageNumber) {
    row.push_back(NumberRow(name, &number));
  } else {
    row.push_back(BytesRow(name, &raw, kMaxCliValue));
    row.back().type = *type;
  }
  if (!ReadValuesFromImage(*bytes, section, row)) {
    Fail(context, fmt::format("{}: cannot read section '{}'{}", path, section,
                              listing.valid ? "" : " (" + listing.error + ")"));
    return;
  }
  const auto stored = StoredType(listing, section, name);
  if (!stored || *stored != *type) {
    Fail(context,
         fmt::format("{}: no value '{}' of type {} in section '{}'", path, name, *type, section));
    return;
  }
  if (*type == kStorageText) {
    std::printf("%s\n", text.c_str());
  } else if (*type == kStorageNumber) {
    std::printf("%d\n", number);
  } else {
    std::printf("%s\n", Hex(raw, "").c_str());
  }
}

std::optional<std::vector<std::uint8_t>> ParseHex(const std::string& text) {
  std::vector<std::uint8_t> out;
  int high = -1;
  for (char c : text) {
    if (c == ' ' || c == ':' || c == ',' || c == '-') continue;
    const int digit = platform::AsciiHexValue(c);
    if (digit < 0) return std::nullopt;
    if (high < 0) {
      high = digit;
    } else {
      out.push_back(static_cast<std::uint8_t>(high << 4 | digit));
      high = -1;
    }
  }
  if (high >= 0) return std::nullopt;
  return out;
}

struct SetOptions {
  std::string path, section, name;
  std::optional<std::string> text;
  std::optional<std::int64_t> number;
  std::optional<std::string> hex;
};

void Set(CliContext& context, const SetOptions& options) {
  std::string text;
  std::uint32_t number = 0;
  std::vector<std::uint8_t> raw;
  std::vector<SettingDescriptor> row;
  if (options.text) {
    text = *options.text;
    if (text.find('\0') != std::string::npos)
      return Fail(context, "a text cannot hold a zero byte");
    row.push_back(TextRow(options.name, &text, text.size() + 1));
  } else if (options.number) {
    if (*options.number < INT32_MIN || *options.number > UINT32_MAX)
      return Fail(context, fmt::format("{} does not fit in 32 bits", *options.number));
    number = static_cast<std::uint32_t>(*options.number);
    row.push_back(NumberRow(options.name, &number));
  } else {
    auto parsed = ParseHex(*options.hex);
    if (!parsed)
      return Fail(context, fmt::format("'{}' is not a sequence of hex bytes", *options.hex));
    raw = std::move(*parsed);
    row.push_back(BytesRow(options.name, &raw, raw.size()));
  }
  if (options.section.size() > kStoreMaxNameLength || options.name.size() > kStoreMaxNameLength)
    return Fail(context, "section and value names are at most 1023 bytes");
  if (options.name.empty()) return Fail(context, "the value name is empty");

  StoreFile file = StoreFile::Open(options.path, false, StoreCreation::kOpenAlways);
  if (!file.IsValid()) return Fail(context, OpenError(options.path, file.error()));
  if (!WriteValues(file, options.section, row))
    Fail(context, fmt::format("{}: not written (not a store file, damaged, or a write error)",
                              options.path));
}

}  // namespace

void AddStoreCommands(CLI::App& app, CliContext& context) {
  auto* store = app.add_subcommand("store", "dump, read and write store files (.vdp, .vdt)");
  store->require_subcommand(1);

  auto* dump = store->add_subcommand("dump", "list every section and value in chain order");
  auto dumpPath = std::make_shared<std::string>();
  auto json = std::make_shared<bool>(false);
  dump->add_option("FILE", *dumpPath, "the store file")->required();
  dump->add_flag("--json", *json, "print JSON instead of text");
  dump->callback([&context, dumpPath, json] { Dump(context, *dumpPath, *json); });

  auto* get = store->add_subcommand("get", "print one value");
  auto getArgs = std::make_shared<std::array<std::string, 3>>();
  auto getType = std::make_shared<std::optional<std::uint32_t>>();
  get->add_option("FILE", (*getArgs)[0], "the store file")->required();
  get->add_option("SECTION", (*getArgs)[1], "section name (any letter case)")->required();
  get->add_option("VALUE", (*getArgs)[2], "value name (any letter case)")->required();
  get->add_option("--type", *getType, "storage type: 1 text, 3 raw bytes, 4 number")
      ->check(CLI::IsMember({1u, 3u, 4u}));
  get->callback([&context, getArgs, getType] {
    Get(context, (*getArgs)[0], (*getArgs)[1], (*getArgs)[2], *getType);
  });

  auto* set = store->add_subcommand("set", "write one value (creates the file when missing)");
  auto setOptions = std::make_shared<SetOptions>();
  set->add_option("FILE", setOptions->path, "the store file")->required();
  set->add_option("SECTION", setOptions->section, "section name")->required();
  set->add_option("VALUE", setOptions->name, "value name")->required();
  auto* text = set->add_option("--text", setOptions->text, "store a text (type 1)");
  auto* number = set->add_option("--number", setOptions->number, "store a 32-bit number (type 4)");
  auto* hex = set->add_option("--hex", setOptions->hex, "store raw bytes given in hex (type 3)");
  text->excludes(number)->excludes(hex);
  number->excludes(hex);
  set->callback([&context, setOptions] {
    if (!setOptions->text && !setOptions->number && !setOptions->hex)
      throw CLI::RequiredError("one of --text, --number or --hex");
    Set(context, *setOptions);
  });
}

}  // namespace vandrel::cli
