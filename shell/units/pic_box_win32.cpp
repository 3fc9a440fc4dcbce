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
struct PictureState : KindState {
  // The picture's bytes in the record, until they are decoded. Decoding at the
  // first paint lets the window show first.
  const ByteSet* undecoded = nullptr;
  std::vector<std::uint32_t> picture;
  SIZE picture_size{};
  std::vector<std::uint32_t> scaled;
  SIZE scaled_size{};
};

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

// Decodes the picture into 32-bit pixels: a plain JPEG here, anything else
// (BMP, GIF, a progressive JPEG: whatever OLE reads) through OLE.
void load_picture(PictureState& state, const ByteSet& bytes) {
  if (bytes.empty()) return;
  if (auto decoded = decode_jpeg(bytes)) {
    state.picture = std::move(decoded->pixels);
    state.picture_size = {decoded->width, decoded->height};
    return;
  }
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
  state->undecoded = &d.picture;
  unit.state = std::move(state);
  return create_self_drawn(unit, parent, kClassName, style, ex_style, Text());
}

void paint(Unit& unit, HDC dc) {
  const auto& d = std::get<layout::PicBoxData>(unit.record->data);
  auto& picture = static_cast<PictureState&>(*unit.state);
  if (picture.undecoded) load_picture(picture, *std::exchange(picture.undecoded, nullptr));
  HWND window = unit.window;
  RECT client{};
  GetClientRect(window, &client);
  fill(dc, client, colour_of(d.background_colour));
  if (picture.picture.empty()) return;
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
  if (place.width == picture.picture_size.cx && place.height == picture.picture_size.cy) {
    draw_pixels(dc, place.left, place.top, place.width, place.height, picture.picture);
    return;
  }
  if (picture.scaled_size.cx != place.width || picture.scaled_size.cy != place.height) {
    picture.scaled = scale_pixels(picture.picture, picture.picture_size.cx, picture.picture_size.cy,
                                  place.width, place.height);
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
