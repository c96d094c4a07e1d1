// The class object of one creatable class. Class objects live as long as the module and count
// their references atomically: several apartments may hold them.
#pragma once

#include <atomic>

#include "automation/Automation.h"

// The creation function of a class: a new object, alone or aggregated into outer.
using ObjectCreator = HRESULT (*)(IUnknown* outer, REFIID riid, void** ppv);

class CClassFactory final : public IClassFactory {
  public:
    explicit CClassFactory(ObjectCreator creator) : creator_(creator) {}
    virtual ~CClassFactory() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

  private:
    ObjectCreator creator_;
    std::atomic<long> references_{0};
};
