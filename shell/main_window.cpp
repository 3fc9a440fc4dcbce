#include "shell/main_window.h"

#include "extract/main_window_units.h"
#include "shell/layout_writer.h"

namespace {

using namespace layout;
using namespace main_window;

constexpr std::uint32_t kVisible = kStateVisible;
constexpr std::uint32_t kVisibleTabStop = kStateVisible | kStateTabStop;
constexpr std::uint32_t kWhite = 0x00ffffff;

struct IdentifiedUnit {
  std::uint32_t id;
  UnitRecord record;
};

// A unit's identifier and common part: the rest of a record stays at its empty values.
template <typename Data>
IdentifiedUnit unit(std::uint32_t id, Bytes name, std::uint32_t parent, std::int32_t left, std::int32_t top,
                    std::int32_t width, std::int32_t height, std::uint32_t state,
                    std::vector<EventBinding> events, Data data, std::vector<std::uint32_t> children = {}) {
  return {id,
          {.kind = Data::kLayoutId,
           .name = std::move(name),
           .second_name = "",
           .left = left,
           .top = top,
           .width = width,
           .height = height,
           .parent = parent,
           .children = std::move(children),
           .tag = "",
           .state = {0, state, 0},
           .events = std::move(events),
           .data = std::move(data)}};
}

HyperLinkerData link(Bytes caption) {
  return {.version = 1,
          .link_type = 0,  // an e-mail address, and it is empty: the link opens nothing itself
          .normal_colour = 0x00ff0000,
          .visited_colour = 0x00000080,
          .hover_colour = 0x00ff0000,
          .background_colour = kWhite,
          .border_style = 0,
          .font = font_field(-12, 400, true, 134, 0, "\xCB\xCE\xCC\xE5"),  // 宋体, GB2312
          .caption = std::move(caption),
          .email_address = "",
          .web_address = ""};
}

EditBoxData edit_box(std::int32_t border_style, std::uint32_t text_colour, std::int32_t input_mode) {
  return {.version = 2,
          .border_style = border_style,
          .text_colour = text_colour,
          .background_colour = kWhite,
          .hide_selection = 1,
          .max_length = 0,
          .multi_line = 0,
          .scroll_bars = 0,
          .alignment = 0,
          .input_mode = input_mode,
          .password_char = '*',
          .case_conversion = 0,
          .spinner_mode = 0,
          .spinner_lower = 0,
          .spinner_upper = 100,
          .selection_start = 0,
          .selected_length = 0,
          .font = {},
          .content = "",
          .extra_text_1 = "",
          .extra_text_2 = ""};
}

}  // namespace

