// Identifiers of the main window and its units, for handlers that read and
// change them through read_unit_property / write_unit_property.
#pragma once

#include <cstdint>

namespace main_window {

inline constexpr std::uint32_t kWindow = 0x5201027f;
inline constexpr std::uint32_t kWindowUnit = 0x0601027e;

inline constexpr std::uint32_t kLinkOpen = 0x160102a1;       // 超级链接框_打开
inline constexpr std::uint32_t kLabelAuthor = 0x1601029f;    // 标签1
inline constexpr std::uint32_t kLinkCopy = 0x16010293;       // 超级链接框_复制
inline constexpr std::uint32_t kEditAutoplay = 0x16010291;   // 编辑框_自动播放地址
inline constexpr std::uint32_t kPictureBanner = 0x1601028f;  // 图片框1
inline constexpr std::uint32_t kButtonGet = 0x1601028c;      // 按钮_获取自动播放地址
inline constexpr std::uint32_t kEditSource = 0x1601028b;     // 编辑框_视频原地址
inline constexpr std::uint32_t kShapeBack = 0x16010290;      // 外形框1

// Slots of the program's handler table (handlers_win32.cpp); the layout
// refers to handlers by these indices.
inline constexpr int kHandlerInstallSkin = 0;
inline constexpr int kHandlerGetAddress = 1;
inline constexpr int kHandlerCopy = 2;
inline constexpr int kHandlerOpen = 3;
inline constexpr int kHandlerCount = 4;

}  // namespace main_window
