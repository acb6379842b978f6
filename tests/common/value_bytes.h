// The bytes tests compare delivered values with: a value's own bytes, and
// UTF-16 text as an application's wide buffer holds it.
#pragma once

#include <string>

template <typename T>
std::string bytes_of(const T& v)
{
    return std::string(reinterpret_cast<const char*>(&v), sizeof v);
}

// The UTF-16 units of `s` and the terminator, in the machine's byte order.
inline std::string wide(const std::u16string& s)
{
    std::string out;
    for (char16_t u : s + u'\0') out += bytes_of(u);
    return out;
}
