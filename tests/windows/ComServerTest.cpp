// The COM frame of Warblerx64.dll as a COM client meets it, run under Wine: objects and the
// module lock, aggregation, the type information, and every member reached through the type
// library. (The class objects' refusals and the server lock are the unit tests': the code is one.)
// Usage: warbler_com_test PATH-OF-DLL SCRATCH-FOLDER
#include <ole2.h>
#include <oleauto.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "warbler.h"

namespace {

int g_passed = 0;
int g_failed = 0;

void Check(bool condition, const char* what, long detail = 0) {
    if (condition) {
        ++g_passed;
    } else {
        ++g_failed;
        std::printf("FAIL: %s (0x%08lX)\n", what, static_cast<unsigned long>(detail));
    }
}

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadFn = HRESULT(STDAPICALLTYPE*)();

// An outer object that counts the references its aggregated inner part passes on to it.
class Outer final : public IUnknown {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        return inner != nullptr ? inner->QueryInterface(riid, ppv) : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    ULONG references = 1;
    IUnknown* inner = nullptr;
};

VARIANT ArgumentFor(VARTYPE type, const std::wstring& folder) {
    VARIANT v;
    VariantInit(&v);
    switch (type) {
        case VT_BSTR:
            v.vt = VT_BSTR;
            v.bstrVal = SysAllocString((folder + L"\\keys.ini").c_str());
            break;
        case VT_BOOL:
            v.vt = VT_BOOL;
            v.boolVal = VARIANT_FALSE;
            break;
        default:
            v.vt = VT_I4;
            v.lVal = 0;
    }
    return v;
}

// The component's own interface beside the automation one: the last call's account and the
// cache time-out.
void CheckDiagnostics(IDispatch* twitter) {
    ITwitterDiagnostics* diagnostics = nullptr;
    HRESULT hr =
        twitter->QueryInterface(IID_ITwitterDiagnostics, reinterpret_cast<void**>(&diagnostics));
    Check(hr == S_OK && diagnostics != nullptr, "QueryInterface for the diagnostic interface", hr);
    if (diagnostics == nullptr)
        return;
    LONG status = -1, seconds = -1;
    Check(diagnostics->get_LastHttpStatus(&status) == S_OK && status == 0,
          "no HTTP status before a call", status);
    BSTR said = nullptr;
    Check(diagnostics->get_LastServiceMessage(&said) == S_OK && SysStringLen(said) == 0,
          "no service message before a call");
    SysFreeString(said);
    Check(diagnostics->put_CacheTimeout(-1) == E_INVALIDARG, "a negative cache time-out refused");
    Check(diagnostics->put_CacheTimeout(5) == S_OK &&
              diagnostics->get_CacheTimeout(&seconds) == S_OK && seconds == 5,
          "the cache time-out set and read", seconds);
    IUnknown* back = nullptr;
    diagnostics->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&back));
    IUnknown* identity = nullptr;
    twitter->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity));
    Check(back != nullptr && back == identity, "the diagnostic interface answers for the object");
    if (back != nullptr)
        back->Release();
    if (identity != nullptr)
        identity->Release();
    diagnostics->Release();
}

