#include "common/text.h"

#include <gtest/gtest.h>

namespace {

struct EqualsCase {
  const char* name;
  const char* a;
  const char* b;
  bool equal;
};

const EqualsCase kEqualsCases[] = {
    {"missing equals empty", nullptr, "", true},
    {"missing equals missing", nullptr, nullptr, true},
    {"missing differs from text", nullptr, "a", false},
    {"same bytes", "114.114.114.114", "114.114.114.114", true},
    {"last byte differs", "8.8.8.8", "8.8.8.9", false},
    {"prefix is not equal", "8.8.8.8", "8.8.8.88", false},
    {"case is not folded", "MX", "mx", false},
    {"blanks are not trimmed", " 8.8.8.8", "8.8.8.8", false},
    {"Chinese bytes equal", "电信DNS", "\xb5\xe7\xd0\xc5" "DNS", true},
    {"Chinese trail byte differs", "\xb5\xe7", "\xb5\xe8", false},
};

TEST(TextEquals, ComparesBytesUpToTheTerminatingNul) {
  for (const auto& c : kEqualsCases) {
    EXPECT_EQ(TextEquals(c.a, c.b), c.equal) << c.name;
    EXPECT_EQ(TextEquals(c.b, c.a), c.equal) << c.name << " (swapped)";
    EXPECT_EQ(TextEquals(Text(c.a), Text(c.b)), c.equal) << c.name << " (as Text)";
  }
}

TEST(Text, SourceLiteralsAreCodePage936Bytes) {
  // The sources are UTF-8; the compiler must turn Chinese literals into their GBK bytes.
  EXPECT_EQ(Text("电信DNS").view(), std::string_view("\xb5\xe7\xd0\xc5" "DNS"));
}

TEST(Text, CopiesAreIndependent) {
  Text a("abc");
  Text b = a;
  b += "def";
  EXPECT_STREQ(a.c_str(), "abc");
  EXPECT_STREQ(b.c_str(), "abcdef");
}

}  // namespace
