// The IDispatch binding: what crosses to an object, and in which shape, checked
// with an object of our own; then the real WinHTTP object and COM apartments.
#include "fetch/automation_win32.h"

#include <windows.h>
// After windows.h, which it needs.
#include <oleauto.h>

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "fetch/page_request.h"
#include "tests/support/loopback_http_server.h"

namespace {

// One argument as the object saw it.
struct SeenArgument {
  VARTYPE type = VT_EMPTY;
  std::wstring text;
  LONG number = 0;
  VARIANT_BOOL flag = VARIANT_FALSE;
  LONG lower_bound = -99;
  std::vector<unsigned char> bytes;
};

struct SeenCall {
  std::wstring member;
  WORD flags = 0;
  std::vector<DISPID> named;
  std::vector<SeenArgument> arguments;  // first to last, as the caller wrote them
  bool wanted_result = false;
};

SeenArgument seen(const VARIANT& value) {
  SeenArgument argument;
  argument.type = value.vt;
  if (value.vt == VT_BSTR) argument.text.assign(value.bstrVal, SysStringLen(value.bstrVal));
  if (value.vt == VT_I4) argument.number = value.lVal;
  if (value.vt == VT_BOOL) argument.flag = value.boolVal;
  if (value.vt == (VT_ARRAY | VT_UI1)) {
    LONG lower = 0;
    LONG upper = -1;
    SafeArrayGetLBound(value.parray, 1, &lower);
    SafeArrayGetUBound(value.parray, 1, &upper);
    argument.lower_bound = lower;
    for (LONG i = lower; i <= upper; ++i) {
      unsigned char byte = 0;
      SafeArrayGetElement(value.parray, &i, &byte);
      argument.bytes.push_back(byte);
    }
  }
  return argument;
}

SAFEARRAY* byte_array(LONG lower_bound, const std::vector<unsigned char>& bytes) {
  SAFEARRAYBOUND bound{static_cast<ULONG>(bytes.size()), lower_bound};
  SAFEARRAY* array = SafeArrayCreate(VT_UI1, 1, &bound);
  for (LONG i = 0; i < static_cast<LONG>(bytes.size()); ++i) {
    LONG index = lower_bound + i;
    SafeArrayPutElement(array, &index, const_cast<unsigned char*>(&bytes[static_cast<std::size_t>(i)]));
  }
  return array;
}

// Knows the members Send, Option, Body, Headers and Broken; Body answers with
// a byte array of lower bound `body_lower_bound`, Headers with 地 and a line
// break, Broken fails.
const wchar_t* const kMembers[] = {L"Send", L"Option", L"Body", L"Headers", L"Broken"};

class ScriptedDispatch final : public IDispatch {
 public:
  LONG body_lower_bound = 0;
  std::vector<SeenCall> calls;
  ULONG references = 1;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** out) override {
    if (id == IID_IUnknown || id == IID_IDispatch) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    if (count != 1) return E_INVALIDARG;
    for (DISPID id = 0; id < static_cast<DISPID>(std::size(kMembers)); ++id) {
      if (_wcsicmp(names[0], kMembers[id]) == 0) {
        ids[0] = id + 1;
        return S_OK;
      }
    }
    ids[0] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* parameters,
                                   VARIANT* result, EXCEPINFO*, UINT*) override {
    SeenCall call;
    call.member = kMembers[id - 1];
    call.flags = flags;
    call.wanted_result = result != nullptr;
    for (UINT i = 0; i < parameters->cNamedArgs; ++i) call.named.push_back(parameters->rgdispidNamedArgs[i]);
    for (UINT i = parameters->cArgs; i > 0; --i) call.arguments.push_back(seen(parameters->rgvarg[i - 1]));
    calls.push_back(call);
    if (call.member == L"Broken") return E_FAIL;
    if (result == nullptr) return S_OK;
    if (call.member == L"Body") {
      result->vt = VT_ARRAY | VT_UI1;
      result->parray = byte_array(body_lower_bound, {0x00, 0xE5, 0x9C, 0xB0, 0xFF});
    } else if (call.member == L"Headers") {
      result->vt = VT_BSTR;
      result->bstrVal = SysAllocString(L"A: \x5730\r\n");
    }
    return S_OK;
  }
};

