#include "http/ZelConnectionInfo.h"

CZelConnectionInfo::CZelConnectionInfo(const CZelString& key, uint32_t lifetimeMs)
    : CZelBase("CZelConnectionInfo"), Expiry(CreateTimer(lifetimeMs)), Key(key) {}

bool CZelConnectionInfo::IsEqual(const CZelBase& other) const {
    return Remaining() == static_cast<const CZelConnectionInfo&>(other).Remaining();
}

bool CZelConnectionInfo::IsGreater(const CZelBase& other) const {
    return Remaining() > static_cast<const CZelConnectionInfo&>(other).Remaining();
}

bool CZelConnectionInfo::IsLess(const CZelBase& other) const {
    return Remaining() < static_cast<const CZelConnectionInfo&>(other).Remaining();
}
