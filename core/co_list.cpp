#include "core/co_list.h"

#include <cassert>
#include <new>
#include <utility>

namespace vandrel {

coList::~coList() {
  FreeChain(head_);
  FreeChain(spare_);
}

coList::coList(coList&& other) noexcept
    : head_(std::exchange(other.head_, nullptr)),
      tail_(std::exchange(other.tail_, nullptr)),
      count_(std::exchange(other.count_, 0)),
      spare_(std::exchange(other.spare_, nullptr)),
      nextIdentity_(std::exchange(other.nextIdentity_, 1)),
      identityIssued_(std::exchange(other.identityIssued_, false)) {}

coList& coList::operator=(coList&& other) noexcept {
  if (this != &other) {
    FreeChain(head_);
    FreeChain(spare_);
    head_ = std::exchange(other.head_, nullptr);
    tail_ = std::exchange(other.tail_, nullptr);
    count_ = std::exchange(other.count_, 0);
    spare_ = std::exchange(other.spare_, nullptr);
    nextIdentity_ = std::exchange(other.nextIdentity_, 1);
    identityIssued_ = std::exchange(other.identityIssued_, false);
  }
  return *this;
}

void coList::FreeChain(Node* node) {
  while (node != nullptr) {
    delete std::exchange(node, node->next_);
  }
}

void coList::RemoveAll() {
  FreeChain(head_);
  FreeChain(spare_);
  head_ = nullptr;
  tail_ = nullptr;
  count_ = 0;
  spare_ = nullptr;
}

coList::Node* coList::TakeNode() {
  if (spare_ != nullptr) {
    Node* node = spare_;
    spare_ = node->next_;
    node->next_ = nullptr;
    return node;
  }
  return new (std::nothrow) Node;
}

// Starts from the counter and moves up past every identity that is taken: by a
// live node, or by the node that last received the counter's value (which may
// have been removed since, while someone still holds its identity). Zero is
// never an identity, so the counter skips it when it wraps. The counter is left
// at the value chosen.
std::uint32_t coList::ChooseIdentity() {
  std::uint32_t identity = nextIdentity_;
  if (identityIssued_) ++identity;
  while (identity == 0 || FindById(identity) != nullptr) ++identity;
  nextIdentity_ = identity;
  identityIssued_ = true;
  return identity;
}

coList::Node* coList::Append(void* item) {
  assert(item != nullptr && "coList::Append: null item");
  Node* node = TakeNode();
  if (node == nullptr) return nullptr;
  node->identity_ = ChooseIdentity();
  node->item_ = item;
  node->previous_ = tail_;
  node->next_ = nullptr;
  if (tail_ != nullptr) {
    tail_->next_ = node;
  } else {
    head_ = node;
  }
  tail_ = node;
  ++count_;
  return node;
}

coList::Node* coList::Prepend(void* item) {
  assert(item != nullptr && "coList::Prepend: null item");
  Node* node = TakeNode();
  if (node == nullptr) return nullptr;
  node->identity_ = ChooseIdentity();
  node->item_ = item;
  node->previous_ = nullptr;
  node->next_ = head_;
  if (head_ != nullptr) {
    head_->previous_ = node;
  } else {
    tail_ = node;
  }
  head_ = node;
  ++count_;
  return node;
}

void* coList::GetNext(Node*& position) const {
  assert(position != nullptr && "coList::GetNext: null position");
  Node* node = position;
  position = node->next_;
  return node->item_;
}

coList::Node* coList::Find(const void* item) const {
  assert(item != nullptr && "coList::Find: null item");
  for (Node* node = head_; node != nullptr; node = node->next_) {
    if (node->item_ == item) return node;
  }
  return nullptr;
}

coList::Node* coList::FindById(std::uint32_t identity) const {
  for (Node* node = head_; node != nullptr; node = node->next_) {
    if (node->identity_ == identity) return node;
  }
  return nullptr;
}

bool coList::Holds(const Node* node) const {
  for (const Node* live = head_; live != nullptr; live = live->next_) {
    if (live == node) return true;
  }
  return false;
}

std::int32_t coList::Remove(Node* node) {
  assert(node != nullptr && "coList::Remove: null node");
  assert(Holds(node) && "coList::Remove: node is not a live node of this list");
  if (node->previous_ != nullptr) {
    node->previous_->next_ = node->next_;
  } else {
    head_ = node->next_;
  }
  if (node->next_ != nullptr) {
    node->next_->previous_ = node->previous_;
  } else {
    tail_ = node->previous_;
  }
  node->item_ = nullptr;
  node->previous_ = nullptr;
  node->next_ = spare_;
  spare_ = node;
  return --count_;
}

void* coList::ItemOf(const Node* node) const {
  assert(node != nullptr && "coList::ItemOf: null node");
  return node->item_;
}

std::uint32_t coList::IdOf(const Node* node) const {
  assert(node != nullptr && "coList::IdOf: null node");
  return node->identity_;
}

void coList::RootOperation() {
  // The successor is taken first, so an item may remove its own node.
  for (Node* node = head_; node != nullptr;) {
    void* item = GetNext(node);
    if (item != nullptr) static_cast<coObject*>(item)->RootOperation();
  }
}

std::int32_t coList::SpareCount() const {
  std::int32_t spares = 0;
  for (const Node* node = spare_; node != nullptr; node = node->next_) ++spares;
  return spares;
}

}  // namespace vandrel
