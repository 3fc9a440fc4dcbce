#include "shell/jpeg_decode.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstring>

namespace {

constexpr std::int64_t kMaxPixels = std::int64_t{1} << 24;

// Position in a block's natural (row by row) order of each coefficient in the
// order the stream sends them.
constexpr std::array<std::uint8_t, 64> kNatural = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

int be16(const std::uint8_t* at) { return at[0] << 8 | at[1]; }

// Entropy-coded data, read most significant bit first. A stuffed 0xFF 0x00 is
// one 0xFF; at a marker (or the end of the data) the reader stops and feeds
// zeros, counting them, so reading past the scan's data shows as `overran`.
struct BitReader {
  const std::uint8_t* at = nullptr;
  const std::uint8_t* end = nullptr;
  std::uint64_t buffer = 0;  // left-aligned
  int count = 0;
  int padding = 0;  // zero bytes fed since the data stopped
  bool stopped = false;

  void fill() {
    while (count <= 56) {
      std::uint64_t byte = 0;
      if (!stopped && at < end && *at != 0xFF) {
        byte = *at++;
      } else if (!stopped && end - at >= 2 && at[1] == 0) {
        byte = 0xFF;
        at += 2;
      } else {
        stopped = true;
        ++padding;
      }
      buffer |= byte << (56 - count);
      count += 8;
    }
  }
  unsigned peek(int n) const { return static_cast<unsigned>(buffer >> (64 - n)); }
  void skip(int n) {
    buffer <<= n;
    count -= n;
  }
  // At most 16 bits, with at least that many in the buffer.
  unsigned take(int n) {
    const unsigned value = peek(n);
    skip(n);
    return value;
  }
  bool overran() const { return count < padding * 8; }
  void restart() {
    buffer = 0;
    count = 0;
    padding = 0;
    stopped = false;
  }
};

constexpr int kFastBits = 9;

struct Huffman {
  bool present = false;
  // At each kFastBits-bit prefix that starts with a code of up to kFastBits
  // bits: its length << 8 | its value; 0 where the code is longer.
  std::array<std::uint16_t, 1 << kFastBits> fast{};
  std::array<std::int32_t, 17> max_code{};  // of each length, -1 where none
  std::array<std::int32_t, 17> offset{};    // value index minus code, by length
  std::array<std::uint8_t, 256> values{};

  bool build(const std::uint8_t* counts, const std::uint8_t* symbols, int total) {
    fast.fill(0);
    std::copy(symbols, symbols + total, values.begin());
    int code = 0;
    int k = 0;
    for (int length = 1; length <= 16; ++length) {
      const int n = counts[length - 1];
      offset[static_cast<std::size_t>(length)] = k - code;
      for (int i = 0; i < n; ++i, ++code, ++k) {
        if (code >= (1 << length)) return false;
        if (length <= kFastBits) {
          const int shift = kFastBits - length;
          const auto entry = static_cast<std::uint16_t>(length << 8 | values[static_cast<std::size_t>(k)]);
          std::fill_n(fast.begin() + (code << shift), 1 << shift, entry);
        }
      }
      max_code[static_cast<std::size_t>(length)] = n > 0 ? code - 1 : -1;
      code <<= 1;
    }
    present = true;
    return true;
  }

