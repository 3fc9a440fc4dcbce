// The main window as the program carries it: its units, their places and
// captions, and the handlers they call. The build writes this description
// into the layout block (main_window_block.cpp); change a caption or a
// rectangle here. Portable: no Windows types.
#pragma once

#include "common/text.h"
#include "shell/layout_block.h"

// `banner` is the picture box's JPEG.
layout::WindowLayout main_window_layout(const ByteSet& banner);
