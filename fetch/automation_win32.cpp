#include "fetch/automation_win32.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "common/codepage_win32.h"
#include "common/text_ops.h"
#include "common/win32/com.h"

namespace {

// A one-dimensional byte array with lower bound 0. The object may size a body
// as upper bound + 1 (Wine's does), which only lower bound 0 makes right: with
// lower bound 1 it sends one byte read past the array's end.
SAFEARRAY* byte_array_of(const ByteSet& bytes) {
  SAFEARRAYBOUND bound{};
  bound.cElements = static_cast<ULONG>(bytes.size());
  bound.lLbound = 0;
  SafeArray array(SafeArrayCreate(VT_UI1, 1, &bound));
  if (array.get() == nullptr) return nullptr;
  if (!bytes.empty()) {
    const SafeArrayData data(array.get());
    if (data.get() == nullptr) return nullptr;
    std::memcpy(data.get(), bytes.data(), bytes.size());
  }
  return array.release();
}

ByteSet bytes_of_array(SAFEARRAY* array) {
  if (array == nullptr || SafeArrayGetDim(array) != 1) return {};
  LONG lower = 0;
  LONG upper = -1;
  if (FAILED(SafeArrayGetLBound(array, 1, &lower)) || FAILED(SafeArrayGetUBound(array, 1, &upper))) return {};
  if (upper < lower) return {};
  const SafeArrayData data(array);
  if (data.get() == nullptr) return {};
  const auto* first = static_cast<const std::uint8_t*>(data.get());
  return ByteSet(first, first + (static_cast<std::size_t>(upper) - static_cast<std::size_t>(lower) + 1));
}

// Fills `target` (already VariantInit'ed); false when memory ran out.
bool fill_variant(VARIANT& target, const AutomationValue& value) {
  if (const auto* number = std::get_if<std::int32_t>(&value)) {
    target.vt = VT_I4;
    target.lVal = *number;
  } else if (const auto* flag = std::get_if<bool>(&value)) {
    target.vt = VT_BOOL;
    target.boolVal = *flag ? VARIANT_TRUE : VARIANT_FALSE;
  } else if (const auto* text = std::get_if<Text>(&value)) {
    Bstr wide = bstr_of(gbk_to_wide(*text));
    if (wide.get() == nullptr) return false;
    target.vt = VT_BSTR;
    target.bstrVal = wide.release();
  } else if (const auto* bytes = std::get_if<ByteSet>(&value)) {
    SAFEARRAY* array = byte_array_of(*bytes);
    if (array == nullptr) return false;
    target.vt = VT_ARRAY | VT_UI1;
    target.parray = array;
  }
  return true;
}

AutomationValue value_of(const VARIANT& source) {
  switch (source.vt) {
    case VT_I4:
      return static_cast<std::int32_t>(source.lVal);
    case VT_BOOL:
      return source.boolVal != VARIANT_FALSE;
    case VT_BSTR:
      return wide_to_gbk(std::wstring_view(source.bstrVal, SysStringLen(source.bstrVal)));
    case VT_ARRAY | VT_UI1:
      return bytes_of_array(source.parray);
    default:
      return std::monostate{};
  }
}

WORD invoke_flags(MemberKind kind) {
  switch (kind) {
    case MemberKind::kPropertyPut:
      return DISPATCH_PROPERTYPUT;
    case MemberKind::kPropertyGet:
      return DISPATCH_PROPERTYGET;
    case MemberKind::kMethod:
      break;
  }
  // A reading method such as GetAllResponseHeaders may also be a property.
  return DISPATCH_METHOD | DISPATCH_PROPERTYGET;
}

// Calls Abort on a thread of its own and returns that thread. Wine's Abort
// waits for the exchange's worker on the same auto-reset event as the waiting
// Send: called on the Send's own thread it can take the only signal and leave
// Send waiting for ever. From another thread, started once the Send is back in
// its wait, each gets a signal; the Send's caller then waits for the abort to
// finish before it touches the object again.
Handle abort_from_another_thread(IDispatch* dispatch) {
  LPOLESTR names[] = {const_cast<LPOLESTR>(L"Abort")};
  DISPID abort_id = DISPID_UNKNOWN;
  if (FAILED(dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &abort_id))) return Handle();
  struct Abort {
    ComPtr<IDispatch> dispatch;
    DISPID id;
  };
  dispatch->AddRef();
  auto abort = std::make_unique<Abort>(Abort{ComPtr<IDispatch>(dispatch), abort_id});
  const auto run = [](void* parameter) -> DWORD {
    const std::unique_ptr<Abort> taken(static_cast<Abort*>(parameter));
    Sleep(25);
    DISPPARAMS none{};
    taken->dispatch.get()->Invoke(taken->id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr,
                                  nullptr, nullptr);
    return 0;
  };
  Handle thread(CreateThread(nullptr, 0, run, abort.get(), 0, nullptr));
  if (thread) abort.release();
  return thread;
}

