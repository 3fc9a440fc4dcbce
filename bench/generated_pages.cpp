#include "bench/generated_pages.h"

#include <string_view>

#include "tests/support/video_pages.h"

namespace {

// flash地址
constexpr std::string_view kFlash = "flash\xB5\xD8\xD6\xB7";

// One list item of a video site, cycling through a few variants so the bytes
// are not one repeated line. 视频 (CA D3 C6 B5), 播放 (B2 A5 B7 C5), 中文 (D6 D0 CE C4).
std::string filler_line(std::size_t n) {
  std::string line = "<li class=\"v-item\"><a href=\"http://www.video.test/v_show/id_X";
  line += std::to_string(n * 7919 % 1000003);
  line += ".html\" title=\"\xCA\xD3\xC6\xB5 ";
  line += std::to_string(n);
  line += "\">\xB2\xA5\xB7\xC5\xD6\xD0\xCE\xC4";
  if (n % 3 == 0) line += "<span class=\"flashvars\">\xCA\xD3\xC6\xB5</span>";
  if (n % 5 == 0) line += "<input type=\"hidden\" value=\"v\">";
  line += "</a></li>\n";
  return line;
}

std::string entry() {
  return std::string("<li>") + std::string(kFlash) +
         "\xA3\xBA<input type=\"text\" id=\"link2\" "
         "value=\"http://player.video.test/player.php/sid/XMTk2NzQ0/"
         "v.swf\" ></li>\n";
}

// Opens entries and values that never close with the quote, space and bracket.
std::string trap_line(std::size_t n) {
  return std::string(kFlash) + " <input value=\"sid/" + std::to_string(n) + "/v.swf\">\n";
}

void fill_to(std::string& page, std::size_t size, std::size_t& n) {
  while (page.size() < size) page += filler_line(n++);
  page.resize(size);
}

std::string utf8_page_head() {
  return std::string("<html><head><meta charset=\"utf-8\"><title>") + kVideoUtf8 + "</title></head><body>\n";
}

// 视频 播放 中文，地址。
std::string utf8_filler_line(std::size_t n) {
  return "<li><a href=\"/v_show/id_X" + std::to_string(n * 7919 % 1000003) +
         ".html\">\xE8\xA7\x86\xE9\xA2\x91 \xE6\x92\xAD\xE6\x94\xBE\xE4\xB8\xAD\xE6\x96\x87"
         "\xEF\xBC\x8C\xE5\x9C\xB0\xE5\x9D\x80\xE3\x80\x82</a></li>\n";
}

}  // namespace

const char* page_shape_name(PageShape shape) {
  switch (shape) {
    case PageShape::kEntryNearStart:
      return "entry_near_start";
    case PageShape::kEntryNearEnd:
      return "entry_near_end";
    case PageShape::kNoEntry:
      return "no_entry";
    case PageShape::kAdversarial:
      return "adversarial";
  }
  return "?";
}

std::string generated_page(PageShape shape, std::size_t size) {
  std::string page = "<html><head><title>\xCA\xD3\xC6\xB5</title></head><body><ul>\n";
  std::size_t n = 0;
  const std::string the_entry = entry();
  switch (shape) {
    case PageShape::kEntryNearStart:
      fill_to(page, size / 50, n);
      page += the_entry;
      fill_to(page, size, n);
      break;
    case PageShape::kEntryNearEnd:
      fill_to(page, size - size / 50 - the_entry.size(), n);
      page += the_entry;
      fill_to(page, size, n);
      break;
    case PageShape::kNoEntry:
      fill_to(page, size, n);
      break;
    case PageShape::kAdversarial:
      // A trap every few lines, all the way down.
      while (page.size() < size) {
        page += trap_line(n);
        page += filler_line(n++);
      }
      page.resize(size);
      break;
  }
  return page;
}

std::string generated_utf8_page(std::size_t size, bool with_combining_marks) {
  std::string page = utf8_page_head();
  std::size_t n = 0;
  while (page.size() < size) {
    page += utf8_filler_line(n);
    // e + combining acute (CC 81): composes to a character code page 936 holds.
    if (with_combining_marks && n % 10 == 0) page += "<i>e\xCC\x81</i>\n";
    ++n;
  }
  // Cut at a line end so no character is split.
  page.resize(page.rfind('\n', size) + 1);
  return page;
}

std::string generated_video_page(std::size_t size, const std::string& identifier) {
  const std::string entry = player_entry(player_address(identifier)) + "\n";
  const std::string tail = "</ul></body></html>\n";
  std::string page = utf8_page_head() + "<ul>\n";
  std::size_t n = 0;
  // The entry at 98 % of the page, whole lines on either side of it.
  const std::size_t entry_at = size - size / 50 - entry.size();
  while (page.size() + utf8_filler_line(n).size() <= entry_at) page += utf8_filler_line(n++);
  page += entry;
  while (page.size() + utf8_filler_line(n).size() + tail.size() <= size) page += utf8_filler_line(n++);
  return page + tail;
}
