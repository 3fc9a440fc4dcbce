// A late-bound automation object seen through a small seam: members are called
// by name with variant-like arguments, and every failure is an empty value.
// The Windows binding drives IDispatch; tests put a recording stand-in here.
#pragma once

#include <cstdint>
#include <memory>
#include <variant>
#include <vector>

#include "common/text.h"
#include "fetch/exchange.h"

// Text crosses as a BSTR, integers as VT_I4, booleans as VT_BOOL and a ByteSet
// as a one-dimensional byte SAFEARRAY. monostate is the empty value.
using AutomationValue = std::variant<std::monostate, std::int32_t, bool, Text, ByteSet>;
using AutomationArguments = std::vector<AutomationValue>;

// E_ABORT: a bounded call given up because its caller cancelled it.
inline constexpr std::int32_t kCancelledByCaller = static_cast<std::int32_t>(0x80004004u);

enum class MemberKind { kMethod, kPropertyGet, kPropertyPut };

class AutomationObject {
 public:
  AutomationObject() = default;
  AutomationObject(const AutomationObject&) = delete;
  AutomationObject& operator=(const AutomationObject&) = delete;
  virtual ~AutomationObject() = default;

  // Member names are matched without regard to case. For a property write the
  // last argument is the value and the ones before it are the indices. A failed
  // call yields monostate.
  virtual AutomationValue invoke(MemberKind kind, const Text& member,
                                 const AutomationArguments& arguments) = 0;

  AutomationValue call(const Text& member, const AutomationArguments& arguments = {}) {
    return invoke(MemberKind::kMethod, member, arguments);
  }
  // A method that may wait (a synchronous send), bounded by `limit_ms` (0: no
  // bound) where the object itself does not keep to its time-outs, and given
  // up when `cancel` says so.
  virtual AutomationValue call_bounded(const Text& member, const AutomationArguments& arguments,
                                       std::int32_t /*limit_ms*/, CancelCheck* /*cancel*/) {
    return call(member, arguments);
  }
  // How the last call failed, as the object reports it (an HRESULT); 0 when
  // it did not fail; kCancelledByCaller after a cancelled call.
  virtual std::int32_t last_failure() const { return 0; }
  AutomationValue get(const Text& member) { return invoke(MemberKind::kPropertyGet, member, {}); }
  void put(const Text& member, const AutomationArguments& indices_then_value) {
    invoke(MemberKind::kPropertyPut, member, indices_then_value);
  }
};

// Creates objects by ProgID inside an apartment that the caller opens and
// closes around each use.
class AutomationFactory {
 public:
  AutomationFactory() = default;
  AutomationFactory(const AutomationFactory&) = delete;
  AutomationFactory& operator=(const AutomationFactory&) = delete;
  virtual ~AutomationFactory() = default;

  virtual void initialize() = 0;
  virtual void uninitialize() = 0;
  // Null when the object cannot be created.
  virtual std::unique_ptr<AutomationObject> create(const Text& prog_id) = 0;
};

template <typename T>
T value_or_empty(const AutomationValue& value) {
  const T* held = std::get_if<T>(&value);
  return held != nullptr ? *held : T{};
}
// The same from a value about to go: a body is moved out, not copied.
template <typename T>
T value_or_empty(AutomationValue&& value) {
  T* held = std::get_if<T>(&value);
  return held != nullptr ? std::move(*held) : T{};
}
