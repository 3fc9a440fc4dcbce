#include <gtest/gtest.h>

#include "shell/outside_calls.h"

namespace {

TEST(OutsideTable, HoldsTheSixEntriesInOrder) {
  const auto& table = outside_entry_table();
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"ole32.dll", "CoInitialize"},           {"ole32.dll", "CoUninitialize"},
      {"kernel32.dll", "MultiByteToWideChar"}, {"kernel32.dll", "WideCharToMultiByte"},
      {"kernel32.dll", "WideCharToMultiByte"}, {"SkinH_EL.dll", "SkinH_AttachRes"},
  };
  ASSERT_EQ(table.size(), expected.size());
  for (std::size_t index = 0; index < expected.size(); ++index) {
    EXPECT_EQ(table[index].library, expected[index].first) << index;
    EXPECT_EQ(table[index].entry, expected[index].second) << index;
  }
  EXPECT_STREQ(outside_entry_name(OutsideEntry::kSkinAttachRes).entry, "SkinH_AttachRes");
}

struct CandidateCase {
  const char* what;
  Text library;
  LibrarySearchPlaces places;
  TextArray expected;
};

TEST(LibraryCandidates, FollowTheSearchOrder) {
  const LibrarySearchPlaces all{"C:\\first\\", "C:\\program", "D:\\second\\"};
  const std::vector<CandidateCase> cases = {
      {"every place",
       "SkinH_EL.dll",
       all,
       {"C:\\first\\SkinH_EL.dll", "C:\\program\\SkinH_EL.dll", "D:\\second\\SkinH_EL.dll", "SkinH_EL.dll"}},
      {"no prefixes", "ole32.dll", {"", "C:\\program", ""}, {"C:\\program\\ole32.dll", "ole32.dll"}},
      {"only the second prefix", "a.dll", {"", "", "lib\\"}, {"lib\\a.dll", "a.dll"}},
      {"nothing known", "a.dll", {}, {"a.dll"}},
      {"a name with a drive is taken as it is",
       "C:\\WINDOWS\\system32\\SkinH_EL.dll",
       all,
       {"C:\\WINDOWS\\system32\\SkinH_EL.dll"}},
      {"any colon counts", "x:y.dll", all, {"x:y.dll"}},
      {"relative path keeps its folders",
       "sub\\a.dll",
       {"", "C:\\p", ""},
       {"C:\\p\\sub\\a.dll", "sub\\a.dll"}},
      {"empty name", "", all, {}},
  };
  for (const auto& candidate_case : cases) {
    EXPECT_EQ(library_load_candidates(candidate_case.library, candidate_case.places), candidate_case.expected)
        << candidate_case.what;
  }
}

TEST(LibraryCandidates, SystemLibrariesOfTheTableAreTriedByBareNameAlone) {
  const LibrarySearchPlaces places{"C:\\first\\", "C:\\program", ""};
  for (const auto& name : outside_entry_table()) {
    const TextArray expected =
        name.system_library ? TextArray{name.library} : library_load_candidates(name.library, places);
    EXPECT_EQ(outside_entry_candidates(name, places), expected) << name.library;
  }
  EXPECT_FALSE(outside_entry_name(OutsideEntry::kSkinAttachRes).system_library);
  EXPECT_TRUE(outside_entry_name(OutsideEntry::kMultiByteToWideChar).system_library);
  EXPECT_TRUE(outside_entry_name(OutsideEntry::kCoInitialize).system_library);
}

struct OrdinalCase {
  const char* entry;
  std::optional<std::uint16_t> expected;
};

TEST(EntryOrdinal, OnlyHashAndADecimalNumber) {
  const std::vector<OrdinalCase> cases = {
      {"#1", 1},
      {"#2", 2},
      {"#65535", 65535},
      {"#0012", 12},
      {"#0", std::nullopt},
      {"#65536", std::nullopt},
      {"#", std::nullopt},
      {"#1a", std::nullopt},
      {"# 1", std::nullopt},
      {"#-1", std::nullopt},
      {"#+1", std::nullopt},
      {"1", std::nullopt},
      {"SkinH_AttachRes", std::nullopt},
      {"#99999999999999999999", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& ordinal_case : cases) {
    EXPECT_EQ(entry_ordinal(ordinal_case.entry), ordinal_case.expected) << ordinal_case.entry;
  }
}

TEST(MissingEntryMessage, NamesTheLibraryAndTheEntry) {
  // 无法找到指定DLL库文件“ole32.dll”中的输出命令“CoInitialize”
  const Text expected =
      "\xCE\xDE\xB7\xA8\xD5\xD2\xB5\xBD\xD6\xB8\xB6\xA8"
      "DLL\xBF\xE2\xCE\xC4\xBC\xFE\xA1\xB0"
      "ole32.dll\xA1\xB1\xD6\xD0\xB5\xC4\xCA\xE4\xB3\xF6\xC3\xFC\xC1\xEE\xA1\xB0"
      "CoInitialize\xA1\xB1";
  EXPECT_EQ(missing_entry_message("ole32.dll", "CoInitialize"), expected);
}

}  // namespace
