#include "core/co_list.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace vandrel {
namespace {

std::vector<void*> Items(const coList& list) {
  std::vector<void*> items;
  for (coList::Node* pos = list.Head(); pos != nullptr;) items.push_back(list.GetNext(pos));
  return items;
}

std::vector<std::uint32_t> Ids(const coList& list) {
  std::vector<std::uint32_t> ids;
  for (coList::Node* pos = list.Head(); pos != nullptr;) {
    ids.push_back(list.IdOf(pos));
    list.GetNext(pos);
  }
  return ids;
}

TEST(CoListTest, FirstAppendIsHeadAndTailWithIdentityOne) {
  coList list;
  EXPECT_EQ(list.Head(), nullptr);
  EXPECT_EQ(list.Tail(), nullptr);
  EXPECT_EQ(list.NextIdentity(), 1u);
  int a = 0;
  coList::Node* node = list.Append(&a);
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(list.Head(), node);
  EXPECT_EQ(list.Tail(), node);
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(list.IdOf(node), 1u);
  EXPECT_EQ(list.ItemOf(node), &a);
  EXPECT_EQ(list.NextIdentity(), 1u);
}

TEST(CoListTest, AppendAndPrependKeepOrderAndNumberEachInsertion) {
  coList list;
  int a = 0, b = 0, c = 0;
  list.Append(&a);
  list.Append(&b);
  coList::Node* front = list.Prepend(&c);
  EXPECT_EQ(list.Head(), front);
  EXPECT_EQ(list.ItemOf(list.Tail()), &b);
  EXPECT_EQ(Items(list), (std::vector<void*>{&c, &a, &b}));
  EXPECT_EQ(Ids(list), (std::vector<std::uint32_t>{3, 1, 2}));
  EXPECT_EQ(list.NextIdentity(), 3u);
  EXPECT_EQ(list.Count(), 3);
}

TEST(CoListTest, GetNextOnTailReturnsItsItemAndEndsIteration) {
  coList list;
  int a = 0, b = 0;
  list.Append(&a);
  list.Append(&b);
  coList::Node* pos = list.Tail();
  EXPECT_EQ(list.GetNext(pos), &b);
  EXPECT_EQ(pos, nullptr);
}

TEST(CoListTest, RemoveRelinksNeighboursAndReturnsCount) {
  coList list;
  int a = 0, b = 0, c = 0, d = 0;
  coList::Node* na = list.Append(&a);
  coList::Node* nb = list.Append(&b);
  list.Append(&c);
  coList::Node* nd = list.Append(&d);

  EXPECT_EQ(list.Remove(nb), 3);  // middle
  EXPECT_EQ(Items(list), (std::vector<void*>{&a, &c, &d}));
  EXPECT_EQ(list.Remove(na), 2);  // head
  EXPECT_EQ(list.ItemOf(list.Head()), &c);
  EXPECT_EQ(list.Remove(nd), 1);  // tail
  EXPECT_EQ(list.ItemOf(list.Tail()), &c);
  EXPECT_EQ(list.Head(), list.Tail());
  EXPECT_EQ(Items(list), (std::vector<void*>{&c}));
}

TEST(CoListTest, RemovingOnlyNodeEmptiesListAndSparesIt) {
  coList list;
  int a = 0;
  coList::Node* node = list.Append(&a);
  EXPECT_EQ(list.Remove(node), 0);
  EXPECT_EQ(list.Head(), nullptr);
  EXPECT_EQ(list.Tail(), nullptr);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.SpareHead(), node);
  EXPECT_EQ(list.SpareCount(), 1);
  EXPECT_EQ(list.ItemOf(node), nullptr);  // cleared when spared
}

TEST(CoListTest, RemovedIdentityIsNotHandedOutAgainButMemoryIs) {
  coList list;
  int a = 0, b = 0;
  coList::Node* first = list.Append(&a);
  list.Remove(first);
  coList::Node* second = list.Append(&b);
  EXPECT_EQ(second, first);  // the spare node is reused
  EXPECT_EQ(list.IdOf(second), 2u);
  EXPECT_EQ(list.NextIdentity(), 2u);
  EXPECT_EQ(list.FindById(1), nullptr);
  EXPECT_EQ(list.SpareCount(), 0);
}

TEST(CoListTest, IdentitiesStayUniqueAmongLiveNodesUnderChurn) {
  coList list;
  std::vector<int> items(8);
  std::vector<coList::Node*> live;
  std::uint32_t last = 0;
  for (int round = 0; round < 200; ++round) {
    coList::Node* node =
        (round % 3 == 0) ? list.Prepend(&items[round % 8]) : list.Append(&items[round % 8]);
    ASSERT_NE(node, nullptr);
    EXPECT_GT(list.IdOf(node), last);
    last = list.IdOf(node);
    live.push_back(node);
    if (live.size() > 5) {
      list.Remove(live[round % live.size()]);
      live.erase(live.begin() + static_cast<long>(round % live.size()));
    }
    std::vector<std::uint32_t> ids = Ids(list);
    EXPECT_EQ(std::set<std::uint32_t>(ids.begin(), ids.end()).size(), ids.size());
    EXPECT_EQ(ids.size(), static_cast<std::size_t>(list.Count()));
  }
}

