// Wide text through the connection's code page, and the output helpers.
#include <gtest/gtest.h>

#include <string>

#include "text.h"

namespace {

const WideCodec utf8{};

std::u16string wide(const SQLWCHAR* text, size_t n) { return std::u16string(text, text + n); }

TEST(WideText, RoundTripsThroughUtf8BeyondLatin1)
{
    const std::u16string text = u"größe € 𝄞";  // Latin-1, BMP and a surrogate pair
    auto narrow = narrow_from_wide(utf8, text);
    ASSERT_TRUE(narrow);
    EXPECT_EQ(*narrow, "gr\xC3\xB6\xC3\x9F" "e \xE2\x82\xAC \xF0\x9D\x84\x9E");
    EXPECT_EQ(wide_from_narrow(utf8, *narrow), text);
}

TEST(WideText, InvalidInputFailsStrictConversions)
{
    EXPECT_FALSE(narrow_from_wide(utf8, std::u16string(1, char16_t(0xD800))));  // lone surrogate
    EXPECT_FALSE(wide_from_narrow_strict(utf8, "\xC3"));                        // cut sequence
    EXPECT_FALSE(wide_from_narrow_strict(utf8, "\xC0\xAF"));                    // overlong
    // Output conversion substitutes instead of failing.
    EXPECT_EQ(wide_from_narrow(utf8, "a\xFF" "b"), u"a\uFFFD" "b");
}

TEST(WideText, OtherCodePagesGoThroughTheirCharsets)
{
    struct Case {
        int code_page;
        std::string narrow;
        std::u16string wide;
    };
    const Case cases[] = {
        {1, "\x81", u"ü"},       // CP_OEMCP: CP437
        {42, "\xE9", u"é"},      // CP_SYMBOL: ISO-8859-1
        {2, "\x8A", u"ä"},       // CP_MACCP: MACINTOSH
        {65000, "+AOk-", u"é"},  // CP_UTF7
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code_page);
        WideCodec codec{c.code_page, false};
        EXPECT_EQ(wide_from_narrow(codec, c.narrow), c.wide);
        auto back = narrow_from_wide(codec, c.wide);
        ASSERT_TRUE(back);
        EXPECT_EQ(*back, c.narrow);
    }
    // A character the code page lacks fails the strict direction.
    EXPECT_FALSE(narrow_from_wide(WideCodec{42, false}, u"€"));
}

TEST(WideText, SimpleUnicodeWorksPerCodeUnit)
{
    WideCodec simple{code_page_utf8, true};
    auto narrow = narrow_from_wide(simple, u"A\u0141");  // Ł is 0x0141: keeps 0x41
    ASSERT_TRUE(narrow);
    EXPECT_EQ(*narrow, "AA");
    EXPECT_EQ(wide_from_narrow(simple, "\xE9"), u"\u00E9");
}

TEST(WideText, NarrowArgumentsKeepNtsOrReportTheirByteLength)
{
    const SQLWCHAR text[] = {'a', 0x00E9, 'b', 0};
    NarrowArg nts(utf8, text, SQL_NTS);
    EXPECT_EQ(nts.str(), "a\xC3\xA9" "b");
    EXPECT_EQ(nts.length(), SQL_NTS);
    NarrowArg counted(utf8, text, 2);
    EXPECT_EQ(counted.str(), "a\xC3\xA9");
    EXPECT_EQ(counted.length(), 3);
    NarrowArg null_arg(utf8, nullptr, SQL_NTS);
    EXPECT_TRUE(null_arg.is_null());
    EXPECT_EQ(null_arg.get(), nullptr);
    EXPECT_FALSE(NarrowArg(utf8, text, -7).ok());
}

TEST(WideText, WideArgumentsEndAtTheirFirstNul)
{
    const SQLWCHAR text[] = {'a', 'b', 0, 'c', 0};
    std::u16string out;
    EXPECT_TRUE(wide_argument(text, SQL_NTS, out));
    EXPECT_EQ(out, u"ab");
    EXPECT_TRUE(wide_argument(text, 4, out));
    EXPECT_EQ(out, u"ab") << "a counted argument stops at a NUL as narrow text does";
    EXPECT_TRUE(wide_argument(text, 1, out));
    EXPECT_EQ(out, u"a");
    EXPECT_FALSE(wide_argument(text, -7, out));
}

