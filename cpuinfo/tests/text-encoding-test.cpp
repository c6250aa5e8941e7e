// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// Command-line arguments and log paths pass through these conversions; they
// must give back exactly the UTF-16 that Windows handed over.
#include <gtest/gtest.h>

#include "text-encoding.h"

namespace {

TEST(TextEncoding, EncodesUtf16AsUtf8) {
    EXPECT_EQ(wtf8FromUtf16(u"console"), "console");
    EXPECT_EQ(wtf8FromUtf16(u"\u00e9"), "\xc3\xa9");
    EXPECT_EQ(wtf8FromUtf16(u"\u0436\u65e5"), "\xd0\xb6\xe6\x97\xa5");
    EXPECT_EQ(wtf8FromUtf16(u"\U0001F600"), "\xf0\x9f\x98\x80");
    EXPECT_EQ(wtf8FromUtf16(std::u16string(1, u'\0')), std::string(1, '\0'));
}

TEST(TextEncoding, EncodesTheEdgesOfTheSurrogateRangesAsOneSequence) {
    EXPECT_EQ(wtf8FromUtf16(u"\U00010000"), "\xf0\x90\x80\x80");  // D800 DC00
    EXPECT_EQ(wtf8FromUtf16(u"\U000103FF"), "\xf0\x90\x8f\xbf");  // D800 DFFF
    EXPECT_EQ(wtf8FromUtf16(u"\U0010FC00"), "\xf4\x8f\xb0\x80");  // DBFF DC00
    EXPECT_EQ(wtf8FromUtf16(u"\U0010FFFF"), "\xf4\x8f\xbf\xbf");  // DBFF DFFF
}

TEST(TextEncoding, KeepsUnpairedSurrogates) {
    const std::u16string lone{u'a', char16_t(0xD800), u'b', char16_t(0xDC01)};
    EXPECT_EQ(wtf8FromUtf16(lone),
              "a\xed\xa0\x80"
              "b\xed\xb0\x81");
    EXPECT_EQ(utf16FromWtf8(wtf8FromUtf16(lone)), lone);
    const std::u16string reversed{char16_t(0xDC00), char16_t(0xD800)};
    EXPECT_EQ(utf16FromWtf8(wtf8FromUtf16(reversed)), reversed);
}

TEST(TextEncoding, RoundTripsEveryBoundary) {
    const std::u16string text =
        u"\u007f\u0080\u07ff\u0800\uffff\U00010000\U0010FFFF"
        u"\u0436\u0443\u0440\u043d\u0430\u043b-\u65e5\u5fd7.log";
    EXPECT_EQ(utf16FromWtf8(wtf8FromUtf16(text)), text);
}

TEST(TextEncoding, MalformedBytesBecomeReplacementCharacters) {
    EXPECT_EQ(utf16FromWtf8("a\x80z"), u"a\uFFFDz");
    EXPECT_EQ(utf16FromWtf8("\xc3"), u"\uFFFD");                                // cut short
    EXPECT_EQ(utf16FromWtf8("\xc0\xaf"), u"\uFFFD\uFFFD");                      // overlong
    EXPECT_EQ(utf16FromWtf8("\xf4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");  // past U+10FFFF
    EXPECT_EQ(utf16FromWtf8("\xe6\x97z"), u"\uFFFD\uFFFDz");
}

TEST(TextEncoding, TheExactDecoderTakesWhatTheEncoderGivesAndNothingElse) {
    const std::u16string lone{u'a', char16_t(0xD800), u'b', char16_t(0xDC01), char16_t(0xDBFF)};
    EXPECT_EQ(utf16FromWtf8Exact(wtf8FromUtf16(lone)), lone);
    EXPECT_EQ(utf16FromWtf8Exact("\xf4\x8f\xbf\xbf"), u"\U0010FFFF");
    EXPECT_EQ(utf16FromWtf8Exact(""), u"");
    EXPECT_EQ(utf16FromWtf8Exact("a\x80z"), std::nullopt);
    EXPECT_EQ(utf16FromWtf8Exact("\xc3"), std::nullopt);
    EXPECT_EQ(utf16FromWtf8Exact("\xc0\xaf"), std::nullopt);
    EXPECT_EQ(utf16FromWtf8Exact("\xe0\x9f\xbf"), std::nullopt);  // overlong U+07FF
    EXPECT_EQ(utf16FromWtf8Exact("\xf4\x90\x80\x80"), std::nullopt);
    // D800 DC00 written as two three-byte sequences: WTF-8 writes a pair as
    // one four-byte sequence, so these bytes are refused, while the lenient
    // decoder joins them. The other order is two lone surrogates.
    EXPECT_EQ(utf16FromWtf8Exact("\xed\xa0\x80\xed\xb0\x80"), std::nullopt);
    EXPECT_EQ(utf16FromWtf8("\xed\xa0\x80\xed\xb0\x80"), u"\U00010000");
    EXPECT_EQ(utf16FromWtf8Exact("\xed\xb0\x80\xed\xa0\x80"),
              (std::u16string{char16_t(0xDC00), char16_t(0xD800)}));
}

}  // namespace
