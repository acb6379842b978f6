#include "option_values.h"

#include <odbcinst.h>

#include <climits>
#include <cstring>

namespace {

struct CodePageName {
    const char* name;
    int32_t code_page;
};

// The output string names code pages in this order of preference.
constexpr CodePageName code_page_names[] = {
    {"CP_OEMCP", 1},  {"CP_MACCP", 2}, {"CP_THREAD_ACP", 3},
    {"CP_SYMBOL", 42}, {"CP_UTF7", 65000}, {"CP_UTF8", 65001},
};

bool is_space(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

char ascii_upper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

bool equals_ignoring_case(std::string_view a, std::string_view b) noexcept
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (ascii_upper(a[i]) != ascii_upper(b[i])) return false;
    return true;
}

void set_option_text(char (&field)[connection_text_size], std::string_view text) noexcept
{
    size_t n = text.size() < connection_text_size - 1 ? text.size() : connection_text_size - 1;
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
}

std::string read_dsn_key(const char* dsn, const char* key, const char* default_value,
                         int buffer_size)
{
    std::string fallback(default_value ? default_value : "");
    if (buffer_size <= 0) return {};
    if (fallback.size() > static_cast<size_t>(buffer_size - 1)) fallback.resize(buffer_size - 1);
    // unixODBC answers an empty section name with a key of some other data
    // source; an empty name names no data source.
    if (dsn == nullptr || dsn[0] == '\0') return fallback;
    std::string buffer(static_cast<size_t>(buffer_size), '\0');
    int n = SQLGetPrivateProfileString(dsn, key, fallback.c_str(), buffer.data(), buffer_size,
                                       "odbc.ini");
    if (n < 0) return fallback;
    buffer.back() = '\0';
    buffer.resize(std::strlen(buffer.c_str()));
    return buffer;
}

int32_t option_number(std::string_view text) noexcept
{
    size_t i = 0;
    while (i < text.size() && is_space(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<int64_t>(INT32_MAX) + 1) value = static_cast<int64_t>(INT32_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT32_MAX) value = INT32_MAX;
    return static_cast<int32_t>(value);
}

int32_t code_page_from_name(std::string_view name) noexcept
{
    for (const auto& entry : code_page_names)
        if (equals_ignoring_case(name, entry.name)) return entry.code_page;
    return 0;
}

const char* code_page_name(int32_t code_page) noexcept
{
    for (const auto& entry : code_page_names)
        if (entry.code_page == code_page) return entry.name;
    return nullptr;
}
