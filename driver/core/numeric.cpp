// 128-bit decimal arithmetic of the driver.
//
// The conversions run on unsigned __int128: they sit on the fetch path of
// every INT128 column, and the digit-string arithmetic below (a sum of up to
// 128 texts of powers of two per value, or 128 comparisons and subtractions
// the other way) takes about 6 microseconds for a 38-digit value where the
// 128-bit forms take under 100 ns, for the same results. The digit-string
// forms stay as the reference the unit tests hold the fast forms to.
#include "numeric.h"

#include <array>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

using u128 = unsigned __int128;

constexpr u128 max_u128 = ~u128{0};

constexpr std::array<u128, 39> make_powers_of_ten()
{
    std::array<u128, 39> powers{};
    u128 p = 1;
    for (auto& power : powers) {
        power = p;
        p *= 10;
    }
    return powers;
}

// 10^0 .. 10^38, every power of ten below 2^128.
constexpr std::array<u128, 39> powers_of_ten = make_powers_of_ten();

// Powers of ten that a double holds exactly.
constexpr std::array<double, 23> exact_double_powers_of_ten = {
    1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

double double_power_of_ten(int n)
{
    if (n < static_cast<int>(exact_double_powers_of_ten.size()))
        return exact_double_powers_of_ten[static_cast<std::size_t>(n)];
    return std::pow(10.0, n);
}

// Decimal texts of 2^0 .. 2^127, built by doubling a digit string.
struct PowerTexts {
    char text[128][magnitude_digits_size];
};

consteval PowerTexts make_power_texts()
{
    PowerTexts texts{};
    int digits[max_magnitude_digits] = {1};  // least significant first
    int count = 1;
    for (int bit = 0; bit < 128; ++bit) {
        for (int i = 0; i < count; ++i) texts.text[bit][i] = static_cast<char>('0' + digits[count - 1 - i]);
        int carry = 0;
        for (int i = 0; i < count; ++i) {
            const int doubled = digits[i] * 2 + carry;
            digits[i] = doubled % 10;
            carry = doubled / 10;
        }
        if (carry != 0) digits[count++] = carry;
    }
    return texts;
}

constexpr PowerTexts power_texts = make_power_texts();

constexpr std::array<double, 128> make_power_doubles()
{
    std::array<double, 128> powers{};
    double p = 1.0;
    for (auto& power : powers) {
        power = p;
        p *= 2.0;
    }
    return powers;
}

constexpr std::array<double, 128> power_doubles = make_power_doubles();

bool is_digit(char c) { return c >= '0' && c <= '9'; }

bool is_blank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Length of a string made only of digits, or -1 when it is empty or holds
// anything else.
long digit_string_length(const char* s)
{
    if (s == nullptr || *s == '\0') return -1;
    long n = 0;
    for (; s[n] != '\0'; ++n)
        if (!is_digit(s[n])) return -1;
    return n;
}

const char* skip_leading_zeros(const char* s)
{
    while (s[0] == '0' && is_digit(s[1])) ++s;
    return s;
}

u128 load_magnitude(const SQLCHAR (&val)[SQL_MAX_NUMERIC_LEN])
{
    u128 v = 0;
    for (int i = SQL_MAX_NUMERIC_LEN - 1; i >= 0; --i) v = (v << 8) | val[i];
    return v;
}

void store_magnitude(u128 v, SQLCHAR (&val)[SQL_MAX_NUMERIC_LEN])
{
    for (auto& byte : val) {
        byte = static_cast<SQLCHAR>(v & 0xff);
        v >>= 8;
    }
}

void store_numeric(SQL_NUMERIC_STRUCT* numeric, int precision, int scale, bool negative, u128 magnitude)
{
    numeric->precision = static_cast<SQLCHAR>(precision);
    numeric->scale = static_cast<SQLSCHAR>(scale);
    numeric->sign = (negative && magnitude != 0) ? 0 : 1;
    store_magnitude(magnitude, numeric->val);
}

bool fits_scale_byte(long long scale) { return scale >= -128 && scale <= 127; }

constexpr char digit_pairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes exactly `width` digits of v (leading zeros kept), v < 10^width.
void write_fixed_digits(std::uint64_t v, int width, char* out)
{
    int i = width;
    while (i >= 2) {
        const auto pair = static_cast<std::size_t>(v % 100) * 2;
        v /= 100;
        out[--i] = digit_pairs[pair + 1];
        out[--i] = digit_pairs[pair];
    }
    if (i == 1) out[0] = static_cast<char>('0' + v % 10);
}

int decimal_width(std::uint64_t v)
{
    int width = 1;
    while (width < 20 && v >= static_cast<std::uint64_t>(powers_of_ten[static_cast<std::size_t>(width)])) ++width;
    return width;
}

int write_u64_digits(std::uint64_t v, char* out)
{
    const int width = decimal_width(v);
    write_fixed_digits(v, width, out);
    return width;
}

// Digits of a 128-bit value in chunks of 19 (10^19 < 2^64), NUL-terminated.
int write_u128_digits(u128 v, char (&out)[magnitude_digits_size])
{
    constexpr std::uint64_t chunk = 10000000000000000000ull;  // 10^19
    int n;
    if ((v >> 64) == 0) {
        n = write_u64_digits(static_cast<std::uint64_t>(v), out);
    } else {
        const u128 high = v / chunk;
        const auto low = static_cast<std::uint64_t>(v - high * chunk);
        if ((high >> 64) == 0) {
            n = write_u64_digits(static_cast<std::uint64_t>(high), out);
        } else {
            const auto top = static_cast<std::uint64_t>(high / chunk);
            const auto middle = static_cast<std::uint64_t>(high - u128{top} * chunk);
            n = write_u64_digits(top, out);
            write_fixed_digits(middle, 19, out + n);
            n += 19;
        }
        write_fixed_digits(low, 19, out + n);
        n += 19;
    }
    out[n] = '\0';
    return n;
}

// The value of up to 39 digits (the caller has checked it against 2^128 - 1).
u128 parse_digits(const char* digits, int count)
{
    u128 v = 0;
    int i = 0;
    while (i < count) {
        const int width = count - i < 19 ? count - i : 19;
        std::uint64_t part = 0;
        for (int j = 0; j < width; ++j) part = part * 10 + static_cast<std::uint64_t>(digits[i + j] - '0');
        v = v * static_cast<std::uint64_t>(powers_of_ten[static_cast<std::size_t>(width)]) + part;
        i += width;
    }
    return v;
}

// The text of a value from its magnitude digits; returns its length. `out`
// holds max_numeric_text_length + 1 bytes.
std::size_t format_numeric_text(const char* digits, int count, bool negative, int scale, char* out)
{
    const bool zero = count == 1 && digits[0] == '0';
    char* p = out;
    if (negative && !zero) *p++ = '-';
    if (scale <= 0) {
        std::memcpy(p, digits, static_cast<std::size_t>(count));
        p += count;
        if (scale < 0 && !zero) {
            std::memset(p, '0', static_cast<std::size_t>(-scale));
            p += -scale;
        }
    } else {
        if (scale < count) {
            const int whole = count - scale;
            std::memcpy(p, digits, static_cast<std::size_t>(whole));
            p += whole;
            *p++ = '.';
            std::memcpy(p, digits + whole, static_cast<std::size_t>(scale));
            p += scale;
        } else {
            *p++ = '0';
            *p++ = '.';
            std::memset(p, '0', static_cast<std::size_t>(scale - count));
            p += scale - count;
            std::memcpy(p, digits, static_cast<std::size_t>(count));
            p += count;
        }
        while (p[-1] == '0') --p;
        if (p[-1] == '.') --p;
    }
    *p = '\0';
    return static_cast<std::size_t>(p - out);
}

int copy_out_text(const char* text, std::size_t length, char* buffer, std::int64_t buffer_size,
                  std::int32_t* length_out)
{
    if (length_out != nullptr) *length_out = static_cast<std::int32_t>(length);
    if (buffer == nullptr || buffer_size <= 0) return numeric_truncated;
    if (static_cast<std::uint64_t>(buffer_size) > length) {
        std::memcpy(buffer, text, length + 1);
        return numeric_ok;
    }
    const auto kept = static_cast<std::size_t>(buffer_size - 1);
    std::memcpy(buffer, text, kept);
    buffer[kept] = '\0';
    return numeric_truncated;
}

// Parsed form of a decimal text: the digits before and after the ".", the
// sign and the exponent.
struct DecimalText {
    bool negative = false;
    const char* whole = nullptr;
    std::size_t whole_length = 0;
    const char* fraction = nullptr;
    std::size_t fraction_length = 0;
    long long exponent = 0;
};

// Exponents are read up to this size; anything larger is out of range anyway.
constexpr long long exponent_limit = 1000000000;

bool parse_decimal_text(const char* p, DecimalText& parsed)
{
    while (is_blank(*p)) ++p;
    if (*p == '-') {
        parsed.negative = true;
        ++p;
    } else if (*p == '+') {
        ++p;
    }
    parsed.whole = p;
    while (is_digit(*p)) ++p;
    parsed.whole_length = static_cast<std::size_t>(p - parsed.whole);
    parsed.fraction = p;
    if (*p == '.') {
        parsed.fraction = ++p;
        while (is_digit(*p)) ++p;
        parsed.fraction_length = static_cast<std::size_t>(p - parsed.fraction);
    }
    if (parsed.whole_length + parsed.fraction_length == 0) return false;
    if (*p == 'e' || *p == 'E') {
        ++p;
        bool negative_exponent = false;
        if (*p == '-') {
            negative_exponent = true;
            ++p;
        } else if (*p == '+') {
            ++p;
        }
        if (!is_digit(*p)) return false;
        long long exponent = 0;
        for (; is_digit(*p); ++p)
            if (exponent < exponent_limit) exponent = exponent * 10 + (*p - '0');
        parsed.exponent = negative_exponent ? -exponent : exponent;
    }
    while (is_blank(*p)) ++p;
    return *p == '\0';
}

}  // namespace

