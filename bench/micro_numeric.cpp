// 128-bit decimal conversions on 38-digit values, as an INT128 column
// delivers them to SQL_C_CHAR and SQL_C_NUMERIC on every fetched row. The
// digit-string forms are measured beside the conversions for comparison.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <vector>

#include "numeric.h"

namespace {

using u128 = unsigned __int128;

constexpr std::size_t value_count = 1024;

// 38-digit magnitudes with scale 10: 10^37 <= m < 10^38.
std::vector<SQL_NUMERIC_STRUCT> numerics()
{
    std::mt19937_64 engine(42);
    u128 low = 1;
    for (int i = 0; i < 37; ++i) low *= 10;
    std::vector<SQL_NUMERIC_STRUCT> values(value_count);
    for (auto& n : values) {
        const u128 m = low + ((u128{engine()} << 64 | engine()) % (9 * low));
        n.precision = 38;
        n.scale = 10;
        n.sign = static_cast<SQLCHAR>(engine() & 1);
        u128 v = m;
        for (auto& byte : n.val) {
            byte = static_cast<SQLCHAR>(v);
            v >>= 8;
        }
    }
    return values;
}

std::vector<std::string> texts()
{
    std::vector<std::string> out;
    for (const auto& n : numerics()) {
        char text[64];
        numeric_to_text(n, text, sizeof text);
        out.emplace_back(text);
    }
    return out;
}

std::vector<std::string> digit_strings()
{
    std::vector<std::string> out;
    for (const auto& n : numerics()) {
        char digits[magnitude_digits_size];
        numeric_magnitude_digits(n, digits);
        out.emplace_back(digits);
    }
    return out;
}

void numeric_to_text_38(benchmark::State& state)
{
    const auto values = numerics();
    char text[64];
    std::size_t i = 0;
    for (auto _ : state) {
        numeric_to_text(values[i++ % value_count], text, sizeof text);
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(numeric_to_text_38);

void text_to_numeric_38(benchmark::State& state)
{
    const auto values = texts();
    SQL_NUMERIC_STRUCT n;
    std::size_t i = 0;
    for (auto _ : state) {
        text_to_numeric(values[i++ % value_count].c_str(), &n, 38, 0);
        benchmark::DoNotOptimize(n);
    }
}
BENCHMARK(text_to_numeric_38);

void magnitude_digits_38(benchmark::State& state)
{
    const auto values = numerics();
    char digits[magnitude_digits_size];
    std::size_t i = 0;
    for (auto _ : state) {
        numeric_magnitude_digits(values[i++ % value_count], digits);
        benchmark::DoNotOptimize(digits);
    }
}
BENCHMARK(magnitude_digits_38);

void magnitude_digits_by_sum_38(benchmark::State& state)
{
    const auto values = numerics();
    char digits[magnitude_digits_size];
    std::size_t i = 0;
    for (auto _ : state) {
        magnitude_digits_by_sum(values[i++ % value_count], digits);
        benchmark::DoNotOptimize(digits);
    }
}
BENCHMARK(magnitude_digits_by_sum_38);

void magnitude_from_digits_by_subtraction_38(benchmark::State& state)
{
    const auto values = digit_strings();
    SQLCHAR magnitude[SQL_MAX_NUMERIC_LEN];
    std::size_t i = 0;
    for (auto _ : state) {
        magnitude_from_digits_by_subtraction(values[i++ % value_count].c_str(), magnitude);
        benchmark::DoNotOptimize(magnitude);
    }
}
BENCHMARK(magnitude_from_digits_by_subtraction_38);

}  // namespace
