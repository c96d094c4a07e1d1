#include "common/ZelList.h"

#include <utility>
#include <vector>

namespace {

// Ascending by IsGreater/IsEqual, the last element as pivot. Recursing into the smaller side keeps
// the depth logarithmic on sorted input.
void QuickSort(std::vector<CZelBase*>& items, ptrdiff_t low, ptrdiff_t high) {
    while (low < high) {
        CZelBase* pivot = items[static_cast<size_t>(high)];
        ptrdiff_t store = low;
        for (ptrdiff_t i = low; i < high; ++i) {
            CZelBase* item = items[static_cast<size_t>(i)];
            if (pivot->IsGreater(*item) || item->IsEqual(*pivot))
                std::swap(items[static_cast<size_t>(i)], items[static_cast<size_t>(store++)]);
        }
        std::swap(items[static_cast<size_t>(store)], items[static_cast<size_t>(high)]);
        if (store - low < high - store) {
            QuickSort(items, low, store - 1);
            low = store + 1;
        } else {
            QuickSort(items, store + 1, high);
            high = store - 1;
        }
    }
}

}  // namespace

CZelList::CZelList(bool ownsItems) : CZelBase("CZelList"), ownsItems_(ownsItems) {}

CZelList::~CZelList() {
    Clear();
}

bool CZelList::Add(CZelBase* item, bool allowDuplicates) {
    if (!allowDuplicates) {
        for (CZelListNode* node = head_; node != nullptr; node = node->next)
            if (node->item->IsEqual(*item))
                return false;
    }
    auto* node = new CZelListNode(item);
    if (head_ == nullptr) {
        head_ = node;
    } else {
        CZelListNode* last = tail_;
        if (last == nullptr)
            for (last = head_; last->next != nullptr; last = last->next) {
            }
        last->next = node;
    }
    tail_ = node;
    current_ = head_;
    return true;
}

size_t CZelList::Count() const {
    size_t count = 0;
    for (CZelListNode* node = head_; node != nullptr; node = node->next) ++count;
    return count;
}

int CZelList::RemoveHead() {
    if (head_ == nullptr)
        return -1;
    CZelListNode* node = head_;
    head_ = node->next;
    if (current_ == node)
        current_ = head_;
    tail_ = nullptr;
    if (ownsItems_)
        delete node->item;
    delete node;
    return 0;
}

CZelBase* CZelList::First() {
    current_ = head_;
    return current_ != nullptr ? current_->item : nullptr;
}

CZelBase* CZelList::Next() {
    if (current_ != nullptr)
        current_ = current_->next;
    return current_ != nullptr ? current_->item : nullptr;
}

void CZelList::Clear() {
    Unlink(ownsItems_);
}

void CZelList::Unlink(bool destroyItems) {
    while (head_ != nullptr) {
        CZelListNode* node = head_;
        head_ = node->next;
        if (destroyItems)
            delete node->item;
        delete node;
    }
    tail_ = current_ = nullptr;
}

void CZelList::Sort() {
    std::vector<CZelBase*> items;
    for (CZelListNode* node = head_; node != nullptr; node = node->next)
        items.push_back(node->item);
    if (items.size() < 2)
        return;
    QuickSort(items, 0, static_cast<ptrdiff_t>(items.size()) - 1);
    Unlink(false);
    for (CZelBase* item : items) Add(item, true);
}