  // The next symbol, or -1 for a code the table does not hold.
  int decode(BitReader& bits) const {
    bits.fill();
    if (const std::uint16_t entry = fast[bits.peek(kFastBits)]) {
      bits.skip(entry >> 8);
      return entry & 0xff;
    }
    for (int length = kFastBits + 1; length <= 16; ++length) {
      const auto code = static_cast<std::int32_t>(bits.peek(length));
      if (code <= max_code[static_cast<std::size_t>(length)]) {
        bits.skip(length);
        return values[static_cast<std::size_t>(code + offset[static_cast<std::size_t>(length)])];
      }
    }
    return -1;
  }
};

int extend(unsigned value, int size) {
  const int v = static_cast<int>(value);
  return v < (1 << (size - 1)) ? v - (1 << size) + 1 : v;
}

// The inverse DCT in floating point, row pass then column pass, skipping the
// rows of coefficients that are all zero (most of them in a photo's blocks).
// A block of `size` < 8 pixels gives each pixel the average of the 8 / size
// squared pixels of the full block it stands for, as libjpeg's reduced sizes do.
struct Idct {
  int size = 8;
  float k[8][8];  // k[u][x]: the mean over the pixels X of x of C(u) / 2 * cos((2X + 1) u pi / 16)
  explicit Idct(int block_size = 8) : size(block_size) {
    const int group = 8 / size;
    for (int u = 0; u < 8; ++u) {
      for (int x = 0; x < size; ++x) {
        double sum = 0;
        for (int p = x * group; p < (x + 1) * group; ++p)
          sum +=
              (u == 0 ? std::sqrt(0.5) : 1.0) / 2 * std::cos((2 * p + 1) * u * 3.14159265358979323846 / 16);
        k[u][x] = static_cast<float>(sum / group);
      }
    }
  }
  void operator()(const float* coefficients, std::uint8_t* out, std::ptrdiff_t stride) const {
    float rows[8][8];
    int used[8];
    int n = 0;
    for (int v = 0; v < 8; ++v) {
      const float* f = coefficients + 8 * v;
      if (std::all_of(f, f + 8, [](float c) { return c == 0; })) continue;
      for (int x = 0; x < size; ++x) {
        float sum = 0;
        for (int u = 0; u < 8; ++u) sum += f[u] * k[u][x];
        rows[v][x] = sum;
      }
      used[n++] = v;
    }
    for (int y = 0; y < size; ++y, out += stride) {
      float sums[8];
      std::fill_n(sums, size, 128.5f);
      for (int i = 0; i < n; ++i) {
        const int v = used[i];
        for (int x = 0; x < size; ++x) sums[x] += k[v][y] * rows[v][x];
      }
      for (int x = 0; x < size; ++x) out[x] = static_cast<std::uint8_t>(std::clamp(sums[x], 0.0f, 255.0f));
    }
  }
};

struct Component {
  int id = 0;
  int h = 1;
  int v = 1;
  int quant = 0;
  int dc_table = 0;
  int ac_table = 0;
  int width = 0;  // samples that belong to the picture, at the decoded size
  int height = 0;
  int blocks_across = 0;  // when the component is sent alone
  int blocks_down = 0;
  int fx = 1;  // the upsampling it needs across and down
  int fy = 1;
  Idct idct;
  int stride = 0;  // the plane covers whole MCUs
  std::vector<std::uint8_t> plane;
  std::int64_t dc = 0;
  bool decoded = false;
};

class Decoder {
 public:
  // reduction 0: read as far as the picture's size only.
  explicit Decoder(int reduction) : reduction_(reduction), block_(8 / std::max(reduction, 1)) {}
  std::optional<DecodedPicture> run(std::span<const std::uint8_t> bytes);

 private:
  bool read_frame(const std::uint8_t* s, int size);
  bool read_quant(const std::uint8_t* s, int size);
  bool read_huffman(const std::uint8_t* s, int size);
  bool read_scan(const std::uint8_t* s, int size, BitReader& bits);
  bool decode_block(BitReader& bits, Component& c, int bx, int by);
  DecodedPicture pixels() const;

