#include "formula/BaseFormelMath.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <string>
#include <utility>

namespace sollist::formula::math {
namespace {

// Degree conversions carried in extended precision (more than 19 significant digits).
constexpr long double kRadPerDeg = 0.017453292519943295769236907684886L;
constexpr long double kDegPerRad = 57.295779513082320876798154814105L;

// The range of a 64-bit signed integer as doubles: [-2^63, 2^63).
constexpr double kInt64Min = -9223372036854775808.0;
constexpr double kInt64End = 9223372036854775808.0;

[[noreturn]] void RaiseZeroDivide(std::string_view operation) {
    throw EZeroDivide("Gleitkommadivision durch Null bei " + std::string(operation));
}

[[noreturn]] void RaiseInvalidOp(std::string_view operation) {
    throw EInvalidOp("Ungültige Gleitkommaoperation bei " + std::string(operation));
}

// Intermediate results in extended precision are stored as a double; a value beyond the
// double range is an overflow rather than an infinity.
double ToDouble(long double value, std::string_view operation) {
    if (std::isnan(value))
        RaiseInvalidOp(operation);
    if (std::fabs(value) > static_cast<long double>(DBL_MAX))
        throw EOverflow("Gleitkommaüberlauf bei " + std::string(operation));
    return static_cast<double>(value);
}

// base ** exponent for an integer exponent with |exponent| <= 2^31-1, by repeated squaring.
// Extended precision keeps a large intermediate power from overflowing when its reciprocal
// is wanted: 10**(-400) underflows silently to 0 as it should.
double IntegerPower(double base, std::int64_t exponent) {
    auto remaining = static_cast<std::uint64_t>(exponent < 0 ? -exponent : exponent);
    long double result = 1.0L;
    long double factor = base;
    while (remaining != 0) {
        if (remaining & 1U)
            result *= factor;
        remaining >>= 1U;
        if (remaining != 0)
            factor *= factor;
    }
    if (exponent < 0) {
        if (result == 0.0L)
            RaiseZeroDivide("**");
        result = 1.0L / result;
    }
    return ToDouble(result, "**");
}

// Nearest integer with a half going to the even neighbour, through a 64-bit integer.
double RoundHalfEven(double x) {
    double r = std::floor(x);
    const double fraction = x - r; // exact: x and floor(x) are close
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(r, 2.0) != 0.0))
        r += 1.0;
    if (!(r >= kInt64Min && r < kInt64End))
        RaiseInvalidOp("RND");
    return static_cast<double>(static_cast<std::int64_t>(r));
}

double Cotangent(double degrees) {
    const long double tangent = std::tan(degrees * kRadPerDeg);
    if (tangent == 0.0L)
        RaiseZeroDivide("COT");
    return ToDouble(1.0L / tangent, "COT");
}

double ArcInDegrees(TFunktion f, double x) {
    const bool isSine = f == TFunktion::Asin;
    if (!(x >= -1.0 && x <= 1.0))
        RaiseInvalidOp(isSine ? "ASIN" : "ACOS");
    const long double radians =
        isSine ? std::asin(static_cast<long double>(x)) : std::acos(static_cast<long double>(x));
    return static_cast<double>(radians * kDegPerRad);
}

double Logarithm(TFunktion f, double x) {
    if (!(x > 0.0))
        throw EParseErr("Negativer Logarithmus !");
    return f == TFunktion::Log ? std::log10(x) : std::log(x);
}

double SquareRoot(double x) {
    if (!(x > 0.0))
        throw EParseErr("Wurzel aus negativer Zahl !");
    return std::sqrt(x);
}

constexpr std::array<std::pair<std::string_view, TFunktion>, 19> kFunctionNames{{
    {"ABS", TFunktion::Abs},   {"SIN", TFunktion::Sin},   {"COS", TFunktion::Cos},
    {"TAN", TFunktion::Tan},   {"COT", TFunktion::Cot},   {"ASIN", TFunktion::Asin},
    {"ACOS", TFunktion::Acos}, {"ATAN", TFunktion::Atan}, {"SQRT", TFunktion::Sqrt},
    {"INT", TFunktion::Int},   {"RND", TFunktion::Rnd},   {"LOG", TFunktion::Log},
    {"LN", TFunktion::Ln},     {"CEIL", TFunktion::Ceil}, {"MIN", TFunktion::Min},
    {"MAX", TFunktion::Max},   {"TABG", TFunktion::TabG}, {"TABK", TFunktion::TabK},
    {"IF", TFunktion::If},
}};

} // namespace

void RaiseNonFinite(double value, std::string_view operation) {
    if (std::isnan(value))
        RaiseInvalidOp(operation);
    throw EOverflow("Gleitkommaüberlauf bei " + std::string(operation));
}

TFunktion ClassifyName(std::string_view name) {
    if (name.size() > 4)
        return TFunktion::None;
    for (const auto& [text, function] : kFunctionNames)
        if (text == name)
            return function;
    return TFunktion::None;
}

double Add(double a, double b) { return Checked(a + b, "+"); }
double Subtract(double a, double b) { return Checked(a - b, "-"); }
double Multiply(double a, double b) { return Checked(a * b, "*"); }

double Divide(double a, double b) {
    if (b == 0.0)
        throw EParseErr("Division durch Null !");
    return Checked(a / b, "/");
}

double Power(double base, double exponent) {
    if (std::trunc(exponent) == exponent && std::fabs(exponent) <= 2147483647.0)
        return IntegerPower(base, static_cast<std::int64_t>(exponent));
    if (base == 0.0) {
        // A zero base with a negative exponent is a division by zero, as for integer ones.
        if (exponent < 0.0)
            RaiseZeroDivide("**");
        return 0.0;
    }
    if (base < 0.0)
        RaiseInvalidOp("**");
    return Checked(std::pow(base, exponent), "**");
}

double OneArgument(TFunktion f, double x) {
    switch (f) {
    case TFunktion::Abs: return std::fabs(x);
    case TFunktion::Sin: return static_cast<double>(std::sin(x * kRadPerDeg));
    case TFunktion::Cos: return static_cast<double>(std::cos(x * kRadPerDeg));
    case TFunktion::Tan: return ToDouble(std::tan(x * kRadPerDeg), "TAN");
    case TFunktion::Cot: return Cotangent(x);
    case TFunktion::Asin:
    case TFunktion::Acos: return ArcInDegrees(f, x);
    case TFunktion::Atan: return static_cast<double>(std::atan(static_cast<long double>(x)) * kDegPerRad);
    case TFunktion::Sqrt: return SquareRoot(x);
    case TFunktion::Int: return std::trunc(x);
    case TFunktion::Rnd: return RoundHalfEven(x);
    case TFunktion::Log:
    case TFunktion::Ln: return Logarithm(f, x);
    case TFunktion::Ceil: return std::trunc(x + 0.99999999);
    default: break;
    }
    throw EParseErr("Syntaxfehler !"); // not a one-argument function
}

double MinMax(TFunktion f, double a, double b) {
    if (f == TFunktion::Min)
        return a < b ? a : b;
    return a > b ? a : b;
}

bool Equal(double a, double b) {
    const double epsilon = std::max(std::min(std::fabs(a), std::fabs(b)) * 1e-12, 1e-12);
    return std::fabs(a - b) <= epsilon;
}

std::int32_t TableNumber(double n) {
    const double truncated = std::trunc(n);
    if (!(truncated >= -2147483648.0 && truncated <= 2147483647.0))
        RaiseInvalidOp("Tabellennummer");
    return static_cast<std::int32_t>(truncated);
}

} // namespace sollist::formula::math
