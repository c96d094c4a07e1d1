// Invoke on a Twitter object with argument shapes built from the bytes: every shape gets a code,
// none a crash. The transport is one that cannot load and the hosts are a closed loopback port,
// so nothing leaves the process; CI runs the fuzzers without a network besides.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "automation/AutomationAbi.h"
#include "automation/Interfaces.h"

namespace {

IDispatch* Twitter() {
    static IDispatch* object = [] {
        setenv("WARBLER_API_HOST", "127.0.0.1:9", 1);
        setenv("WARBLER_OAUTH_HOST", "127.0.0.1:9", 1);
        setenv("WARBLER_SETTINGS", "/tmp/warbler-fuzz-settings.ini", 1);
        IDispatch* created = nullptr;
        WarblerCreateObject(u"Velmora.Twitter", &created);
        BSTR library = SysAllocStringLen(u"/nonexistent/transport.so", 25);
        static_cast<ITwitter*>(created)->put_HttpLibrary(library);
        SysFreeString(library);
        return created;
    }();
    return object;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3)
        return 0;
    DISPID id = data[0] % 40;
    WORD flags = static_cast<WORD>(1 + data[1] % 4) | (data[1] & 0x80 ? DISPATCH_PROPERTYPUT : 0);
    // Members that name files are left out: the bytes would choose which files to write
    // (LogFile, the key-file saves) or which library to load (HttpLibrary).
    if (id == 12 || id == 23 || id == 35 || id == 36)
        return 0;
    size_t count = data[2] % 8;
    const uint8_t* p = data + 3;
    const uint8_t* end = data + size;
    std::vector<VARIANT> args(count);
    std::vector<BSTR> texts;
    LONG longs[8] = {};
    BSTR refTexts[8] = {};
    VARIANT inner[8];
    for (size_t i = 0; i < count; ++i) {
        VariantInit(&args[i]);
        VariantInit(&inner[i]);
        uint8_t kind = p < end ? *p++ : 0;
        int32_t number = 0;
        for (int k = 0; k < 4 && p < end; ++k) number = (number << 8) | *p++;
        switch (kind % 9) {
            case 0:
                args[i].vt = VT_I4, args[i].lVal = number;
                break;
            case 1: {
                size_t wanted = p < end ? *p++ % 16 : 0;  // read before what is left is counted
                size_t n = std::min<size_t>(wanted, static_cast<size_t>(end - p));
                std::u16string wide(p, p + n);
                p += n;
                texts.push_back(SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size())));
                args[i].vt = VT_BSTR, args[i].bstrVal = texts.back();
                break;
            }
            case 2:
                args[i].vt = VT_BOOL, args[i].boolVal = number & 1 ? VARIANT_TRUE : 0;
                break;
            case 3:
                args[i].vt = VT_R8, args[i].dblVal = number / 7.0;
                break;
            case 4:
                args[i].vt = VT_I8, args[i].llVal = static_cast<int64_t>(number) << 20;
                break;
            case 5:
                args[i].vt = VT_BYREF | VT_I4, args[i].plVal = number & 1 ? &longs[i] : nullptr;
                break;
            case 6:
                args[i].vt = VT_BYREF | VT_BSTR,
                args[i].pbstrVal = number & 1 ? &refTexts[i] : nullptr;
                break;
            case 7:
                args[i].vt = VT_BYREF | VT_VARIANT,
                args[i].pvarVal = number & 1 ? &inner[i] : nullptr;
                break;
            default:
                args[i].vt = static_cast<VARTYPE>(number & 0x7FFF);
                args[i].llVal = 0;
                break;
        }
    }
    std::vector<DISPID> named(count > 0 && (data[1] & 0x40) ? 1 : 0, DISPID_PROPERTYPUT);
    DISPPARAMS params{args.data(), named.empty() ? nullptr : named.data(), static_cast<UINT>(count),
                      static_cast<UINT>(named.size())};
    VARIANT result;
    VariantInit(&result);
    UINT argError = 0;
    Twitter()->Invoke(id, IID_NULL, 0, flags, &params, &result, nullptr, &argError);
    VariantClear(&result);
    for (BSTR text : texts) SysFreeString(text);
    for (size_t i = 0; i < count; ++i) {
        SysFreeString(refTexts[i]);
        VariantClear(&inner[i]);
    }
    return 0;
}
