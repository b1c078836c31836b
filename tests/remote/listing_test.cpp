// Reading listing bytes as the agent sends them, and the listing cache's
// order, size accounting and limit.
#include "remote/listing.h"

#include <gtest/gtest.h>

#include "remote/listing_cache.h"

namespace vandrel::remote {
namespace {

using namespace std::string_literals;

std::string Entry(const std::string& name, const std::string& values) {
  return "Y " + std::to_string(name.size()) + " " + name + " " + values + '\0';
}

constexpr char kValues[] = "120 1700000000 1700000100 1690000000 -rw-r--r-- 1 alice staff 0 111";

TEST(ListingReader, ReadsEntriesByLengthAndSkipsTheRest) {
  std::string bytes = "/DEV/PUB/"s + '\0';
  bytes += Entry(".", kValues);
  bytes += Entry("..", kValues);
  bytes += Entry("MAIN SRC", kValues);                           // a blank inside the name
  bytes += Entry("a b c d e f g h i j", kValues);                // words that look like values
  bytes += "X 4 NOPE "s + kValues + '\0';                        // not "Y"
  bytes += "Y 40 SHORT "s + kValues + '\0';                      // length beyond the entry
  bytes += Entry("FEW", "1 2 3 4 perm 5 own grp 0");             // nine values
  bytes += "Y x BAD "s + kValues + '\0';                         // no length
  bytes += Entry("LAST", "5 1 2 3 drwxr-xr-x 2 bob users 2 0");  // no terminator after it
  bytes.pop_back();

  auto listing = ReadListing(bytes, 42);
  ASSERT_TRUE(listing);
  EXPECT_EQ(listing->folder, "/DEV/PUB/");
  EXPECT_EQ(listing->madeAt, 42);
  ASSERT_EQ(listing->entries.size(), 3u);
  const HostFileInfo& first = listing->entries[0];
  EXPECT_EQ(first.name, "MAIN SRC");
  EXPECT_EQ(first.size, 120);
  EXPECT_EQ(first.accessTime, 1700000000);
  EXPECT_EQ(first.modifyTime, 1700000100);
  EXPECT_EQ(first.createTime, 1690000000);
  EXPECT_EQ(first.permissions, "-rw-r--r--");
  EXPECT_EQ(first.further, 1);
  EXPECT_EQ(first.owner, "alice");
  EXPECT_EQ(first.group, "staff");
  EXPECT_EQ(first.flags, 0);  // flags come before the file code
  EXPECT_EQ(first.fileCode, 111);
  EXPECT_EQ(listing->entries[1].name, "a b c d e f g h i j");
  EXPECT_EQ(listing->entries[2].name, "LAST");
  EXPECT_EQ(listing->entries[2].flags, 2);

  EXPECT_EQ(ListingFolder(listing->folder), "/DEV/PUB");
  EXPECT_EQ(ListingFolder("/"), "/");
  EXPECT_FALSE(ReadListing("no terminator", 0));
  auto empty = ReadListing("/"s + '\0', 0);
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->entries.empty());
}

HostListing Listing(const std::string& folder, std::size_t entries) {
  HostListing listing;
  listing.folder = folder;
  for (std::size_t i = 0; i < entries; ++i) {
    HostFileInfo info;
    info.name = "F" + std::to_string(i);
    info.permissions = "rw";
    info.owner = "o";
    info.group = "g";
    listing.entries.push_back(info);
  }
  return listing;
}

TEST(ListingCache, CountsPoolEntriesAndListings) {
  // "F0": 3 bytes with its terminator, then "rw", "o" and "g": 3 + 2 + 2.
  const HostListing one = Listing("/A", 1);
  EXPECT_EQ(one.PoolSize(), 3u + 3u + 2u + 2u);
  EXPECT_EQ(ListingCache::CountedSize(one), 10u + 44u + 296u);
}

TEST(ListingCache, LookupRefreshesAndStoreEvictsTheOldest) {
  const std::size_t each = ListingCache::CountedSize(Listing("/A", 2));
  ListingCache cache(3 * each);
  cache.Store(Listing("/A", 2));
  cache.Store(Listing("/B", 2));
  cache.Store(Listing("/C", 2));
  EXPECT_EQ(cache.count(), 3u);
  EXPECT_EQ(cache.CountedSize(), 3 * each);

  // Looking /A up makes it the newest, so /B is the one to go next.
  auto found = cache.Lookup("/A");
  ASSERT_TRUE(found);
  EXPECT_EQ(found->entries.size(), 2u);
  found->entries.clear();  // a copy: the cached listing keeps its entries
  EXPECT_EQ(cache.Lookup("/A")->entries.size(), 2u);
  cache.Store(Listing("/D", 2));
  EXPECT_FALSE(cache.Lookup("/B"));
  EXPECT_TRUE(cache.Lookup("/C"));
  EXPECT_TRUE(cache.Lookup("/A"));
  EXPECT_TRUE(cache.Lookup("/D"));
  EXPECT_FALSE(cache.Lookup("/a"));  // paths match exactly

  // A folder already cached is not stored again.
  cache.Store(Listing("/D", 9));
  EXPECT_EQ(cache.Lookup("/D")->entries.size(), 2u);

  // A listing larger than the whole limit empties the cache and stays alone.
  cache.Store(Listing("/BIG", 20));
  EXPECT_EQ(cache.count(), 1u);
  EXPECT_TRUE(cache.Lookup("/BIG"));
  EXPECT_GT(cache.CountedSize(), cache.limit());

  cache.Remove("/BIG");
  EXPECT_EQ(cache.count(), 0u);
  EXPECT_EQ(cache.CountedSize(), 0u);
}

TEST(ListingCache, ALimitOfZeroTurnsItOff) {
  ListingCache cache(1 << 20);
  cache.Store(Listing("/A", 1));
  cache.SetLimit(0);
  EXPECT_FALSE(cache.enabled());
  EXPECT_FALSE(cache.Lookup("/A"));
  cache.Store(Listing("/A", 1));
  EXPECT_EQ(cache.count(), 0u);
  cache.SetLimit(1 << 20);
  cache.Store(Listing("/A", 1));
  cache.Clear();
  EXPECT_EQ(cache.count(), 0u);
}

}  // namespace
}  // namespace vandrel::remote
