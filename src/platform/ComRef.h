// Holds one reference to a COM interface and releases it when it goes.
#pragma once

namespace platform {

template <class I>
class ComRef {
  public:
    ComRef() = default;
    ~ComRef() { Reset(); }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;

    // Where a call stores a new reference; what was held is released first.
    I** Out() {
        Reset();
        return &pointer_;
    }
    I* Get() const { return pointer_; }
    I* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }
    void Reset() {
        if (pointer_ != nullptr)
            pointer_->Release();
        pointer_ = nullptr;
    }

  private:
    I* pointer_ = nullptr;
};

}  // namespace platform
