#include "core/three_way_merge.h"

#include <gtest/gtest.h>

namespace vandrel {
namespace {

using Lines = std::vector<std::string>;
using Kind = MergeChunk::Kind;

std::vector<Kind> Kinds(const std::vector<MergeChunk>& chunks) {
  std::vector<Kind> kinds;
  for (const MergeChunk& chunk : chunks) kinds.push_back(chunk.kind);
  return kinds;
}

TEST(ThreeWayMerge, ChangesToDifferentLinesCombineWithoutAQuestion) {
  const Lines base = {"a", "b", "c", "d", "e", "f"};
  // Mine changes b and appends; theirs removes d and inserts before a.
  const Lines mine = {"a", "B", "c", "d", "e", "f", "g"};
  const Lines theirs = {"0", "a", "b", "c", "e", "f"};
  const auto chunks = MergeLines(base, mine, theirs);
  EXPECT_EQ(CountConflicts(chunks), 0u);
  EXPECT_EQ(JoinMerge(chunks), (Lines{"0", "a", "B", "c", "e", "f", "g"}));
  EXPECT_EQ(Kinds(chunks), (std::vector<Kind>{Kind::kTheirs, Kind::kSame, Kind::kMine, Kind::kSame,
                                              Kind::kTheirs, Kind::kSame, Kind::kMine}));
  // Nothing changed on either side: one stretch, the text itself.
  EXPECT_EQ(Kinds(MergeLines(base, base, base)), std::vector<Kind>{Kind::kSame});
  EXPECT_TRUE(MergeLines({}, {}, {}).empty());
}

TEST(ThreeWayMerge, TheSameLineChangedTwiceIsAConflictTheUserDecides) {
  const Lines base = {"a", "b", "c"};
  const auto chunks = MergeLines(base, {"a", "mine", "c"}, {"a", "theirs", "c"});
  ASSERT_EQ(CountConflicts(chunks), 1u);
  const MergeChunk& conflict = chunks[1];
  EXPECT_EQ(conflict.base, Lines{"b"});
  EXPECT_EQ(conflict.mine, Lines{"mine"});
  EXPECT_EQ(conflict.theirs, Lines{"theirs"});
  EXPECT_EQ(conflict.baseStart, 1u);
  EXPECT_EQ(JoinMerge(chunks, {true}), (Lines{"a", "mine", "c"}));
  EXPECT_EQ(JoinMerge(chunks, {false}), (Lines{"a", "theirs", "c"}));

  // One side's removal against the other's change conflicts too; the same
  // change on both sides does not.
  EXPECT_EQ(CountConflicts(MergeLines(base, {"a", "c"}, {"a", "B", "c"})), 1u);
  const auto same = MergeLines(base, {"a", "B", "c"}, {"a", "B", "c"});
  EXPECT_EQ(Kinds(same), (std::vector<Kind>{Kind::kSame, Kind::kBoth, Kind::kSame}));
  EXPECT_EQ(JoinMerge(same), (Lines{"a", "B", "c"}));
  // Different lines added at the same place: a conflict, both kept apart.
  const auto added = MergeLines(base, {"a", "b", "c", "x"}, {"a", "b", "c", "y"});
  ASSERT_EQ(CountConflicts(added), 1u);
  EXPECT_TRUE(added.back().base.empty());
}

// Applying the edits from the last to the first turns mine into the merge,
// whatever the conflicts' choices, and replaces only what the other side
// brought in.
TEST(ThreeWayMerge, EditsOfMineTurnMineIntoTheMerge) {
  const Lines base = {"a", "b", "c", "d", "e", "f"};
  const Lines mine = {"a", "B", "c", "d", "E", "f", "g"};
  const Lines theirs = {"0", "a", "b", "c", "d", "X", "f", "h"};
  const auto chunks = MergeLines(base, mine, theirs);
  ASSERT_EQ(CountConflicts(chunks), 2u);  // E against X, g against h
  for (const std::vector<bool>& choice :
       std::vector<std::vector<bool>>{{true, true}, {false, false}, {true, false}, {false, true}}) {
    Lines edited = mine;
    const auto edits = EditsOfMine(chunks, choice);
    for (auto edit = edits.rbegin(); edit != edits.rend(); ++edit) {
      const auto at = edited.begin() + static_cast<std::ptrdiff_t>(edit->first);
      edited.erase(at, at + static_cast<std::ptrdiff_t>(edit->count));
      edited.insert(edited.begin() + static_cast<std::ptrdiff_t>(edit->first), edit->lines.begin(),
                    edit->lines.end());
    }
    EXPECT_EQ(edited, JoinMerge(chunks, choice));
  }
  // Keeping mine everywhere leaves only the other side's own stretches.
  EXPECT_EQ(EditsOfMine(chunks, {true, true}), (std::vector<LineReplacement>{{0, 0, {"0"}}}));
  EXPECT_TRUE(EditsOfMine(MergeLines(base, mine, base)).empty());
}

}  // namespace
}  // namespace vandrel
