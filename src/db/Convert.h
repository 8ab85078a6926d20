#pragma once
// Conversions between the kinds a value can hold, as fields and parameters read them.
// Text that is no number or date raises EConvertError.
#include "db/Value.h"

#include <string>

namespace sollist::db {

std::string ValueToString(const TValue& value);   // NULL -> ""
std::int64_t ValueToInteger(const TValue& value); // NULL -> 0; floats rounded
double ValueToFloat(const TValue& value);         // NULL -> 0
bool ValueToBoolean(const TValue& value);         // NULL -> false; numbers: non-zero
double ValueToDateTime(const TValue& value);      // NULL -> 0 (the zero date)

// Shortest text of at most 15 significant digits ("1.5", "3", "1e+20").
std::string FormatFloat(double value);
// "YYYY-MM-DD", "DD.MM.YYYY", each optionally followed by " HH:MM[:SS]".
double ParseDateTime(const std::string& text);
// Date as "YYYY-MM-DD", with " HH:MM:SS" when there is a time of day.
std::string FormatDateTime(double dayNumber);

} // namespace sollist::db
