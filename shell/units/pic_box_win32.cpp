// The picture box: a picture decoded once, at its first paint, drawn by the
// window system in one of its display modes.
#include <ole2.h>
#include <olectl.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "common/win32/com.h"
#include "common/win32/memory.h"
#include "shell/display_rules.h"
#include "shell/jpeg_decode.h"
#include "shell/units/unit_win32.h"

namespace units {

namespace {

constexpr wchar_t kClassName[] = L"TarnvexPicBox";

// The decoded picture (32-bit pixels, top row first) and its last scaled copy.
// It is decoded at the first paint, so the window shows first. A JPEG that
// this program reads is decoded at the smallest fraction of its size (1/2,
// 1/4, 1/8) still as large as it is shown, and again larger if the box grows.
struct PictureState : KindState {
  const ByteSet* bytes = nullptr;  // the record's
  bool examined = false;
  bool own_jpeg = false;
  SIZE picture_size{};  // the picture's own
  std::vector<std::uint32_t> picture;
  SIZE held_size{};  // of `picture`
  int held_reduction = 0;
  std::vector<std::uint32_t> scaled;
  SIZE scaled_size{};
};

// The largest reduction of a picture of `size` that still covers `shown`.
int reduction_for(SIZE size, const layout::PictureRect& shown) {
  for (int reduction : {8, 4, 2}) {
    if ((size.cx + reduction - 1) / reduction >= shown.width &&
        (size.cy + reduction - 1) / reduction >= shown.height)
      return reduction;
  }
  return 1;
}

// The picture's own size in pixels: its bitmap's, or its HIMETRIC size at the
// screen's DPI, which the picture object converted it with (not 96 at 150 %).
SIZE picture_pixels(IPicture* picture, OLE_XSIZE_HIMETRIC himetric_width,
                    OLE_YSIZE_HIMETRIC himetric_height) {
  SHORT type = PICTYPE_UNINITIALIZED;
  OLE_HANDLE handle = 0;
  BITMAP bitmap{};
  if (SUCCEEDED(picture->get_Type(&type)) && type == PICTYPE_BITMAP &&
      SUCCEEDED(picture->get_Handle(&handle)) &&
      GetObjectW(reinterpret_cast<HGDIOBJ>(static_cast<UINT_PTR>(handle)), sizeof bitmap, &bitmap) != 0) {
    return {bitmap.bmWidth, bitmap.bmHeight};
  }
  WindowDc screen(nullptr);
  return {MulDiv(himetric_width, GetDeviceCaps(screen.get(), LOGPIXELSX), 2540),
          MulDiv(himetric_height, GetDeviceCaps(screen.get(), LOGPIXELSY), 2540)};
}

// Decodes the picture (BMP, GIF, a JPEG this program does not read: whatever
// OLE reads) into 32-bit pixels at its own size.
void load_picture(PictureState& state, const ByteSet& bytes) {
  if (bytes.empty()) return;
  const GlobalMemory memory = global_memory_of(bytes.data(), bytes.size());
  if (!memory) return;
  ComPtr<IStream> stream;
  // The stream does not own the memory: `memory` frees it after the picture is read.
  if (FAILED(CreateStreamOnHGlobal(memory.get(), FALSE, stream.put()))) return;
  ComPtr<IPicture> picture;
  const HRESULT loaded = OleLoadPicture(stream.get(), static_cast<LONG>(bytes.size()), FALSE, IID_IPicture,
                                        reinterpret_cast<void**>(picture.put()));
  if (FAILED(loaded) || !picture) return;
  OLE_XSIZE_HIMETRIC himetric_width = 0;
  OLE_YSIZE_HIMETRIC himetric_height = 0;
  picture.get()->get_Width(&himetric_width);
  picture.get()->get_Height(&himetric_height);
  const SIZE size = picture_pixels(picture.get(), himetric_width, himetric_height);
  if (size.cx <= 0 || size.cy <= 0) return;

  const BITMAPINFO info = pixel_bitmap_info(size.cx, size.cy);
  void* bits = nullptr;
  GdiObject<HBITMAP> bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  MemoryDc memory_dc(CreateCompatibleDC(nullptr));
  if (!bitmap.get() || !bits || !memory_dc.get()) return;
  {
    SelectedObject selected(memory_dc.get(), bitmap.get());
    picture.get()->Render(memory_dc.get(), 0, 0, size.cx, size.cy, 0, himetric_height, himetric_width,
                          -himetric_height, nullptr);
    GdiFlush();
  }
  const auto* pixels = static_cast<const std::uint32_t*>(bits);
  state.picture.assign(pixels,
                       pixels + static_cast<std::size_t>(size.cx) * static_cast<std::size_t>(size.cy));
  state.picture_size = size;
  state.held_size = size;
}

void draw_pixels(HDC dc, int left, int top, int width, int height, const std::vector<std::uint32_t>& pixels) {
  const BITMAPINFO info = pixel_bitmap_info(width, height);
  SetDIBitsToDevice(dc, left, top, static_cast<DWORD>(width), static_cast<DWORD>(height), 0, 0, 0,
                    static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
}

HWND create(Unit& unit, HWND parent, DWORD style) {
  const auto& d = std::get<layout::PicBoxData>(unit.record->data);
  DWORD ex_style = 0;
  add_border_style(d.border_style, style, ex_style);
  auto state = std::make_unique<PictureState>();
  state->bytes = &d.picture;
  unit.state = std::move(state);
  return create_self_drawn(unit, parent, kClassName, style, ex_style, Text());
}

void paint(Unit& unit, HDC dc) {
  const auto& d = std::get<layout::PicBoxData>(unit.record->data);
  auto& picture = static_cast<PictureState&>(*unit.state);
  if (!std::exchange(picture.examined, true)) {
    if (const auto size = jpeg_size(*picture.bytes)) {
      picture.own_jpeg = true;
      picture.picture_size = {size->width, size->height};
    } else {
      load_picture(picture, *picture.bytes);
    }
  }
  HWND window = unit.window;
  RECT client{};
  GetClientRect(window, &client);
  fill(dc, client, colour_of(d.background_colour));
  if (picture.picture_size.cx <= 0 || picture.picture_size.cy <= 0) return;
  layout::PictureRect place{0, 0, picture.picture_size.cx, picture.picture_size.cy};
  if (d.display_mode == 1) {
    place = {0, 0, client.right, client.bottom};
  } else if (d.display_mode == 2) {
    place =
        layout::fit_picture(client.right, client.bottom, picture.picture_size.cx, picture.picture_size.cy);
  } else if (d.display_mode == 3) {
    place.left = (client.right - place.width) / 2;
    place.top = (client.bottom - place.height) / 2;
  }
  if (place.width <= 0 || place.height <= 0) return;
  if (picture.own_jpeg) {
    const int reduction = reduction_for(picture.picture_size, place);
    if (picture.held_reduction == 0 || reduction < picture.held_reduction) {
      if (auto decoded = decode_jpeg(*picture.bytes, reduction)) {
        picture.picture = std::move(decoded->pixels);
        picture.held_size = {decoded->width, decoded->height};
        picture.held_reduction = reduction;
        picture.scaled_size = {};
      } else {
        // Damaged past its header: OLE makes of it what it can.
        picture.own_jpeg = false;
        load_picture(picture, *picture.bytes);
      }
    }
  }
  if (picture.picture.empty()) return;
  if (place.width == picture.held_size.cx && place.height == picture.held_size.cy) {
    draw_pixels(dc, place.left, place.top, place.width, place.height, picture.picture);
    return;
  }
  if (picture.scaled_size.cx != place.width || picture.scaled_size.cy != place.height) {
    picture.scaled =
        scale_pixels(picture.picture, picture.held_size.cx, picture.held_size.cy, place.width, place.height);
    picture.scaled_size = {place.width, place.height};
  }
  if (!picture.scaled.empty())
    draw_pixels(dc, place.left, place.top, place.width, place.height, picture.scaled);
}

}  // namespace

}  // namespace units

const units::KindEntry& layout::PicBoxData::behaviour() {
  static constexpr units::KindEntry kEntry{
      .class_name = units::kClassName, .create = units::create, .paint = units::paint};
  return kEntry;
}
