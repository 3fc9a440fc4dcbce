#include "skin_engine/built_in_skin.h"

#include <string>

#include "skin_engine/skin_format.h"

namespace {

skin::RawEntry colour(std::string_view name, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  return {skin::kColourEntry, std::string(name), skin::colour_value({red, green, blue})};
}

}  // namespace

// Light frames, cream input, blue buttons with white text.
std::vector<std::uint8_t> built_in_skin() {
  using namespace skin::colour_name;
  return skin::encode({
      colour(kWindowBackground, 0xDC, 0xE6, 0xF0),
      colour(kEditBackground, 0xFF, 0xF8, 0xE1),
      colour(kEditText, 0x1A, 0x2A, 0x4A),
      colour(kEditReadOnlyBackground, 0xE8, 0xF0, 0xFA),
      colour(kEditReadOnlyText, 0x00, 0x5A, 0xB4),
      colour(kEditBorder, 0x46, 0x6E, 0xA0),
      colour(kLabelBackground, 0xDC, 0xE6, 0xF0),
      colour(kLabelText, 0x28, 0x3C, 0x5A),
      colour(kButtonFace, 0x46, 0x6E, 0xA0),
      colour(kButtonPressed, 0x32, 0x55, 0x82),
      colour(kButtonText, 0xFF, 0xFF, 0xFF),
      colour(kButtonBorder, 0x28, 0x46, 0x6E),
      {skin::kFontEntry, std::string(skin::kFontName),
       skin::font_value(
           {.height = -12, .weight = 400, .italic = false, .underline = false, .face = "Tahoma"})},
  });
}
