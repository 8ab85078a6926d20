#pragma once
// Every failure of the program is an exception with a kind name and a message; the entry
// prints "kind: message". The kinds are the names users see in the batch output.
#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace sollist {

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    virtual const char* kind() const noexcept { return "Exception"; }
};

// The arguments are a class name and its base, which cannot stand in parentheses.
// NOLINTBEGIN(bugprone-macro-parentheses)
#define SOLLIST_ERROR_KIND(Name, Base)                                                                       \
    class Name : public Base {                                                                               \
    public:                                                                                                  \
        using Base::Base;                                                                                    \
        const char* kind() const noexcept override { return #Name; }                                         \
    };

SOLLIST_ERROR_KIND(EDatabaseError, Exception)     // misuse of the data access layer
SOLLIST_ERROR_KIND(EConvertError, Exception)      // text that is no number or date
SOLLIST_ERROR_KIND(ERegistryException, Exception) // per-user setting of the wrong type
SOLLIST_ERROR_KIND(EParseErr, Exception)          // formula and formula-model failures
SOLLIST_ERROR_KIND(EInOutError, Exception)        // file that cannot be written
SOLLIST_ERROR_KIND(EMathError, Exception)         // base of the arithmetic faults
SOLLIST_ERROR_KIND(EZeroDivide, EMathError)
SOLLIST_ERROR_KIND(EInvalidOp, EMathError)
SOLLIST_ERROR_KIND(EOverflow, EMathError)

#undef SOLLIST_ERROR_KIND
// NOLINTEND(bugprone-macro-parentheses)

// Reported by the server or client library. Code and SQLSTATE let callers tell failures apart
// without reading the text, which the server words and may reword.
class EIBCError : public Exception {
public:
    explicit EIBCError(const std::string& message, std::intptr_t code = 0, std::string sqlState = {},
                       std::vector<std::intptr_t> codes = {})
        : Exception(message), code_(code), sqlState_(std::move(sqlState)), codes_(std::move(codes)) {}
    const char* kind() const noexcept override { return "EIBCError"; }
    std::intptr_t Code() const noexcept { return code_; }              // first gds code; 0 = none
    const std::string& SqlState() const noexcept { return sqlState_; } // 5 characters; "" = none
    // Whether any line of the message carries this gds code: the server puts the general
    // failure first ("I/O error", "deadlock") and the telling one after it.
    bool HasCode(std::intptr_t code) const noexcept {
        return code == code_ || std::find(codes_.begin(), codes_.end(), code) != codes_.end();
    }

private:
    std::intptr_t code_;
    std::string sqlState_;
    std::vector<std::intptr_t> codes_; // every gds code of the status vector, in order
};

} // namespace sollist
