#pragma once
// Field and parameter values, and the day-number dates the program computes with.
#include <cstdint>
#include <string>
#include <variant>

namespace sollist::db {

// Kinds of declared fields and columns.
enum class TFieldType {
    ftString,
    ftSmallint,
    ftInteger,
    ftFloat,
    ftBoolean,
    ftDate,
    ftTime,
    ftDateTime,
    ftMemo,
    ftBlob,
    ftBytes
};

// A value in a row, a parameter or a search key. Dates travel as double day numbers
// (day 0 = 1899-12-30, the time of day as fraction); NULL is std::monostate.
using TValue = std::variant<std::monostate, std::int64_t, double, std::string, bool>;

inline const TValue Null{};

// Day numbers (day 0 = 1899-12-30).
double EncodeDate(int year, int month, int day);
void DecodeDate(double dayNumber, int& year, int& month, int& day);
double Today(); // today's day number, time of day 0
double Now();   // current moment as day number with fraction

} // namespace sollist::db
