// Test support: drives the real program's main window from outside, as a
// user would: finds its controls once, runs one extraction at a time and
// reports its outcome (an address or the message the program showed) and how
// long it took. Every end-to-end suite and the drive tool use it.
#pragma once

#include <windows.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "tests/support/dialogs_win32.h"
#include "tests/support/program_win32.h"
#include "tests/support/user_settings_win32.h"
#include "tests/support/video_pages.h"
#include "tests/support/wine_win32.h"

extern const std::wstring kGetFailedMessage;  // 获取失败！
extern const std::wstring kCopyDoneMessage;   // 复制成功！

struct ExtractionOutcome {
  bool finished = false;                  // false: nothing happened within the time given
  std::wstring address;                   // the output box, with both links shown
  std::optional<SeenMessageBox> message;  // the box the program showed (and we closed)
  std::chrono::milliseconds took{0};
};

class MainWindowDriver {
 public:
  explicit MainWindowDriver(const std::wstring& exe);

  // The program started and every control the commands use was found.
  bool ready() const { return ready_; }
  ProgramUnderTest& program() const { return *program_; }
  HWND source() const { return source_; }
  HWND output() const { return output_; }
  HWND button() const { return button_; }
  HWND link_copy() const { return link_copy_; }
  HWND link_open() const { return link_open_; }
  bool running() const;

  // Types `page_address` into the source box, clicks the button and waits for
  // the command to end: the source box emptied and either both links shown or
  // a message box up (which is then closed).
  ExtractionOutcome extract(const std::string& page_address,
                            std::chrono::milliseconds timeout = std::chrono::seconds(60));
  // Presses the copy link and closes the box it shows; the box's text.
  std::optional<std::wstring> copy(std::chrono::milliseconds timeout = std::chrono::seconds(20));

  std::wstring output_text() const { return window_text_of(output_); }
  std::wstring source_text() const { return window_text_of(source_); }
  bool links_visible() const;
  bool links_hidden() const;

  // Asks the window to close; the exit code, if the process ended.
  std::optional<DWORD> close();

 private:
  std::unique_ptr<ProgramUnderTest> program_;
  HWND source_ = nullptr, output_ = nullptr, button_ = nullptr, link_copy_ = nullptr, link_open_ = nullptr;
  bool ready_ = false;
};

// The clipboard's data in `format`, all of its bytes; "<clipboard busy>" or
// "<no such format>" when it cannot be read.
std::string clipboard_bytes(UINT format);
