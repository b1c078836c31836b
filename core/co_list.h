// coList: a doubly linked list of untyped item pointers. Each live node carries
// an identity, a small non-zero number unique among the list's live nodes, by
// which other code refers to an entry across time (a thread is found by its
// identity, never by a kept pointer).
//
// The list never owns its items: removing a node or destroying the list frees
// nodes only, and callers free their items themselves. Removed nodes are kept
// on a chain of spare nodes and reused before any new node is allocated, so a
// queue that is filled and drained repeatedly stops allocating after its first
// fill.
//
// Not thread-safe; lists shared between threads are guarded by their owner.
#pragma once

#include <cstdint>

#include "core/root_object.h"

namespace vandrel {

class coList : public coObject {
 public:
  // One entry. Its fields are reached through the list (ItemOf, IdOf,
  // GetNext); a node pointer is only meaningful to the list that returned it.
  class Node {
   private:
    friend class coList;
    Node* previous_ = nullptr;
    void* item_ = nullptr;
    std::uint32_t identity_ = 0;
    Node* next_ = nullptr;
  };

  coList() = default;
  ~coList() override;

  coList(const coList&) = delete;
  coList& operator=(const coList&) = delete;
  // Moving hands over every node, live and spare, and the identity counter;
  // the source is left as a new list.
  coList(coList&& other) noexcept;
  coList& operator=(coList&& other) noexcept;

  // Frees all live and spare nodes. Items are not touched. The identity
  // counter is kept, so later entries never take an identity used before.
  void RemoveAll();

  // Insert a new node after the tail or before the head and return it, or
  // nullptr (with the list unchanged) when memory is exhausted. A null item is
  // stored like any other, though debug builds assert against it.
  Node* Append(void* item);
  Node* Prepend(void* item);

  Node* Head() const { return head_; }
  Node* Tail() const { return tail_; }

  // Returns the item at `position` and moves `position` to the following node
  // (nullptr after the last). Iteration:
  //   for (auto* pos = list.Head(); pos != nullptr;) { void* item = list.GetNext(pos); ... }
  void* GetNext(Node*& position) const;

  // Linear scans from the head; the first match, or nullptr.
  Node* Find(const void* item) const;
  Node* FindById(std::uint32_t identity) const;

  // Unlinks a live node of this list, clears its item and puts it at the front
  // of the spare chain. Returns the number of live nodes left.
  std::int32_t Remove(Node* node);

  void* ItemOf(const Node* node) const;
  std::uint32_t IdOf(const Node* node) const;

  // Applies RootOperation to every item from head to tail; the items must be
  // root objects. Null items are skipped.
  void RootOperation() override;

  std::int32_t Count() const { return count_; }
  // The identity counter: the identity most recently given to a node, or 1
  // before the first insertion.
  std::uint32_t NextIdentity() const { return nextIdentity_; }
  // The spare chain, most recently removed node first.
  const Node* SpareHead() const { return spare_; }
  std::int32_t SpareCount() const;

 private:
  // The first spare node, or a newly allocated one; nullptr when out of memory.
  Node* TakeNode();
  std::uint32_t ChooseIdentity();
  bool Holds(const Node* node) const;
  static void FreeChain(Node* node);

  Node* head_ = nullptr;
  Node* tail_ = nullptr;
  std::int32_t count_ = 0;
  Node* spare_ = nullptr;
  std::uint32_t nextIdentity_ = 1;
  // Whether nextIdentity_ has been given to a node; it is then passed over,
  // even after that node has been removed.
  bool identityIssued_ = false;
};

}  // namespace vandrel
