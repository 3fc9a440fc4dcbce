#include "shell/window_system_win32.h"

#include <commctrl.h>
#include <ole2.h>
#include <olectl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "common/codepage_win32.h"
#include "common/win32/gdi.h"
#include "shell/picture_scale.h"
#include "shell/resource_ids.h"
#include "shell/units/unit_win32.h"

namespace {

using layout::UnitRecord;
using units::Unit;
using namespace units;  // NOLINT

// ---- owners ----

// ---- units ----

struct LoadedWindow {
  std::uint32_t window_id = 0;
  const layout::WindowLayout* layout = nullptr;
  HWND window = nullptr;
  HWND hidden_owner = nullptr;
  std::vector<std::unique_ptr<Unit>> units;
  Unit* window_unit = nullptr;
};

struct WindowSystem {
  std::vector<layout::WindowLayout> layouts;
  std::vector<EventHandler> handlers;
  std::vector<std::unique_ptr<LoadedWindow>> windows;
  std::unordered_map<HWND, Unit*> unit_of;
  bool message_loop_running = false;
  bool classes_registered = false;
};

WindowSystem& system_state() {
  static WindowSystem state;
  return state;
}

Unit* find_unit(HWND window) {
  auto& units = system_state().unit_of;
  const auto found = units.find(window);
  return found == units.end() ? nullptr : found->second;
}

int key_state_mask() {
  int keys = 0;
  if (GetKeyState(VK_CONTROL) < 0) keys |= kKeyCtrl;
  if (GetKeyState(VK_SHIFT) < 0) keys |= kKeyShift;
  if (GetKeyState(VK_MENU) < 0) keys |= kKeyAlt;
  return keys;
}

std::optional<std::int32_t> mouse_event_index(UINT message) {
  switch (message) {
    case WM_LBUTTONDOWN:
      return layout::kEventLeftDown;
    case WM_LBUTTONUP:
      return layout::kEventLeftUp;
    case WM_LBUTTONDBLCLK:
      return layout::kEventLeftDoubleClick;
    case WM_RBUTTONDOWN:
      return layout::kEventRightDown;
    case WM_RBUTTONUP:
      return layout::kEventRightUp;
    case WM_MOUSEMOVE:
      return layout::kEventMouseMove;
    default:
      return std::nullopt;
  }
}

const EventHandler* bound_handler(const Unit& unit, std::int32_t event) {
  const std::int32_t index = unit.record->handler_for(event);
  const auto& handlers = system_state().handlers;
  if (index < 0 || static_cast<std::size_t>(index) >= handlers.size()) return nullptr;
  const EventHandler& handler = handlers[static_cast<std::size_t>(index)];
  return handler.empty() ? nullptr : &handler;
}

void fire_plain_event(const Unit& unit, std::int32_t event) {
  if (const EventHandler* handler = bound_handler(unit, event)) handler->call();
}

// Runs the handler bound to a mouse message before the control sees it;
// false when the handler keeps the message from the control.
bool dispatch_mouse(const Unit& unit, UINT message, LPARAM lparam) {
  const auto event = mouse_event_index(message);
  if (!event) return true;
  const EventHandler* handler = bound_handler(unit, *event);
  if (!handler) return true;
  return handler->call(GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam), key_state_mask());
}

void dispatch_focus(const Unit& unit, UINT message) {
  if (message == WM_SETFOCUS) fire_plain_event(unit, layout::kEventFocusGained);
  if (message == WM_KILLFOCUS) fire_plain_event(unit, layout::kEventFocusLost);
}

// ---- window procedures ----

void forget_window(HWND window);

