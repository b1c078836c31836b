// Everything a store file holds, in chain order, retired records included:
// what the command-line tool shows when it dumps a file.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vandrel {

struct StoreListedValue {
  std::string name;
  std::uint32_t type = 0;
  bool live = true;
  std::uint32_t recordOffset = 0;
  std::uint64_t dataOffset = 0;
  std::vector<std::uint8_t> data;  // unscrambled
};

struct StoreListedSection {
  std::string name;
  bool live = true;
  std::uint32_t recordOffset = 0;
  std::vector<StoreListedValue> values;
};

struct StoreListing {
  bool valid = false;  // false: not a store file, or damaged at some point
  std::string error;   // why, when not valid; what was listed up to there stays
  std::uint32_t formatNumber = 0;
  std::uint32_t flags = 0;
  std::vector<StoreListedSection> sections;
};

StoreListing ListStoreImage(std::span<const std::uint8_t> image);

}  // namespace vandrel
