#include "shell/window_system_win32.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "common/codepage_win32.h"
#include "common/win32/input_queue.h"
#include "shell/units/unit_win32.h"

namespace {

using layout::UnitRecord;
using units::KindEntry;
using units::Unit;

struct LoadedWindow {
  std::uint32_t window_id = 0;
  HWND window = nullptr;
  // Shared with every window procedure and handler call running for a unit,
  // so a unit outlives its window until they have all returned.
  std::vector<std::shared_ptr<Unit>> units;
  std::shared_ptr<Unit> window_unit;
};

struct WindowSystem {
  // Units point at their records: each layout stays where it is until the process ends.
  std::vector<std::unique_ptr<const layout::WindowLayout>> layouts;
  std::vector<EventHandler> handlers;
  WindowKeys keys;  // of the one window that has any
  std::vector<std::shared_ptr<LoadedWindow>> windows;
  std::unordered_map<HWND, std::shared_ptr<Unit>> unit_of;
  // The unit whose window is being created, until WM_NCCREATE takes it.
  std::shared_ptr<Unit> creating;
  // A bound handler is running: no other starts until it returns.
  bool handler_running = false;
  bool classes_registered = false;
};

WindowSystem& system_state() {
  static WindowSystem state;
  return state;
}

std::shared_ptr<Unit> find_unit(HWND window) {
  auto& units = system_state().unit_of;
  const auto found = units.find(window);
  return found == units.end() ? nullptr : found->second;
}

// ---- events ----

// Runs the handler bound to a unit's event; false when it keeps the message
// from the control. One handler at a time: a handler may wait in a nested
// message loop (a message box, the HTTP send), and input that reaches the
// program's windows meanwhile is dropped (dispatch_common, pump_messages)
// rather than start a second command inside the first.
bool call_handler(const std::shared_ptr<Unit>& unit, std::int32_t event, int x = 0, int y = 0, int keys = 0) {
  auto& state = system_state();
  const std::int32_t index = unit->record->handler_for(event);
  if (state.handler_running || index < 0 || static_cast<std::size_t>(index) >= state.handlers.size())
    return true;
  const EventHandler handler = state.handlers[static_cast<std::size_t>(index)];
  if (handler.empty()) return true;
  const std::shared_ptr<Unit> held = unit;  // valid until the handler returns, whatever it closes
  state.handler_running = true;
  bool result = true;
  try {
    result = handler.call(x, y, keys);
  } catch (...) {
    // Nothing crosses the window procedure; the next event still gets its handler.
  }
  state.handler_running = false;
  // A command that blocked without pumping (a synchronous download, the shell)
  // left the clicks and keys made meanwhile in the queue: none of them may start
  // another command now. The window's created event is no command: what the user
  // does while the window is being set up still counts.
  const KindEntry* kind = units::kind_of(*unit->record);
  const bool created_event = event == layout::kEventOwn && kind && kind->top_level;
  if (!created_event) drop_queued_input();
  return result;
}

// The bound handler of a mouse message, run before the control sees it.
bool dispatch_mouse(const std::shared_ptr<Unit>& unit, UINT message, LPARAM lparam) {
  const auto event = units::mouse_event_index(message);
  if (!event) return true;
  return call_handler(unit, *event, GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam), units::key_state_mask());
}

// The handlers every unit shares, before the window or control handles the
// message; false when the message goes no further: input while a handler
// runs, a handler kept it from the control, or the window is gone meanwhile.
bool dispatch_common(const std::shared_ptr<Unit>& unit, UINT message, LPARAM lparam) {
  if (system_state().handler_running && units::is_command_input(message)) return false;
  if (!dispatch_mouse(unit, message, lparam)) return false;
  if (message == WM_SETFOCUS) call_handler(unit, layout::kEventFocusGained);
  if (message == WM_KILLFOCUS) call_handler(unit, layout::kEventFocusLost);
  return unit->window != nullptr;
}

