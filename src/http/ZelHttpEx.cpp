#include "http/ZelHttpEx.h"

#include "http/ZelConnectionInfo.h"

CZelHttpEx::CZelHttpEx() : CZelBase("CZelHttpEx") {}

// Handles are closed by Shutdown, which the owner calls; the cache records die with the list.
CZelHttpEx::~CZelHttpEx() = default;

void CZelHttpEx::SetLogFile(const char* path) {
    CZelBase::SetLogFile(path);
    Binding.SetLogFile(path);
}

void CZelHttpEx::Shutdown() {
    for (CZelBase* item = Connections.First(); item != nullptr; item = Connections.Next()) {
        auto* record = static_cast<CZelConnectionInfo*>(item);
        if (Binding.IsLoaded()) {
            Binding.WinHttpCloseHandle(record->Request);
            Binding.WinHttpCloseHandle(record->Connection);
        }
    }
    Connections.Clear();
    if (Session != nullptr && Binding.IsLoaded()) {
        Binding.WinHttpCloseHandle(Session);
        Session = nullptr;
    }
    Binding.Unload();
    Initialized = 0;
}
