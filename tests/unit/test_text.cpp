// Wide text through the connection's code page, and the output helpers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "text.h"
#include "utf.h"

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
    // As SQLPrepareW reads its text: converted once, then cut at a NUL as
    // narrow text is.
    const SQLWCHAR text[] = {'a', 'b', 0, 'c', 0};
    auto converted = [&](SQLLEN length) {
        NarrowArg narrow(utf8, text, length);
        return std::string(CountedText(narrow.get(), narrow.length()).view());
    };
    EXPECT_EQ(converted(SQL_NTS), "ab");
    EXPECT_EQ(converted(4), "ab") << "a counted argument stops at a NUL as narrow text does";
    EXPECT_EQ(converted(1), "a");
    // Under SimpleUnicode a unit whose low byte is 0 ends the text too.
    const SQLWCHAR high[] = {'a', 0x0100, 'b', 0};
    NarrowArg simple(WideCodec{code_page_utf8, true}, high, 3);
    EXPECT_EQ(CountedText(simple.get(), simple.length()).view(), "a");
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
    EXPECT_FALSE(narrow_out(buffer, 8, &length).write("abc"));
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(length, 3);
    EXPECT_TRUE(narrow_out(buffer, 5, &length).write("BROLIX.DLL"));
    EXPECT_STREQ(buffer, "BROL");
    EXPECT_EQ(length, 10);
    buffer[0] = 'z';
    EXPECT_TRUE(narrow_out(buffer, 0, &length).write("abc"));
    EXPECT_EQ(buffer[0], 'z') << "a zero-length buffer is not written";
    SQLINTEGER wide_len = 0;
    EXPECT_FALSE(narrow_out(nullptr, 0, &wide_len).write("abcd")) << "only the length was asked for";
    EXPECT_EQ(wide_len, 4);
    // A length pointer too narrow for the length gets its largest value.
    std::string big(40000, 'x');
    EXPECT_TRUE(narrow_out(buffer, 8, &length).write(big));
    EXPECT_EQ(length, 32767);
}

TEST(OutputStrings, WideResultCutsToCapacityLessOne)
{
    SQLWCHAR buffer[16];
    SQLSMALLINT length = 0;
    auto chars = [&](SQLLEN buffer_length) {
        return TextOut(TextForm::wide_chars, utf8, buffer, buffer_length, &length);
    };
    // Ten characters into five: four, a terminator, cut.
    EXPECT_TRUE(chars(5).write("0123456789"));
    EXPECT_EQ(wide(buffer, 5), std::u16string(u"0123\0", 5));
    EXPECT_EQ(length, 10);
    // Lengths in bytes: 10 bytes hold five units, an odd 11 no more.
    for (SQLLEN bytes : {10, 11}) {
        EXPECT_TRUE(TextOut(TextForm::wide_bytes, utf8, buffer, bytes, &length).write("0123456789"));
        EXPECT_EQ(wide(buffer, 5), std::u16string(u"0123\0", 5));
        EXPECT_EQ(length, 20);
    }
    // Fits whole.
    EXPECT_FALSE(chars(16).write("é"));
    EXPECT_EQ(buffer[0], 0x00E9);
    EXPECT_EQ(buffer[1], 0);
    EXPECT_EQ(length, 1);
    // Room for the terminator only; a null buffer asks for the length.
    EXPECT_TRUE(chars(1).write("abc"));
    EXPECT_EQ(buffer[0], 0);
    buffer[0] = 'q';
    EXPECT_FALSE(TextOut(TextForm::wide_chars, utf8, nullptr, 16, &length).write("abc"));
    EXPECT_EQ(length, 3);
    // Another code page converts before measuring: "ü" is one byte of CP437.
    EXPECT_FALSE(TextOut(TextForm::wide_bytes, WideCodec{1, false}, buffer, 32, &length).write("\x81x"));
    EXPECT_EQ(wide(buffer, 3), std::u16string(u"üx\0", 3));
    EXPECT_EQ(length, 4);
}