// --- INT128 and integers ---------------------------------------------------

void int128_to_numeric(const void* int128_value, int precision, int firebird_scale,
                       SQL_NUMERIC_STRUCT* numeric)
{
    if (int128_value == nullptr || numeric == nullptr) return;
    std::uint32_t words[4];
    std::memcpy(words, int128_value, sizeof words);
    u128 v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 32) | words[i];
    const bool negative = (words[3] >> 31) != 0;
    store_numeric(numeric, precision, -firebird_scale, negative, negative ? ~v + 1 : v);
}

int int32_to_numeric(std::int32_t value, int precision, int scale, SQL_NUMERIC_STRUCT* numeric)
{
    if (numeric == nullptr) return numeric_malformed;
    if (!fits_scale_byte(scale)) return numeric_out_of_range;
    const std::int64_t wide = value;
    const bool negative = wide < 0;
    u128 magnitude = static_cast<u128>(negative ? -wide : wide);
    if (scale < 0) {
        magnitude = -scale >= static_cast<int>(powers_of_ten.size())
                        ? 0
                        : magnitude / powers_of_ten[static_cast<std::size_t>(-scale)];
    } else if (scale > 0 && magnitude != 0) {
        if (scale >= static_cast<int>(powers_of_ten.size())) return numeric_out_of_range;
        if (__builtin_mul_overflow(magnitude, powers_of_ten[static_cast<std::size_t>(scale)], &magnitude))
            return numeric_out_of_range;
    }
    store_numeric(numeric, precision, scale, negative, magnitude);
    return numeric_ok;
}

