// The process-wide cache of recent host folder listings, shared by the
// remote file dialogs and the folder browser (and used from the worker's
// completions as well as the user-interface thread, so it locks). Oldest
// first; its size is counted as each listing's string pool plus 44 bytes per
// entry plus 296 bytes per listing, against a limit in bytes (the
// FolderCacheSize setting × 1024); a limit of 0 turns the cache off.
#pragma once

#include <cstddef>
#include <list>
#include <mutex>
#include <optional>
#include <string>

#include "remote/listing.h"

namespace vandrel::remote {

class ListingCache {
 public:
  static constexpr std::size_t kBytesPerEntry = 44;
  static constexpr std::size_t kBytesPerListing = 296;

  explicit ListingCache(std::size_t limitBytes = 0) : limit_(limitBytes) {}

  // The process's cache.
  static ListingCache& Instance();

  void SetLimit(std::size_t limitBytes);
  std::size_t limit() const;
  bool enabled() const { return limit() != 0; }

  // A copy of the listing of exactly that folder, which becomes the newest.
  std::optional<HostListing> Lookup(const std::string& folder);
  // Keeps a copy unless the folder is already cached: the oldest listings go
  // until the rest fits the limit with it (a listing larger than the whole
  // limit is kept alone). Nothing is kept while the cache is off.
  void Store(const HostListing& listing);
  void Remove(const std::string& folder);
  void Clear();

  // The counted size of everything cached.
  std::size_t CountedSize() const;
  std::size_t count() const;

  static std::size_t CountedSize(const HostListing& listing);

 private:
  mutable std::mutex lock_;
  std::list<HostListing> listings_;  // oldest first
  std::size_t limit_;
  std::size_t size_ = 0;
};

}  // namespace vandrel::remote
