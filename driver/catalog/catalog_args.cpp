#include "catalog_args.h"

#include <cstring>

ArgValue argument_value(NameArg arg) noexcept
{
    if (arg.text == nullptr) return {};
    std::string_view value;
    if (arg.length == SQL_NTS) {
        value = std::string_view(arg.text);
    } else if (arg.length < 0) {
        return {};
    } else {
        value = std::string_view(arg.text, static_cast<size_t>(arg.length));
        size_t nul = value.find('\0');
        if (nul != std::string_view::npos) value = value.substr(0, nul);
    }
    return {true, value};
}

bool is_pattern(std::string_view value) noexcept
{
    return value.find_first_of("%\\") != std::string_view::npos;
}

std::string clean_value(std::string_view value, Cleaning cleaning)
{
    std::string out;
    out.reserve(value.size() + 8);
    const bool fold = cleaning == Cleaning::quote_folding && !value.empty() && value.front() == '"';
    for (char c : value) {
        if (cleaning == Cleaning::backslash_removal && c == '\\') continue;
        if (fold) {
            if (c == '"') continue;
            // ASCII only: the bytes of multi-byte characters stay intact.
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        }
        out += c;
        if (c == '\'') out += '\'';  // a quote ends no literal
    }
    return out;
}

std::string format_clause(std::string_view form, std::string_view value)
{
    std::string out;
    out.reserve(form.size() + value.size());
    for (size_t i = 0; i < form.size(); ++i) {
        if (form[i] == '%' && i + 1 < form.size()) {
            if (form[i + 1] == 's') {
                out += value;
                ++i;
                continue;
            }
            if (form[i + 1] == '%') {
                out += '%';
                ++i;
                continue;
            }
        }
        out += form[i];
    }
    return out;
}

Clause name_clause(NameArg arg, ClauseForm form, Cleaning cleaning, EmptyValue empty)
{
    ArgValue v = argument_value(arg);
    if (!v.present) return {};
    // An explicit length of 0 gives no clause in any function; an empty
    // NUL-terminated value does where the function says so.
    if (arg.length == 0) return {};
    if (v.value.empty() && empty == EmptyValue::gives_none) return {};
    if (v.value.size() > max_name_bytes) return {{}, true};
    const bool pattern = form.pattern != nullptr && is_pattern(v.value);
    return {format_clause(pattern ? form.pattern : form.exact, clean_value(v.value, cleaning)), false};
}

TableTypes parse_table_types(std::string_view list)
{
    TableTypes types;
    static constexpr std::string_view names[] = {"SYSTEM TABLE", "TABLE", "VIEW", "%"};
    size_t start = 0;
    while (start <= list.size()) {
        size_t comma = list.find(',', start);
        std::string_view raw = list.substr(start, comma == std::string_view::npos ? std::string_view::npos
                                                                                  : comma - start);
        start = comma == std::string_view::npos ? list.size() + 1 : comma + 1;
        std::string token;
        for (char c : raw) token += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        size_t first = token.find_first_not_of("'\" ,");
        if (first == std::string::npos) continue;
        size_t last = token.find_last_not_of("'\" ");
        token = token.substr(first, last + 1 - first);
        for (size_t n = 0; n < std::size(names); ++n) {
            if (token.size() > names[n].size() || names[n].compare(0, token.size(), token) != 0) continue;
            if (n == 0 || n == 3) types.system_table = true;
            if (n == 1 || n == 3) types.table = true;
            if (n == 2 || n == 3) types.view = true;
            break;
        }
    }
    return types;
}
