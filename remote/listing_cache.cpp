#include "remote/listing_cache.h"

namespace vandrel::remote {

ListingCache& ListingCache::Instance() {
  static ListingCache cache;
  return cache;
}

std::size_t ListingCache::CountedSize(const HostListing& listing) {
  return listing.PoolSize() + listing.entries.size() * kBytesPerEntry + kBytesPerListing;
}

void ListingCache::SetLimit(std::size_t limitBytes) {
  std::lock_guard guard(lock_);
  limit_ = limitBytes;
  if (limit_ == 0) {
    listings_.clear();
    size_ = 0;
  }
}

std::size_t ListingCache::limit() const {
  std::lock_guard guard(lock_);
  return limit_;
}

std::optional<HostListing> ListingCache::Lookup(const std::string& folder) {
  std::lock_guard guard(lock_);
  for (auto it = listings_.begin(); it != listings_.end(); ++it) {
    if (it->folder == folder) {
      listings_.splice(listings_.end(), listings_, it);
      return listings_.back();
    }
  }
  return std::nullopt;
}

void ListingCache::Store(const HostListing& listing) {
  std::lock_guard guard(lock_);
  if (limit_ == 0) return;
  for (const HostListing& cached : listings_) {
    if (cached.folder == listing.folder) return;
  }
  const std::size_t added = CountedSize(listing);
  while (!listings_.empty() && size_ + added > limit_) {
    size_ -= CountedSize(listings_.front());
    listings_.pop_front();
  }
  listings_.push_back(listing);
  size_ += added;
}

void ListingCache::Remove(const std::string& folder) {
  std::lock_guard guard(lock_);
  for (auto it = listings_.begin(); it != listings_.end(); ++it) {
    if (it->folder == folder) {
      size_ -= CountedSize(*it);
      listings_.erase(it);
      return;
    }
  }
}

void ListingCache::Clear() {
  std::lock_guard guard(lock_);
  listings_.clear();
  size_ = 0;
}

std::size_t ListingCache::CountedSize() const {
  std::lock_guard guard(lock_);
  return size_;
}

std::size_t ListingCache::count() const {
  std::lock_guard guard(lock_);
  return listings_.size();
}

}  // namespace vandrel::remote
