// What the driver needs to know of Firebird's character sets: how many bytes
// a character may take, and where the characters of a CHAR value end.
//
// The server pads a CHAR(n) value with blanks to its byte length, n times
// the most bytes a character of its set may take: CHAR(5) in UTF8 arrives as
// 20 bytes, "abc" and 17 blanks. The value has n characters; the blanks
// beyond them are the transport's, not the value's.
#pragma once

#include <sql.h>

#include <cstdint>

// The character set of a CHAR or VARCHAR column: the low byte of its
// XSQLVAR sub-type (the high byte is the collation).
inline int column_character_set(int sqlsubtype) { return sqlsubtype & 0xFF; }

// The most bytes a character of set `charset_id` takes: UTF8 4,
// UNICODE_FSS 3, the two-byte Far-East sets 2, GB18030 4, every other set 1.
int max_bytes_per_character(int charset_id);

// Characters of a CHAR column of `byte_length` bytes in set `charset_id`
// when its characters may take more than one byte; 0 when every byte is a
// character (nothing to cut).
int32_t char_column_characters(int charset_id, int byte_length);

// The length in bytes of a CHAR value cut to `characters` characters: its
// trailing blanks beyond that many characters are dropped. Text before the
// trailing blanks is never cut, whatever it holds.
SQLLEN char_value_length(const char* bytes, SQLLEN length, int charset_id, int32_t characters);