// Enter in an edit box that a window binds to a button: that button's click,
// sent to its parent as the button sends it, so the same handler runs under
// the same rule. False when `window` is no such box.
bool enter_clicks_button(HWND window) {
  const WindowKeys& keys = system_state().keys;
  if (keys.enter_box == 0 || unit_window(keys.window_id, keys.enter_box) != window) return false;
  HWND button = unit_window(keys.window_id, keys.enter_button);
  if (button && IsWindowVisible(button) && IsWindowEnabled(button)) {
    SendMessageW(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
  }
  return true;
}

// ---- window procedures ----

void forget_window(HWND window);

// Messages that a container (the window, a shape box) handles for its children.
bool container_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
  switch (message) {
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORDLG:
      if (const auto unit = lparam != 0 ? find_unit(reinterpret_cast<HWND>(lparam)) : nullptr) {
        return units::answer_colours(*unit, message, reinterpret_cast<HDC>(wparam), result);
      }
      return false;
    case WM_COMMAND:
      if (const auto child = lparam != 0 ? find_unit(reinterpret_cast<HWND>(lparam)) : nullptr) {
        const KindEntry* kind = units::kind_of(*child->record);
        if (kind && kind->own_event_notification == static_cast<int>(HIWORD(wparam))) {
          call_handler(child, layout::kEventOwn);
          result = 0;
          return true;
        }
      }
      return false;
    default:
      return false;
  }
}

// The one procedure of every window the window system draws itself.
LRESULT CALLBACK unit_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto& state = system_state();
  if (message == WM_NCCREATE && state.creating &&
      state.creating.get() == reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams) {
    state.creating->window = window;
    state.unit_of[window] = std::move(state.creating);
  }
  // Held for the whole call: the unit stays valid if a handler closes the window.
  const std::shared_ptr<Unit> unit = find_unit(window);
  if (!unit) return DefWindowProcW(window, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    forget_window(window);
    return DefWindowProcW(window, message, wparam, lparam);
  }
  if (!dispatch_common(unit, message, lparam)) return 0;
  LRESULT result = 0;
  if (container_message(message, wparam, lparam, result)) return result;
  const KindEntry* kind = units::kind_of(*unit->record);
  if (kind && kind->message && kind->message(*unit, message, wparam, lparam, result)) return result;
  if (kind && units::standard_message(*unit, *kind, message, wparam, lparam, result)) return result;
  return DefWindowProcW(window, message, wparam, lparam);
}

// The same dispatch for the standard controls (edit box, button).
LRESULT CALLBACK control_subclass(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                  DWORD_PTR) {
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(window, control_subclass, 0);
    if (const auto unit = find_unit(window)) unit->window = nullptr;
    system_state().unit_of.erase(window);
    return DefSubclassProc(window, message, wparam, lparam);
  }
  const std::shared_ptr<Unit> unit = find_unit(window);
  if (unit && !dispatch_common(unit, message, lparam)) return 0;
  return DefSubclassProc(window, message, wparam, lparam);
}

void register_classes() {
  auto& state = system_state();
  if (!state.classes_registered) units::register_classes(unit_procedure);
  state.classes_registered = true;
}

// ---- building ----

LoadedWindow* loaded_window(std::uint32_t window_id) {
  for (auto& window : system_state().windows) {
    if (window->window_id == window_id && window->window) return window.get();
  }
  return nullptr;
}

Unit* loaded_unit(std::uint32_t window_id, std::uint32_t unit_id) {
  LoadedWindow* window = loaded_window(window_id);
  if (!window) return nullptr;
  if (unit_id == window_id) return window->window_unit.get();
  for (auto& unit : window->units) {
    if (unit->id == unit_id) return unit.get();
  }
  return nullptr;
}

// Creates a unit's window through its kind: a self-drawn kind is bound to its
// unit at WM_NCCREATE, a standard control is subclassed once it exists.
HWND create_unit_window(const std::shared_ptr<Unit>& unit, HWND parent) {
  const KindEntry* kind = units::kind_of(*unit->record);
  if (!kind || !kind->create) return nullptr;
  const UnitRecord& record = *unit->record;
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
  if (record.visible()) style |= WS_VISIBLE;
  if (record.disabled()) style |= WS_DISABLED;
  if (record.tab_stop()) style |= WS_TABSTOP;
  auto& state = system_state();
  // A window kind learns its own DPI once it exists.
  unit->dpi = window_dpi(parent);
  state.creating = unit;
  HWND window = kind->create(*unit, parent, style);
  state.creating.reset();
  if (window && !kind->class_name) {
    unit->window = window;
    state.unit_of[window] = unit;
    SetWindowSubclass(window, control_subclass, 0, 0);
  }
  return window;
}

