// Pages for the benchmarks: code page 936 HTML of a given size, with the flash
// entry near the start, near the end, nowhere, or as a trap for backtracking.
#pragma once

#include <cstddef>
#include <string>

enum class PageShape { kEntryNearStart, kEntryNearEnd, kNoEntry, kAdversarial };

const char* page_shape_name(PageShape shape);

// Exactly `size` bytes (the filler is cut to fit) in code page 936.
std::string generated_page(PageShape shape, std::size_t size);

// The same kind of page in UTF-8, for the decoding timings.
std::string generated_utf8_page(std::size_t size, bool with_combining_marks);

// A video page as a site serves it (UTF-8), of at most `size` bytes, whose
// player entry near the end carries `identifier`.
std::string generated_video_page(std::size_t size, const std::string& identifier);
