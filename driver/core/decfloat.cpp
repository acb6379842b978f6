// DECFLOAT text conversions through libdecnumber's DPD entry points. Its
// plain decimal64/decimal128 names produce the BID encoding; Firebird stores
// DPD, which the __dpd* functions read and write.
#include "decfloat.h"

#include <bit>
#include <cstring>

extern "C" {
// decNumber's decimal64 and decimal128: the encoded bytes in host order.
struct dpd64_value {
    std::uint8_t bytes[8];
};
struct dpd128_value {
    std::uint8_t bytes[16];
};

char* __dpd64ToString(const dpd64_value* value, char* text);
dpd64_value* __dpd64FromString(dpd64_value* value, const char* text, decContext* context);
char* __dpd128ToString(const dpd128_value* value, char* text);
dpd128_value* __dpd128FromString(dpd128_value* value, const char* text, decContext* context);
}

namespace {

// decNumber writes the text without a size; give it room to spare.
constexpr std::size_t text_work_size = 64;
static_assert(text_work_size >= decfloat16_text_size && text_work_size >= decfloat34_text_size);

// The client keeps a decimal128 as two 64-bit words, least significant
// first; decNumber as one 128-bit quantity in host order. They agree on a
// little-endian host; a big-endian one swaps the words.
void swap_words_on_big_endian(std::uint8_t (&bytes)[16])
{
    if constexpr (std::endian::native == std::endian::big) {
        std::uint8_t word[8];
        std::memcpy(word, bytes, 8);
        std::memmove(bytes, bytes + 8, 8);
        std::memcpy(bytes + 8, word, 8);
    }
}

int copy_out_text(const char* text, char* buffer, std::int64_t buffer_size, std::int32_t* length_out)
{
    const std::size_t length = std::strlen(text);
    if (length_out != nullptr) *length_out = static_cast<std::int32_t>(length);
    if (buffer == nullptr || buffer_size <= 0) return 1;
    if (static_cast<std::uint64_t>(buffer_size) > length) {
        std::memcpy(buffer, text, length + 1);
        return 0;
    }
    const auto kept = static_cast<std::size_t>(buffer_size - 1);
    std::memcpy(buffer, text, kept);
    buffer[kept] = '\0';
    return 1;
}

// A context of the format's defaults (no traps) with the caller's rounding.
decContext conversion_context(int format, const decContext* caller)
{
    decContext context;
    decContextDefault(&context, format);
    if (caller != nullptr) context.round = caller->round;
    return context;
}

std::uint32_t report_status(const decContext& used, decContext* caller)
{
    if (caller != nullptr) caller->status |= used.status;
    return used.status;
}

}  // namespace

int decfloat16_to_text(const void* value, char* buffer, std::int64_t buffer_size, std::int32_t* length)
{
    char text[text_work_size] = "";
    if (value != nullptr) {
        dpd64_value v;
        std::memcpy(v.bytes, value, sizeof v.bytes);
        __dpd64ToString(&v, text);
    }
    return copy_out_text(text, buffer, buffer_size, length);
}

int decfloat34_to_text(const void* value, char* buffer, std::int64_t buffer_size, std::int32_t* length)
{
    char text[text_work_size] = "";
    if (value != nullptr) {
        dpd128_value v;
        std::memcpy(v.bytes, value, sizeof v.bytes);
        swap_words_on_big_endian(v.bytes);
        __dpd128ToString(&v, text);
    }
    return copy_out_text(text, buffer, buffer_size, length);
}

std::uint32_t text_to_decfloat16(const char* text, void* value, decContext* context)
{
    decContext used = conversion_context(DEC_INIT_DECIMAL64, context);
    dpd64_value v;
    __dpd64FromString(&v, text != nullptr ? text : "", &used);
    if (value != nullptr) std::memcpy(value, v.bytes, sizeof v.bytes);
    return report_status(used, context);
}

std::uint32_t text_to_decfloat34(const char* text, void* value, decContext* context)
{
    decContext used = conversion_context(DEC_INIT_DECIMAL128, context);
    dpd128_value v;
    __dpd128FromString(&v, text != nullptr ? text : "", &used);
    swap_words_on_big_endian(v.bytes);
    if (value != nullptr) std::memcpy(value, v.bytes, sizeof v.bytes);
    return report_status(used, context);
}
