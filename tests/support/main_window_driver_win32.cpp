#include "tests/support/main_window_driver_win32.h"

#include <string>

const std::wstring kGetFailedMessage = L"\x83b7\x53d6\x5931\x8d25\xff01";  // 获取失败！
const std::wstring kCopyDoneMessage = L"\x590d\x5236\x6210\x529f\xff01";   // 复制成功！

namespace {

const std::wstring kCaption = L"  Tarnvex";
const std::wstring kButtonCaption = L"\x83b7\x53d6\x81ea\x52a8\x64ad\x653e\x5730\x5740";  // 获取自动播放地址
const std::wstring kCopyCaption = L"\x70b9\x51fb\x590d\x5236\x5730\x5740";  // 点击复制地址
const std::wstring kOpenCaption = L"\x70b9\x51fb\x6253\x5f00";              // 点击打开

}  // namespace

std::string clipboard_bytes(UINT format) {
  std::string bytes;
  if (!OpenClipboard(nullptr)) return "<clipboard busy>";
  if (HANDLE data = GetClipboardData(format)) {
    const auto* p = static_cast<const char*>(GlobalLock(data));
    bytes.assign(p, GlobalSize(data));
    GlobalUnlock(data);
  } else {
    bytes = "<no such format>";
  }
  CloseClipboard();
  return bytes;
}

MainWindowDriver::MainWindowDriver(const std::wstring& exe)
    : program_(std::make_unique<ProgramUnderTest>(exe, kCaption)) {
  if (!program_->started()) return;
  source_ = program_->find_control(L"Edit", nullptr, program_->main_window());
  button_ = program_->find_control(L"Button", kButtonCaption.c_str());
  link_copy_ = program_->find_control(L"TarnvexHyperLinker", kCopyCaption.c_str());
  link_open_ = program_->find_control(L"TarnvexHyperLinker", kOpenCaption.c_str());
  if (link_copy_ != nullptr) output_ = program_->find_control(L"Edit", nullptr, GetParent(link_copy_));
  ready_ = source_ != nullptr && button_ != nullptr && link_copy_ != nullptr && link_open_ != nullptr &&
           output_ != nullptr && output_ != source_;
}

bool MainWindowDriver::running() const { return WaitForSingleObject(program_->process(), 0) == WAIT_TIMEOUT; }

bool MainWindowDriver::links_visible() const {
  return IsWindowVisible(link_copy_) && IsWindowVisible(link_open_);
}

bool MainWindowDriver::links_hidden() const {
  return !IsWindowVisible(link_copy_) && !IsWindowVisible(link_open_);
}

ExtractionOutcome MainWindowDriver::extract(const std::string& page_address,
                                            std::chrono::milliseconds timeout) {
  ExtractionOutcome outcome;
  const auto started = std::chrono::steady_clock::now();
  set_window_text_of(source_, std::wstring(page_address.begin(), page_address.end()));
  post_button_click(button_);
  auto clicked = std::chrono::steady_clock::now();
  // The source box is emptied only once the page has been dealt with; the
  // links or the message box come right after. A click that reached the
  // program as its previous command was returning was dropped with that
  // command's queued input, so while the box still holds the address the click
  // is given again each second (one made while the command runs is dropped).
  const DWORD process_id = program_->process_id();
  const auto settled = [&] {
    if (!running() || find_message_box(process_id) != nullptr) return true;
    if (source_text().empty()) return links_visible();
    if (std::chrono::steady_clock::now() - clicked >= std::chrono::seconds(1)) {
      post_button_click(button_);
      clicked = std::chrono::steady_clock::now();
    }
    return false;
  };
  outcome.finished = wait_until(settled, timeout) && running();
  if (!outcome.finished) return outcome;
  if (find_message_box(process_id) != nullptr)
    outcome.message = close_next_message_box(process_id, std::chrono::seconds(5));
  outcome.took =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
  outcome.address = output_text();
  return outcome;
}

std::optional<std::wstring> MainWindowDriver::copy(std::chrono::milliseconds timeout) {
  // Pressed again while no box shows, as a click is given again in extract().
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  std::optional<SeenMessageBox> box;
  while (!box && std::chrono::steady_clock::now() < deadline && running()) {
    post_left_click(link_copy_);
    box = close_next_message_box(program_->process_id(), std::chrono::seconds(1));
  }
  if (!box) return std::nullopt;
  return box->text;
}

std::optional<DWORD> MainWindowDriver::close() { return program_->close_and_wait(); }
