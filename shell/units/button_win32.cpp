// The button: a standard multi-line BUTTON; its click is its event 0.
#include "shell/units/unit_win32.h"

namespace units {

namespace {

HWND create(Unit& unit, HWND parent, DWORD style) {
  const auto& d = std::get<layout::ButtonData>(unit.record->data);
  style |= BS_MULTILINE | (d.button_type == 1 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
  style |= d.horizontal_alignment == 0 ? BS_LEFT : d.horizontal_alignment == 2 ? BS_RIGHT : BS_CENTER;
  style |= d.vertical_alignment == 0 ? BS_TOP : d.vertical_alignment == 2 ? BS_BOTTOM : BS_VCENTER;
  build_font(unit, d.font);
  return create_standard(unit, parent, L"BUTTON", style, 0, Text(d.caption));
}

}  // namespace

}  // namespace units

const units::KindEntry& layout::ButtonData::behaviour() {
  static constexpr units::KindEntry kEntry{.create = units::create, .own_event_notification = BN_CLICKED};
  return kEntry;
}
