#pragma once
// The formula language of part-type dimensions and CNC values: a recursive-descent
// evaluator that computes while it parses. Variables and value tables are resolved by the
// concrete context through the two virtual operations.
#include "common/Errors.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace sollist::formula {

using sollist::EParseErr;

enum class TBerechnungsTyp { btCNC = 0, btTeileTyp = 1 };

// Error hook: (Beschreibung, Formel).
using TErrorProc = std::function<void(const std::string&, const std::string&)>;

class TBaseFormel {
public:
    virtual ~TBaseFormel() = default;

    TErrorProc OnError;

    // Value of the formula text; raises EParseErr for formula errors and EZeroDivide,
    // EInvalidOp, EOverflow or EConvertError for arithmetic and conversion faults.
    double BerechneFormel(std::string_view text);

protected:
    TBerechnungsTyp BerechnungsTyp = TBerechnungsTyp::btCNC;

    virtual double GetVarValue(const std::string& name) = 0;
    // mode 'g' (TABG) or 'k' (TABK)
    virtual double GetTabValue(std::int32_t tableNumber, char mode, double value) = 0;

private:
    // The scanner and grammar of one evaluation; nested so that it may call the two
    // resolution operations.
    class Parser;
};

// The value-table rule of TABG/TABK applied to a table text such as "16;19;22;25;28".
// A text without any entry (empty, or starting with ";") and one with more than
// kMaxTableEntries entries raise EParseErr; an entry beyond 32 bits raises EConvertError.
inline constexpr std::size_t kMaxTableEntries = 20;
double LookupValueTable(std::string_view tableText, char mode, double value);

} // namespace sollist::formula
