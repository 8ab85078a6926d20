// Feeds arbitrary bytes to the evaluator and to the value-table rule. Any escape other than
// the program's own error kinds, a non-finite or negative-zero result, a message that is not
// valid UTF-8 or a result that differs between two evaluations of the same text is a finding.
#include "formula/BaseFormel.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using namespace sollist;
using namespace sollist::formula;

// Variables: short names have a value, names starting with X are refused like unknown ones.
// Tables: 1 is the usual example, 2 has no entries, others are missing.
class TFuzzFormel final : public TBaseFormel {
protected:
    double GetVarValue(const std::string& name) override {
        if (name[0] == 'X')
            throw EParseErr("Unzulässige Variable: " + name);
        return static_cast<double>(name.size()) * 1.5 - 2.0;
    }

    double GetTabValue(std::int32_t tableNumber, char mode, double value) override {
        if (tableNumber == 1)
            return LookupValueTable("16;19;22;25;28", mode, value);
        if (tableNumber == 2)
            return LookupValueTable(";", mode, value);
        throw EParseErr("Kein Tabelleneintrag " + std::to_string(tableNumber));
    }
};

bool IsValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80             ? 1
                                   : (lead & 0xE0) == 0xC0 ? 2
                                   : (lead & 0xF0) == 0xE0 ? 3
                                   : (lead & 0xF8) == 0xF0 ? 4
                                                           : 0;
        if (length == 0 || i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        i += length;
    }
    return true;
}

// The value as text, or the error kind and message.
std::string Outcome(std::string_view text) {
    TFuzzFormel formel;
    try {
        const double value = formel.BerechneFormel(text);
        if (!std::isfinite(value) || (value == 0 && std::signbit(value)))
            std::abort();
        return std::to_string(value);
    } catch (const Exception& error) {
        if (!IsValidUtf8(error.what()))
            std::abort();
        return std::string(error.kind()) + error.what();
    }
}

void LookupBothModes(std::string_view table, double value) {
    for (char mode : {'g', 'k'}) {
        try {
            const double entry = LookupValueTable(table, mode, value);
            if (entry < 0 || entry > 2147483647.0)
                std::abort();
        } catch (const Exception&) {
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (Outcome(text) != Outcome(text))
        std::abort();
    LookupBothModes(text, 17.5);
    return 0;
}
