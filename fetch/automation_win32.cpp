#include "fetch/automation_win32.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "common/codepage_win32.h"
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
// Send: called on the Send's own thread it could take the only signal and leave
// Send waiting for ever. From another thread, started once the Send is back in
// its wait, each gets a signal.
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

// Watches one synchronous call of an object that runs the thread's messages
// while it waits, so that a thread timer runs meanwhile (Wine's WinHTTP object
// does; Windows' blocks, the timer never runs, and nothing changes there).
// - Once the response head is there, the object's own per-receive time-outs
//   bound every wait for the body; only the wait for the head goes unbounded
//   under Wine, so that wait is aborted once the limit has passed.
// - The caller's cancel check is asked at every tick; when it says so, the
//   exchange is aborted too.
class CallWatch {
 public:
  CallWatch(AutomationObject& object, IDispatch* dispatch, std::int32_t limit_ms, CancelCheck* cancel)
      : object_(object),
        dispatch_(dispatch),
        limit_ms_(limit_ms),
        cancel_(cancel),
        started_(GetTickCount64()),
        outer_(current_) {
    current_ = this;
    timer_ = SetTimer(nullptr, 0, kTickMs, &CallWatch::tick);
  }
  CallWatch(const CallWatch&) = delete;
  CallWatch& operator=(const CallWatch&) = delete;
  ~CallWatch() {
    if (timer_ != 0) KillTimer(nullptr, timer_);
    current_ = outer_;
    // The abort thread holds a reference of its own; it is let go, not waited
    // for, should it be slow.
    if (abort_) WaitForSingleObject(abort_.get(), kAbortPatienceMs);
  }

  bool cancelled() const { return cancelled_; }

 private:
  static constexpr UINT kTickMs = 100;
  static constexpr DWORD kAbortPatienceMs = 2000;

  static void CALLBACK tick(HWND, UINT, UINT_PTR timer, DWORD) {
    CallWatch* watch = current_;
    if (watch == nullptr || watch->timer_ != timer || watch->aborted_) return;
    if (watch->cancel_ != nullptr && watch->cancel_->cancelled()) {
      watch->cancelled_ = true;
      watch->abort();
      return;
    }
    if (watch->limit_ms_ <= 0 ||
        GetTickCount64() - watch->started_ < static_cast<ULONGLONG>(watch->limit_ms_)) {
      return;
    }
    // The object answers for its headers only once they have arrived.
    if (!std::holds_alternative<std::monostate>(watch->object_.call("GetAllResponseHeaders"))) return;
    watch->abort();
  }

  void abort() {
    aborted_ = true;
    abort_ = abort_from_another_thread(dispatch_);
  }

  // One watch per thread: the batch program sends from several at once.
  static inline thread_local CallWatch* current_ = nullptr;
  AutomationObject& object_;
  IDispatch* const dispatch_;
  const std::int32_t limit_ms_;
  CancelCheck* const cancel_;
  const ULONGLONG started_;
  CallWatch* const outer_;
  UINT_PTR timer_ = 0;
  bool aborted_ = false;
  bool cancelled_ = false;
  Handle abort_;
};

class DispatchObject final : public AutomationObject {
 public:
  explicit DispatchObject(ComPtr<IDispatch> dispatch) : dispatch_(std::move(dispatch)) {}

  AutomationValue call_bounded(const Text& member, const AutomationArguments& arguments,
                               std::int32_t limit_ms, CancelCheck* cancel) override {
    AutomationValue result;
    HRESULT status = S_OK;
    {
      const CallWatch watch(*this, dispatch_.get(), limit_ms, cancel);
      status = invoke_member(MemberKind::kMethod, member, arguments, result);
      if (watch.cancelled()) status = kCancelledByCaller;
    }
    // A call that failed (a send that timed out) leaves nothing worth reading.
    // Wine's object would still offer the part of a body that came before the
    // time-out, from a buffer it has already freed; once aborted, every read
    // fails cleanly, as it does on Windows. The failure stays the call's.
    if (FAILED(status)) call("Abort");
    last_failure_ = FAILED(status) ? status : S_OK;
    return result;
  }

  std::int32_t last_failure() const override { return last_failure_; }

  AutomationValue invoke(MemberKind kind, const Text& member, const AutomationArguments& arguments) override {
    AutomationValue result;
    const HRESULT status = invoke_member(kind, member, arguments, result);
    last_failure_ = FAILED(status) ? status : S_OK;
    return result;
  }

 private:
  // `result` stays monostate unless the call succeeds. A failing method's own
  // HRESULT comes back inside the exception, and is the one returned.
  HRESULT invoke_member(MemberKind kind, const Text& member, const AutomationArguments& arguments,
                        AutomationValue& result) {
    // GetIDsOfNames matches names without regard to case.
    Bstr name = bstr_of(gbk_to_wide(member));
    LPOLESTR names[] = {name.get()};
    DISPID member_id = DISPID_UNKNOWN;
    if (name.get() == nullptr) return E_OUTOFMEMORY;
    if (const HRESULT found =
            dispatch_.get()->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &member_id);
        FAILED(found)) {
      return found;
    }

    // Invoke takes its arguments last to first.
    VariantList block(arguments.size());
    for (std::size_t i = 0; i < arguments.size(); ++i) {
      if (!fill_variant(block[arguments.size() - 1 - i], arguments[i])) return E_OUTOFMEMORY;
    }
    DISPID property_put = DISPID_PROPERTYPUT;
    DISPPARAMS parameters{};
    parameters.rgvarg = block.data();
    parameters.cArgs = static_cast<UINT>(block.size());
    if (kind == MemberKind::kPropertyPut) {
      parameters.rgdispidNamedArgs = &property_put;
      parameters.cNamedArgs = 1;
    }

    Variant answer;
    VARIANT* answer_slot = kind == MemberKind::kPropertyPut ? nullptr : answer.get();
    EXCEPINFO exception{};
    const HRESULT status =
        dispatch_.get()->Invoke(member_id, IID_NULL, LOCALE_USER_DEFAULT, invoke_flags(kind), &parameters,
                                answer_slot, &exception, nullptr);
    if (SUCCEEDED(status)) {
      result = value_of(*answer);
      return status;
    }
    if (status == DISP_E_EXCEPTION && exception.pfnDeferredFillIn != nullptr)
      exception.pfnDeferredFillIn(&exception);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    return status == DISP_E_EXCEPTION && FAILED(exception.scode) ? exception.scode : status;
  }

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
