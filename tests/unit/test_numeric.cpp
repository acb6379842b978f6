// 128-bit decimal conversions. The reference is plain unsigned __int128
// arithmetic in this file (digits by repeated division by ten), printf's
// "%.0f" for the rounding of doubles, strtoll for the integer reading of the
// text, and long double for the doubles.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "numeric.h"

namespace {

using u128 = unsigned __int128;
using i128 = __int128;

constexpr u128 all_ones = ~u128{0};

constexpr u128 power_of_ten(int n)
{
    u128 v = 1;
    while (n-- > 0) v *= 10;
    return v;
}

std::string decimal(u128 v)
{
    std::string s;
    do {
        s.insert(s.begin(), static_cast<char>('0' + static_cast<int>(v % 10)));
        v /= 10;
    } while (v != 0);
    return s;
}

u128 magnitude_of(const SQL_NUMERIC_STRUCT& n)
{
    u128 v = 0;
    for (int i = 15; i >= 0; --i) v = v * 256 + n.val[i];
    return v;
}

SQL_NUMERIC_STRUCT make_numeric(u128 magnitude, int scale, bool negative, int precision = 38)
{
    SQL_NUMERIC_STRUCT n{};
    n.precision = static_cast<SQLCHAR>(precision);
    n.scale = static_cast<SQLSCHAR>(scale);
    n.sign = negative ? 0 : 1;
    for (auto& byte : n.val) {
        byte = static_cast<SQLCHAR>(magnitude % 256);
        magnitude /= 256;
    }
    return n;
}

// The value's text by the rules of the numeric text form, built with string
// operations: digits, "-", zeros for a negative scale, a point for a positive
// one with trailing fraction zeros removed.
std::string expected_text(u128 magnitude, int scale, bool negative)
{
    std::string digits = decimal(magnitude);
    std::string text;
    if (scale < 0) {
        text = magnitude == 0 ? digits : digits + std::string(static_cast<size_t>(-scale), '0');
    } else if (scale == 0) {
        text = digits;
    } else {
        const auto s = static_cast<size_t>(scale);
        if (digits.size() <= s) digits.insert(0, s - digits.size() + 1, '0');
        text = digits.substr(0, digits.size() - s) + "." + digits.substr(digits.size() - s);
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.') text.pop_back();
    }
    return (negative && magnitude != 0 ? "-" : "") + text;
}

std::string to_text(const SQL_NUMERIC_STRUCT& n)
{
    char buffer[256];
    std::int32_t length = -1;
    EXPECT_EQ(numeric_to_text(n, buffer, sizeof buffer, &length), 0);
    EXPECT_EQ(length, static_cast<std::int32_t>(std::strlen(buffer)));
    return buffer;
}

// Magnitudes of every size: a random bit length, then random bits below it.
class Values {
public:
    explicit Values(unsigned seed) : engine_(seed) {}
    u128 magnitude()
    {
        const int bits = static_cast<int>(engine_() % 129);
        const u128 v = (u128{engine_()} << 64) | engine_();
        return bits == 128 ? v : v & ((u128{1} << bits) - 1);
    }
    int in(int low, int high) { return low + static_cast<int>(engine_() % static_cast<unsigned>(high - low + 1)); }
    bool coin() { return (engine_() & 1) != 0; }
    std::mt19937_64& engine() { return engine_; }

private:
    std::mt19937_64 engine_;
};

constexpr int random_rounds = 200000;

}  // namespace

// --- Cases named by the conversions' definitions -------------------------------