double numeric_to_double(const SQL_NUMERIC_STRUCT& numeric)
{
    double v = static_cast<double>(load_magnitude(numeric.val));
    if (numeric.sign == 0) v = -v;
    if (numeric.scale > 0) v /= double_power_of_ten(numeric.scale);
    if (numeric.scale < 0) v *= double_power_of_ten(-numeric.scale);
    return v;
}

std::int64_t numeric_to_int64(const SQL_NUMERIC_STRUCT& numeric)
{
    u128 magnitude = load_magnitude(numeric.val);
    const int scale = numeric.scale;
    constexpr auto power_count = static_cast<int>(powers_of_ten.size());
    if (scale > 0) {
        magnitude = scale >= power_count ? 0 : magnitude / powers_of_ten[static_cast<std::size_t>(scale)];
    } else if (scale < 0 && magnitude != 0) {
        if (-scale >= power_count ||
            __builtin_mul_overflow(magnitude, powers_of_ten[static_cast<std::size_t>(-scale)], &magnitude))
            magnitude = max_u128;
    }
    constexpr auto int64_max = static_cast<u128>(std::numeric_limits<std::int64_t>::max());
    if (numeric.sign != 0 || magnitude == 0)
        return magnitude > int64_max ? std::numeric_limits<std::int64_t>::max()
                                     : static_cast<std::int64_t>(magnitude);
    if (magnitude > int64_max) return std::numeric_limits<std::int64_t>::min();
    return -static_cast<std::int64_t>(magnitude);
}

