// Owners for COM: the apartment, the interface pointer, BSTRs, VARIANTs and
// SAFEARRAYs. Each frees its resource exactly once.
#pragma once

#include <windows.h>
// After windows.h, which they need.
#include <objbase.h>
#include <oleauto.h>

#include <string_view>
#include <utility>
#include <vector>

#include "common/win32/handle.h"

// CoInitialize for as long as this lives. A failed one (another apartment model
// already chosen on this thread) is not balanced, so the caller's COM stays intact.
class ComApartment {
 public:
  ComApartment() : initialized_(SUCCEEDED(CoInitialize(nullptr))) {}
  ~ComApartment() {
    if (initialized_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool initialized_;
};

template <typename Interface>
void release_interface(Interface* pointer) {
  pointer->Release();
}
// An interface pointer holding one reference. To share one someone else holds,
// AddRef it first.
template <typename Interface>
using ComPtr = Owned<Interface*, &release_interface<Interface>>;

using Bstr = Owned<BSTR, &SysFreeString>;
// Null when memory ran out.
inline Bstr bstr_of(std::wstring_view text) {
  return Bstr(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
}

using SafeArray = Owned<SAFEARRAY*, &SafeArrayDestroy>;

// Holds the element data of a SAFEARRAY locked for as long as it lives.
class SafeArrayData {
 public:
  explicit SafeArrayData(SAFEARRAY* array) : array_(array) {
    if (FAILED(SafeArrayAccessData(array_, &data_))) data_ = nullptr;
  }
  SafeArrayData(const SafeArrayData&) = delete;
  SafeArrayData& operator=(const SafeArrayData&) = delete;
  ~SafeArrayData() {
    if (data_ != nullptr) SafeArrayUnaccessData(array_);
  }

  void* get() const { return data_; }

 private:
  SAFEARRAY* array_;
  void* data_ = nullptr;
};

class Variant {
 public:
  Variant() { VariantInit(&value_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  ~Variant() { VariantClear(&value_); }

  VARIANT* get() { return &value_; }
  const VARIANT& operator*() const { return value_; }

 private:
  VARIANT value_;
};

// The argument block of one IDispatch::Invoke; clears every VARIANT it holds.
class VariantList {
 public:
  explicit VariantList(std::size_t count) : values_(count) {
    for (VARIANT& value : values_) VariantInit(&value);
  }
  VariantList(const VariantList&) = delete;
  VariantList& operator=(const VariantList&) = delete;
  ~VariantList() {
    for (VARIANT& value : values_) VariantClear(&value);
  }

  VARIANT* data() { return values_.data(); }
  VARIANT& operator[](std::size_t index) { return values_[index]; }
  std::size_t size() const { return values_.size(); }

 private:
  std::vector<VARIANT> values_;
};
