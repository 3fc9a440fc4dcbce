// Test support: where the main window's units stand, as the layout was drawn
// (96 DPI) and, worked out by hand, at 144 DPI, where half pixels round away
// from zero.
#pragma once

namespace main_window_rects {

struct Rect {
  int left, top, width, height;
  int right() const { return left + width; }
  int bottom() const { return top + height; }
};

// The window's outer size at its stored place, and the client area it leaves.
inline constexpr Rect kWindow{50, 50, 436, 231};
inline constexpr Rect kShapeBox{0, 0, 432, 230};
inline constexpr Rect kLinkOpen{367, 145, 59, 24};
inline constexpr Rect kLabelAuthor{8, 180, 88, 16};
inline constexpr Rect kLinkCopy{267, 145, 96, 24};
inline constexpr Rect kOutputBox{5, 130, 413, 21};
inline constexpr Rect kBanner{99, 13, 231, 62};
inline constexpr Rect kGetButton{304, 92, 121, 24};
inline constexpr Rect kInputBox{4, 94, 294, 21};

// At 144 DPI every edge times 1.5: 367.5 -> 551 and 217.5 -> 218, so a unit
// keeps its neighbours' edges rather than its own width times 1.5.
inline constexpr Rect kShapeBoxAt144{0, 0, 648, 345};
inline constexpr Rect kLinkOpenAt144{551, 218, 639 - 551, 254 - 218};
inline constexpr Rect kLabelAuthorAt144{12, 270, 144 - 12, 294 - 270};
inline constexpr Rect kLinkCopyAt144{401, 218, 545 - 401, 254 - 218};
inline constexpr Rect kOutputBoxAt144{8, 195, 627 - 8, 227 - 195};
inline constexpr Rect kBannerAt144{149, 20, 495 - 149, 113 - 20};
inline constexpr Rect kGetButtonAt144{456, 138, 638 - 456, 174 - 138};
inline constexpr Rect kInputBoxAt144{6, 141, 447 - 6, 173 - 141};

}  // namespace main_window_rects
