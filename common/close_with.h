// One owner for the objects of C libraries that a single call frees (a curl
// handle, an ICU converter): std::unique_ptr<T, CloseWith<kClose>> closes once
// with kClose, moves and never copies, on every platform.
#pragma once

template <auto kClose>
struct CloseWith {
  template <typename T>
  void operator()(T* object) const {
    kClose(object);
  }
};
