#pragma once
// The arithmetic of the formula language: operators and functions with their refusals.
// Every result is checked, so no infinity or NaN ever flows into the next step; arithmetic
// faults raise EZeroDivide, EInvalidOp or EOverflow, formula errors EParseErr.
#include "common/Errors.h"

#include <cmath>
#include <cstdint>
#include <string_view>

namespace sollist::formula::math {

enum class TFunktion {
    Abs,
    Sin,
    Cos,
    Tan,
    Cot,
    Asin,
    Acos,
    Atan,
    Sqrt,
    Int,
    Rnd,
    Log,
    Ln,
    Ceil, // one argument
    Min,
    Max,
    TabG,
    TabK, // two arguments
    If,
    None // a variable
};

// The function a name stands for, by exact comparison; None for a variable.
TFunktion ClassifyName(std::string_view name);
constexpr bool IsOneArgument(TFunktion f) { return f <= TFunktion::Ceil; }
constexpr bool IsTwoArgument(TFunktion f) { return f >= TFunktion::Min && f <= TFunktion::TabK; }

[[noreturn]] void RaiseNonFinite(double value, std::string_view operation);

// The value itself when finite; otherwise EOverflow (infinity) or EInvalidOp (NaN) naming
// the operation that produced it.
inline double Checked(double value, std::string_view operation) {
    if (std::isfinite(value)) [[likely]]
        return value;
    RaiseNonFinite(value, operation);
}

double Add(double a, double b);
double Subtract(double a, double b);
double Multiply(double a, double b);
double Divide(double a, double b); // EParseErr "Division durch Null !" for b = 0
double Power(double base, double exponent);
double OneArgument(TFunktion f, double x);
double MinMax(TFunktion f, double a, double b);

// a = b within the relative tolerance of 1e-12 (absolute 1e-12 near zero).
bool Equal(double a, double b);

// The table number argument of TABG/TABK, truncated toward zero to 32 bits.
std::int32_t TableNumber(double n);

} // namespace sollist::formula::math