// WM_CTLCOLOR* about a unit: its own text and background colours. Edit boxes and
// labels ask their parent; a shape box asks itself for its background.
LRESULT unit_colours(UINT message, HDC dc, HWND control, bool& handled) {
  handled = false;
  Unit* unit = find_unit(control);
  if (!unit || !unit->record->usable()) return 0;
  const auto& data = unit->record->data;
  COLORREF background = 0;
  std::optional<COLORREF> text;
  if (const auto* d = std::get_if<layout::EditBoxData>(&data); d && message != WM_CTLCOLORDLG) {
    background = colour_of(d->background_colour);
    text = colour_of(d->text_colour, COLOR_WINDOWTEXT);
  } else if (const auto* d = std::get_if<layout::LabelData>(&data); d && message == WM_CTLCOLORSTATIC) {
    background = colour_of(d->background_colour());
    text = static_cast<COLORREF>(d->text_colour());
  } else if (const auto* d = std::get_if<layout::ShapeBoxData>(&data); d && message == WM_CTLCOLORDLG) {
    background = colour_of(d->background_colour);
  } else {
    return 0;
  }
  if (text) SetTextColor(dc, *text);
  SetBkColor(dc, background);
  if (!unit->background_brush.get()) unit->background_brush.reset(CreateSolidBrush(background));
  handled = true;
  return reinterpret_cast<LRESULT>(unit->background_brush.get());
}

// Messages that a container (the window, a shape box) handles for its children.
bool container_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
  switch (message) {
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORDLG: {
      bool handled = false;
      result = unit_colours(message, reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam), handled);
      return handled;
    }
    case WM_COMMAND:
      if (HIWORD(wparam) == BN_CLICKED && lparam != 0) {
        if (Unit* unit = find_unit(reinterpret_cast<HWND>(lparam))) {
          if (std::holds_alternative<layout::ButtonData>(unit->record->data)) {
            fire_plain_event(*unit, layout::kEventOwn);
            result = 0;
            return true;
          }
        }
      }
      return false;
    default:
      return false;
  }
}

LRESULT CALLBACK unit_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    auto* unit = static_cast<Unit*>(create->lpCreateParams);
    if (unit) {
      unit->window = window;
      system_state().unit_of[window] = unit;
    }
  }
  Unit* unit = find_unit(window);
  if (!unit) return DefWindowProcW(window, message, wparam, lparam);

  if (!dispatch_mouse(*unit, message, lparam)) return 0;
  dispatch_focus(*unit, message);
  LRESULT result = 0;
  if (container_message(message, wparam, lparam, result)) return result;

  const auto& data = unit->record->data;
  switch (message) {
    case WM_ERASEBKGND:
      if (const auto* window_data = std::get_if<layout::WindowData>(&data)) {
        RECT client{};
        GetClientRect(window, &client);
        fill(reinterpret_cast<HDC>(wparam), client, colour_of(window_data->background_colour));
      }
      return 1;  // the other kinds paint their whole box in WM_PAINT
    case WM_PAINT:
      if (const auto* shape = std::get_if<layout::ShapeBoxData>(&data)) {
        paint_shape(window, *shape);
        return 0;
      }
      if (const auto* label = std::get_if<layout::LabelData>(&data)) {
        paint_label(window, *unit, *label);
        return 0;
      }
      if (const auto* picture = std::get_if<layout::PicBoxData>(&data)) {
        paint_picture(window, *unit, *picture);
        return 0;
      }
      if (std::holds_alternative<layout::HyperLinkerData>(data)) {
        paint_link(window, *unit);
        return 0;
      }
      break;
    case WM_SETFONT:
      if (!std::holds_alternative<layout::WindowData>(data)) break;
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(unit_font(*unit));
    case WM_SETCURSOR:
      if (std::holds_alternative<layout::HyperLinkerData>(data)) {
        SetCursor(hand_cursor());
        return TRUE;
      }
      break;
    case WM_MOUSEMOVE:
      if (std::holds_alternative<layout::HyperLinkerData>(data)) track_link_hover(window, *unit, lparam);
      break;
    case WM_CAPTURECHANGED:
      if (unit->hover) {
        unit->hover = false;
        InvalidateRect(window, nullptr, TRUE);
      }
      break;
    case WM_LBUTTONDOWN:
      if (std::holds_alternative<layout::HyperLinkerData>(data)) {
        open_link_target(*unit);
        return 0;
      }
      break;
    case WM_NCDESTROY:
      forget_window(window);
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

LRESULT CALLBACK control_subclass(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                  DWORD_PTR reference) {
  auto* unit = reinterpret_cast<Unit*>(reference);
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(window, control_subclass, 0);
    system_state().unit_of.erase(window);
    return DefSubclassProc(window, message, wparam, lparam);
  }
  if (!dispatch_mouse(*unit, message, lparam)) return 0;
  dispatch_focus(*unit, message);
  return DefSubclassProc(window, message, wparam, lparam);
}