TEST(OutputStrings, WideResultNeverSplitsASurrogatePair)
{
    SQLWCHAR buffer[4];
    SQLINTEGER length = 0;
    // "a" + U+1D11E (two units): capacity 3 leaves room for two units, which
    // would end between the halves; only "a" is written. The same through a
    // converter that allocates.
    for (WideCodec codec : {utf8, WideCodec{65000, false}}) {
        const char* text = codec.code_page == 65000 ? "a+2DTdHg-" : "a\xF0\x9D\x84\x9E";
        EXPECT_TRUE(TextOut(TextForm::wide_chars, codec, buffer, 3, &length).write(text));
        EXPECT_EQ(buffer[0], 'a');
        EXPECT_EQ(buffer[1], 0);
        EXPECT_EQ(length, 3);
    }
}

TEST(Utf, DecodesWholeCharactersAndCountsAll)
{
    char out[8];
    auto unit = [&](size_t i) {
        char16_t u;
        std::memcpy(&u, out + 2 * i, 2);
        return u;
    };
    utf::Decoded d = utf::utf8_to_utf16("ab\xE2\x82\xAC", 5, out, 4);
    EXPECT_EQ(d.units, 3u);
    EXPECT_EQ(d.stored, 3u);
    EXPECT_EQ(d.consumed, 5u);
    EXPECT_EQ(unit(2), u'€');
    // Full need reported when the output is smaller; consumed stops at the
    // last character stored.
    d = utf::utf8_to_utf16("abcdef", 6, out, 2);
    EXPECT_EQ(d.units, 6u);
    EXPECT_EQ(d.stored, 2u);
    EXPECT_EQ(d.consumed, 2u);
    // A pair with room for one unit is not stored in half.
    d = utf::utf8_to_utf16("a\xF0\x9D\x84\x9E", 5, out, 2);
    EXPECT_EQ(d.stored, 1u);
    EXPECT_EQ(d.consumed, 1u);
    EXPECT_EQ(d.units, 3u);
    // Invalid bytes become U+FFFD, one each.
    d = utf::utf8_to_utf16("\xFF\xC3", 2, out, 4);
    EXPECT_FALSE(d.valid);
    EXPECT_EQ(d.stored, 2u);
    EXPECT_EQ(unit(0), 0xFFFD);
    EXPECT_EQ(unit(1), 0xFFFD);
}

TEST(Utf, ResumesPieceByPieceWithoutSplittingACharacter)
{
    // "é€𝄞x" fed in pieces of every size, decoded into 2-unit windows: the
    // pieces join to the whole text whatever the cut points.
    const std::string text = "\xC3\xA9\xE2\x82\xAC\xF0\x9D\x84\x9Ex";
    for (size_t piece = 1; piece <= text.size(); ++piece) {
        std::u16string joined;
        std::string pending;
        for (size_t at = 0; at < text.size() || !pending.empty();) {
            const size_t take = std::min(piece, text.size() - at);
            pending.append(text, at, take);
            at += take;
            const bool more = at < text.size();
            char out[4];
            utf::Decoded d = utf::utf8_to_utf16(pending.data(), pending.size(), out, 2, more);
            for (size_t i = 0; i < d.stored; ++i) {
                char16_t u;
                std::memcpy(&u, out + 2 * i, 2);
                joined.push_back(u);
            }
            pending.erase(0, d.consumed);
            if (!more && d.consumed == 0 && !pending.empty()) break;  // would loop: fails below
        }
        EXPECT_EQ(joined, u"é€𝄞x") << "pieces of " << piece;
    }
}

TEST(Utf, EncodesWholeCharactersAndFlagsLoneSurrogates)
{
    char out[8];
    const std::u16string text = u"a€𝄞";
    utf::Encoded e = utf::utf16_to_utf8(text.data(), text.size(), out, sizeof out);
    EXPECT_EQ(std::string(out, e.stored), "a\xE2\x82\xAC\xF0\x9D\x84\x9E");
    EXPECT_EQ(e.consumed, 4u);
    e = utf::utf16_to_utf8(text.data(), text.size(), out, 6);  // the pair's 4 bytes do not fit
    EXPECT_EQ(e.stored, 4u);
    EXPECT_EQ(e.consumed, 2u);
    EXPECT_EQ(e.bytes, 8u);
    const char16_t lone[] = {0xDC00, 'b'};
    e = utf::utf16_to_utf8(lone, 2, out, sizeof out);
    EXPECT_FALSE(e.valid);
    EXPECT_EQ(std::string(out, e.stored), "\xEF\xBF\xBD" "b");
}

}  // namespace
