// Names of Firebird time zones and the text of zone offsets.
//
// A TIME or TIMESTAMP WITH TIME ZONE carries a 16-bit zone id; region ids count
// down from 65535 and are turned into text through a fixed table. The extended
// forms also carry the offset in minutes, shown as hours and minutes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Number of named zones: ids 65535 down to 64901.
inline constexpr std::size_t zone_name_count = 635;
inline constexpr std::uint16_t first_zone_id = 65535;
inline constexpr std::uint16_t last_zone_id = 64901;

// The zone's name, or "Unknown" for an id outside 64901..65535. The text is
// static and never null.
const char* zone_name(std::uint16_t zone_id);

// Text of an extended zone offset in minutes: the hours (offset / 60, keeping
// the sign) and the minutes (|offset mod 60|), each "%02d", joined by ".":
// 330 gives "05.30", -90 gives "-1.30", 0 gives "00.00". An offset between
// -59 and -1 keeps its sign as "-0.MM" (-30 gives "-0.30").
std::string zone_offset_text(int offset_minutes);