  int reduction_;
  int block_;      // pixels across a decoded block
  int width_ = 0;  // the picture's own size
  int height_ = 0;
  int h_max_ = 1;
  int v_max_ = 1;
  int mcus_across_ = 0;  // in a scan of several components
  int mcus_down_ = 0;
  int restart_interval_ = 0;
  int adobe_transform_ = -1;
  std::vector<Component> components_;
  std::array<std::array<std::uint16_t, 64>, 4> quant_{};
  std::array<bool, 4> quant_present_{};
  std::array<Huffman, 4> dc_{};
  std::array<Huffman, 4> ac_{};
};

bool Decoder::read_frame(const std::uint8_t* s, int size) {
  if (!components_.empty() || size < 6 || s[0] != 8) return false;
  height_ = be16(s + 1);
  width_ = be16(s + 3);
  const int n = s[5];
  if (width_ == 0 || height_ == 0 || std::int64_t{width_} * height_ > kMaxPixels) return false;
  if ((n != 1 && n != 3) || size < 6 + 3 * n) return false;
  for (int i = 0; i < n; ++i) {
    const std::uint8_t* f = s + 6 + 3 * i;
    Component c;
    c.id = f[0];
    c.h = f[1] >> 4;
    c.v = f[1] & 15;
    c.quant = f[2];
    if (c.h < 1 || c.h > 4 || c.v < 1 || c.v > 4 || c.quant > 3) return false;
    for (const Component& other : components_) {
      if (other.id == c.id) return false;
    }
    h_max_ = std::max(h_max_, c.h);
    v_max_ = std::max(v_max_, c.v);
    components_.push_back(std::move(c));
  }
  mcus_across_ = (width_ + 8 * h_max_ - 1) / (8 * h_max_);
  mcus_down_ = (height_ + 8 * v_max_ - 1) / (8 * v_max_);
  for (Component& c : components_) {
    if (h_max_ % c.h != 0 || v_max_ % c.v != 0) return false;
    c.blocks_across = ((width_ * c.h + h_max_ - 1) / h_max_ + 7) / 8;
    c.blocks_down = ((height_ * c.v + v_max_ - 1) / v_max_ + 7) / 8;
    // A reduced picture's subsampled components get larger blocks instead of
    // upsampling where the factors allow, as libjpeg does.
    int block = block_;
    while (block < 8 && (h_max_ * block_) % (c.h * block * 2) == 0 &&
           (v_max_ * block_) % (c.v * block * 2) == 0)
      block *= 2;
    c.idct = Idct(block);
    c.fx = h_max_ * block_ / (c.h * block);
    c.fy = v_max_ * block_ / (c.v * block);
    c.width = (width_ * c.h * block + h_max_ * 8 - 1) / (h_max_ * 8);
    c.height = (height_ * c.v * block + v_max_ * 8 - 1) / (v_max_ * 8);
    c.stride = mcus_across_ * c.h * block;
    if (reduction_ > 0)
      c.plane.assign(static_cast<std::size_t>(c.stride) * static_cast<std::size_t>(mcus_down_ * c.v * block),
                     0);
  }
  return true;
}

bool Decoder::read_quant(const std::uint8_t* s, int size) {
  for (int i = 0; i < size;) {
    const int precision = s[i] >> 4;
    const int table = s[i] & 15;
    const int length = precision == 0 ? 64 : 128;
    if (precision > 1 || table > 3 || size - i - 1 < length) return false;
    auto& q = quant_[static_cast<std::size_t>(table)];
    for (int k = 0; k < 64; ++k)
      q[static_cast<std::size_t>(k)] =
          static_cast<std::uint16_t>(precision == 0 ? s[i + 1 + k] : be16(s + i + 1 + 2 * k));
    quant_present_[static_cast<std::size_t>(table)] = true;
    i += 1 + length;
  }
  return true;
}

bool Decoder::read_huffman(const std::uint8_t* s, int size) {
  for (int i = 0; i < size;) {
    if (size - i < 17) return false;
    const int kind = s[i] >> 4;
    const int table = s[i] & 15;
    int total = 0;
    for (int k = 0; k < 16; ++k) total += s[i + 1 + k];
    if (kind > 1 || table > 3 || total > 256 || size - i - 17 < total) return false;
    Huffman& h = (kind == 0 ? dc_ : ac_)[static_cast<std::size_t>(table)];
    if (!h.build(s + i + 1, s + i + 17, total)) return false;
    i += 17 + total;
  }
  return true;
}

bool Decoder::decode_block(BitReader& bits, Component& c, int bx, int by) {
  const auto& q = quant_[static_cast<std::size_t>(c.quant)];
  float coefficients[64] = {};
  const int t = dc_[static_cast<std::size_t>(c.dc_table)].decode(bits);
  if (t < 0 || t > 16) return false;
  if (t > 0) c.dc += extend(bits.take(t), t);
  coefficients[0] = static_cast<float>(c.dc) * q[0];
  const Huffman& ac = ac_[static_cast<std::size_t>(c.ac_table)];
  for (int k = 1; k < 64;) {
    const int rs = ac.decode(bits);
    if (rs < 0) return false;
    const int run = rs >> 4;
    const int size = rs & 15;
    if (size == 0) {
      if (run != 15) break;
      k += 16;
      continue;
    }
    k += run;
    if (k > 63) return false;
    coefficients[kNatural[static_cast<std::size_t>(k)]] =
        static_cast<float>(extend(bits.take(size), size)) * q[static_cast<std::size_t>(k)];
    ++k;
  }
  const int block = c.idct.size;
  c.idct(coefficients, c.plane.data() + static_cast<std::ptrdiff_t>(by) * block * c.stride + bx * block,
         c.stride);
  return true;
}

bool Decoder::read_scan(const std::uint8_t* s, int size, BitReader& bits) {
  if (components_.empty() || size < 1) return false;
  const int n = s[0];
  if (n < 1 || n > static_cast<int>(components_.size()) || size < 1 + 2 * n + 3) return false;
  std::vector<Component*> scan;
  int blocks_per_mcu = 0;
  for (int i = 0; i < n; ++i) {
    const std::uint8_t* f = s + 1 + 2 * i;
    const auto found = std::find_if(components_.begin(), components_.end(),
                                    [&](const Component& c) { return c.id == f[0]; });
    if (found == components_.end() || found->decoded) return false;
    Component& c = *found;
    if (std::find(scan.begin(), scan.end(), &c) != scan.end()) return false;
    c.dc_table = f[1] >> 4;
    c.ac_table = f[1] & 15;
    if (c.dc_table > 3 || c.ac_table > 3 || !dc_[static_cast<std::size_t>(c.dc_table)].present ||
        !ac_[static_cast<std::size_t>(c.ac_table)].present ||
        !quant_present_[static_cast<std::size_t>(c.quant)])
      return false;
    c.dc = 0;
    blocks_per_mcu += c.h * c.v;
    scan.push_back(&c);
  }
  // Sequential scans only: the whole spectrum, no successive approximation.
  const std::uint8_t* spectrum = s + 1 + 2 * n;
  if (spectrum[0] != 0 || spectrum[1] != 63 || spectrum[2] != 0) return false;
  if (n > 1 && blocks_per_mcu > 10) return false;

  // One component alone is sent block by block over its own samples; several
  // are interleaved, h x v blocks of each per MCU.
  const int mcus_across = n == 1 ? scan[0]->blocks_across : mcus_across_;
  const int mcus_down = n == 1 ? scan[0]->blocks_down : mcus_down_;
  const std::int64_t mcus = std::int64_t{mcus_across} * mcus_down;
  for (std::int64_t m = 0; m < mcus; ++m) {
    if (restart_interval_ > 0 && m > 0 && m % restart_interval_ == 0) {
      // The interval's data ends at its restart marker, within the byte read last.
      if (bits.overran() || !bits.stopped || bits.end - bits.at < 2 || (bits.at[1] & 0xf8) != 0xd0)
        return false;
      bits.at += 2;
      bits.restart();
      for (Component* c : scan) c->dc = 0;
    }
    const int mx = static_cast<int>(m % mcus_across);
    const int my = static_cast<int>(m / mcus_across);
    for (Component* c : scan) {
      const int h = n == 1 ? 1 : c->h;
      const int v = n == 1 ? 1 : c->v;
      for (int by = 0; by < v; ++by) {
        for (int bx = 0; bx < h; ++bx) {
          if (!decode_block(bits, *c, mx * h + bx, my * v + by)) return false;
        }
      }
    }
    if (bits.overran()) return false;
  }
  for (Component* c : scan) c->decoded = true;
  return true;
}

// One row of a component at the decoded picture's size. Twice-subsampled
// directions are interpolated as libjpeg's "fancy" upsampling does (3/4 of
// the nearer sample, 1/4 of the farther, with its rounding); larger factors
// repeat the sample, as libjpeg does for blocks reduced to one pixel.
void upsample_row(const Component& c, int y, int width, bool fancy, std::vector<int>& sums,
                  std::uint8_t* out) {
  const int fx = c.fx;
  const int fy = c.fy;
  const auto row = [&](int r) { return c.plane.data() + static_cast<std::ptrdiff_t>(r) * c.stride; };
  if (fx > 2 || fy > 2 || (!fancy && fx * fy > 1)) {
    const std::uint8_t* near = row(y / fy);
    for (int x = 0; x < width; ++x) out[x] = near[x / fx];
    return;
  }
  if (fx == 1 && fy == 1) {
    std::memcpy(out, row(y), static_cast<std::size_t>(width));
    return;
  }
  const int cy = y / fy;
  const std::uint8_t* near = row(cy);
  const std::uint8_t* far = near;
  if (fy == 2) far = row(std::clamp(y % 2 == 0 ? cy - 1 : cy + 1, 0, c.height - 1));
  int* sum = sums.data();
  for (int i = 0; i < c.width; ++i) sum[i] = 3 * near[i] + far[i];
  // libjpeg rounds the two outputs of a sample differently, so that the
  // rounding does not drift one way. The picture's edges repeat their sample.
  if (fx == 1) {
    const int bias = y % 2 == 0 ? 1 : 2;
    for (int x = 0; x < width; ++x) out[x] = static_cast<std::uint8_t>((sum[x] + bias) >> 2);
    return;
  }
  const int left_bias = fy == 2 ? 8 : 4;
  const int right_bias = fy == 2 ? 7 : 8;
  const int last = c.width - 1;
  for (int i = 0; i <= last; ++i) {
    const int here = 3 * sum[i];
    const int before = i > 0 ? sum[i - 1] : sum[i];
    const int after = i < last ? sum[i + 1] : sum[i];
    out[2 * i] = static_cast<std::uint8_t>((here + before + left_bias) >> 4);
    if (2 * i + 1 < width) out[2 * i + 1] = static_cast<std::uint8_t>((here + after + right_bias) >> 4);
  }
}

DecodedPicture Decoder::pixels() const {
  const int decoded_width = (width_ + reduction_ - 1) / reduction_;
  const int decoded_height = (height_ + reduction_ - 1) / reduction_;
  DecodedPicture picture{decoded_width, decoded_height, {}};
  const auto width = static_cast<std::size_t>(decoded_width);
  picture.pixels.resize(width * static_cast<std::size_t>(decoded_height));
  const std::size_t n = components_.size();
  std::vector<std::uint8_t> rows(n * width);
  std::vector<int> sums(width);
  // libjpeg's YCbCr to RGB, in 16-bit fixed point, and a table that clamps a
  // level to 0..255 from anywhere in -256..511.
  constexpr auto fix = [](double x) { return static_cast<int>(x * 65536 + 0.5); };
  std::array<int, 256> cr_r{}, cb_b{}, cb_g{}, cr_g{};
  std::array<std::uint32_t, 768> clamped{};
  for (int i = 0; i < 768; ++i)
    clamped[static_cast<std::size_t>(i)] = static_cast<std::uint32_t>(std::clamp(i - 256, 0, 255));
  const std::uint32_t* level = clamped.data() + 256;
  for (int i = 0; i < 256; ++i) {
    const int x = i - 128;
    const auto k = static_cast<std::size_t>(i);
    cr_r[k] = (fix(1.40200) * x + 32768) >> 16;
    cb_b[k] = (fix(1.77200) * x + 32768) >> 16;
    cr_g[k] = -fix(0.71414) * x;
    cb_g[k] = -fix(0.34414) * x + 32768;
  }
  const bool rgb =
      n == 3 && (adobe_transform_ == 0 ||
                 (components_[0].id == 'R' && components_[1].id == 'G' && components_[2].id == 'B'));
  std::uint8_t* c0 = rows.data();
  std::uint8_t* c1 = c0 + width;
  std::uint8_t* c2 = c1 + width;
  for (int y = 0; y < decoded_height; ++y) {
    for (std::size_t i = 0; i < n; ++i) {
      upsample_row(components_[i], y, decoded_width, block_ > 1, sums, c0 + i * width);
    }
    std::uint32_t* out = picture.pixels.data() + static_cast<std::size_t>(y) * width;
    if (n == 1) {
      for (std::size_t x = 0; x < width; ++x) out[x] = c0[x] * 0x010101u;
    } else if (rgb) {
      for (std::size_t x = 0; x < width; ++x)
        out[x] = std::uint32_t{c0[x]} << 16 | std::uint32_t{c1[x]} << 8 | c2[x];
    } else {
      for (std::size_t x = 0; x < width; ++x) {
        const int luma = c0[x];
        const std::size_t cb = c1[x];
        const std::size_t cr = c2[x];
        out[x] = level[luma + cr_r[cr]] << 16 | level[luma + ((cb_g[cb] + cr_g[cr]) >> 16)] << 8 |
                 level[luma + cb_b[cb]];
      }
    }
  }
  return picture;
}

std::optional<DecodedPicture> Decoder::run(std::span<const std::uint8_t> bytes) {
  const std::uint8_t* b = bytes.data();
  const std::size_t size = bytes.size();
  if (size < 4 || b[0] != 0xFF || b[1] != 0xD8) return std::nullopt;
  std::size_t pos = 2;
  for (;;) {
    while (pos < size && b[pos] != 0xFF) ++pos;
    while (pos < size && b[pos] == 0xFF) ++pos;
    if (pos >= size) break;  // no end marker: what was decoded stands
    const int marker = b[pos++];
    if (marker == 0xD9) break;
    if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) continue;
    if (size - pos < 2) return std::nullopt;
    const int length = be16(b + pos);
    if (length < 2 || size - pos < static_cast<std::size_t>(length)) return std::nullopt;
    const std::uint8_t* s = b + pos + 2;
    const int n = length - 2;
    pos += static_cast<std::size_t>(length);
    bool ok = true;
    switch (marker) {
      case 0xC0:  // baseline
      case 0xC1:  // extended sequential, Huffman
        ok = read_frame(s, n);
        if (ok && reduction_ == 0) return DecodedPicture{width_, height_, {}};
        break;
      case 0xC4:
        ok = read_huffman(s, n);
        break;
      case 0xDB:
        ok = read_quant(s, n);
        break;
      case 0xDD:
        ok = n >= 2;
        if (ok) restart_interval_ = be16(s);
        break;
      case 0xEE:  // Adobe: its transform flag tells RGB from YCbCr
        if (n >= 12 && std::memcmp(s, "Adobe", 5) == 0) adobe_transform_ = s[11];
        break;
      case 0xDA: {
        BitReader bits{b + pos, b + size};
        ok = read_scan(s, n, bits);
        pos = static_cast<std::size_t>(bits.at - b);
        break;
      }
      default:
        // Other frame kinds (progressive, lossless, arithmetic) and a
        // line count given after the scan are not read here.
        ok = (marker & 0xF0) != 0xC0 && marker != 0xDC;
        break;
    }
    if (!ok) return std::nullopt;
  }
  if (components_.empty()) return std::nullopt;
  for (const Component& c : components_) {
    if (!c.decoded) return std::nullopt;
  }
  return pixels();
}

}  // namespace

std::optional<DecodedPicture> decode_jpeg(std::span<const std::uint8_t> bytes, int reduction) {
  if (reduction != 1 && reduction != 2 && reduction != 4 && reduction != 8) return std::nullopt;
  return Decoder(reduction).run(bytes);
}

std::optional<JpegSize> jpeg_size(std::span<const std::uint8_t> bytes) {
  const auto frame = Decoder(0).run(bytes);
  if (!frame) return std::nullopt;
  return JpegSize{frame->width, frame->height};
}