TEST(CoListTest, SpareNodesAreReusedMostRecentlyRemovedFirst) {
  coList list;
  int a = 0, b = 0, c = 0;
  coList::Node* na = list.Append(&a);
  coList::Node* nb = list.Append(&b);
  list.Append(&c);
  list.Remove(na);
  list.Remove(nb);
  EXPECT_EQ(list.SpareHead(), nb);
  EXPECT_EQ(list.SpareCount(), 2);
  EXPECT_EQ(list.Prepend(&a), nb);
  EXPECT_EQ(list.Append(&b), na);
  EXPECT_EQ(list.SpareCount(), 0);
  EXPECT_EQ(Items(list), (std::vector<void*>{&a, &c, &b}));
}

TEST(CoListTest, FindScansFromHead) {
  coList list;
  int a = 0, b = 0, missing = 0;
  list.Append(&a);
  coList::Node* firstB = list.Append(&b);
  list.Append(&b);
  coList::Node* third = list.Tail();
  EXPECT_EQ(list.Find(&b), firstB);
  EXPECT_EQ(list.Find(&missing), nullptr);
  EXPECT_EQ(list.FindById(3), third);
  EXPECT_EQ(list.FindById(0), nullptr);
  EXPECT_EQ(list.FindById(4), nullptr);
  list.Remove(firstB);
  EXPECT_EQ(list.Find(&b), third);
  EXPECT_EQ(list.FindById(2), nullptr);
}

TEST(CoListTest, RemoveAllFreesNodesButKeepsIdentityCounter) {
  coList list;
  int a = 0, b = 0, c = 0;
  list.Append(&a);
  coList::Node* nb = list.Append(&b);
  list.Append(&c);
  list.Remove(nb);
  list.RemoveAll();
  EXPECT_EQ(list.Head(), nullptr);
  EXPECT_EQ(list.Tail(), nullptr);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.SpareHead(), nullptr);
  EXPECT_EQ(list.NextIdentity(), 3u);
  coList::Node* fresh = list.Append(&a);
  EXPECT_GT(list.IdOf(fresh), 3u);
}

TEST(CoListTest, NullItemIsStoredInReleaseBuilds) {
#ifdef NDEBUG
  coList list;
  coList::Node* node = list.Append(nullptr);
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(list.ItemOf(node), nullptr);
  EXPECT_EQ(list.Count(), 1);
  list.RootOperation();  // a null item is passed over
#else
  coList list;
  EXPECT_DEATH(list.Append(nullptr), "null item");
#endif
}

class CountingItem : public coObject {
 public:
  CountingItem(std::vector<int>* log, int tag) : log_(log), tag_(tag) {}
  ~CountingItem() override { log_->push_back(-tag_); }
  void RootOperation() override { log_->push_back(tag_); }

 private:
  std::vector<int>* log_;
  int tag_;
};

TEST(CoListTest, RootOperationReachesEveryItemInOrderAndItemsAreNotOwned) {
  std::vector<int> log;
  CountingItem one(&log, 1), two(&log, 2), three(&log, 3);
  {
    coList list;
    list.Append(&two);
    list.Append(&three);
    list.Prepend(&one);
    list.RootOperation();
    EXPECT_EQ(log, (std::vector<int>{1, 2, 3}));
    list.Remove(list.Find(&two));
    list.RemoveAll();
  }
  EXPECT_EQ(log, (std::vector<int>{1, 2, 3}));  // no item was destroyed by the list
}

TEST(CoListTest, MoveHandsOverNodesAndCounter) {
  coList source;
  int a = 0, b = 0;
  coList::Node* na = source.Append(&a);
  source.Append(&b);
  source.Remove(na);
  coList target(std::move(source));
  EXPECT_EQ(target.Count(), 1);
  EXPECT_EQ(target.SpareHead(), na);
  EXPECT_EQ(target.NextIdentity(), 2u);
  EXPECT_EQ(source.Count(), 0);  // NOLINT(bugprone-use-after-move)
  EXPECT_EQ(source.Head(), nullptr);
  EXPECT_EQ(source.SpareHead(), nullptr);
  EXPECT_EQ(source.NextIdentity(), 1u);
}

// A queue filled and drained over and over allocates only during its first
// fill: every later node comes from the spare chain.
TEST(CoListTest, FillAndDrainQueueReusesItsFirstNodes) {
  constexpr int kDepth = 16;
  coList queue;
  std::vector<int> requests(kDepth);
  std::set<const coList::Node*> firstFill;
  for (int& request : requests) firstFill.insert(queue.Append(&request));
  ASSERT_EQ(firstFill.size(), static_cast<std::size_t>(kDepth));

  for (int round = 0; round < 50; ++round) {
    while (queue.Head() != nullptr) {
      coList::Node* front = queue.Head();
      queue.Remove(front);
    }
    EXPECT_EQ(queue.SpareCount(), kDepth);
    for (int& request : requests) {
      coList::Node* node = queue.Append(&request);
      EXPECT_TRUE(firstFill.count(node) == 1) << "round " << round << " allocated a new node";
    }
    EXPECT_EQ(queue.SpareCount(), 0);
    EXPECT_EQ(Items(queue).size(), static_cast<std::size_t>(kDepth));
  }
  EXPECT_EQ(queue.NextIdentity(), static_cast<std::uint32_t>(kDepth * 51));
}

}  // namespace
}  // namespace vandrel
