#include <gtest/gtest.h>

#include "common/fatal.h"
#include "common/text.h"
#include "common/text_array.h"

namespace {

TEST(TextValue, EndsAtFirstNul) {
  EXPECT_EQ(Text(std::string_view("ab\0cd", 5)).length(), 2);
  EXPECT_EQ(Text(static_cast<const char*>(nullptr)), Text());
  EXPECT_EQ(Text(""), Text());
  EXPECT_TRUE(Text(std::string_view("\0x", 2)).empty());
}

TEST(TextArrayValue, OneBasedAppendRemove) {
  TextArray list{"a", "b", "c"};
  EXPECT_EQ(list.count(), 3);
  EXPECT_EQ(list[1], "a");
  list.remove(2);
  EXPECT_EQ(list.count(), 2);
  EXPECT_EQ(list[2], "c");
  list.append("d");
  EXPECT_EQ(list[3], "d");
}

TEST(FatalText, BuiltInOrder) {
  // 运行时出错!\r\n\r\n 错误代码：7\r\n\r\n 错误信息：boom\r\n
  EXPECT_EQ(fatal_message_text(7, "boom"),
            "\xD4\xCB\xD0\xD0\xCA\xB1\xB3\xF6\xB4\xED!\r\n\r\n"
            "\xB4\xED\xCE\xF3\xB4\xFA\xC2\xEB\xA3\xBA"
            "7\r\n\r\n"
            "\xB4\xED\xCE\xF3\xD0\xC5\xCF\xA2\xA3\xBA"
            "boom\r\n");
  EXPECT_EQ(fatal_message_text(std::nullopt, ""), "\xD4\xCB\xD0\xD0\xCA\xB1\xB3\xF6\xB4\xED!\r\n\r\n");
  // 分配 12 字节内存失败!
  EXPECT_EQ(allocation_failure_message(12),
            "\xB7\xD6\xC5\xE4 12 \xD7\xD6\xBD\xDA\xC4\xDA\xB4\xE6\xCA\xA7\xB0\xDC!");
}

#ifndef _WIN32
// On Windows the same check shows a message box; the Windows test drives it.
// The whole fatal message as it reaches stderr, in code page 936:
// 运行时出错!\r\n\r\n错误信息：下标超出范围：<index> (1 - 1)\r\n
std::string subscript_message_pattern(const char* index) {
  return std::string(
             "^\xD4\xCB\xD0\xD0\xCA\xB1\xB3\xF6\xB4\xED!\r\n\r\n\xB4\xED\xCE\xF3\xD0\xC5\xCF\xA2\xA3\xBA"
             "\xCF\xC2\xB1\xEA\xB3\xAC\xB3\xF6\xB7\xB6\xCE\xA7\xA3\xBA") +
         index + " \\(1 - 1\\)\r\n$";
}

TEST(TextArrayDeathTest, OutOfRangeIsFatalWithMinusOne) {
  TextArray list{"a"};
  EXPECT_EXIT(static_cast<void>(list[0]), testing::ExitedWithCode(255), subscript_message_pattern("0"));
  EXPECT_EXIT(static_cast<void>(list[2]), testing::ExitedWithCode(255), subscript_message_pattern("2"));
  EXPECT_EXIT(list.remove(5), testing::ExitedWithCode(255), subscript_message_pattern("5"));
}
#endif

}  // namespace
