// The driver's own date and time codecs. They have the signatures of the
// client functions they stand in for, so that a ClientApi entry can point at
// either; the client binding installs them for entries the library lacks.
// The calendar fields are a struct tm passed as void*, as the client does.
//
// ISC_DATE counts days from 1858-11-17 (day 0, the Modified Julian Day);
// ISC_TIME counts 1/10000 seconds from midnight. The decoders clear the whole
// struct tm and fill seconds, minutes and hours (time) or day of month, month
// 0-11, year - 1900, day of week 0-6 (0 Sunday) and day of year 0-365 (date);
// the daylight flag stays 0. The time's fraction (t mod 10000) is not a field:
// callers take it from the ISC_TIME themselves.
//
// Every input is safe: out-of-range fields and day numbers are computed in
// 64 bits and the result is narrowed to the ISC type, never overflowing.
#pragma once

#include <cstdint>

#include "firebird_api.h"

void driver_encode_sql_date(const void* tm_fields, ISC_DATE* date);
void driver_encode_sql_time(const void* tm_fields, ISC_TIME* time);
void driver_decode_sql_date(const ISC_DATE* date, void* tm_fields);
void driver_decode_sql_time(const ISC_TIME* time, void* tm_fields);
void driver_decode_timestamp(const ISC_TIMESTAMP* timestamp, void* tm_fields);

// The day number of a calendar date (day of month 1-31, month 0-11, year
// field = year - 1900), as driver_encode_sql_date stores it.
ISC_DATE encode_day_number(int day, int month, int year_field);

// Day of year 0-365 of a date given by its full year, month 0-11 and day of
// month 1-31; from March on a leap year counts one day more.
int day_of_year(long long year, int month, int day);

// True for a Gregorian leap year (divisible by 4 and not by 100, or by 400).
bool is_leap_year(long long year);

// The calendar date (year, month 1-12, day 1-31) of a day number, by the
// same arithmetic as the decoders, without the other calendar fields: the
// fetch path's conversion of dates and timestamps.
void calendar_date(std::int64_t day_number, int& year, int& month, int& day);
