#include <gtest/gtest.h>

#include "shell/outside_calls.h"

namespace {

TEST(OutsideTable, NamesTheSkinEngineEntry) {
  EXPECT_STREQ(outside_entry_name(OutsideEntry::kSkinAttachRes).library, "SkinH_EL.dll");
  EXPECT_STREQ(outside_entry_name(OutsideEntry::kSkinAttachRes).entry, "SkinH_AttachRes");
}

struct CandidateCase {
  const char* what;
  Text library;
  Text program_directory;
  TextArray expected;
};

TEST(LibraryCandidates, FollowTheSearchOrder) {
  const std::vector<CandidateCase> cases = {
      {"program directory, then bare",
       "SkinH_EL.dll",
       "C:\\program",
       {"C:\\program\\SkinH_EL.dll", "SkinH_EL.dll"}},
      {"nothing known", "a.dll", "", {"a.dll"}},
      {"a name with a drive is taken as it is",
       "C:\\WINDOWS\\system32\\SkinH_EL.dll",
       "C:\\program",
       {"C:\\WINDOWS\\system32\\SkinH_EL.dll"}},
      {"any colon counts", "x:y.dll", "C:\\program", {"x:y.dll"}},
      {"relative path keeps its folders", "sub\\a.dll", "C:\\p", {"C:\\p\\sub\\a.dll", "sub\\a.dll"}},
      {"empty name", "", "C:\\program", {}},
  };
  for (const auto& candidate_case : cases) {
    EXPECT_EQ(library_load_candidates(candidate_case.library, candidate_case.program_directory),
              candidate_case.expected)
        << candidate_case.what;
  }
}

}  // namespace
