// A VARIANT owned by one holder: cleared when the holder goes, and before each reuse as an [out]
// argument.
#pragma once

#include "automation/Automation.h"

class UniqueVariant {
  public:
    UniqueVariant() { VariantInit(&value_); }
    ~UniqueVariant() { VariantClear(&value_); }
    UniqueVariant(const UniqueVariant&) = delete;
    UniqueVariant& operator=(const UniqueVariant&) = delete;

    const VARIANT& get() const { return value_; }
    VARIANT* put() {
        VariantClear(&value_);
        return &value_;
    }
    // The value, to the caller; the holder is left empty.
    VARIANT release() {
        VARIANT value = value_;
        VariantInit(&value_);
        return value;
    }

  private:
    VARIANT value_;
};
