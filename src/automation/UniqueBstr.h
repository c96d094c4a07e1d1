// A BSTR owned by one holder: freed when the holder goes, handed on by move or release().
#pragma once

#include <utility>

#include "automation/Automation.h"

class UniqueBstr {
  public:
    UniqueBstr() = default;
    explicit UniqueBstr(BSTR owned) : value_(owned) {}
    ~UniqueBstr() { SysFreeString(value_); }
    UniqueBstr(UniqueBstr&& other) noexcept : value_(other.release()) {}
    UniqueBstr& operator=(UniqueBstr&& other) noexcept {
        reset(other.release());
        return *this;
    }
    UniqueBstr(const UniqueBstr&) = delete;
    UniqueBstr& operator=(const UniqueBstr&) = delete;

    BSTR get() const { return value_; }
    // For an [out] argument: what the holder had is freed first.
    BSTR* put() {
        reset();
        return &value_;
    }
    BSTR release() { return std::exchange(value_, nullptr); }
    void reset(BSTR owned = nullptr) { SysFreeString(std::exchange(value_, owned)); }

  private:
    BSTR value_ = nullptr;
};