TEST(AutomationBinding, ArgumentsCrossInTheirShapes) {
  ScriptedDispatch object;
  {
    const auto bound = automation_object_of(&object);
    EXPECT_EQ(object.references, 2u);
    bound->call("send", {Text("X \xB5\xD8"), std::int32_t{-7}, true, false, ByteSet{1, 2, 255}, ByteSet{}});
  }
  EXPECT_EQ(object.references, 1u);
  ASSERT_EQ(object.calls.size(), 1u);
  const SeenCall& call = object.calls[0];
  EXPECT_EQ(call.member, L"Send");
  EXPECT_TRUE(call.flags & DISPATCH_METHOD);
  EXPECT_TRUE(call.named.empty());
  ASSERT_EQ(call.arguments.size(), 6u);
  EXPECT_EQ(call.arguments[0].type, VT_BSTR);
  EXPECT_EQ(call.arguments[0].text, L"X \x5730");  // code page 936, whatever the system code page
  EXPECT_EQ(call.arguments[1].type, VT_I4);
  EXPECT_EQ(call.arguments[1].number, -7);
  EXPECT_EQ(call.arguments[2].type, VT_BOOL);
  EXPECT_EQ(call.arguments[2].flag, VARIANT_TRUE);
  EXPECT_EQ(call.arguments[3].flag, VARIANT_FALSE);
  EXPECT_EQ(call.arguments[4].type, VT_ARRAY | VT_UI1);
  EXPECT_EQ(call.arguments[4].lower_bound, 0);
  EXPECT_EQ(call.arguments[4].bytes, (std::vector<unsigned char>{1, 2, 255}));
  EXPECT_EQ(call.arguments[5].type, VT_ARRAY | VT_UI1);
  EXPECT_TRUE(call.arguments[5].bytes.empty());
}

TEST(AutomationBinding, PropertyWriteNamesItsValue) {
  ScriptedDispatch object;
  automation_object_of(&object)->put("Option", {std::int32_t{6}, std::int32_t{0}});
  ASSERT_EQ(object.calls.size(), 1u);
  const SeenCall& call = object.calls[0];
  EXPECT_EQ(call.flags, DISPATCH_PROPERTYPUT);
  EXPECT_EQ(call.named, std::vector<DISPID>{DISPID_PROPERTYPUT});
  EXPECT_FALSE(call.wanted_result);
  ASSERT_EQ(call.arguments.size(), 2u);
  EXPECT_EQ(call.arguments[0].number, 6);
  EXPECT_EQ(call.arguments[1].number, 0);
}

TEST(AutomationBinding, ResultsComeBackAsValues) {
  for (const LONG lower_bound : {0L, 1L, -3L}) {
    ScriptedDispatch object;
    object.body_lower_bound = lower_bound;
    const auto bound = automation_object_of(&object);
    EXPECT_EQ(value_or_empty<ByteSet>(bound->get("Body")), (ByteSet{0x00, 0xE5, 0x9C, 0xB0, 0xFF}))
        << lower_bound;
    EXPECT_TRUE(object.calls[0].flags & DISPATCH_PROPERTYGET);
  }
  ScriptedDispatch object;
  const auto bound = automation_object_of(&object);
  EXPECT_EQ(value_or_empty<Text>(bound->call("Headers")), "A: \xB5\xD8\r\n");
}

TEST(AutomationBinding, FailuresAreEmptyValues) {
  ScriptedDispatch object;
  const auto bound = automation_object_of(&object);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(bound->call("NoSuchMember", {std::int32_t{1}})));
  EXPECT_TRUE(std::holds_alternative<std::monostate>(bound->call("Broken")));
  EXPECT_TRUE(std::holds_alternative<std::monostate>(bound->call("Send")));
  EXPECT_EQ(object.calls.size(), 2u);
}

TEST(ComAutomationFactory, CreatesTheHttpObjectByProgId) {
  ComAutomationFactory factory;
  factory.initialize();
  EXPECT_NE(factory.create("WinHttp.WinHttpRequest.5.1"), nullptr);
  EXPECT_EQ(factory.create("Tarnvex.NoSuchObject.1"), nullptr);
  factory.uninitialize();
}

TEST(ComAutomationFactory, LeavesTheCallersApartmentAlone) {
  // This thread is in the multi-threaded apartment; CoInitialize cannot change that.
  ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
  LoopbackHttpServer server([](const RecordedRequest&) { return http_response(200, "mta"); });
  const ByteSet body = page_request(server.url());
  EXPECT_EQ(std::string(body.begin(), body.end()), "mta");
  // Still initialised: a second CoInitializeEx only counts up.
  EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
  CoUninitialize();
  CoUninitialize();
}

}  // namespace
