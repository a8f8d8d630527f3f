#include "graphics/utf16.h"

#include <gtest/gtest.h>

TEST(Utf16, ConvertsBothWays) {
  struct TCase {
    std::string utf8;
    std::u16string utf16;
  };
  const TCase cases[] = {
      {"", u""},
      {"Apiary :", u"Apiary :"},
      {"Bräu", u"Bräu"},
      {"€", u"\u20AC"},
      {"𝄞x", u"\xD834\xDD1Ex"},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16) << c.utf8;
    EXPECT_EQ(Utf16ToUtf8(c.utf16), c.utf8) << c.utf8;
  }
}

TEST(Utf16, MalformedInputBecomesReplacementCharacters) {
  EXPECT_EQ(Utf8ToUtf16("a\xFF" "b"), u"a\uFFFDb");
  EXPECT_EQ(Utf8ToUtf16("\xE2\x82"), u"\uFFFD\uFFFD");       // truncated sequence
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");       // overlong
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // encoded surrogate
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
  EXPECT_EQ(Utf16ToUtf8(u"\xDC00z"), "\xEF\xBF\xBDz");
}
