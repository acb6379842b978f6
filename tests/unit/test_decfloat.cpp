// DECFLOAT text conversions against encodings built by hand from the IEEE 754
// DPD layout: sign bit, 5-bit combination field (exponent's top two bits and
// the leading digit), exponent continuation (8 bits for decimal64 with bias
// 398, 12 for decimal128 with bias 6176), then 10-bit declets of three digits.
// A Firebird 3 server has no DECFLOAT, so the client buffers are built here:
// 64-bit words, least significant first.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>

#include "decfloat.h"

namespace {

std::string to_text16(std::uint64_t word)
{
    char text[decfloat16_text_size];
    EXPECT_EQ(decfloat16_to_text(&word, text, sizeof text), 0);
    return text;
}

std::string to_text34(const std::uint64_t (&words)[2])
{
    char text[decfloat34_text_size];
    EXPECT_EQ(decfloat34_to_text(words, text, sizeof text), 0);
    return text;
}

}  // namespace

TEST(DecFloat, Decimal64KnownEncodings)
{
    struct Case {
        const char* text;
        std::uint64_t word;
        std::uint32_t status = 0;
    };
    const Case cases[] = {
        // biased exponent 398 = 01 10001110: combination 01000, continuation 0x8E
        {"1", 0x2238000000000001},
        // sign, exponent 397, declet 015 = 0x015
        {"-1.5", 0xA234000000000015},
        // exponent 401, declet 123 = 0x0A3
        {"1.23E+5", 0x22440000000000A3},
        // leading 9 (combination 11101), exponent 767, five declets 999 = 0x0FF
        {"9.999999999999999E+384", 0x77FCFF3FCFF3FCFF},
        {"1234567890123456", 0x263934B9C1E28E56},
        {"1E-398", 0x0000000000000001, DEC_Subnormal},
        {"NaN", 0x7C00000000000000},
        {"sNaN", 0x7E00000000000000},
        {"Infinity", 0x7800000000000000},
        {"-Infinity", 0xF800000000000000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(to_text16(c.word), c.text);
        std::uint64_t word = 0;
        EXPECT_EQ(text_to_decfloat16(c.text, &word), c.status);
        EXPECT_EQ(word, c.word);
    }
}

TEST(DecFloat, Decimal128KnownEncodings)
{
    struct Case {
        const char* text;
        std::uint64_t words[2];  // least significant first, as the client stores them
        std::uint32_t status = 0;
    };
    const Case cases[] = {
        {"1", {0x0000000000000001, 0x2208000000000000}},
        {"-1.5", {0x0000000000000015, 0xA207C00000000000}},
        {"1.23E+5", {0x00000000000000A3, 0x2208C00000000000}},
        {"9.999999999999999999999999999999999E+6144", {0xF3FCFF3FCFF3FCFF, 0x77FFCFF3FCFF3FCF}},
        {"1234567890123456789012345678901234", {0x6F3C127177823534, 0x2608134B9C1E28E5}},
        {"1E-6176", {0x0000000000000001, 0x0000000000000000}, DEC_Subnormal},
        {"NaN", {0, 0x7C00000000000000}},
        {"sNaN", {0, 0x7E00000000000000}},
        {"Infinity", {0, 0x7800000000000000}},
        {"-Infinity", {0, 0xF800000000000000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(to_text34(c.words), c.text);
        std::uint64_t words[2] = {};
        EXPECT_EQ(text_to_decfloat34(c.text, words), c.status);
        EXPECT_EQ(words[0], c.words[0]);
        EXPECT_EQ(words[1], c.words[1]);
    }
}

TEST(DecFloat, RandomValuesRoundTripThroughText)
{
    std::mt19937_64 engine(11);
    for (int i = 0; i < 20000; ++i) {
        const std::string digits16 = std::to_string(engine() % 10000000000000000ull);
        const std::string text = (engine() % 2 ? "-" : "") + digits16 + "E" +
                                 std::to_string(static_cast<int>(engine() % 700) - 350);
        std::uint64_t word = 0;
        ASSERT_EQ(text_to_decfloat16(text.c_str(), &word), 0u) << text;
        std::uint64_t again = 1;
        ASSERT_EQ(text_to_decfloat16(to_text16(word).c_str(), &again), 0u);
        ASSERT_EQ(again, word) << text;

        const std::string text34 = digits16 + std::to_string(engine() % 1000000000000000000ull) + "E" +
                                   std::to_string(static_cast<int>(engine() % 12000) - 6000);
        std::uint64_t words[2] = {};
        ASSERT_EQ(text_to_decfloat34(text34.c_str(), words), 0u) << text34;
        std::uint64_t words_again[2] = {};
        ASSERT_EQ(text_to_decfloat34(to_text34(words).c_str(), words_again), 0u);
        ASSERT_EQ(words_again[0], words[0]);
        ASSERT_EQ(words_again[1], words[1]);
    }
}

TEST(DecFloat, StatusOfInexactAndInvalidText)
{
    struct Case {
        const char* text;
        std::uint32_t status;
        const char* value;  // as read back
    };
    const Case cases[] = {
        {"1.2345678901234567", DEC_Inexact | DEC_Rounded, "1.234567890123457"},
        {"1E+385", DEC_Overflow | DEC_Inexact | DEC_Rounded, "Infinity"},
        {"abc", DEC_Conversion_syntax, "NaN"},
        {"", DEC_Conversion_syntax, "NaN"},
        {"1.5x", DEC_Conversion_syntax, "NaN"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        decContext context;
        decContextDefault(&context, DEC_INIT_DECDOUBLE);
        context.status = DEC_Clamped;  // earlier status is kept
        std::uint64_t word = 0;
        EXPECT_EQ(text_to_decfloat16(c.text, &word, &context), c.status);
        EXPECT_EQ(context.status, c.status | DEC_Clamped);
        EXPECT_EQ(to_text16(word), c.value);
    }
    std::uint64_t word = 0;
    EXPECT_EQ(text_to_decfloat16(nullptr, &word), static_cast<std::uint32_t>(DEC_Conversion_syntax));
    EXPECT_EQ(text_to_decfloat16("1", nullptr), 0u);
}

TEST(DecFloat, CallerRoundingAndTrapsAreRespected)
{
    decContext context;
    decContextDefault(&context, DEC_INIT_BASE);  // traps on every error
    context.round = DEC_ROUND_DOWN;
    std::uint64_t words[2] = {};
    // Would raise SIGFPE if the caller's traps were applied.
    EXPECT_EQ(text_to_decfloat34("not a number", words, &context), static_cast<std::uint32_t>(DEC_Conversion_syntax));
    EXPECT_EQ(to_text34(words), "NaN");
    EXPECT_NE(text_to_decfloat34("1.99999999999999999999999999999999999", words, &context), 0u);
    EXPECT_EQ(to_text34(words), "1.999999999999999999999999999999999");
    std::uint64_t word = 0;
    text_to_decfloat16("1.99999999999999999", &word, &context);
    EXPECT_EQ(to_text16(word), "1.999999999999999");
}

TEST(DecFloat, TextIsCutToTheBuffer)
{
    const std::uint64_t word = 0xA234000000000015;  // -1.5
    char buffer[8] = "#######";
    std::int32_t length = 0;
    EXPECT_EQ(decfloat16_to_text(&word, buffer, 5, &length), 0);
    EXPECT_STREQ(buffer, "-1.5");
    EXPECT_EQ(length, 4);
    EXPECT_EQ(decfloat16_to_text(&word, buffer, 4, &length), 1);
    EXPECT_STREQ(buffer, "-1.");
    EXPECT_EQ(length, 4);
    EXPECT_EQ(decfloat16_to_text(&word, buffer, 3, &length), 1);
    EXPECT_STREQ(buffer, "-1");
    EXPECT_EQ(length, 4);
    EXPECT_EQ(decfloat16_to_text(&word, buffer, 0, &length), 1);
    EXPECT_STREQ(buffer, "-1");
    EXPECT_EQ(decfloat16_to_text(&word, nullptr, 100, &length), 1);

    // The longest texts, exponent form and plain form, fit the documented
    // sizes exactly.
    const char* longest16[] = {"-9.999999999999999E-383", "-0.000009999999999999999"};
    for (const char* text : longest16) {
        std::uint64_t value = 0;
        text_to_decfloat16(text, &value);
        EXPECT_EQ(to_text16(value), text);
    }
    EXPECT_EQ(std::strlen(longest16[1]) + 1, decfloat16_text_size);
    const char* longest34[] = {"-9.999999999999999999999999999999999E-6143",
                               "-0.000009999999999999999999999999999999999"};
    for (const char* text : longest34) {
        std::uint64_t value[2] = {};
        text_to_decfloat34(text, value);
        EXPECT_EQ(to_text34(value), text);
        EXPECT_EQ(std::strlen(text) + 1, decfloat34_text_size);
    }
}

TEST(DecFloat, ConversionsWriteOnlyTheirBytes)
{
    unsigned char buffer[24];
    std::memset(buffer, 0xEE, sizeof buffer);
    text_to_decfloat16("1", buffer + 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(buffer[i], 0xEE);
    for (int i = 12; i < 24; ++i) EXPECT_EQ(buffer[i], 0xEE);
    std::memset(buffer, 0xEE, sizeof buffer);
    text_to_decfloat34("1", buffer + 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(buffer[i], 0xEE);
    for (int i = 20; i < 24; ++i) EXPECT_EQ(buffer[i], 0xEE);
}