// Watches one synchronous call. An object that pumps the thread's messages
// while it waits (Wine's WinHTTP object does, and keeps to no time-out) lets a
// thread timer run: the call is aborted once its limit has passed, or once the
// windows that were on screen when it began are all gone (the user closed the
// program). An object that blocks without pumping (Windows') never lets the
// timer run, and its own time-outs apply unchanged.
class CallWatch {
 public:
  CallWatch(AutomationObject& object, IDispatch* dispatch, std::int32_t limit_ms)
      : object_(object),
        dispatch_(dispatch),
        limit_ms_(limit_ms),
        started_(GetTickCount64()),
        outer_(current_) {
    EnumThreadWindows(GetCurrentThreadId(), &CallWatch::note_window, reinterpret_cast<LPARAM>(this));
    current_ = this;
    timer_ = SetTimer(nullptr, 0, kTickMs, &CallWatch::tick);
  }
  CallWatch(const CallWatch&) = delete;
  CallWatch& operator=(const CallWatch&) = delete;
  ~CallWatch() {
    if (timer_ != 0) KillTimer(nullptr, timer_);
    current_ = outer_;
    if (abort_) WaitForSingleObject(abort_.get(), kAbortPatienceMs);
  }

 private:
  static constexpr UINT kTickMs = 100;
  static constexpr DWORD kAbortPatienceMs = 30000;

  static BOOL CALLBACK note_window(HWND window, LPARAM watch) {
    if (IsWindowVisible(window)) reinterpret_cast<CallWatch*>(watch)->windows_.push_back(window);
    return TRUE;
  }

  bool windows_gone() const {
    return !windows_.empty() &&
           std::none_of(windows_.begin(), windows_.end(), [](HWND window) { return IsWindow(window); });
  }

  static void CALLBACK tick(HWND, UINT, UINT_PTR timer, DWORD) {
    CallWatch* watch = current_;
    if (watch == nullptr || watch->timer_ != timer || watch->aborted_) return;
    const bool late = watch->limit_ms_ > 0 &&
                      GetTickCount64() - watch->started_ >= static_cast<ULONGLONG>(watch->limit_ms_);
    if (!late && !watch->windows_gone()) return;
    // While Wine's object reads a chunked body, its reader signals the end only
    // once, and Abort could take that signal from the waiting Send; that read
    // gives up by itself (after 30 s).
    const Text headers = value_or_empty<Text>(watch->object_.call("GetAllResponseHeaders"));
    if (text_find(headers, "Transfer-Encoding: chunked", 1, true) != -1) return;
    watch->aborted_ = true;
    watch->abort_ = abort_from_another_thread(watch->dispatch_);
  }

  // One watch per thread: the batch program sends from several at once.
  static inline thread_local CallWatch* current_ = nullptr;
  AutomationObject& object_;
  IDispatch* const dispatch_;
  const std::int32_t limit_ms_;
  const ULONGLONG started_;
  CallWatch* const outer_;
  std::vector<HWND> windows_;
  UINT_PTR timer_ = 0;
  bool aborted_ = false;
  Handle abort_;
};

