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

// Shortest text of at most 15 significant digits ("1.5", "3", "1e+20", "0" for -0).
std::string FormatFloat(double value);

// The text forms of a date, with an optional time of day after it: "h:mm" or "h:mm:ss".
enum class TDateForms {
    Settings, // "D.M.YYYY", then one blank before a time: the short date of the settings store
    Values,   // also "YYYY-M-D"; blanks around and between, a fraction after the seconds (dropped)
};
// A day of the calendar (31.02. is none) as day number with the time of day as fraction;
// raises EConvertError for text of any other form.
double ParseDateTime(const std::string& text, TDateForms forms = TDateForms::Values);
// "DD.MM.YYYY"; the time of day is dropped.
std::string FormatDayMonthYear(double dayNumber);
// Date as "YYYY-MM-DD", with " HH:MM:SS" when there is a time of day.
std::string FormatDateTime(double dayNumber);

} // namespace sollist::db
