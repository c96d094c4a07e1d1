#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

#include "FakeTransport.h"
#include "WarblerObjects.h"
#include "automation/AutomationAbi.h"
#include "automation/Interfaces.h"
#include "component/Tweet.h"
#include "component/Twitter.h"
#include "component/User.h"
#include "server/Module.h"

namespace {

// A Twitter object reached only through IDispatch, as a late-bound caller sees it.
class Late {
  public:
    explicit Late(const char* progId = "Velmora.Twitter") {
        test::Bstr name(progId);
        EXPECT_EQ(WarblerCreateObject(name.get(), &object), S_OK);
    }
    ~Late() {
        if (object != nullptr)
            object->Release();
    }
    DISPID Id(const char* name) {
        std::u16string wide(name, name + std::char_traits<char>::length(name));
        LPOLESTR names[] = {wide.data()};
        DISPID id = 0;
        last = object->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
        return id;
    }
    // Arguments in call order; they are reversed into DISPPARAMS as COM expects.
    HRESULT Call(DISPID id, WORD flags, std::vector<VARIANT> args, VARIANT* result,
                 UINT* argError = nullptr, bool propertyPut = false) {
        std::vector<VARIANT> reversed(args.rbegin(), args.rend());
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params{reversed.data(), propertyPut ? &named : nullptr,
                          static_cast<UINT>(reversed.size()), propertyPut ? 1u : 0u};
        HRESULT hr = object->Invoke(id, IID_NULL, 0, flags, &params, result, nullptr, argError);
        for (VARIANT& v : args) VariantClear(&v);
        return hr;
    }
    std::string GetText(const char* name) {
        VARIANT result;
        VariantInit(&result);
        EXPECT_EQ(Call(Id(name), DISPATCH_PROPERTYGET, {}, &result), S_OK) << name;
        std::string text = result.vt == VT_BSTR ? CZelString(result.bstrVal).Str() : "<not text>";
        VariantClear(&result);
        return text;
    }
    HRESULT PutText(const char* name, const char* text) {
        return Call(Id(name), DISPATCH_PROPERTYPUT, {Text(text)}, nullptr, nullptr, true);
    }
    static VARIANT Text(const char* text) {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_BSTR;
        v.bstrVal = CZelString(text).ToBSTR();
        return v;
    }
    static VARIANT Long(LONG value) {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_I4;
        v.lVal = value;
        return v;
    }
    IDispatch* object = nullptr;
    HRESULT last = S_OK;
};

}  // namespace