// Every member of the object's type information: its name resolves to its DISPID, and an
// invocation with arguments of the declared types succeeds.
void InvokeEveryMember(IDispatch* object, const std::wstring& folder, const char* interfaceName) {
    UINT count = 0;
    Check(object->GetTypeInfoCount(&count) == S_OK && count == 1, "GetTypeInfoCount");
    ITypeInfo* info = nullptr;
    HRESULT hr = object->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info);
    Check(SUCCEEDED(hr) && info != nullptr, "GetTypeInfo", hr);
    if (info == nullptr)
        return;
    TYPEATTR* attributes = nullptr;
    info->GetTypeAttr(&attributes);
    int members = 0;
    for (UINT i = 0; i < attributes->cFuncs; ++i) {
        FUNCDESC* function = nullptr;
        info->GetFuncDesc(i, &function);
        if (function->memid >= 0x60000000) {  // IUnknown's and IDispatch's own
            info->ReleaseFuncDesc(function);
            continue;
        }
        BSTR name = nullptr;
        UINT names = 0;
        info->GetNames(function->memid, &name, 1, &names);
        DISPID id = DISPID_UNKNOWN;
        LPOLESTR nameList[] = {name};
        hr = object->GetIDsOfNames(IID_NULL, nameList, 1, LOCALE_USER_DEFAULT, &id);
        Check(hr == S_OK && id == function->memid, "GetIDsOfNames", function->memid);

        std::vector<VARIANT> args;
        for (SHORT p = 0; p < function->cParams; ++p) {
            const ELEMDESC& element = function->lprgelemdescParam[p];
            if (element.paramdesc.wParamFlags & PARAMFLAG_FRETVAL)
                continue;
            args.insert(args.begin(), ArgumentFor(element.tdesc.vt, folder));
        }
        DISPID putId = DISPID_PROPERTYPUT;
        DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
        WORD flags = DISPATCH_METHOD;
        if (function->invkind == INVOKE_PROPERTYGET) {
            flags = DISPATCH_PROPERTYGET;
        } else if (function->invkind == INVOKE_PROPERTYPUT) {
            flags = DISPATCH_PROPERTYPUT;
            params.rgdispidNamedArgs = &putId;
            params.cNamedArgs = 1;
        }
        VARIANT result;
        VariantInit(&result);
        EXCEPINFO exception{};
        UINT argError = 0;
        hr = object->Invoke(function->memid, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, &result,
                            &exception, &argError);
        char what[160];
        std::snprintf(what, sizeof what, "Invoke %s.%ls", interfaceName, name);
        Check(hr == S_OK, what, hr);
        VariantClear(&result);
        for (VARIANT& v : args) VariantClear(&v);
        SysFreeString(name);
        info->ReleaseFuncDesc(function);
        ++members;
    }
    info->ReleaseTypeAttr(attributes);
    info->Release();
    Check(members > 0, "the type information lists members");
}

