// Singly linked list of CZelBase items, owning them or not.
#pragma once

#include <cstddef>

#include "common/ZelBase.h"

class CZelListNode {
  public:
    explicit CZelListNode(CZelBase* listItem) : item(listItem) {}
    virtual ~CZelListNode() = default;

    CZelBase* item;
    CZelListNode* next = nullptr;
};

class CZelList : public CZelBase {
  public:
    explicit CZelList(bool ownsItems);
    ~CZelList() override;

    // False, and the item stays the caller's, when duplicates are refused and an equal item is in.
    bool Add(CZelBase* item, bool allowDuplicates = true);
    size_t Count() const;
    int RemoveHead();
    CZelBase* First();
    CZelBase* Next();
    CZelBase* Head() const { return head_ != nullptr ? head_->item : nullptr; }
    void Clear();
    void Sort();

  private:
    void Unlink(bool destroyItems);

    CZelListNode* head_ = nullptr;
    CZelListNode* tail_ = nullptr;
    CZelListNode* current_ = nullptr;
    bool ownsItems_;
};