void register_classes() {
  auto& state = system_state();
  if (state.classes_registered) return;
  for (const wchar_t* name : {kWindowClass, kShapeBoxClass, kLabelClass, kPicBoxClass, kHyperLinkerClass}) {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof(window_class);
    window_class.style = CS_DBLCLKS;
    window_class.lpfnWndProc = unit_procedure;
    window_class.hInstance = program_instance();
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = name;
    if (name == kWindowClass) {
      window_class.hIcon = LoadIconW(program_instance(), MAKEINTRESOURCEW(TARNVEX_ICON_DEFAULT));
    }
    RegisterClassExW(&window_class);
  }
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
  if (unit_id == window_id) return window->window_unit;
  for (auto& unit : window->units) {
    if (unit->id == unit_id) return unit.get();
  }
  return nullptr;
}

HWND create_main(LoadedWindow& loaded, Unit& unit, HWND parent) {
  const auto& record = *unit.record;
  const auto& d = std::get<layout::WindowData>(record.data);
  const WindowStyles styles = window_styles(d);
  int left = record.left;
  int top = record.top;
  if (d.start_position == 1) {
    left = (GetSystemMetrics(SM_CXSCREEN) - record.width) / 2;
    top = (GetSystemMetrics(SM_CYSCREEN) - record.height) / 2;
  }
  HWND owner = parent;
  if (!owner && d.shown_in_taskbar == 0) {
    loaded.hidden_owner = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                          program_instance(), nullptr);
    owner = loaded.hidden_owner;
  }
  const std::wstring caption = local_to_wide(Text(d.caption));
  HWND window = CreateWindowExW(styles.ex_style, kWindowClass, caption.c_str(), styles.style, left, top,
                                record.width, record.height, owner, nullptr, program_instance(), &unit);
  if (!window) return nullptr;
  RECT outer{};
  GetWindowRect(window, &outer);
  if (outer.right - outer.left != record.width || outer.bottom - outer.top != record.height) {
    SetWindowPos(window, nullptr, 0, 0, record.width, record.height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(default_gui_font()), FALSE);
  if (d.close_allowed == 0) DeleteMenu(GetSystemMenu(window, FALSE), SC_CLOSE, MF_BYCOMMAND);
  if (d.icon.empty()) {
    // No icon of its own: the program's default icon.
    auto load_icon = [](int size) {
      return static_cast<HICON>(LoadImageW(program_instance(), MAKEINTRESOURCEW(TARNVEX_ICON_DEFAULT),
                                           IMAGE_ICON, size, size, LR_SHARED));
    };
    SendMessageW(window, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(load_icon(GetSystemMetrics(SM_CXICON))));
    SendMessageW(window, WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(load_icon(GetSystemMetrics(SM_CXSMICON))));
  }
  return window;
}
HWND create_unit_window(Unit& unit, HWND parent) {
  const UnitRecord& record = *unit.record;
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
  DWORD ex_style = 0;
  if (record.visible()) style |= WS_VISIBLE;
  if (record.disabled()) style |= WS_DISABLED;
  if (record.tab_stop()) style |= WS_TABSTOP;
  const HINSTANCE instance = program_instance();
  HWND window = nullptr;
  bool subclass = false;
  int height = record.height;

  if (const auto* d = std::get_if<layout::EditBoxData>(&record.data)) {
    add_border_style(d->border_style, style, ex_style);
    if (d->multi_line) {
      style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
    } else {
      style |= ES_AUTOHSCROLL;
    }
    if (d->scroll_bars & 1) style |= WS_HSCROLL;
    if (d->scroll_bars & 2) style |= WS_VSCROLL;
    if (d->alignment == 1) style |= ES_CENTER;
    if (d->alignment == 2) style |= ES_RIGHT;
    if (d->input_mode == 1) style |= ES_READONLY;
    if (d->input_mode == 2) style |= ES_PASSWORD;
    if (d->case_conversion == 1) style |= ES_LOWERCASE;
    if (d->case_conversion == 2) style |= ES_UPPERCASE;
    if (!d->hide_selection) style |= ES_NOHIDESEL;
    build_font(unit, d->font);
    const std::wstring content = local_to_wide(Text(d->content));
    window = CreateWindowExW(ex_style, L"EDIT", content.c_str(), style, record.left, record.top, record.width,
                             height, parent, nullptr, instance, nullptr);
    if (window) {
      SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(unit_font(unit)), FALSE);
      SendMessageW(window, EM_SETLIMITTEXT, static_cast<WPARAM>(std::max(0, d->max_length)), 0);
      if (d->input_mode == 2) SendMessageW(window, EM_SETPASSWORDCHAR, d->password_char, 0);
      if (!d->multi_line) {
        const int grown = edit_height(window, unit, height);
        if (grown != height) {
          SetWindowPos(window, nullptr, 0, 0, record.width, grown,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
      }
    }
    subclass = true;
  } else if (const auto* d = std::get_if<layout::ButtonData>(&record.data)) {
    style |= BS_MULTILINE | (d->button_type == 1 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    style |= d->horizontal_alignment == 0 ? BS_LEFT : d->horizontal_alignment == 2 ? BS_RIGHT : BS_CENTER;
    style |= d->vertical_alignment == 0 ? BS_TOP : d->vertical_alignment == 2 ? BS_BOTTOM : BS_VCENTER;
    build_font(unit, d->font);
    const std::wstring caption = local_to_wide(Text(d->caption));
    window = CreateWindowExW(0, L"BUTTON", caption.c_str(), style, record.left, record.top, record.width,
                             height, parent, nullptr, instance, nullptr);
    if (window) SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(unit_font(unit)), FALSE);
    subclass = true;
  } else {
    const wchar_t* class_name = nullptr;
    std::wstring text;
    if (std::holds_alternative<layout::ShapeBoxData>(record.data)) {
      class_name = kShapeBoxClass;
      // Its children take part in tab moves.
      ex_style |= WS_EX_CONTROLPARENT;
    } else if (const auto* d = std::get_if<layout::LabelData>(&record.data)) {
      class_name = kLabelClass;
      build_font(unit, d->font);
      text = local_to_wide(Text(d->caption));
    } else if (const auto* d = std::get_if<layout::PicBoxData>(&record.data)) {
      class_name = kPicBoxClass;
      add_border_style(d->border_style, style, ex_style);
      load_picture(unit, d->picture);
    } else if (const auto* d = std::get_if<layout::HyperLinkerData>(&record.data)) {
      class_name = kHyperLinkerClass;
      add_border_style(d->border_style, style, ex_style);
      build_font(unit, d->font);
      text = local_to_wide(Text(d->caption));
    }
    if (!class_name) return nullptr;
    window = CreateWindowExW(ex_style, class_name, text.c_str(), style, record.left, record.top, record.width,
                             height, parent, nullptr, instance, &unit);
  }
  if (window && subclass) {
    unit.window = window;
    system_state().unit_of[window] = &unit;
    SetWindowSubclass(window, control_subclass, 0, reinterpret_cast<DWORD_PTR>(&unit));
  }
  return window;
}

// Creates a unit after its parent (the layout may list children first).
HWND create_unit(LoadedWindow& loaded, Unit& unit, int depth = 0) {
  if (unit.window) return unit.window;
  if (!unit.record->usable() || depth > static_cast<int>(loaded.units.size())) return nullptr;
  HWND parent = loaded.window;
  if (unit.record->parent != 0) {
    auto found = std::find_if(loaded.units.begin(), loaded.units.end(),
                              [&](const auto& candidate) { return candidate->id == unit.record->parent; });
    if (found == loaded.units.end()) return nullptr;
    parent = create_unit(loaded, **found, depth + 1);
    if (!parent) return nullptr;
  }
  return create_unit_window(unit, parent);
}

void forget_window(HWND window) {
  auto& state = system_state();
  state.unit_of.erase(window);
  const auto found = std::find_if(state.windows.begin(), state.windows.end(),
                                  [window](const auto& loaded) { return loaded->window == window; });
  if (found == state.windows.end()) return;
  if ((*found)->hidden_owner) DestroyWindow((*found)->hidden_owner);
  // The children are gone by now (WM_NCDESTROY reaches the parent last).
  for (const auto& unit : (*found)->units) {
    if (unit->window) state.unit_of.erase(unit->window);
  }
  state.windows.erase(found);
  if (!any_window_exists() && state.message_loop_running) PostQuitMessage(0);
}

}  // namespace

