#include "shell/outside_calls.h"

#include "common/text_ops.h"

namespace {

constexpr std::array<OutsideEntryName, kOutsideEntryCount> kTable = {{
    {"SkinH_EL.dll", "SkinH_AttachRes"},
}};

}  // namespace

const OutsideEntryName& outside_entry_name(OutsideEntry entry) {
  return kTable.at(static_cast<std::size_t>(entry));
}

TextArray library_load_candidates(const Text& library, const Text& program_directory) {
  TextArray candidates;
  if (library.empty()) return candidates;
  if (text_find(library, ":") > 0) {
    candidates.append(library);
    return candidates;
  }
  if (!program_directory.empty()) candidates.append(program_directory + "\\" + library);
  candidates.append(library);
  return candidates;
}
