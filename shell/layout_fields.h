// The layout block's fields in block order, shared by the reader
// (layout_block.cpp) and the writer (layout_writer.cpp).
#pragma once

#include "shell/layout_block.h"

namespace layout {

// One description of every field, in block order, drives both directions:
// the reader fills the fields from bytes, the writer writes them out, so the
// reader and the writer cannot drift apart. Each kind's own fields are beside
// its record in layout_kinds.h.

// ---- the common part of a record, before the kind data ----

template <typename Io, FieldsOf<UnitRecord> U>
void record_fields(Io& io, U& u) {
  io.word(u.kind);
  io.words(u.runtime_words);
  io.c_text(u.name);
  io.c_text(u.second_name);
  io.word(u.object_slot);
  io.word(u.left);
  io.word(u.top);
  io.word(u.width);
  io.word(u.height);
  io.word(u.rect_slot);
  io.word(u.parent);
  io.list(u.children, 4, [&io](auto& child) { io.word(child); });
  io.bytes(u.pointer);
  io.c_text(u.tag);
  io.words(u.state);
  io.list(u.events, 8, [&io](auto& binding) {
    io.word(binding.event);
    io.word(binding.handler);
  });
  io.words(u.tail_words);
}

// ---- the block's header, before the unit count ----

template <typename Io, FieldsOf<WindowLayout> L>
void header_fields(Io& io, L& layout) {
  io.word(layout.format);
  io.word(layout.window_id);
  io.words(layout.design_words);
}

}  // namespace layout