bool window_system_start(const ByteSet& block, HandlerTable handlers) {
  auto decoded = layout::decode_window_layout(block);
  if (!decoded) return false;
  auto& state = system_state();
  state.layouts.push_back(std::move(*decoded));
  state.handlers.assign(handlers.begin(), handlers.end());
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  register_classes();
  return true;
}

ByteSet layout_block_resource(HMODULE module, int resource_id) {
  HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(resource_id), MAKEINTRESOURCEW(10));  // RT_RCDATA
  if (!resource) return {};
  HGLOBAL loaded = LoadResource(module, resource);
  const auto* bytes = static_cast<const std::uint8_t*>(loaded ? LockResource(loaded) : nullptr);
  if (!bytes) return {};
  return ByteSet(bytes, bytes + SizeofResource(module, resource));
}

bool load_window(std::uint32_t window_id, HWND parent, bool modal) {
  auto& state = system_state();
  const auto layout =
      std::find_if(state.layouts.begin(), state.layouts.end(),
                   [window_id](const auto& candidate) { return candidate.window_id == window_id; });
  if (layout == state.layouts.end()) return false;

  auto loaded = std::make_unique<LoadedWindow>();
  loaded->window_id = window_id;
  loaded->layout = &*layout;
  for (std::size_t i = 0; i < layout->units.size(); ++i) {
    auto unit = std::make_unique<Unit>();
    unit->id = layout->unit_ids[i];
    unit->record = &layout->units[i];
    if (!loaded->window_unit && std::holds_alternative<layout::WindowData>(layout->units[i].data)) {
      loaded->window_unit = unit.get();
    }
    loaded->units.push_back(std::move(unit));
  }
  if (!loaded->window_unit) return false;
  LoadedWindow& window = *loaded;
  state.windows.push_back(std::move(loaded));

  window.window = create_main(window, *window.window_unit, parent);
  if (!window.window) {
    state.windows.pop_back();
    return false;
  }
  HWND shape_box = nullptr;
  for (auto& unit : window.units) {
    if (unit.get() == window.window_unit) continue;
    HWND created = create_unit(window, *unit);
    if (created && std::holds_alternative<layout::ShapeBoxData>(unit->record->data) &&
        unit->record->parent == 0) {
      shape_box = created;
    }
  }
  // A background shape box lies under its siblings, whatever the creation order.
  if (shape_box) SetWindowPos(shape_box, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

  const auto& d = std::get<layout::WindowData>(window.window_unit->record->data);
  const int show = d.start_position == 2                                ? SW_SHOWMINIMIZED
                   : d.start_position == 3 && (d.border_style % 2 == 1) ? SW_SHOWMAXIMIZED
                                                                        : SW_SHOW;
  HWND created_window = window.window;
  const std::uint32_t own_id = window.window_unit->id;
  if (window.window_unit->record->visible()) {
    ShowWindow(created_window, show);
    UpdateWindow(created_window);
  }
  if (Unit* unit = loaded_unit(window_id, own_id)) fire_plain_event(*unit, layout::kEventOwn);

  if (modal && parent) {
    EnableWindow(parent, FALSE);
    MSG message{};
    while (IsWindow(created_window) && GetMessageW(&message, nullptr, 0, 0) > 0) {
      if (!IsDialogMessageW(created_window, &message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
    }
    EnableWindow(parent, TRUE);
    SetActiveWindow(parent);
  }
  return true;
}

bool any_window_exists() {
  const auto& windows = system_state().windows;
  return std::any_of(windows.begin(), windows.end(), [](const auto& w) { return w->window != nullptr; });
}

void run_message_loop() {
  auto& state = system_state();
  state.message_loop_running = true;
  if (!any_window_exists()) return;
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    HWND top = GetAncestor(message.hwnd, GA_ROOT);
    // Tab and the default button, as in a dialog.
    if (top && find_unit(top) && IsDialogMessageW(top, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

HWND unit_window(std::uint32_t window_id, std::uint32_t unit_id) {
  Unit* unit = loaded_unit(window_id, unit_id);
  return unit ? unit->window : nullptr;
}

namespace {

bool is_edit_box(const Unit& unit) { return std::holds_alternative<layout::EditBoxData>(unit.record->data); }

bool unit_visible(const Unit& unit) { return (GetWindowLongW(unit.window, GWL_STYLE) & WS_VISIBLE) != 0; }

Text unit_text(const Unit& unit) {
  const int length = GetWindowTextLengthW(unit.window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(unit.window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(0, copied)));
  return wide_to_local(text);
}

Unit* existing_unit(std::uint32_t window_id, std::uint32_t unit_id) {
  Unit* unit = loaded_unit(window_id, unit_id);
  return unit && unit->window ? unit : nullptr;
}

}  // namespace

UnitValue read_unit_property(std::uint32_t window_id, std::uint32_t unit_id, int property_index) {
  const Unit* unit = existing_unit(window_id, unit_id);
  if (unit && property_index == kPropertyVisible) return unit_visible(*unit);
  if (unit && property_index == kPropertyContent && is_edit_box(*unit)) return unit_text(*unit);
  return std::monostate{};
}

bool write_unit_property(std::uint32_t window_id, std::uint32_t unit_id, int property_index,
                         const UnitValue& value) {
  if (property_index == kPropertyVisible) {
    const bool* visible = std::get_if<bool>(&value);
    return visible && write_unit_visible(window_id, unit_id, *visible);
  }
  if (property_index == kPropertyContent) {
    const Text* text = std::get_if<Text>(&value);
    return text && write_unit_text(window_id, unit_id, *text);
  }
  return false;
}

bool read_unit_visible(std::uint32_t window_id, std::uint32_t unit_id) {
  const Unit* unit = existing_unit(window_id, unit_id);
  return unit && unit_visible(*unit);
}

Text read_unit_text(std::uint32_t window_id, std::uint32_t unit_id) {
  const Unit* unit = existing_unit(window_id, unit_id);
  return unit && is_edit_box(*unit) ? unit_text(*unit) : Text();
}

bool write_unit_visible(std::uint32_t window_id, std::uint32_t unit_id, bool visible) {
  Unit* unit = existing_unit(window_id, unit_id);
  if (!unit) return false;
  ShowWindow(unit->window, visible ? SW_SHOWNA : SW_HIDE);
  return true;
}

bool write_unit_text(std::uint32_t window_id, std::uint32_t unit_id, const Text& text) {
  Unit* unit = existing_unit(window_id, unit_id);
  if (!unit || !is_edit_box(*unit)) return false;
  return SetWindowTextW(unit->window, local_to_wide(text).c_str()) != FALSE;
}
