// One cached WinHTTP connection, keyed by host and port.
#pragma once

#include "common/ZelBase.h"
#include "platform/WinHttpTypes.h"

class CZelConnectionInfo : public CZelBase {
  public:
    CZelConnectionInfo(const CZelString& key, uint32_t lifetimeMs);
    ~CZelConnectionInfo() override = default;

    // Ordered by remaining lifetime.
    bool IsEqual(const CZelBase& other) const override;
    bool IsGreater(const CZelBase& other) const override;
    bool IsLess(const CZelBase& other) const override;

    uint32_t Remaining() const { return TimerRemaining(Expiry); }

    CZelTimer* Expiry;
    HINTERNET Connection = nullptr;
    HINTERNET Request = nullptr;
    CZelString Key;
};