// --- Text -------------------------------------------------------------------

int numeric_magnitude_digits(const SQL_NUMERIC_STRUCT& numeric, char (&digits)[magnitude_digits_size])
{
    return write_u128_digits(load_magnitude(numeric.val), digits);
}

int numeric_to_text(const SQL_NUMERIC_STRUCT& numeric, char* buffer, std::int64_t buffer_size,
                    std::int32_t* length)
{
    char digits[magnitude_digits_size];
    const int count = numeric_magnitude_digits(numeric, digits);
    char text[max_numeric_text_length + 1];
    const std::size_t text_length = format_numeric_text(digits, count, numeric.sign == 0, numeric.scale, text);
    return copy_out_text(text, text_length, buffer, buffer_size, length);
}

int text_to_numeric(const char* text, SQL_NUMERIC_STRUCT* numeric, int precision, int scale_adjustment)
{
    if (text == nullptr || numeric == nullptr) return numeric_malformed;
    DecimalText parsed;
    if (!parse_decimal_text(text, parsed)) return numeric_malformed;

    // The significant digits run from the first non-zero digit of the whole
    // part (or of the fraction) to the end of the fraction.
    const char* whole = parsed.whole;
    std::size_t whole_length = parsed.whole_length;
    while (whole_length > 0 && *whole == '0') {
        ++whole;
        --whole_length;
    }
    const char* fraction = parsed.fraction;
    std::size_t fraction_length = parsed.fraction_length;
    if (whole_length == 0) {
        while (fraction_length > 0 && *fraction == '0') {
            ++fraction;
            --fraction_length;
        }
    }
    const std::size_t significant = whole_length + fraction_length;

    // Digits after the point as the plain (exponent-free) text would have
    // them; a negative count means zeros appended to the digits.
    const long long places = static_cast<long long>(parsed.fraction_length) - parsed.exponent;
    const long long appended_zeros = places < 0 ? -places : 0;
    long long scale = static_cast<long long>(scale_adjustment) + (places > 0 ? places : 0);

    if (significant == 0) {
        scale = scale < -128 ? -128 : scale > 127 ? 127 : scale;
        store_numeric(numeric, precision, static_cast<int>(scale), false, 0);
        return numeric_ok;
    }

    if (significant > static_cast<std::size_t>(max_magnitude_digits) ||
        static_cast<long long>(significant) + appended_zeros > max_magnitude_digits) {
        numeric->sign = parsed.negative ? 0 : 1;
        return numeric_out_of_range;
    }
    char digits[magnitude_digits_size];
    std::memcpy(digits, whole, whole_length);
    std::memcpy(digits + whole_length, fraction, fraction_length);
    std::memset(digits + significant, '0', static_cast<std::size_t>(appended_zeros));
    const int count = static_cast<int>(significant + static_cast<std::size_t>(appended_zeros));
    digits[count] = '\0';
    if ((count == max_magnitude_digits && std::strcmp(digits, largest_magnitude_text) > 0) ||
        !fits_scale_byte(scale)) {
        numeric->sign = parsed.negative ? 0 : 1;
        return numeric_out_of_range;
    }
    store_numeric(numeric, precision, static_cast<int>(scale), parsed.negative, parse_digits(digits, count));
    return numeric_ok;
}

int double_to_numeric(double value, SQL_NUMERIC_STRUCT* numeric, int precision, int scale)
{
    if (numeric == nullptr || !std::isfinite(value) || !fits_scale_byte(scale)) return numeric_not_representable;
    double scaled = value;
    if (scale < 0) {
        scaled = value / double_power_of_ten(-scale);
        if (scaled != std::trunc(scaled)) return numeric_not_representable;
    } else if (scale > 0) {
        scaled = value * double_power_of_ten(scale);
    }
    // nearbyint rounds in the current rounding mode, as printf's "%.0f" does.
    const double whole = std::nearbyint(scaled);
    const double magnitude = std::fabs(whole);
    if (!(magnitude < 0x1p128)) return numeric_not_representable;
    store_numeric(numeric, precision, scale, whole < 0, static_cast<u128>(magnitude));
    return numeric_ok;
}

// --- Digit strings ------------------------------------------------------------

const char* power_of_two_text(int bit)
{
    if (bit < 0 || bit > 127) return "";
    return power_texts.text[bit];
}

