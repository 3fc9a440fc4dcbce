#include "extract/commands_win32.h"

// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include <algorithm>
#include <string>
#include <variant>
#include <vector>

#include "common/codepage_win32.h"
#include "common/fatal.h"
#include "extract/main_window_units.h"
#include "common/message_box.h"
#include "common/units.h"
#include "common/units_win32.h"
#include "common/win32/clipboard.h"
#include "extract/autoplay_fetch.h"

namespace {

constexpr char kCopyDone[] = "\xB8\xB4\xD6\xC6\xB3\xC9\xB9\xA6\xA3\xA1";    // 复制成功！
constexpr char kCopyFailed[] = "\xB8\xB4\xD6\xC6\xCA\xA7\xB0\xDC\xA3\xA1";  // 复制失败！
constexpr wchar_t kBrowserTitle[] = L"Microsoft Internet Explorer";
// How long a copy waits for another program to let go of the clipboard.
constexpr DWORD kClipboardPatienceMs = 100;

Text read_content(std::uint32_t unit_id) {
  const UnitValue value = read_unit_property(main_window::kWindow, unit_id, kPropertyContent);
  const Text* text = std::get_if<Text>(&value);
  return text != nullptr ? *text : Text();
}

void write_content(std::uint32_t unit_id, const Text& text) {
  write_unit_property(main_window::kWindow, unit_id, kPropertyContent, text);
}

void write_visible(std::uint32_t unit_id, bool visible) {
  write_unit_property(main_window::kWindow, unit_id, kPropertyVisible, visible);
}

// The user closing the program while an exchange waits (the object runs the
// thread's messages meanwhile, as Wine's does): nothing the exchange could
// still bring is wanted, and inside a chunked body the object cannot be
// stopped at all, so the program ends there, with its end sequence, without
// waiting for the network.
class ProgramClosed final : public CancelCheck {
 public:
  ProgramClosed() {
    EnumThreadWindows(GetCurrentThreadId(), &ProgramClosed::note_window, reinterpret_cast<LPARAM>(this));
  }
  bool cancelled() override {
    const bool gone = !windows_.empty() && std::none_of(windows_.begin(), windows_.end(),
                                                        [](HWND window) { return IsWindow(window); });
    if (gone) end_process(0);
    return false;
  }

 private:
  static BOOL CALLBACK note_window(HWND window, LPARAM self) {
    if (IsWindowVisible(window)) reinterpret_cast<ProgramClosed*>(self)->windows_.push_back(window);
    return TRUE;
  }
  std::vector<HWND> windows_;
};

}  // namespace

bool put_text_on_clipboard(const Text& text) {
  const ClipboardScope clipboard(unit_window(main_window::kWindow, main_window::kWindow),
                                 kClipboardPatienceMs);
  if (!clipboard.is_open()) return false;
  EmptyClipboard();
  if (!place_on_clipboard(CF_TEXT, text.c_str(), static_cast<std::size_t>(text.length()) + 1)) return false;
  // CF_TEXT alone would be read through the clipboard's locale on systems whose
  // code page is not 936, so the UTF-16 form goes beside it when it can.
  const std::wstring wide = gbk_to_wide(text);
  place_on_clipboard(CF_UNICODETEXT, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
  return true;
}

void get_address_command() {
  using namespace main_window;
  write_visible(kLinkCopy, false);
  write_visible(kLinkOpen, false);
  ProgramClosed closed;
  const Text address = extract_autoplay_address(read_content(kEditSource), nullptr, &closed);
  // The typed page address is cleared after every attempt, whatever the outcome.
  write_content(kEditSource, Text());
  if (!address.empty()) {
    write_content(kEditAutoplay, address);
    write_visible(kLinkCopy, true);
    write_visible(kLinkOpen, true);
  } else {
    write_content(kEditAutoplay, Text());
    // Closed while the page was on its way: nobody is left to tell.
    if (unit_window(kWindow, kWindow) != nullptr) show_message(kGetFailed);
  }
}

void copy_command(int, int, int) {
  const bool copied = put_text_on_clipboard(read_content(main_window::kEditAutoplay));
  // Only a copy that the clipboard took is confirmed.
  show_message(copied ? kCopyDone : kCopyFailed);
}

void open_command(int, int, int) {
  const std::wstring address = gbk_to_wide(read_content(main_window::kEditAutoplay));
  HWND owner = FindWindowExW(nullptr, nullptr, nullptr, kBrowserTitle);
  ShellExecuteW(owner, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