// Creates a unit after its parent (the layout may list children first).
HWND create_unit(LoadedWindow& loaded, const std::shared_ptr<Unit>& unit, int depth = 0) {
  if (unit->window) return unit->window;
  if (!unit->record->usable() || depth > static_cast<int>(loaded.units.size())) return nullptr;
  HWND parent = loaded.window;
  if (unit->record->parent != 0) {
    auto found = std::find_if(loaded.units.begin(), loaded.units.end(),
                              [&](const auto& candidate) { return candidate->id == unit->record->parent; });
    if (found == loaded.units.end()) return nullptr;
    parent = create_unit(loaded, *found, depth + 1);
    if (!parent) return nullptr;
  }
  return create_unit_window(unit, parent);
}

bool any_window_exists() {
  const auto& windows = system_state().windows;
  return std::any_of(windows.begin(), windows.end(), [](const auto& w) { return w->window != nullptr; });
}

void forget_window(HWND window) {
  auto& state = system_state();
  if (const auto unit = find_unit(window)) unit->window = nullptr;
  state.unit_of.erase(window);
  const auto found = std::find_if(state.windows.begin(), state.windows.end(),
                                  [window](const auto& loaded) { return loaded->window == window; });
  if (found == state.windows.end()) return;
  // The children are gone by now (WM_NCDESTROY reaches the parent last).
  for (const auto& unit : (*found)->units) {
    if (unit->window) state.unit_of.erase(unit->window);
    unit->window = nullptr;
  }
  state.windows.erase(found);
  // Wakes the message loop, which then sees that no window is left (a close
  // sent from another thread is handled inside GetMessage, which would wait on).
  if (!any_window_exists()) PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
}

