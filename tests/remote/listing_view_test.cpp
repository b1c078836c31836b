// The rules of the remote file dialogs at their edges: which folder a name
// leads to, the "Look in:" components, the MPE/iX columns, the order of the
// entries both ways, upload names and the names typed into "File name:".
#include "remote/listing_view.h"

#include <gtest/gtest.h>

namespace vandrel::remote {
namespace {

HostFileInfo Entry(std::string name, std::string permissions, std::int32_t size,
                   std::int32_t fileCode = 0, std::int32_t flags = 0) {
  HostFileInfo entry;
  entry.name = std::move(name);
  entry.permissions = std::move(permissions);
  entry.size = size;
  entry.fileCode = fileCode;
  entry.flags = flags;
  entry.owner = "MGR";
  entry.group = "PUB";
  entry.modifyTime = 1700000000;
  return entry;
}

TEST(FolderToShow, ParentRootAndNames) {
  EXPECT_EQ(FolderToShow("/DEMO", ".."), "/");
  EXPECT_EQ(FolderToShow("/DEMO/PUB", ".."), "/DEMO");
  EXPECT_EQ(FolderToShow("/DEMO/PUB/", ".."), "/DEMO");
  EXPECT_EQ(FolderToShow("/", ".."), std::nullopt);
  EXPECT_EQ(FolderToShow("", ".."), std::nullopt);
  EXPECT_EQ(FolderToShow("/DEMO", "PUB"), "/DEMO/PUB");
  EXPECT_EQ(FolderToShow("/", "DEMO"), "/DEMO");
  EXPECT_EQ(FolderToShow("/DEMO", "/SYS/PUB"), "/SYS/PUB");
  EXPECT_EQ(FolderToShow("/DEMO", ""), std::nullopt);
  EXPECT_EQ(JoinHostPath("/", "A"), "/A");
  EXPECT_EQ(JoinHostPath("/DEMO", "A B"), "/DEMO/A B");
}

TEST(LookInComponents, CumulativeFromTheRoot) {
  EXPECT_EQ(
      LookInComponents("/DEMO/PUB"),
      (std::vector<LookInItem>{{"/", "/", 0}, {"/DEMO", "DEMO", 1}, {"/DEMO/PUB", "PUB", 2}}));
  EXPECT_EQ(LookInComponents("/"), (std::vector<LookInItem>{{"/", "/", 0}}));
  EXPECT_TRUE(LookInComponents("").empty());
}

TEST(ListingColumns, MpeFileCodeAndEmptyColumnsOfNonFiles) {
  const std::vector<ListingColumn> mpe = ListingColumns(kHostKindMpe);
  ASSERT_EQ(mpe.size(), 9u);
  EXPECT_EQ(mpe[2], ListingColumn::kFileCode);
  EXPECT_EQ(ListingColumns(0).size(), 8u);
  EXPECT_EQ(ListingColumns(0)[2], ListingColumn::kPermissions);

  const HostFileInfo cobol = Entry("ORDRPT", "-rw-r--r--", 800, 1052);
  EXPECT_EQ(ListingCellText(cobol, ListingColumn::kFileCode, kHostKindMpe), "EDTCT");
  EXPECT_EQ(ListingCellText(cobol, ListingColumn::kOwner, kHostKindMpe), "MGR");
  EXPECT_EQ(ListingCellText(cobol, ListingColumn::kModified, kHostKindMpe), "2023-11-14 22:13");
  EXPECT_EQ(ListingCellText(Entry("X", "-rw", 1, 0), ListingColumn::kFileCode, kHostKindMpe), "");
  EXPECT_EQ(ListingCellText(Entry("X", "-rw", 1, 4242), ListingColumn::kFileCode, kHostKindMpe),
            "4242");
  // A group: nothing after the file code on MPE/iX, everything elsewhere.
  const HostFileInfo group = Entry("PUB", "drwxr-xr-x", 4096, 0, kFileInfoCannotLock);
  EXPECT_EQ(ListingCellText(group, ListingColumn::kSize, kHostKindMpe), "4096");
  EXPECT_EQ(ListingCellText(group, ListingColumn::kPermissions, kHostKindMpe), "");
  EXPECT_EQ(ListingCellText(group, ListingColumn::kModified, kHostKindMpe), "");
  EXPECT_EQ(ListingCellText(group, ListingColumn::kPermissions, 0), "drwxr-xr-x");
}

std::vector<std::string> Names(const std::vector<HostFileInfo>& entries) {
  std::vector<std::string> names;
  for (const HostFileInfo& entry : entries) names.push_back(entry.name);
  return names;
}

TEST(SortListingEntries, FoldersFirstAscendingLastDescendingAndTheColumnsKinds) {
  std::vector<HostFileInfo> entries = {Entry("beta", "-rw", 10), Entry("Zeta", "drw", 0),
                                       Entry("alpha", "-rw", 9), Entry("Gamma", "-rw", 100),
                                       Entry("able", "drw", 0)};
  SortListingEntries(entries, ListingColumn::kName, false);
  EXPECT_EQ(Names(entries), (std::vector<std::string>{"able", "Zeta", "alpha", "beta", "Gamma"}));
  SortListingEntries(entries, ListingColumn::kName, true);
  EXPECT_EQ(Names(entries), (std::vector<std::string>{"Gamma", "beta", "alpha", "Zeta", "able"}));
  // Sizes as numbers: 9 < 10 < 100, not as text.
  SortListingEntries(entries, ListingColumn::kSize, false);
  EXPECT_EQ(Names(entries), (std::vector<std::string>{"Zeta", "able", "alpha", "beta", "Gamma"}));

  ListingSort sort;
  sort = SortAfterHeaderClick(sort, ListingColumn::kSize);
  EXPECT_EQ(sort, (ListingSort{ListingColumn::kSize, false}));
  sort = SortAfterHeaderClick(sort, ListingColumn::kSize);
  EXPECT_EQ(sort, (ListingSort{ListingColumn::kSize, true}));
  sort = SortAfterHeaderClick(sort, ListingColumn::kName);
  EXPECT_EQ(sort, (ListingSort{ListingColumn::kName, false}));
}

TEST(UploadName, MpeCutsAtTheFirstDotAndUpperCases) {
  EXPECT_EQ(UploadName("/home/me/src/ordrpt.cbl.bak", kHostKindMpe), "ORDRPT");
  EXPECT_EQ(UploadName("/home/me/src/ordrpt.cbl", 0), "ordrpt.cbl");
  EXPECT_EQ(UploadName("C:\\work\\stats.pas", kHostKindMpe), "STATS");
  EXPECT_EQ(UploadName("/home/me/.profile", kHostKindMpe), "");
}

TEST(ParseFileNames, QuotedNamesAndPlainText) {
  EXPECT_EQ(ParseFileNames("\"A\" \"B C\"  \"D\""), (std::vector<std::string>{"A", "B C", "D"}));
  EXPECT_EQ(ParseFileNames("  my file.txt "), (std::vector<std::string>{"my file.txt"}));
  EXPECT_EQ(ParseFileNames("\"A\" B \"C"), (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_EQ(ParseFileNames("\"\" \"X\""), (std::vector<std::string>{"X"}));
  EXPECT_TRUE(ParseFileNames("   ").empty());
}

TEST(FilterPatterns, PatternsAndMatching) {
  EXPECT_EQ(FilterPatterns("All Files (*.*)"), (std::vector<std::string>{"*.*"}));
  const auto sources = FilterPatterns("Sources (*.c; *.h)");
  EXPECT_EQ(sources, (std::vector<std::string>{"*.c", "*.h"}));
  EXPECT_TRUE(MatchesFilter("ORDRPT", FilterPatterns("All Files (*.*)"), kHostKindMpe));
  EXPECT_TRUE(MatchesFilter("main.c", sources, 0));
  EXPECT_FALSE(MatchesFilter("MAIN.C", sources, 0));
  EXPECT_TRUE(MatchesFilter("MAIN.C", sources, kHostKindMpe));
}

}  // namespace
}  // namespace vandrel::remote