double power_of_two_double(int bit)
{
    if (bit < 0 || bit > 127) return 0.0;
    return power_doubles[static_cast<std::size_t>(bit)];
}

int digits_add(char* a, std::size_t a_size, const char* b)
{
    const long a_length = digit_string_length(a);
    const long b_length = digit_string_length(b);
    constexpr auto limit = static_cast<long>(max_digit_string_length);
    if (a_length < 0 || b_length < 0 || a_length > limit || b_length > limit) return -1;

    char sum[max_digit_string_length + 2];
    long i = a_length - 1;
    long j = b_length - 1;
    long k = static_cast<long>(sizeof sum) - 1;
    sum[k] = '\0';
    int carry = 0;
    while (i >= 0 || j >= 0 || carry != 0) {
        int d = carry;
        if (i >= 0) d += a[i--] - '0';
        if (j >= 0) d += b[j--] - '0';
        sum[--k] = static_cast<char>('0' + d % 10);
        carry = d / 10;
    }
    const char* result = skip_leading_zeros(sum + k);
    const std::size_t length = std::strlen(result);
    if (length + 1 > a_size) return -1;
    std::memcpy(a, result, length + 1);
    return 0;
}

int digits_subtract(char* a, const char* b)
{
    if (digit_string_length(a) < 0 || digit_string_length(b) < 0) return -1;
    if (digits_compare(a, b) < 0) return -1;
    const auto a_length = static_cast<long>(std::strlen(a));
    long j = static_cast<long>(std::strlen(b)) - 1;
    int borrow = 0;
    for (long i = a_length - 1; i >= 0; --i) {
        int d = a[i] - '0' - borrow;
        if (j >= 0) d -= b[j--] - '0';
        borrow = d < 0 ? 1 : 0;
        a[i] = static_cast<char>('0' + d + 10 * borrow);
    }
    const char* result = skip_leading_zeros(a);
    std::memmove(a, result, std::strlen(result) + 1);
    return 0;
}

int digits_compare(const char* a, const char* b)
{
    if (a == nullptr) a = "";
    if (b == nullptr) b = "";
    while (*a == '0') ++a;
    while (*b == '0') ++b;
    const char* a_point = std::strchr(a, '.');
    const char* b_point = std::strchr(b, '.');
    const std::size_t a_whole = a_point != nullptr ? static_cast<std::size_t>(a_point - a) : std::strlen(a);
    const std::size_t b_whole = b_point != nullptr ? static_cast<std::size_t>(b_point - b) : std::strlen(b);
    if (a_whole != b_whole) return a_whole > b_whole ? 1 : -1;
    if (const int c = std::memcmp(a, b, a_whole); c != 0) return c > 0 ? 1 : -1;

    const char* a_fraction = a_point != nullptr ? a_point + 1 : "";
    const char* b_fraction = b_point != nullptr ? b_point + 1 : "";
    while (*a_fraction != '\0' || *b_fraction != '\0') {
        const char x = *a_fraction != '\0' ? *a_fraction++ : '0';
        const char y = *b_fraction != '\0' ? *b_fraction++ : '0';
        if (x != y) return x > y ? 1 : -1;
    }
    return 0;
}

int magnitude_digits_by_sum(const SQL_NUMERIC_STRUCT& numeric, char (&digits)[magnitude_digits_size])
{
    std::strcpy(digits, "0");
    for (int bit = 0; bit < 128; ++bit)
        if ((numeric.val[bit / 8] >> (bit % 8)) & 1) digits_add(digits, sizeof digits, power_of_two_text(bit));
    return static_cast<int>(std::strlen(digits));
}

int magnitude_from_digits_by_subtraction(const char* digits, SQLCHAR (&magnitude)[SQL_MAX_NUMERIC_LEN])
{
    if (digit_string_length(digits) < 0) return -1;
    digits = skip_leading_zeros(digits);
    if (digits_compare(digits, largest_magnitude_text) > 0) return -2;
    char remaining[magnitude_digits_size];
    std::strcpy(remaining, digits);
    std::memset(magnitude, 0, sizeof magnitude);
    for (int bit = 127; bit >= 0; --bit) {
        const int c = digits_compare(remaining, power_of_two_text(bit));
        if (c < 0) continue;
        magnitude[bit / 8] = static_cast<SQLCHAR>(magnitude[bit / 8] | (1u << (bit % 8)));
        if (c == 0) break;
        digits_subtract(remaining, power_of_two_text(bit));
    }
    return 0;
}