// The count an interface's own AddRef and Release report.
ULONG References(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::printf("usage: warbler_com_test DLL FOLDER\n");
        return 2;
    }
    CoInitialize(nullptr);
    HMODULE dll = LoadLibraryW(argv[1]);
    Check(dll != nullptr, "LoadLibrary", static_cast<long>(GetLastError()));
    if (dll == nullptr)
        return 1;
    auto getClassObject = reinterpret_cast<GetClassObjectFn>(
        reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
    auto canUnload = reinterpret_cast<CanUnloadFn>(
        reinterpret_cast<void*>(GetProcAddress(dll, "DllCanUnloadNow")));
    Check(getClassObject != nullptr && canUnload != nullptr, "exports by name");

    Check(canUnload() == S_OK, "DllCanUnloadNow with nothing alive");
    ITypeInfo* typeInfo = nullptr;
    IClassFactory* factory = nullptr;

    for (const CLSID* clsid : {&CLSID_Twitter, &CLSID_Tweet, &CLSID_User}) {
        HRESULT hr = getClassObject(*clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
        Check(hr == S_OK && factory != nullptr, "DllGetClassObject", hr);
        if (factory == nullptr)
            continue;
        IDispatch* object = nullptr;
        hr = factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&object));
        Check(hr == S_OK && object != nullptr, "CreateInstance", hr);
        Check(canUnload() == S_FALSE, "DllCanUnloadNow while an object lives");
        const char* name = clsid == &CLSID_Twitter ? "ITwitter"
                           : clsid == &CLSID_Tweet ? "ITweet"
                                                   : "IUser";
        if (clsid == &CLSID_Twitter) {
            // Nothing may leave the machine: a transport that cannot load fails every request.
            DISPID id = 23;
            VARIANT library;
            VariantInit(&library);
            library.vt = VT_BSTR;
            library.bstrVal = SysAllocString(L"no-such-transport.dll");
            DISPID putId = DISPID_PROPERTYPUT;
            DISPPARAMS put{&library, &putId, 1, 1};
            hr = object->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr,
                                nullptr);
            Check(hr == S_OK, "HttpLibrary put", hr);
            VariantClear(&library);
            DISPPARAMS none{nullptr, nullptr, 0, 0};
            VARIANT version;
            VariantInit(&version);
            hr = object->Invoke(2, IID_IDispatch, 0, DISPATCH_PROPERTYGET, &none, &version, nullptr,
                                nullptr);
            Check(hr == DISP_E_UNKNOWNINTERFACE, "Invoke with an interface other than IID_NULL",
                  hr);
            VariantClear(&version);

            // The [out, retval] argument passed by reference receives the value.
            BSTR text = SysAllocString(L"old");
            VARIANT args[2];
            VariantInit(&args[0]);
            args[0].vt = VT_BYREF | VT_BSTR;
            args[0].pbstrVal = &text;
            VariantInit(&args[1]);
            args[1].vt = VT_I4;
            args[1].lVal = 35019;
            DISPPARAMS byReference{args, nullptr, 2, 0};
            hr = object->Invoke(11, IID_NULL, 0, DISPATCH_METHOD, &byReference, nullptr, nullptr,
                                nullptr);
            Check(hr == S_OK && lstrcmpW(text, L"Could not find the specified key file.") == 0,
                  "GetErrorDescription with its result by reference", hr);
            SysFreeString(text);
            CheckDiagnostics(object);
        } else {
            void* none = reinterpret_cast<void*>(1);
            Check(object->QueryInterface(IID_ITwitterDiagnostics, &none) == E_NOINTERFACE &&
                      none == nullptr,
                  "the diagnostic interface is the Twitter object's alone");
        }
        InvokeEveryMember(object, argv[2], name);
        if (clsid == &CLSID_Twitter)
            object->GetTypeInfo(0, 0, &typeInfo);
        object->Release();

        Outer outer;
        IUnknown* refused = reinterpret_cast<IUnknown*>(1);
        Check(factory->CreateInstance(&outer, IID_IDispatch, reinterpret_cast<void**>(&refused)) ==
                      CLASS_E_NOAGGREGATION &&
                  refused == nullptr,
              "aggregation asking for another interface than IUnknown");
        hr = factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner));
        Check(hr == S_OK && outer.inner != nullptr, "aggregation asking for IUnknown", hr);
        if (outer.inner != nullptr) {
            IDispatch* part = nullptr;
            ULONG before = outer.references;
            hr = outer.inner->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&part));
            Check(hr == S_OK && outer.references == before + 1,
                  "the inner part's interfaces count on the outer object", hr);
            IUnknown* identity = nullptr;
            part->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity));
            Check(identity == &outer, "the inner part's interfaces answer for the outer object");
            identity->Release();
            part->Release();
            Check(outer.references == before, "references return to the outer object");
            Check(outer.inner->Release() == 0, "the outer object's release ends the inner part");
        }
        factory->Release();
    }
    Check(typeInfo != nullptr, "GetTypeInfo");
    ULONG held = typeInfo != nullptr ? References(typeInfo) : 0;
    Check(canUnload() == S_OK, "DllCanUnloadNow after the last release");
    Check(typeInfo != nullptr && References(typeInfo) == held - 1,
          "the library lets go of its type information when it may be unloaded");
    if (typeInfo != nullptr)
        typeInfo->Release();
    // The next object loads it again.
    IDispatch* again = nullptr;
    if (getClassObject(CLSID_Twitter, IID_IClassFactory, reinterpret_cast<void**>(&factory)) ==
        S_OK) {
        factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&again));
        factory->Release();
    }
    DISPID id = 0;
    LPOLESTR member = const_cast<LPOLESTR>(L"ConsumerKey");
    Check(again != nullptr &&
              again->GetIDsOfNames(IID_NULL, &member, 1, LOCALE_USER_DEFAULT, &id) == S_OK,
          "names resolve after the type information was let go");
    if (again != nullptr)
        again->Release();

    CoUninitialize();
    std::printf("%d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}