TEST(Dispatch, ObjectsByProgIdAndTheModuleLock) {
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
    {
        Late twitter("velmora.twitter.1");  // ProgIDs match without regard to case
        ASSERT_NE(twitter.object, nullptr);
        EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
        const char* name = nullptr;
        EXPECT_EQ(WarblerObjectInterface(twitter.object, &name), S_OK);
        EXPECT_STREQ(name, "ITwitter");
        IUnknown* itf = nullptr;
        EXPECT_EQ(twitter.object->QueryInterface(IID_ITwitter, reinterpret_cast<void**>(&itf)),
                  S_OK);
        itf->Release();
        EXPECT_EQ(twitter.object->QueryInterface(IID_ITweet, reinterpret_cast<void**>(&itf)),
                  E_NOINTERFACE);
        EXPECT_EQ(itf, nullptr);
    }
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
    test::Bstr unknown("Velmora.Nothing");
    IDispatch* none = reinterpret_cast<IDispatch*>(1);
    EXPECT_EQ(WarblerCreateObject(unknown.get(), &none), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(none, nullptr);
}

TEST(Dispatch, ClassObjects) {
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(DllGetClassObject(IID_ITwitter, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(DllGetClassObject(CLSID_Tweet, IID_IClassFactory, nullptr), E_POINTER);
    IClassFactory* factory = nullptr;
    ASSERT_EQ(DllGetClassObject(CLSID_User, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
              S_OK);
    IUnknown* outer = reinterpret_cast<IUnknown*>(factory);
    void* object = nullptr;
    EXPECT_EQ(factory->CreateInstance(outer, IID_IDispatch, &object), CLASS_E_NOAGGREGATION);
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUser, &object), S_OK);
    factory->LockServer(TRUE);
    static_cast<IDispatch*>(object)->Release();
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);  // the server lock holds the module
    factory->LockServer(FALSE);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);  // and so does the class object the client holds
    factory->Release();
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

TEST(Dispatch, PropertiesByNameAndById) {
    Late t;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT version;
    VariantInit(&version);
    EXPECT_EQ(t.object->Invoke(2, IID_IDispatch, 0, DISPATCH_PROPERTYGET, &none, &version, nullptr,
                               nullptr),
              DISP_E_UNKNOWNINTERFACE);  // the interface argument is reserved: IID_NULL only
    EXPECT_EQ(version.vt, VT_EMPTY);
    EXPECT_EQ(t.Id("consumerKEY"), 13);
    EXPECT_EQ(t.Id("UseSSL"), 24);
    EXPECT_EQ(t.Id("NoSuchMember"), DISPID_UNKNOWN);
    EXPECT_EQ(t.last, DISP_E_UNKNOWNNAME);
    EXPECT_EQ(t.PutText("ConsumerKey", "key \xC3\xA9"), S_OK);
    EXPECT_EQ(t.GetText("consumerkey"), "key \xC3\xA9");
    EXPECT_EQ(t.GetText("Version"), "2.0-beta (x64)");
    EXPECT_EQ(t.PutText("Version", "x"), DISP_E_MEMBERNOTFOUND);

    VARIANT result;
    VariantInit(&result);
    EXPECT_EQ(t.Call(24, DISPATCH_PROPERTYPUT, {Late::Long(5)}, nullptr, nullptr, true), S_OK);
    EXPECT_EQ(t.Call(24, DISPATCH_PROPERTYGET | DISPATCH_METHOD, {}, &result), S_OK);
    EXPECT_EQ(result.vt, VT_BOOL);
    EXPECT_EQ(result.boolVal, VARIANT_TRUE);
    EXPECT_EQ(t.Call(10, DISPATCH_PROPERTYGET, {}, &result), S_OK);
    EXPECT_EQ(result.vt, VT_I4);
    EXPECT_EQ(result.lVal, 0);
    EXPECT_EQ(t.Call(99, DISPATCH_PROPERTYGET, {}, &result), DISP_E_MEMBERNOTFOUND);
}

TEST(Dispatch, OutArgumentsByReferenceOrAsResult) {
    Late t;
    BSTR description = nullptr;
    VARIANT byRef;
    VariantInit(&byRef);
    byRef.vt = VT_BYREF | VT_BSTR;
    byRef.pbstrVal = &description;
    ASSERT_EQ(t.Call(11, DISPATCH_METHOD, {Late::Long(35000), byRef}, nullptr), S_OK);
    EXPECT_EQ(CZelString(description).Str(), "An access token is required for this operation.");
    SysFreeString(description);

    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(t.Call(11, DISPATCH_METHOD, {Late::Text("35019")}, &result), S_OK);  // text converts
    ASSERT_EQ(result.vt, VT_BSTR);
    EXPECT_EQ(CZelString(result.bstrVal).Str(), "Could not find the specified key file.");
    VariantClear(&result);

    VARIANT holder;
    VariantInit(&holder);
    VARIANT byVariant;
    VariantInit(&byVariant);
    byVariant.vt = VT_BYREF | VT_VARIANT;
    byVariant.pvarVal = &holder;
    ASSERT_EQ(t.Call(11, DISPATCH_METHOD, {Late::Long(0), byVariant}, nullptr), S_OK);
    EXPECT_EQ(holder.vt, VT_BSTR);
    EXPECT_EQ(CZelString(holder.bstrVal).Str(), "Success");
    VariantClear(&holder);
}

TEST(Dispatch, BadCallsGiveDispatchErrors) {
    Late t;
    VARIANT result;
    VariantInit(&result);
    EXPECT_EQ(t.Call(11, DISPATCH_METHOD, {}, &result), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(t.Call(11, DISPATCH_METHOD, {Late::Long(1), Late::Long(2), Late::Long(3)}, &result),
              DISP_E_BADPARAMCOUNT);
    UINT argError = 99;
    EXPECT_EQ(t.Call(11, DISPATCH_METHOD, {Late::Text("not a number")}, &result, &argError),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argError, 0u);
    VARIANT object;
    VariantInit(&object);
    object.vt = VT_DISPATCH;
    object.pdispVal = nullptr;
    EXPECT_EQ(t.Call(13, DISPATCH_PROPERTYPUT, {object}, nullptr, &argError, true),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(t.Call(11, DISPATCH_METHOD, {Late::Long(0), Late::Long(1)}, &result),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(t.Call(1, DISPATCH_PROPERTYGET, {Late::Long(1)}, &result), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(t.Call(9, DISPATCH_PROPERTYPUT, {Late::Long(1)}, nullptr, nullptr, true),
              DISP_E_MEMBERNOTFOUND);
    VARIANT big;
    VariantInit(&big);
    big.vt = VT_I8;
    big.llVal = 1LL << 40;
    EXPECT_EQ(t.Call(11, DISPATCH_METHOD, {big}, &result), DISP_E_OVERFLOW);
    EXPECT_EQ(result.vt, VT_EMPTY);
}

TEST(Dispatch, OnlyTheCreatingThreadMayCall) {
    Late t;
    HRESULT other = S_OK;
    std::thread([&] {
        VARIANT result;
        VariantInit(&result);
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        other = t.object->Invoke(1, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr,
                                 nullptr);
    }).join();
    EXPECT_EQ(other, RPC_E_WRONG_THREAD);
}

TEST(ResultObjects, TweetAndUserSnapshots) {
    StatusRecord record;
    record.id.Assign("14785507974");
    record.text.Assign("hello");
    record.xml.Assign("<status><id>14785507974</id><user><id>7</id></user></status>");
    record.user.screen_name.Assign("alice");
    record.user.protected_ = 1;
    record.user.followers_count = 12;
    VARIANT tweet;
    VariantInit(&tweet);
    ASSERT_EQ(MakeTweetObject(record, &tweet), S_OK);
    ASSERT_EQ(tweet.vt, VT_DISPATCH);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    auto* object = static_cast<objects::Tweet*>(static_cast<ITweet*>(tweet.pdispVal));
    VARIANT user1, user2;
    ASSERT_EQ(object->get_User(&user1), S_OK);
    ASSERT_EQ(object->get_User(&user2), S_OK);
    ASSERT_EQ(user1.vt, VT_DISPATCH);
    VariantClear(&user2);
    VariantClear(&tweet);  // the Tweet goes; the User the caller kept stays
    auto* user = static_cast<objects::User*>(static_cast<IUser*>(user1.pdispVal));
    VARIANT_BOOL isProtected = 0;
    user->get_Protected(&isProtected);
    EXPECT_EQ(isProtected, VARIANT_TRUE);
    LONG followers = 0;
    user->get_NumFollowers(&followers);
    EXPECT_EQ(followers, 12);
    test::Bstr name;
    user->get_ScreenName(name.put());
    EXPECT_EQ(name.Text(), "alice");
    user->get_Location(name.put());
    EXPECT_EQ(name.Text(), "");
    VariantClear(&user1);
    EXPECT_EQ(DllCanUnloadNow(), S_OK);

    Late plain("Velmora.Twitter.Status");
    VARIANT result;
    VariantInit(&result);
    EXPECT_EQ(plain.Call(plain.Id("User"), DISPATCH_PROPERTYGET, {}, &result), S_OK);
    EXPECT_EQ(result.vt, VT_UNKNOWN);  // a Tweet made alone holds no User
    EXPECT_EQ(result.punkVal, nullptr);
    EXPECT_EQ(plain.GetText("XML"), "");
}

// An omitted last [out] comes back as the result: a null object for an empty list.
TEST(Dispatch, AnOmittedLastOutIsTheResult) {
    Late t;
    for (const char* walk : {"FindNextTweet", "FindNextUser"}) {
        VARIANT result;
        VariantInit(&result);
        ASSERT_EQ(t.Call(t.Id(walk), DISPATCH_METHOD, {}, &result), S_OK) << walk;
        EXPECT_EQ(result.vt, VT_UNKNOWN);
        EXPECT_EQ(result.punkVal, nullptr);
    }
}

namespace {

VARIANT Shape(VARTYPE type, void* pointer) {
    VARIANT v;
    VariantInit(&v);
    v.vt = type;
    v.byref = pointer;
    return v;
}

VARIANT Real(double value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_R8;
    v.dblVal = value;
    return v;
}

}  // namespace

// Argument shapes a careless or hostile caller can build: each gets its code, none a crash.
TEST(Dispatch, HostileArgumentsGetCodes) {
    Late t;
    VARIANT self = Shape(VT_BYREF | VT_VARIANT, nullptr);
    self.pvarVal = &self;  // a reference to itself
    struct Case {
        const char* what;
        VARIANT arg;
        HRESULT expected;
    } cases[] = {
        {"null VT_BYREF|VT_I4", Shape(VT_BYREF | VT_I4, nullptr), DISP_E_TYPEMISMATCH},
        {"null VT_BYREF|VT_BSTR", Shape(VT_BYREF | VT_BSTR, nullptr), DISP_E_TYPEMISMATCH},
        {"null VT_BYREF|VT_VARIANT", Shape(VT_BYREF | VT_VARIANT, nullptr), DISP_E_TYPEMISMATCH},
        {"null VT_BYREF|VT_BOOL", Shape(VT_BYREF | VT_BOOL, nullptr), DISP_E_TYPEMISMATCH},
        {"a variant that refers to itself", self, DISP_E_TYPEMISMATCH},
        {"an unknown type", Shape(0x7FF, nullptr), DISP_E_TYPEMISMATCH},
    };
    for (Case& c : cases) {
        VARIANT result;
        VariantInit(&result);
        std::vector<VARIANT> args{c.arg};
        std::vector<VARIANT> reversed(args.rbegin(), args.rend());
        DISPPARAMS params{reversed.data(), nullptr, 1, 0};
        EXPECT_EQ(
            t.object->Invoke(11, IID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr),
            c.expected)
            << c.what;
        EXPECT_EQ(t.object->Invoke(13, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr,
                                   nullptr),
                  c.expected)
            << c.what;
        VariantClear(&result);
    }
    VARIANT arg = Late::Long(35000);
    DISPPARAMS namedWithoutIds{&arg, nullptr, 1, 1};
    EXPECT_EQ(t.object->Invoke(11, IID_NULL, 0, DISPATCH_METHOD, &namedWithoutIds, nullptr, nullptr,
                               nullptr),
              E_INVALIDARG);
    EXPECT_EQ(t.object->Invoke(13, IID_NULL, 0, DISPATCH_PROPERTYPUT, &namedWithoutIds, nullptr,
                               nullptr, nullptr),
              DISP_E_NONAMEDARGS);
}

TEST(Dispatch, NamedArguments) {
    Late t;
    auto describe = [&](std::vector<VARIANT> args, std::vector<DISPID> names, VARIANT* result) {
        DISPPARAMS params{args.data(), names.data(), static_cast<UINT>(args.size()),
                          static_cast<UINT>(names.size())};
        HRESULT hr =
            t.object->Invoke(11, IID_NULL, 0, DISPATCH_METHOD, &params, result, nullptr, nullptr);
        for (VARIANT& v : args) VariantClear(&v);
        return hr;
    };
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(describe({Late::Long(35019)}, {0}, &result), S_OK);
    EXPECT_EQ(CZelString(result.bstrVal).Str(), "Could not find the specified key file.");
    VariantClear(&result);

    // The names GetIDsOfNames gives, in any letter case.
    std::u16string method = u"GetErrorDescription", param = u"LERROR";
    LPOLESTR names[] = {method.data(), param.data()};
    DISPID ids[2] = {0, 0};
    ASSERT_EQ(t.object->GetIDsOfNames(IID_NULL, names, 2, 0, ids), S_OK);
    EXPECT_EQ(ids[1], 0);

    // The [out] by name, the input by position: named arguments come first in rgvarg.
    BSTR text = nullptr;
    VARIANT out = Shape(VT_BYREF | VT_BSTR, &text);
    EXPECT_EQ(describe({out, Late::Long(0)}, {1}, nullptr), S_OK);
    EXPECT_EQ(CZelString(text).Str(), "Success");
    SysFreeString(text);

    EXPECT_EQ(describe({Late::Long(1)}, {5}, &result), DISP_E_PARAMNOTFOUND);
    EXPECT_EQ(describe({Late::Long(1), Late::Long(2)}, {0}, &result), DISP_E_PARAMNOTFOUND);
}

TEST(Dispatch, ConversionsFollowAutomationRules) {
    Late t;
    EXPECT_EQ(t.PutText("ConsumerKey", "x"), S_OK);
    VARIANT big;
    VariantInit(&big);
    big.vt = VT_I8;
    big.llVal = 1LL << 40;
    struct Case {
        VARIANT value;
        const char* text;
    } texts[] = {{Real(1.5), "1.5"}, {Real(0.1), "0.1"}, {Real(-2), "-2"}, {big, "1099511627776"}};
    for (Case& c : texts) {
        EXPECT_EQ(t.Call(13, DISPATCH_PROPERTYPUT, {c.value}, nullptr, nullptr, true), S_OK);
        EXPECT_EQ(t.GetText("ConsumerKey"), c.text);
    }
    VARIANT result;
    VariantInit(&result);
    for (const char* number : {" 35019", "35019 ", "\t35019\t", "35019.4", "3.50194e4"}) {
        ASSERT_EQ(t.Call(11, DISPATCH_METHOD, {Late::Text(number)}, &result), S_OK) << number;
        EXPECT_EQ(CZelString(result.bstrVal).Str(), "Could not find the specified key file.")
            << number;
        VariantClear(&result);
    }
    // Halves round to even.
    ASSERT_EQ(t.Call(11, DISPATCH_METHOD, {Late::Text("35018.5")}, &result), S_OK);
    EXPECT_EQ(CZelString(result.bstrVal).Str(), "There was an error while saving the key file.");
    VariantClear(&result);
    EXPECT_EQ(t.Call(11, DISPATCH_METHOD, {Late::Text("35 019")}, &result), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(t.Call(11, DISPATCH_METHOD, {Late::Text("  ")}, &result), DISP_E_TYPEMISMATCH);
}

TEST(Dispatch, AnUnbalancedServerUnlockKeepsTheCountAtZero) {
    IClassFactory* factory = nullptr;
    ASSERT_EQ(DllGetClassObject(CLSID_Tweet, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
              S_OK);
    factory->Release();  // held, it would keep the module loaded by itself
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
    factory->LockServer(FALSE);
    factory->LockServer(TRUE);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    factory->LockServer(FALSE);
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
}
