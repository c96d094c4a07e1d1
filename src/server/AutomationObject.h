// IUnknown and IDispatch for the automation objects on Linux: reference counting (not atomic:
// an object lives in one apartment), one module lock per live object, and late binding through
// the class's member table.
#pragma once

#include <thread>

#include "platform/Automation.h"
#include "server/DispatchTable.h"
#include "server/Module.h"

template <class T>
class CAutomationObject : public IDispatch {
  public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr)
            return E_POINTER;
        *ppv = nullptr;
        if (!(riid == IID_IUnknown || riid == IID_IDispatch || riid == *T::Members().iid))
            return E_NOINTERFACE;
        *ppv = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    // Stores a reference to this object in the VARIANT as VT_DISPATCH, clearing what it held.
    void HandTo(VARIANT* out) {
        VariantClear(out);
        out->vt = VT_DISPATCH;
        out->pdispVal = static_cast<IDispatch*>(this);
        AddRef();
    }

    ULONG AddRef() override { return ++references_; }
    ULONG Release() override {
        ULONG left = --references_;
        if (left == 0)
            delete static_cast<T*>(this);
        return left;
    }
    HRESULT GetTypeInfoCount(UINT* count) override {
        if (count == nullptr)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info != nullptr)
            *info = nullptr;
        return E_NOTIMPL;
    }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        return dispatch::GetIDsOfNames(T::Members(), names, count, ids);
    }
    HRESULT Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO*, UINT* argError) override {
        // One thread per object: the thread that created it.
        if (std::this_thread::get_id() != owner_)
            return RPC_E_WRONG_THREAD;
        return dispatch::Invoke(T::Members(), static_cast<T*>(this), id, flags, params, result,
                                argError);
    }

  protected:
    CAutomationObject() { CWarblerModule::Lock(); }
    CAutomationObject(const CAutomationObject&) = delete;
    CAutomationObject& operator=(const CAutomationObject&) = delete;
    ~CAutomationObject() { CWarblerModule::Unlock(); }

  private:
    ULONG references_ = 0;
    std::thread::id owner_ = std::this_thread::get_id();
};
