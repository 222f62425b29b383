#include "platform/Utf.h"

#include <gtest/gtest.h>

namespace vantor {
namespace {

TEST(UtfTest, RoundTripsAndReplacesWhatIsMalformed) {
  std::u16string text = u"Caf\u00e9 \u0395\u03bb\u03bb\u03ac\u03b4\u03b1 \u6587\u4ef6 \U0001F600";
  EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
  EXPECT_EQ(Utf16ToUtf8(u"a\xD800" u"b"), "a\xEF\xBF\xBD" "b");  // unpaired surrogate
  EXPECT_EQ(Utf8ToUtf16("\xC3"), u"\uFFFD");                  // truncated sequence
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD");              // overlong '/'
  EXPECT_EQ(Latin1ToUtf8("\xE9t\xE9"), "\xC3\xA9t\xC3\xA9");
}

}  // namespace
}  // namespace vantor
