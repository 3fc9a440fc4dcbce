// A routine bound to a unit's event. The layout names handlers by their index
// in the program's handler table; the window system calls them on the GUI
// thread with the arguments each routine takes.
#pragma once

#include <cstdint>
#include <span>
#include <variant>

class EventHandler {
 public:
  using Plain = void (*)();                              // created, clicked
  using Mouse = void (*)(int x, int y, int keys);        // mouse events; the message goes on to the control
  using MouseFilter = bool (*)(int x, int y, int keys);  // false keeps the message from the control

  constexpr EventHandler() = default;
  constexpr EventHandler(Plain routine) : routine_(routine) {}        // NOLINT(google-explicit-constructor)
  constexpr EventHandler(Mouse routine) : routine_(routine) {}        // NOLINT(google-explicit-constructor)
  constexpr EventHandler(MouseFilter routine) : routine_(routine) {}  // NOLINT(google-explicit-constructor)

  bool empty() const {
    return std::visit([](auto routine) { return routine == nullptr; }, routine_);
  }

  // Runs the routine; false when it asks to keep the message from the control.
  bool call(int x = 0, int y = 0, int keys = 0) const {
    if (auto plain = std::get_if<Plain>(&routine_); plain && *plain) {
      (*plain)();
    } else if (auto mouse = std::get_if<Mouse>(&routine_); mouse && *mouse) {
      (*mouse)(x, y, keys);
    } else if (auto filter = std::get_if<MouseFilter>(&routine_); filter && *filter) {
      return (*filter)(x, y, keys);
    }
    return true;
  }

 private:
  std::variant<Plain, Mouse, MouseFilter> routine_{Plain{nullptr}};
};

using HandlerTable = std::span<const EventHandler>;

// The keys of one window, beyond Tab and what its controls do themselves
// (a unit identifier of 0: none).
struct WindowKeys {
  std::uint32_t window_id = 0;
  // Has the focus once the window is shown, so typing goes there at once.
  std::uint32_t first_focus = 0;
  // Enter in this edit box is a click on that button.
  std::uint32_t enter_box = 0;
  std::uint32_t enter_button = 0;
};

// Key-state mask passed to mouse handlers.
inline constexpr int kKeyCtrl = 1;
inline constexpr int kKeyShift = 2;
inline constexpr int kKeyAlt = 4;
