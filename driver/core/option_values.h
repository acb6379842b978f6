// Values of data-source options as the driver and the setup library both
// read and write them: numbers read like atoi, the "WCMB" code-page names,
// one key of a data source in the ODBC initialisation store, and the fixed
// text fields of the Connection record.
//
// This part of the options is shared by libbrolix.so and libbrolixS.so (the
// static library brolix_options), so it depends on neither the driver's
// handles machinery nor Qt.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "handles.h"

// ASCII comparison without regard to case, as the store compares key names.
bool equals_ignoring_case(std::string_view a, std::string_view b) noexcept;

// The reader of the installer library: SQLGetPrivateProfileString(dsn, key,
// default_value, buffer, buffer_size, "odbc.ini"). An empty data-source name
// names no data source and gives the default.
std::string read_dsn_key(const char* dsn, const char* key, const char* default_value,
                         int buffer_size);

// atoi without its undefined overflow: optional leading white space and sign,
// then the leading decimal digits; no digits read as 0; values beyond the
// int32 range saturate.
int32_t option_number(std::string_view text) noexcept;

// The Windows code page a "WCMB" name selects (names compared without regard
// to case; "CP_ACP" and unknown text select 0).
int32_t code_page_from_name(std::string_view name) noexcept;

// The name echoed in an output connection string for a code page, or null
// for 0 and for numbers that no name selects.
const char* code_page_name(int32_t code_page) noexcept;

// Copies text into one of the Connection's 128-byte option fields, cut to
// 127 bytes.
void set_option_text(char (&field)[connection_text_size], std::string_view text) noexcept;