// The one message loop: until the last window of the program is gone (or a
// WM_QUIT), or with `modal` until that window is gone. It ends by looking,
// not by a quit message of its own: a WM_QUIT posted while a handler waits in
// a nested loop is taken and lost there (Wine's HTTP send), or ends a message
// box that the user has not answered.
void pump_messages(HWND modal) {
  auto& state = system_state();
  MSG message{};
  while (modal ? IsWindow(modal) != FALSE : any_window_exists()) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got <= 0) {
      // A quit for the outer loop: leave it there.
      if (got == 0 && modal) PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    const HWND top = GetAncestor(message.hwnd, GA_ROOT);
    const bool ours = top && find_unit(top);
    if (ours && state.handler_running && units::is_command_input(message.message)) continue;
    // Taken before the dialog rules, which would make it the window's IDOK.
    if (ours && message.message == WM_KEYDOWN && message.wParam == VK_RETURN &&
        enter_clicks_button(message.hwnd))
      continue;
    // Tab and the default button, as in a dialog.
    if (ours && IsDialogMessageW(top, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace

void units::rescale_units(HWND window, UINT dpi) {
  for (const auto& loaded : system_state().windows) {
    if (loaded->window != window) continue;
    for (const auto& unit : loaded->units) {
      if (unit != loaded->window_unit) units::rescale(*unit, dpi);
    }
  }
}

bool window_system_start(const ByteSet& block, HandlerTable handlers, const WindowKeys& keys) {
  auto decoded = layout::decode_window_layout(block);
  if (!decoded) return false;
  auto& state = system_state();
  state.layouts.push_back(std::make_unique<const layout::WindowLayout>(std::move(*decoded)));
  state.handlers.assign(handlers.begin(), handlers.end());
  state.keys = keys;
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  register_classes();
  return true;
}

bool load_window(std::uint32_t window_id, HWND parent, bool modal) {
  auto& state = system_state();
  const auto layout =
      std::find_if(state.layouts.begin(), state.layouts.end(),
                   [window_id](const auto& candidate) { return candidate->window_id == window_id; });
  if (layout == state.layouts.end()) return false;

  auto window = std::make_shared<LoadedWindow>();
  window->window_id = window_id;
  for (std::size_t i = 0; i < (*layout)->units.size(); ++i) {
    auto unit = std::make_shared<Unit>();
    unit->id = (*layout)->unit_ids[i];
    unit->record = &(*layout)->units[i];
    const KindEntry* kind = units::kind_of(*unit->record);
    if (!window->window_unit && kind && kind->top_level) window->window_unit = unit;
    window->units.push_back(std::move(unit));
  }
  if (!window->window_unit) return false;
  state.windows.push_back(window);

  window->window = create_unit_window(window->window_unit, parent);
  if (!window->window) {
    // Whatever the window's kind made for it (a hidden owner) goes with its unit.
    state.windows.erase(std::find(state.windows.begin(), state.windows.end(), window));
    return false;
  }
  HWND background = nullptr;
  for (const auto& unit : window->units) {
    if (unit == window->window_unit) continue;
    HWND created = create_unit(*window, unit);
    const KindEntry* kind = units::kind_of(*unit->record);
    if (created && kind->lies_under_siblings && unit->record->parent == 0) background = created;
  }
  if (background) SetWindowPos(background, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

  HWND created_window = window->window;
  const bool visible = window->window_unit->record->visible();
  if (visible) {
    const KindEntry& window_kind = *units::kind_of(*window->window_unit->record);
    ShowWindow(created_window,
               window_kind.show_command ? window_kind.show_command(*window->window_unit) : SW_SHOW);
  }
  if (window->window_unit->window) call_handler(window->window_unit, layout::kEventOwn);
  // The caret where typing is meant to start; Tab goes on from there in the layout's order.
  HWND first = state.keys.window_id == window_id ? unit_window(window_id, state.keys.first_focus) : nullptr;
  if (first && window->window && IsWindowVisible(first)) SetFocus(first);
  // Painted once the created event has run: what it changes (the skin) would
  // otherwise repaint every unit a second time.
  if (visible && window->window_unit->window) UpdateWindow(created_window);

  if (modal && parent) {
    EnableWindow(parent, FALSE);
    pump_messages(created_window);
    EnableWindow(parent, TRUE);
    SetActiveWindow(parent);
  }
  return true;
}

void run_message_loop() { pump_messages(nullptr); }

HWND unit_window(std::uint32_t window_id, std::uint32_t unit_id) {
  Unit* unit = loaded_unit(window_id, unit_id);
  return unit ? unit->window : nullptr;
}

namespace {

bool text_is_content(const Unit& unit) {
  const KindEntry* kind = units::kind_of(*unit.record);
  return kind && kind->text_is_content;
}

bool unit_visible(const Unit& unit) { return (GetWindowLongW(unit.window, GWL_STYLE) & WS_VISIBLE) != 0; }

Text unit_text(const Unit& unit) { return wide_to_gbk(window_text(unit.window)); }

// A unit whose window exists; a destroyed one takes no reads or writes.
Unit* existing_unit(std::uint32_t window_id, std::uint32_t unit_id) {
  Unit* unit = loaded_unit(window_id, unit_id);
  return unit && unit->window && IsWindow(unit->window) ? unit : nullptr;
}

}  // namespace

UnitValue read_unit_property(std::uint32_t window_id, std::uint32_t unit_id, int property_index) {
  const Unit* unit = existing_unit(window_id, unit_id);
  if (unit && property_index == kPropertyVisible) return unit_visible(*unit);
  if (unit && property_index == kPropertyContent && text_is_content(*unit)) return unit_text(*unit);
  return std::monostate{};
}

bool write_unit_property(std::uint32_t window_id, std::uint32_t unit_id, int property_index,
                         const UnitValue& value) {
  Unit* unit = existing_unit(window_id, unit_id);
  if (!unit) return false;
  if (const bool* visible = std::get_if<bool>(&value); visible && property_index == kPropertyVisible) {
    ShowWindow(unit->window, *visible ? SW_SHOWNA : SW_HIDE);
    return true;
  }
  const Text* text = std::get_if<Text>(&value);
  if (!text || property_index != kPropertyContent || !text_is_content(*unit)) return false;
  return SetWindowTextW(unit->window, gbk_to_wide(*text).c_str()) != FALSE;
}