class DispatchObject final : public AutomationObject {
 public:
  explicit DispatchObject(ComPtr<IDispatch> dispatch) : dispatch_(std::move(dispatch)) {}

  AutomationValue call_bounded(const Text& member, const AutomationArguments& arguments,
                               std::int32_t limit_ms) override {
    const CallWatch watch(*this, dispatch_.get(), limit_ms);
    return call(member, arguments);
  }

  std::int32_t last_failure() const override { return last_failure_; }

  AutomationValue invoke(MemberKind kind, const Text& member, const AutomationArguments& arguments) override {
    last_failure_ = 0;
    // GetIDsOfNames matches names without regard to case.
    Bstr name = bstr_of(gbk_to_wide(member));
    LPOLESTR names[] = {name.get()};
    DISPID member_id = DISPID_UNKNOWN;
    if (name.get() == nullptr ||
        FAILED(dispatch_.get()->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &member_id))) {
      return std::monostate{};
    }

    // Invoke takes its arguments last to first.
    VariantList block(arguments.size());
    for (std::size_t i = 0; i < arguments.size(); ++i) {
      if (!fill_variant(block[arguments.size() - 1 - i], arguments[i])) return std::monostate{};
    }
    DISPID property_put = DISPID_PROPERTYPUT;
    DISPPARAMS parameters{};
    parameters.rgvarg = block.data();
    parameters.cArgs = static_cast<UINT>(block.size());
    if (kind == MemberKind::kPropertyPut) {
      parameters.rgdispidNamedArgs = &property_put;
      parameters.cNamedArgs = 1;
    }

    Variant result;
    VARIANT* result_slot = kind == MemberKind::kPropertyPut ? nullptr : result.get();
    EXCEPINFO exception{};
    const HRESULT status =
        dispatch_.get()->Invoke(member_id, IID_NULL, LOCALE_USER_DEFAULT, invoke_flags(kind), &parameters,
                                result_slot, &exception, nullptr);
    if (FAILED(status)) {
      // A failing method's own HRESULT comes back inside the exception.
      if (status == DISP_E_EXCEPTION && exception.pfnDeferredFillIn != nullptr)
        exception.pfnDeferredFillIn(&exception);
      last_failure_ = static_cast<std::int32_t>(
          status == DISP_E_EXCEPTION && FAILED(exception.scode) ? exception.scode : status);
      SysFreeString(exception.bstrSource);
      SysFreeString(exception.bstrDescription);
      SysFreeString(exception.bstrHelpFile);
      return std::monostate{};
    }
    return value_of(*result);
  }

 private:
  ComPtr<IDispatch> dispatch_;
  std::int32_t last_failure_ = 0;
};

}  // namespace

ComAutomationFactory::ComAutomationFactory() = default;
ComAutomationFactory::~ComAutomationFactory() = default;

void ComAutomationFactory::initialize() { apartment_ = std::make_unique<ComApartment>(); }

void ComAutomationFactory::uninitialize() { apartment_.reset(); }

std::unique_ptr<AutomationObject> automation_object_of(IDispatch* dispatch) {
  if (dispatch == nullptr) return nullptr;
  dispatch->AddRef();
  return std::make_unique<DispatchObject>(ComPtr<IDispatch>(dispatch));
}

std::unique_ptr<AutomationObject> ComAutomationFactory::create(const Text& prog_id) {
  CLSID class_id{};
  if (FAILED(CLSIDFromProgID(gbk_to_wide(prog_id).c_str(), &class_id))) return nullptr;
  ComPtr<IDispatch> dispatch;
  if (FAILED(CoCreateInstance(class_id, nullptr, CLSCTX_SERVER, IID_IDispatch,
                              reinterpret_cast<void**>(dispatch.put())))) {
    return nullptr;
  }
  return automation_object_of(dispatch.get());
}
