// Writes the main window's layout block at build time, with the program's own
// writer: main_window_block BANNER_JPEG OUTPUT_BLOCK
#include <fstream>
#include <iterator>

#include "shell/layout_writer.h"
#include "shell/main_window.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  std::ifstream banner_file(argv[1], std::ios::binary);
  if (!banner_file) return 1;
  const ByteSet banner{std::istreambuf_iterator<char>(banner_file), std::istreambuf_iterator<char>()};
  const ByteSet block = layout::encode_window_layout(main_window_layout(banner));
  std::ofstream out(argv[2], std::ios::binary);
  out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size()));
  return out ? 0 : 1;
}