TEST(WideText, CountedTextIsTerminatedCopyOrTheInputItself)
{
    const SQLCHAR text[] = "abcdef";
    EXPECT_EQ(CountedText(text, SQL_NTS).get(), reinterpret_cast<const char*>(text));
    EXPECT_STREQ(CountedText(text, 3).get(), "abc");
    EXPECT_EQ(CountedText(text, -5).get(), nullptr);
    EXPECT_EQ(CountedText(nullptr, 3).get(), nullptr);
}

TEST(OutputStrings, NarrowCopyCutsAndTerminates)
{
    char buffer[8];
    SQLSMALLINT length = 0;
    EXPECT_FALSE(copy_out_cstring(buffer, 8, &length, "abc"));
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(length, 3);
    EXPECT_TRUE(copy_out_cstring(buffer, 5, &length, "BROLIX.DLL"));
    EXPECT_STREQ(buffer, "BROL");
    EXPECT_EQ(length, 10);
    buffer[0] = 'z';
    EXPECT_TRUE(copy_out_cstring(buffer, 0, &length, "abc"));
    EXPECT_EQ(buffer[0], 'z') << "a zero-length buffer is not written";
    SQLINTEGER wide_len = 0;
    EXPECT_FALSE(copy_out_cstring(nullptr, 0, &wide_len, "abcd"));
    EXPECT_EQ(wide_len, 4);
}

TEST(OutputStrings, WideResultCutsToCapacityLessOne)
{
    SQLWCHAR buffer[16];
    SQLSMALLINT length = 0;
    // Ten characters into five: four, a terminator, with-info.
    EXPECT_EQ(widen_result(utf8, "0123456789", buffer, 5, &length, SQL_SUCCESS, true),
              SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(wide(buffer, 5), std::u16string(u"0123\0", 5));
    EXPECT_EQ(length, 10);
    // Lengths in bytes: 10 bytes hold five characters.
    EXPECT_EQ(widen_result(utf8, "0123456789", buffer, 10, &length, SQL_SUCCESS, false),
              SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(wide(buffer, 4), u"0123");
    EXPECT_EQ(length, 20);
    // Fits: the body's code comes back.
    EXPECT_EQ(widen_result(utf8, "é", buffer, 16, &length, SQL_SUCCESS_WITH_INFO, true),
              SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(widen_result(utf8, "é", buffer, 16, &length, SQL_SUCCESS, true), SQL_SUCCESS);
    EXPECT_EQ(buffer[0], 0x00E9);
    EXPECT_EQ(length, 1);
    // An error passes through untouched.
    buffer[0] = 'q';
    EXPECT_EQ(widen_result(utf8, "abc", buffer, 16, &length, SQL_ERROR, true), SQL_ERROR);
    EXPECT_EQ(buffer[0], 'q');
}

TEST(OutputStrings, WideResultNeverSplitsASurrogatePair)
{
    SQLWCHAR buffer[4];
    SQLINTEGER length = 0;
    // "a" + U+1D11E (two units): capacity 3 leaves room for two units, which
    // would end between the halves; only "a" is written.
    EXPECT_EQ(widen_result(utf8, "a\xF0\x9D\x84\x9E", buffer, 3, &length, SQL_SUCCESS, true),
              SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(buffer[0], 'a');
    EXPECT_EQ(buffer[1], 0);
    EXPECT_EQ(length, 3);
}

TEST(OutputStrings, Utf8ToUtf16WithoutAllocation)
{
    char16_t out[4];
    EXPECT_EQ(utf8_to_utf16("ab\xE2\x82\xAC", out, 4), 3u);
    EXPECT_EQ(std::u16string(out, 3), u"ab€");
    // Reports the full need even when the output is smaller.
    EXPECT_EQ(utf8_to_utf16("abcdef", out, 2), 6u);
    EXPECT_EQ(std::u16string(out, 2), u"ab");
}

}  // namespace
