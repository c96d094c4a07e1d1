// The COM root of the automation objects: IUnknown with aggregation (a non-delegating inner
// unknown), reference counts that are not atomic (an object lives in one apartment), one module
// lock per live object, and IDispatch: served from the type library on Windows, from the
// interface's member table on Linux. Extras are the object's interfaces beside its automation one.
#pragma once

#include "automation/Automation.h"
#include "automation/Interfaces.h"
#include "automation/ModuleLock.h"

#if defined(_WIN32)
#include "automation/TypeLibraryDispatch.h"
#else
#include <thread>

#include "automation/DispatchTable.h"
#endif

namespace dispatch {
struct Table;
}

template <class T, class Interface, class... Extras>
class CAutomationObject : public Interface, public Extras... {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        return outer_ != nullptr ? outer_->QueryInterface(riid, ppv)
                                 : inner_.QueryInterface(riid, ppv);
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        return outer_ != nullptr ? outer_->AddRef() : inner_.AddRef();
    }
    ULONG STDMETHODCALLTYPE Release() override {
        return outer_ != nullptr ? outer_->Release() : inner_.Release();
    }

    // Makes the object part of an aggregate: its interfaces delegate to the outer unknown, which
    // holds the object through InnerUnknown().
    void Aggregate(IUnknown* outer) { outer_ = outer; }
    IUnknown* InnerUnknown() { return &inner_; }

    // Stores a reference to this object in the VARIANT as VT_DISPATCH, clearing what it held.
    void HandTo(VARIANT* out) {
        VariantClear(out);
        out->vt = VT_DISPATCH;
        out->pdispVal = static_cast<IDispatch*>(this);
        AddRef();
    }

#if defined(_WIN32)
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count == nullptr)
            return E_POINTER;
        *count = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        return automation::GetInterfaceTypeInfo(IidOf<Interface>(), index, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        return automation::TypeLibraryGetIDsOfNames(IidOf<Interface>(), names, count, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception,
                                     UINT* argError) override {
        if (!(riid == IID_NULL))  // reserved: IDispatch's contract
            return DISP_E_UNKNOWNINTERFACE;
        return automation::TypeLibraryInvoke(static_cast<Interface*>(this), IidOf<Interface>(), id,
                                             flags, params, result, exception, argError);
    }
#else
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
    HRESULT Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO*, UINT* argError) override {
        if (!(riid == IID_NULL))  // reserved: IDispatch's contract
            return DISP_E_UNKNOWNINTERFACE;
        // One thread per object: the thread that created it.
        if (std::this_thread::get_id() != owner_)
            return RPC_E_WRONG_THREAD;
        return dispatch::Invoke(T::Members(), static_cast<T*>(this), id, flags, params, result,
                                argError);
    }
#endif

  protected:
    CAutomationObject() {
        automation::LockModule();
    }
    CAutomationObject(const CAutomationObject&) = delete;
    CAutomationObject& operator=(const CAutomationObject&) = delete;
    ~CAutomationObject() {
        automation::UnlockModule();
    }

  private:
    // The object's own IUnknown: counts the references and answers for the object's identity.
    class Inner final : public IUnknown {
      public:
        explicit Inner(CAutomationObject* owner) : owner_(owner) {}
        virtual ~Inner() = default;
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
            if (ppv == nullptr)
                return E_POINTER;
            *ppv = nullptr;
            if (riid == IID_IUnknown) {
                *ppv = static_cast<IUnknown*>(this);
                AddRef();
                return S_OK;
            }
            if (riid == IID_IDispatch || riid == IidOf<Interface>())
                *ppv = static_cast<Interface*>(owner_);
            else
                ((riid == IidOf<Extras>() ? * ppv = static_cast<Extras*>(owner_) : nullptr), ...);
            if (*ppv == nullptr)
                return E_NOINTERFACE;
            owner_->AddRef();  // through the outer unknown when aggregated
            return S_OK;
        }
        ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
        ULONG STDMETHODCALLTYPE Release() override {
            ULONG left = --references_;
            if (left == 0)
                delete static_cast<T*>(owner_);
            return left;
        }

      private:
        CAutomationObject* owner_;
        ULONG references_ = 0;
    };

    Inner inner_{this};
    IUnknown* outer_ = nullptr;
#if !defined(_WIN32)
    std::thread::id owner_ = std::this_thread::get_id();
#endif
};
