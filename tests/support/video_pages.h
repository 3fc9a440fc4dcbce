// Test support: video pages as a site serves them (UTF-8), built around the
// player entry the program looks for, and the auto-play address it must give.
#pragma once

#include <string>
#include <string_view>

inline constexpr char kFlashUtf8[] = "flash\xE5\x9C\xB0\xE5\x9D\x80";  // flash地址
inline constexpr char kVideoUtf8[] = "\xE8\xA7\x86\xE9\xA2\x91";       // 视频

// A player address that carries `identifier` between "sid/" and "/v.swf".
inline std::string player_address(const std::string& identifier) {
  return "http://p.example/player.php/sid/" + identifier + "/v.swf";
}

// flash地址：, a line break and value="`flash_value`" >, as the site writes it.
inline std::string player_entry(const std::string& flash_value) {
  return std::string("<li>") + kFlashUtf8 + "\xEF\xBC\x9A<input type=\"text\" id=\"link2\"\r\n value=\"" +
         flash_value + "\" ></li>";
}

// A page whose body holds `before`, the entry and `after`.
inline std::string video_page(const std::string& flash_value, const std::string& before = "",
                              const std::string& after = "") {
  return std::string("<html><head><meta charset=\"utf-8\"><title>") + kVideoUtf8 +
         "</title></head><body>\r\n" + before + player_entry(flash_value) + after + "\r\n</body></html>\r\n";
}

// Written out here, not built from the build's setting: the program's player
// host is player.example.com.
inline constexpr char kAddressPrefix[] = "http://player.example.com/loader.swf?VideoIDS=";
inline constexpr char kOptionSuffix[] =
    "&embedid=&isAutoPlay=true&isShowRelatedVideo=false&embedid=-&showAd=0";

// The auto-play address for `identifier`: as bytes, or as the window shows it
// (the identifier may hold characters beyond ASCII there).
template <typename Char>
std::basic_string<Char> expected_address(const Char* identifier) {
  const std::string_view prefix = kAddressPrefix, suffix = kOptionSuffix;
  return std::basic_string<Char>(prefix.begin(), prefix.end()) + identifier +
         std::basic_string<Char>(suffix.begin(), suffix.end());
}