TEST(Numeric, Int128ToNumericCases)
{
    struct Case {
        i128 value;
        int firebird_scale;
        const char* text;
        int sign;
    };
    const Case cases[] = {
        {-1, 0, "-1", 0},
        {12345, -2, "123.45", 1},
        {12300, -2, "123", 1},
        {0, -5, "0", 1},
        {-5, -3, "-0.005", 0},
        {static_cast<i128>(u128{1} << 127), 0, "-170141183460469231731687303715884105728", 0},
        {static_cast<i128>((u128{1} << 127) - 1), -38, "1.70141183460469231731687303715884105727", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        SQL_NUMERIC_STRUCT n;
        std::memset(&n, 0x77, sizeof n);
        int128_to_numeric(&c.value, 38, c.firebird_scale, &n);
        EXPECT_EQ(n.precision, 38);
        EXPECT_EQ(n.scale, -c.firebird_scale);
        EXPECT_EQ(n.sign, c.sign);
        EXPECT_EQ(magnitude_of(n), c.value < 0 ? u128{0} - static_cast<u128>(c.value) : static_cast<u128>(c.value));
        EXPECT_EQ(to_text(n), c.text);
    }
    const std::int32_t minus_one_words[4] = {-1, -1, -1, -1};
    SQL_NUMERIC_STRUCT n{};
    int128_to_numeric(minus_one_words, 38, 0, &n);
    EXPECT_EQ(n.sign, 0);
    EXPECT_EQ(magnitude_of(n), 1u);
}

TEST(Numeric, TextToNumericCases)
{
    struct Case {
        const char* text;
        int adjustment;
        u128 magnitude;
        int scale;
        int sign;
    };
    const Case cases[] = {
        {"123.45", 0, 12345, 2, 1},
        {"123.45", 3, 12345, 5, 1},
        {"-123.45", 0, 12345, 2, 0},
        {"  +0042", 0, 42, 0, 1},
        {"12 ", 0, 12, 0, 1},
        {"1.", 0, 1, 0, 1},
        {".5", 0, 5, 1, 1},
        {"-0", 0, 0, 0, 1},          // zero is never negative
        {"-0.000", 0, 0, 3, 1},
        {"0.0012", 0, 12, 4, 1},
        {"1.50", 0, 150, 2, 1},      // fraction zeros stay digits
        {"1.2E+3", 0, 1200, 0, 1},   // exponents read as the plain decimal
        {"1.2e3", 2, 1200, 2, 1},
        {"1.2E-3", 0, 12, 4, 1},
        {"-1.23E+5", 0, 123000, 0, 0},
        {"0E+3", 0, 0, 0, 1},
        {"5E-127", 0, 5, 127, 1},
        {"1E+38", 0, power_of_ten(38), 0, 1},
        {"340282366920938463463374607431768211455", 0, all_ones, 0, 1},
        {"-000340282366920938463463374607431768211455", 0, all_ones, 0, 0},
        {"34028236692093846346337460743176821145.5", -1, all_ones, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        SQL_NUMERIC_STRUCT n;
        std::memset(&n, 0x77, sizeof n);
        ASSERT_EQ(text_to_numeric(c.text, &n, 10, c.adjustment), 0);
        EXPECT_EQ(n.precision, 10);
        EXPECT_EQ(n.scale, c.scale);
        EXPECT_EQ(n.sign, c.sign);
        EXPECT_EQ(magnitude_of(n), c.magnitude);
    }
}

// 2^128 - 1 is the largest magnitude; one more fails with -2, and so does
// anything longer, however it is spelled. Only the sign byte is written then.
TEST(Numeric, TextBeyondTheLargestMagnitudeFails)
{
    const char* too_large[] = {
        "340282366920938463463374607431768211456",
        "-340282366920938463463374607431768211456",
        "999999999999999999999999999999999999999",
        "1000000000000000000000000000000000000000",
        "340282366920938463463374607431768211455.0",
        "3.4028236692093846346337460743176821146E+38",
        "1E+39",
        "1E+999999999999999999999",
        "1.000000000000000000000000000000000000000000000000",
        "1E-128",   // needs scale 128
        "0.00000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000001",
    };
    for (const char* text : too_large) {
        SCOPED_TRACE(text);
        SQL_NUMERIC_STRUCT n{};
        std::memset(n.val, 0x77, sizeof n.val);
        EXPECT_EQ(text_to_numeric(text, &n, 38, 0), -2);
        EXPECT_EQ(n.sign, text[0] == '-' ? 0 : 1);
        EXPECT_EQ(n.precision, 0);
        EXPECT_EQ(n.scale, 0);
        for (const SQLCHAR byte : n.val) EXPECT_EQ(byte, 0x77);
    }
    // A scale adjustment pushing the scale out of its byte fails too.
    SQL_NUMERIC_STRUCT n{};
    EXPECT_EQ(text_to_numeric("1.5", &n, 38, 127), -2);
    EXPECT_EQ(text_to_numeric("15", &n, 38, -129), -2);
    EXPECT_EQ(text_to_numeric("15", &n, 38, -128), 0);
    // A zero keeps the nearest scale that fits.
    EXPECT_EQ(text_to_numeric("0E-398", &n, 38, 0), 0);
    EXPECT_EQ(n.scale, 127);
    EXPECT_EQ(magnitude_of(n), 0u);
}

TEST(Numeric, MalformedTextIsRejectedWithoutWriting)
{
    const char* garbage[] = {"", " ", "-", "+", ".", "-.", "1.2.3", "abc", "12a", "1e", "1e+",
                             "E5", "--1", "+-1", "1 2", "0x10", "1,5", "NaN", "Infinity", "\t-\n"};
    for (const char* text : garbage) {
        SCOPED_TRACE(text);
        SQL_NUMERIC_STRUCT n;
        std::memset(&n, 0x77, sizeof n);
        EXPECT_EQ(text_to_numeric(text, &n, 38, 0), -1);
        const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&n);
        for (size_t i = 0; i < sizeof n; ++i) EXPECT_EQ(bytes[i], 0x77);
    }
    SQL_NUMERIC_STRUCT n{};
    EXPECT_EQ(text_to_numeric(nullptr, &n, 38, 0), -1);
    EXPECT_EQ(text_to_numeric("1", nullptr, 38, 0), -1);

    // Long input: a million leading zeros is still 5; a million digits fails.
    std::string zeros = std::string(1000000, '0') + "5";
    EXPECT_EQ(text_to_numeric(zeros.c_str(), &n, 38, 0), 0);
    EXPECT_EQ(magnitude_of(n), 5u);
    EXPECT_EQ(text_to_numeric(("0." + zeros).c_str(), &n, 38, 0), -2);
    std::string nines(1000000, '9');
    EXPECT_EQ(text_to_numeric(nines.c_str(), &n, 38, 0), -2);
    EXPECT_EQ(text_to_numeric((nines + "x").c_str(), &n, 38, 0), -1);
}

TEST(Numeric, NumericToTextLayoutAndTruncation)
{
    struct Case {
        u128 magnitude;
        int scale;
        bool negative;
        const char* text;
    };
    const Case cases[] = {
        {12300, 2, false, "123"},   {12345, 2, false, "123.45"}, {5, 3, false, "0.005"},
        {5, 3, true, "-0.005"},     {120, -2, false, "12000"},   {0, -2, false, "0"},
        {0, 2, true, "0"},          {1000, 3, false, "1"},       {1001, 3, false, "1.001"},
    };
    for (const Case& c : cases) EXPECT_EQ(to_text(make_numeric(c.magnitude, c.scale, c.negative)), c.text);
    const std::string longest = to_text(make_numeric(all_ones, -128, true));
    EXPECT_EQ(longest, "-340282366920938463463374607431768211455" + std::string(128, '0'));
    EXPECT_EQ(longest.size(), max_numeric_text_length);
    EXPECT_EQ(to_text(make_numeric(1, 127, true)), "-0." + std::string(126, '0') + "1");

    // "-123.45" is 7 characters: it needs a buffer of 8.
    const SQL_NUMERIC_STRUCT n = make_numeric(12345, 2, true);
    struct Cut {
        std::int64_t size;
        int result;
        const char* stored;
    };
    const Cut cuts[] = {{8, 0, "-123.45"}, {100, 0, "-123.45"}, {7, 1, "-123.4"},
                        {2, 1, "-"},       {1, 1, ""},          {0, 1, "#####"},
                        {-5, 1, "#####"}};
    for (const Cut& c : cuts) {
        SCOPED_TRACE(c.size);
        char buffer[16] = "#####";
        std::int32_t length = 0;
        EXPECT_EQ(numeric_to_text(n, buffer, c.size, &length), c.result);
        EXPECT_STREQ(buffer, c.stored);
        EXPECT_EQ(length, 7);
    }
    std::int32_t length = 0;
    EXPECT_EQ(numeric_to_text(n, nullptr, 100, &length), 1);
    EXPECT_EQ(length, 7);
}

TEST(Numeric, Int32ToNumeric)
{
    struct Case {
        std::int32_t value;
        int scale;
        int result;
        u128 magnitude;
        int sign;
    };
    const Case cases[] = {
        {12345, 2, 0, 1234500, 1},
        {-12345, -2, 0, 123, 0},
        {-5, -1, 0, 0, 1},  // truncated toward zero, and zero is not negative
        {INT32_MIN, 0, 0, 2147483648u, 0},
        {INT32_MAX, -9, 0, 2, 1},
        {INT32_MAX, -40, 0, 0, 1},
        {0, 100, 0, 0, 1},
        {1, 38, 0, power_of_ten(38), 1},
        {1, 39, -2, 0, 0},
        {INT32_MIN, 30, -2, 0, 0},
        {1, 128, -2, 0, 0},
        {1, -129, -2, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " scale " << c.scale);
        SQL_NUMERIC_STRUCT n;
        std::memset(&n, 0x77, sizeof n);
        ASSERT_EQ(int32_to_numeric(c.value, 9, c.scale, &n), c.result);
        if (c.result != 0) {
            EXPECT_EQ(n.sign, 0x77);  // nothing written
            continue;
        }
        EXPECT_EQ(n.precision, 9);
        EXPECT_EQ(n.scale, c.scale);
        EXPECT_EQ(n.sign, c.sign);
        EXPECT_EQ(magnitude_of(n), c.magnitude);
    }
}

TEST(Numeric, DoubleToNumericCases)
{
    struct Case {
        double value;
        int scale;
        int result;
        const char* text;  // of the stored value
    };
    const Case cases[] = {
        {123.45, 2, 0, "123.45"},
        {-123.45, 2, 0, "-123.45"},
        {0.5, 0, 0, "0"},    // ties to even, as "%.0f"
        {1.5, 0, 0, "2"},
        {2.5, 0, 0, "2"},
        {-2.5, 0, 0, "-2"},
        {-0.4, 0, 0, "0"},
        {1200.0, -2, 0, "1200"},
        {1250.0, -2, 1, nullptr},  // not a whole multiple of 100
        {0.0, -3, 0, "0"},
        {1e38, 0, 0, "99999999999999997748809823456034029568"},
        {3.5e38, 0, 1, nullptr},
        {1e30, 10, 1, nullptr},
        {NAN, 0, 1, nullptr},
        {INFINITY, 0, 1, nullptr},
        {-INFINITY, 2, 1, nullptr},
        {1.0, 128, 1, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " scale " << c.scale);
        SQL_NUMERIC_STRUCT n;
        std::memset(&n, 0x77, sizeof n);
        ASSERT_EQ(double_to_numeric(c.value, &n, 15, c.scale), c.result);
        if (c.text == nullptr) {
            EXPECT_EQ(n.sign, 0x77);
            continue;
        }
        EXPECT_EQ(n.precision, 15);
        EXPECT_EQ(n.scale, c.scale);
        EXPECT_EQ(to_text(n), c.text);
    }
    // 1.005 is stored as 1.00499999999999989...: its product with 100 is what
    // "%.0f" rounds.
    char expected[64];
    std::snprintf(expected, sizeof expected, "%.0f", 1.005 * 100);
    SQL_NUMERIC_STRUCT n{};
    ASSERT_EQ(double_to_numeric(1.005, &n, 15, 2), 0);
    EXPECT_EQ(magnitude_of(n), static_cast<u128>(std::atoi(expected)));
}

TEST(Numeric, NumericToDoubleCases)
{
    EXPECT_EQ(numeric_to_double(make_numeric(u128{1} << 127, 0, false)), 1.7014118346046923e38);
    EXPECT_EQ(numeric_to_double(make_numeric(u128{1} << 127, 0, true)), -1.7014118346046923e38);
    EXPECT_EQ(numeric_to_double(make_numeric(12345, 2, false)), 123.45);
    EXPECT_EQ(numeric_to_double(make_numeric(12345, -2, true)), -1234500.0);
    EXPECT_EQ(numeric_to_double(make_numeric(0, 5, false)), 0.0);
    EXPECT_EQ(numeric_to_double(make_numeric(all_ones, 0, false)), 0x1p128);
}

TEST(Numeric, NumericToInt64Cases)
{
    struct Case {
        u128 magnitude;
        int scale;
        bool negative;
        std::int64_t value;
    };
    const Case cases[] = {
        {12345, 2, false, 123},
        {12345, 2, true, -123},
        {5, 1, true, 0},
        {12, -3, false, 12000},
        {9223372036854775807u, 0, false, INT64_MAX},
        {9223372036854775808u, 0, false, INT64_MAX},  // saturates as strtoll
        {9223372036854775808u, 0, true, INT64_MIN},
        {9223372036854775809u, 0, true, INT64_MIN},
        {all_ones, 0, true, INT64_MIN},
        {all_ones, 38, false, 3},
        {all_ones, 39, false, 0},
        {1, -19, false, INT64_MAX},
        {1, -18, true, -1000000000000000000},
        {0, -100, true, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(numeric_to_int64(make_numeric(c.magnitude, c.scale, c.negative)), c.value)
            << decimal(c.magnitude) << " scale " << c.scale;
}

// --- Random values against the reference ---------------------------------------

TEST(Numeric, RandomInt128ThroughNumericToText)
{
    Values values(1);
    for (int i = 0; i < random_rounds; ++i) {
        const u128 bits = values.magnitude();
        const bool negate = values.coin();
        const u128 two_complement = negate ? ~bits + 1 : bits;
        const int firebird_scale = -values.in(0, 38);
        std::uint32_t words[4];
        for (int w = 0; w < 4; ++w) words[w] = static_cast<std::uint32_t>(two_complement >> (32 * w));

        SQL_NUMERIC_STRUCT n{};
        int128_to_numeric(words, 38, firebird_scale, &n);
        const bool negative = (two_complement >> 127) != 0;
        const u128 magnitude = negative ? ~two_complement + 1 : two_complement;
        ASSERT_EQ(magnitude_of(n), magnitude);
        ASSERT_EQ(n.sign, negative ? 0 : 1);
        ASSERT_EQ(n.scale, -firebird_scale);
        ASSERT_EQ(to_text(n), expected_text(magnitude, -firebird_scale, negative));
    }
}

TEST(Numeric, RandomTextRoundTrips)
{
    Values values(2);
    for (int i = 0; i < random_rounds; ++i) {
        const u128 magnitude = values.magnitude();
        const bool negative = values.coin();
        const int scale = values.in(-20, 60);
        const std::string text = expected_text(magnitude, scale, negative);

        // The text read back: the digits after the point are the stored
        // scale, so the value is the same even where trailing zeros were cut.
        // A negative scale's zeros become digits, which may no longer fit.
        std::string plain_digits;
        for (const char c : text)
            if (c != '-' && c != '.' && (c != '0' || !plain_digits.empty())) plain_digits += c;
        const bool fits = plain_digits.size() < 39 || (plain_digits.size() == 39 && plain_digits <= largest_magnitude_text);
        SQL_NUMERIC_STRUCT n{};
        ASSERT_EQ(text_to_numeric(text.c_str(), &n, 38, 0), fits ? 0 : -2) << text;
        if (fits) {
            ASSERT_EQ(to_text(n), text);
            ASSERT_EQ(n.sign, negative && magnitude != 0 ? 0 : 1);
        }

        // A numeric value through its text with the scale adjustment that
        // restores its scale comes back byte for byte when no zeros were cut.
        const SQL_NUMERIC_STRUCT original = make_numeric(magnitude, scale, negative);
        char plain[magnitude_digits_size];
        const int count = numeric_magnitude_digits(original, plain);
        ASSERT_EQ(std::string(plain, static_cast<size_t>(count)), decimal(magnitude));
        SQL_NUMERIC_STRUCT back{};
        const std::string signed_digits = (negative ? "-" : "") + std::string(plain);
        ASSERT_EQ(text_to_numeric(signed_digits.c_str(), &back, 38, scale), 0);
        ASSERT_EQ(magnitude_of(back), magnitude);
        ASSERT_EQ(back.scale, scale);
    }
}

TEST(Numeric, RandomNumericToDoubleWithinOneInTenToTheFifteen)
{
    Values values(3);
    for (int i = 0; i < random_rounds; ++i) {
        const u128 magnitude = values.magnitude();
        const bool negative = values.coin();
        const int scale = values.in(-30, 60);
        const double got = numeric_to_double(make_numeric(magnitude, scale, negative));
        long double want = static_cast<long double>(magnitude) / std::pow(10.0L, scale);
        if (negative) want = -want;
        if (magnitude == 0) {
            ASSERT_EQ(got, 0.0);
            continue;
        }
        ASSERT_LE(std::fabs((static_cast<long double>(got) - want) / want), 1e-15L)
            << decimal(magnitude) << " scale " << scale;
    }
}

TEST(Numeric, RandomNumericToInt64ReadsLikeStrtoll)
{
    Values values(4);
    for (int i = 0; i < random_rounds; ++i) {
        const SQL_NUMERIC_STRUCT n = make_numeric(values.magnitude(), values.in(-25, 45), values.coin());
        const std::string text = to_text(n);
        ASSERT_EQ(numeric_to_int64(n), std::strtoll(text.c_str(), nullptr, 10)) << text;
    }
}

TEST(Numeric, RandomDoubleToNumericRoundsLikePrintf)
{
    Values values(5);
    std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
    for (int i = 0; i < random_rounds; ++i) {
        const int scale = values.in(0, 22);
        double value = mantissa(values.engine()) * std::pow(10.0, values.in(-12, 30));
        if (i % 4 == 0) value = std::floor(value) + 0.5;  // exact ties
        const double scaled = value * std::pow(10.0, scale);
        SQL_NUMERIC_STRUCT n{};
        const int result = double_to_numeric(value, &n, 38, scale);
        if (!(std::fabs(scaled) < 0x1p128)) {
            ASSERT_EQ(result, 1);
            continue;
        }
        ASSERT_EQ(result, 0);
        char printed[400];
        std::snprintf(printed, sizeof printed, "%.0f", scaled);
        const bool negative = printed[0] == '-';
        char digits[magnitude_digits_size];
        numeric_magnitude_digits(n, digits);
        ASSERT_STREQ(digits, printed + (negative ? 1 : 0)) << value << " scale " << scale;
        ASSERT_EQ(n.sign, negative && std::strcmp(digits, "0") != 0 ? 0 : 1);
        ASSERT_EQ(n.scale, scale);
    }
}

TEST(Numeric, RandomInt32ToNumeric)
{
    Values values(6);
    for (int i = 0; i < random_rounds; ++i) {
        const auto value = static_cast<std::int32_t>(values.engine()());
        const int scale = values.in(-12, 30);
        const u128 absolute = value < 0 ? u128{0} - static_cast<u128>(static_cast<i128>(value)) : static_cast<u128>(value);
        u128 want = absolute;
        bool fits = true;
        for (int s = 0; s < scale; ++s) fits = fits && !__builtin_mul_overflow(want, u128{10}, &want);
        for (int s = 0; s > scale; --s) want /= 10;
        SQL_NUMERIC_STRUCT n{};
        const int result = int32_to_numeric(value, 10, scale, &n);
        ASSERT_EQ(result, fits ? 0 : -2) << value << " scale " << scale;
        if (!fits) continue;
        ASSERT_EQ(magnitude_of(n), want);
        ASSERT_EQ(n.sign, value < 0 && want != 0 ? 0 : 1);
    }
}

// --- The digit-string arithmetic ------------------------------------------------

TEST(DigitStrings, PowerOfTwoTables)
{
    for (int bit = 0; bit < 128; ++bit) {
        EXPECT_EQ(power_of_two_text(bit), decimal(u128{1} << bit)) << bit;
        EXPECT_EQ(power_of_two_double(bit), std::ldexp(1.0, bit)) << bit;
    }
    EXPECT_STREQ(power_of_two_text(128), "");
    EXPECT_STREQ(power_of_two_text(-1), "");
    EXPECT_EQ(decimal(all_ones), largest_magnitude_text);
}

TEST(DigitStrings, AddSubtractCompareCases)
{
    struct Case {
        const char* a;
        const char* b;
        int compare;
        const char* sum;
        const char* difference;  // a - b when b <= a
    };
    const Case cases[] = {
        {"0", "0", 0, "0", "0"},
        {"999999", "1", 1, "1000000", "999998"},
        {"1000000", "1", 1, "1000001", "999999"},
        {"12345678901234567890", "98765432109876543210", -1, "111111111011111111100", nullptr},
        {"100000000000000000000", "1", 1, "100000000000000000001", "99999999999999999999"},
        {"007", "7", 0, "14", "0"},
        {"10", "9", 1, "19", "1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.a << " " << c.b);
        EXPECT_EQ(digits_compare(c.a, c.b), c.compare);
        EXPECT_EQ(digits_compare(c.b, c.a), -c.compare);
        char buffer[160];
        std::strcpy(buffer, c.a);
        ASSERT_EQ(digits_add(buffer, sizeof buffer, c.b), 0);
        EXPECT_STREQ(buffer, c.sum);
        std::strcpy(buffer, c.a);
        if (c.difference != nullptr) {
            ASSERT_EQ(digits_subtract(buffer, c.b), 0);
            EXPECT_STREQ(buffer, c.difference);
        } else {
            EXPECT_EQ(digits_subtract(buffer, c.b), -1);
            EXPECT_STREQ(buffer, c.a);
        }
    }

    struct Point {
        const char* a;
        const char* b;
        int compare;
    };
    const Point points[] = {{"1.5", "1.50", 0}, {"10", "9.99", 1},   {"1.05", "1.5", -1},
                            {"0.1", ".1", 0},   {"2.", "2", 0},      {"123.456", "123.4561", -1},
                            {"", "0", 0},       {nullptr, "1", -1}};
    for (const Point& p : points) EXPECT_EQ(digits_compare(p.a, p.b), p.compare) << p.a << " " << p.b;
}

TEST(DigitStrings, RejectsBadOperandsAndShortBuffers)
{
    char buffer[8] = "9999999";
    EXPECT_EQ(digits_add(buffer, sizeof buffer, "1"), -1);  // 8 digits need 9 bytes
    EXPECT_STREQ(buffer, "9999999");
    EXPECT_EQ(digits_add(buffer, sizeof buffer, "1a"), -1);
    EXPECT_EQ(digits_add(buffer, sizeof buffer, ""), -1);
    EXPECT_EQ(digits_add(buffer, sizeof buffer, nullptr), -1);
    EXPECT_EQ(digits_subtract(buffer, "-1"), -1);
    EXPECT_STREQ(buffer, "9999999");

    char wide[300];
    std::string digits(128, '9');
    std::strcpy(wide, digits.c_str());
    EXPECT_EQ(digits_add(wide, sizeof wide, "1"), 0);
    EXPECT_EQ(std::string(wide), "1" + std::string(128, '0'));
    EXPECT_EQ(digits_add(wide, sizeof wide, "1"), -1);  // 129-digit operand
}

TEST(DigitStrings, RandomAgainstInt128)
{
    Values values(7);
    for (int i = 0; i < random_rounds / 4; ++i) {
        const u128 a = values.magnitude() >> 1;
        const u128 b = values.magnitude() >> 1;
        const std::string a_text = decimal(a);
        const std::string b_text = decimal(b);
        ASSERT_EQ(digits_compare(a_text.c_str(), b_text.c_str()), a < b ? -1 : a > b ? 1 : 0);
        char buffer[64];
        std::strcpy(buffer, a_text.c_str());
        ASSERT_EQ(digits_add(buffer, sizeof buffer, b_text.c_str()), 0);
        ASSERT_EQ(buffer, decimal(a + b));
        const u128 high = a > b ? a : b;
        const u128 low = a > b ? b : a;
        std::strcpy(buffer, decimal(high).c_str());
        ASSERT_EQ(digits_subtract(buffer, decimal(low).c_str()), 0);
        ASSERT_EQ(buffer, decimal(high - low));
    }
}

// The digit-string forms of the conversions give the same magnitudes as the
// 128-bit forms the driver runs.
TEST(DigitStrings, DigitStringConversionsMatchTheFastOnes)
{
    Values values(8);
    for (int i = 0; i < 20000; ++i) {
        const u128 magnitude = i == 0 ? all_ones : i == 1 ? 0 : values.magnitude();
        const SQL_NUMERIC_STRUCT n = make_numeric(magnitude, 0, false);
        char by_sum[magnitude_digits_size];
        char fast[magnitude_digits_size];
        ASSERT_EQ(magnitude_digits_by_sum(n, by_sum), numeric_magnitude_digits(n, fast));
        ASSERT_STREQ(by_sum, fast);
        ASSERT_EQ(by_sum, decimal(magnitude));

        SQLCHAR bytes[SQL_MAX_NUMERIC_LEN];
        ASSERT_EQ(magnitude_from_digits_by_subtraction(by_sum, bytes), 0);
        SQL_NUMERIC_STRUCT parsed{};
        ASSERT_EQ(text_to_numeric(by_sum, &parsed, 38, 0), 0);
        ASSERT_EQ(std::memcmp(bytes, parsed.val, sizeof bytes), 0);
        ASSERT_EQ(std::memcmp(bytes, n.val, sizeof bytes), 0);
    }
    SQLCHAR bytes[SQL_MAX_NUMERIC_LEN] = {};
    EXPECT_EQ(magnitude_from_digits_by_subtraction("340282366920938463463374607431768211456", bytes), -2);
    EXPECT_EQ(magnitude_from_digits_by_subtraction("12x", bytes), -1);
}
