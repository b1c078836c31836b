#include "core/store_listing.h"

#include <fmt/format.h>

#include "core/store_records.h"
#include "core/store_scramble.h"

namespace vandrel {

namespace {

bool ListValues(const StoreSource& source, const StoreHeader& header, std::uint32_t first,
                StoreListedSection* section, std::string* error) {
  for (std::uint32_t offset = first; offset != 0;) {
    auto record = ReadValueRecord(source, offset);
    if (!record) {
      *error = fmt::format("damaged value record at offset {}", offset);
      return false;
    }
    StoreListedValue value;
    value.name = record->name;
    value.type = record->type;
    value.live = record->live;
    value.recordOffset = record->offset;
    value.dataOffset = record->DataOffset();
    // Check the extent before allocating: a hostile length must not cost memory.
    if (value.dataOffset > source.Size() || record->dataLength > source.Size() - value.dataOffset) {
      *error =
          fmt::format("value data at offset {} reaches past the end of the file", value.dataOffset);
      return false;
    }
    value.data.resize(record->dataLength);
    if (!source.Read(value.dataOffset, value.data.data(), value.data.size())) {
      *error =
          fmt::format("value data at offset {} reaches past the end of the file", value.dataOffset);
      return false;
    }
    if (header.flags & kStoreFlagScrambled) Scramble(ScrambleDirection::kLoad, value.data);
    section->values.push_back(std::move(value));
    offset = record->next;
  }
  return true;
}

}  // namespace

StoreListing ListStoreImage(std::span<const std::uint8_t> image) {
  StoreListing listing;
  MemoryStoreSource source({image.data(), image.size()});
  auto header = ReadStoreHeader(source);
  if (!header) {
    listing.error = image.empty() ? "the file is empty" : "not a store file (no signature)";
    return listing;
  }
  listing.formatNumber = header->formatNumber;
  listing.flags = header->flags;
  if (!IsForwardLink(header->firstSection, kStoreHeaderSize)) {
    listing.error =
        fmt::format("first section link {} points into the header", header->firstSection);
    return listing;
  }
  for (std::uint32_t offset = header->firstSection; offset != 0;) {
    auto record = ReadSectionRecord(source, offset);
    if (!record) {
      listing.error = fmt::format("damaged section record at offset {}", offset);
      return listing;
    }
    StoreListedSection section;
    section.name = record->name;
    section.live = record->live;
    section.recordOffset = record->offset;
    const bool ok = ListValues(source, *header, record->firstValue, &section, &listing.error);
    listing.sections.push_back(std::move(section));
    if (!ok) return listing;
    offset = record->next;
  }
  listing.valid = true;
  return listing;
}

}  // namespace vandrel
