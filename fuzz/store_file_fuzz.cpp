// Feeds arbitrary bytes to the store-file reader, and to the writer through a
// real file: nothing may crash, loop or read outside the file, and a value just
// written to a readable file must read back.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "core/store_file.h"
#include "core/store_listing.h"

using namespace vandrel;

namespace {

std::filesystem::path ScratchFile() {
  static const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("zvd-fuzz-" + std::to_string(::getpid()) + ".vdp");
  return path;
}

void ReadSome(std::span<const std::uint8_t> image, const std::string& section) {
  std::string text = "default";
  std::int32_t number = 1;
  std::uint32_t colour = 2;
  std::uint8_t margins[16] = {};
  std::vector<std::uint8_t> raw;
  std::vector<SettingDescriptor> rows{
      TextRow("Name", &text, 260), NumberRow("Port", &number),
      BytesRow("Colour", &colour), BytesRow("Margins", std::span<std::uint8_t>(margins)),
      BytesRow("Raw", &raw, 64),   TextRow("Short", &text, 4)};
  ReadValuesFromImage(image, section, rows);
}

bool RecordsAreDisjoint(const StoreListing& listing) {
  std::vector<std::pair<std::uint64_t, std::uint64_t>> extents{{0, 272}};
  for (const auto& section : listing.sections) {
    extents.emplace_back(section.recordOffset, section.recordOffset + 11 + section.name.size());
    for (const auto& value : section.values)
      extents.emplace_back(value.recordOffset, value.dataOffset + value.data.size());
  }
  std::sort(extents.begin(), extents.end());
  for (std::size_t i = 1; i < extents.size(); ++i)
    if (extents[i].first < extents[i - 1].second) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::span<const std::uint8_t> image(data, size);
  const StoreListing listing = ListStoreImage(image);
  ReadSome(image, "Project");
  for (const auto& section : listing.sections) ReadSome(image, section.name);

  // The writer on the same bytes, one in sixteen inputs (file I/O is slow).
  if (size == 0 || data[size - 1] % 16 != 0) return 0;
  const auto path = ScratchFile();
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  std::string section = listing.sections.empty() ? "Project" : listing.sections.back().name;
  std::string value = "fuzzed value";
  bool written = false;
  {
    StoreFile file = StoreFile::Open(path, false, StoreCreation::kOpenExisting);
    std::vector<SettingDescriptor> rows{TextRow("Name", &value, 260)};
    written = file.IsValid() && WriteValues(file, section, rows);
  }
  // Files whose records overlap one another are hostile: writing into one
  // record may then change another, so only well-formed files promise that a
  // written value reads back.
  if (written && listing.valid && RecordsAreDisjoint(listing)) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> after{std::istreambuf_iterator<char>(in),
                                    std::istreambuf_iterator<char>()};
    std::string back;
    std::vector<SettingDescriptor> rows{TextRow("Name", &back, 260)};
    if (!ReadValuesFromImage(after, section, rows) || back != value) std::abort();
  }
  return 0;
}