WindowLayout main_window_layout(const ByteSet& banner) {
  // In block order: identifier, name, parent (0: the window), rectangle at 96
  // DPI, state, bound handlers, the kind's values. A parent listed after its
  // children is still created first.
  const IdentifiedUnit units[] = {
      unit(kWindowUnit, "", 0, 50, 50, 436, 231, kVisible, {{kEventOwn, kHandlerInstallSkin}},
           WindowData{.version = 6,
                      .border_style = 2,  // fixed, with a caption
                      .word_one = 1,
                      .background_colour = kSystemColour,
                      .maximize_box = 0,
                      .minimize_box = 1,
                      .control_box = 1,
                      .start_position = 1,  // centred
                      .close_allowed = 1,
                      .words = {0, 0, 1, 0, 0},
                      .shown_in_taskbar = 1,
                      .words_v3 = {0, 0},
                      .always_on_top = 0,
                      .word_v5 = 0,
                      .class_name = "",
                      .background_picture = {},
                      .icon = {},  // the program's default icon
                      .background_sound = {},
                      .caption = "  Tarnvex",
                      .last_text = ""}),
      unit(kLinkOpen, "\xB3\xAC\xBC\xB6\xC1\xB4\xBD\xD3\xBF\xF2_\xB4\xF2\xBF\xAA",  // 超级链接框_打开
           kShapeBack, 367, 145, 59, 24, 0, {{kEventLeftDown, kHandlerOpen}},
           link("\xB5\xE3\xBB\xF7\xB4\xF2\xBF\xAA")),  // 点击打开
      unit(kLabelAuthor,
           "\xB1\xEA\xC7\xA9"
           "1",  // 标签1
           kShapeBack, 8, 180, 88, 16, kVisible, {},
           LabelData{.version = 2,
                     .words = {0, 8, 0, 0x00808080, kWhite, 0x00808080, 0, kWhite, 1, 0, 0x00808080, kWhite,
                               0x00808080, 0, 1, 0},
                     .first_bytes = {},
                     .font = {},                                     // the default GUI font
                     .caption = "\xD7\xF7\xD5\xDF\xA3\xBAMerrowin",  // 作者：Merrowin
                     .extra_text_1 = "",
                     .extra_text_2 = ""}),
      unit(kLinkCopy, "\xB3\xAC\xBC\xB6\xC1\xB4\xBD\xD3\xBF\xF2_\xB8\xB4\xD6\xC6",  // 超级链接框_复制
           kShapeBack, 267, 145, 96, 24, 0, {{kEventLeftDown, kHandlerCopy}},
           link("\xB5\xE3\xBB\xF7\xB8\xB4\xD6\xC6\xB5\xD8\xD6\xB7")),  // 点击复制地址
      unit(
          kEditAutoplay,
          "\xB1\xE0\xBC\xAD\xBF\xF2_\xD7\xD4\xB6\xAF\xB2\xA5\xB7\xC5\xB5\xD8\xD6\xB7",  // 编辑框_自动播放地址
          kShapeBack, 5, 130, 413, 21, kVisibleTabStop, {},
          edit_box(0, 0x00ff8800, 1)),  // read-only, in orange
      unit(kPictureBanner,
           "\xCD\xBC\xC6\xAC\xBF\xF2"
           "1",  // 图片框1
           0, 99, 13, 231, 62, kVisible, {},
           PicBoxData{.version = 2,
                      .border_style = 0,
                      .background_colour = kSystemColour,
                      .display_mode = 2,  // fitted
                      .flag = 1,
                      .picture = banner,
                      .extra_text_1 = "",
                      .extra_text_2 = ""}),
      unit(
          kButtonGet,
          "\xB0\xB4\xC5\xA5_\xBB\xF1\xC8\xA1\xD7\xD4\xB6\xAF\xB2\xA5\xB7\xC5\xB5\xD8\xD6\xB7",  // 按钮_获取自动播放地址
          0, 304, 92, 121, 24, kVisibleTabStop, {{kEventOwn, kHandlerGetAddress}},
          ButtonData{
              .version = 1,
              .button_type = 0,
              .horizontal_alignment = 1,
              .vertical_alignment = 1,
              .picture = {},
              .font = {},
              .caption =
                  "\xBB\xF1\xC8\xA1\xD7\xD4\xB6\xAF\xB2\xA5\xB7\xC5\xB5\xD8\xD6\xB7"}),  // 获取自动播放地址
      unit(kEditSource,
           "\xB1\xE0\xBC\xAD\xBF\xF2_\xCA\xD3\xC6\xB5\xD4\xAD\xB5\xD8\xD6\xB7",  // 编辑框_视频原地址
           0, 4, 94, 294, 21, kVisibleTabStop, {}, edit_box(5, 0, 0)),
      unit(kShapeBack,
           "\xCD\xE2\xD0\xCE\xBF\xF2"
           "1",  // 外形框1
           0, 0, 0, 432, 230, kVisible, {},
           ShapeBoxData{.version = 1,
                        .background_colour = kWhite,
                        .shape = 0,  // a rectangle
                        .effect_3d = 0,
                        .line_type = 0,  // no line
                        .line_width = 1,
                        .line_colour = 0x00ececec,
                        .fill_colour = kSystemColour},  // hollow
           {kLinkOpen, kLabelAuthor, kLinkCopy, kEditAutoplay}),
  };
  WindowLayout layout{.format = 8,
                      .window_id = kWindow,
                      .design_words = {0x00b900c0, 0x00b91980, 0x19010280, 0, 0},
                      .unit_ids = {},
                      .units = {}};
  for (const auto& [id, record] : units) {
    layout.unit_ids.push_back(id);
    layout.units.push_back(record);
  }
  return layout;
}
