#pragma once
// Every failure of the program is an exception with a kind name and a message; the entry
// prints "kind: message". The kinds are the names users see in the batch output. A layer
// whose failures are its own declares their kinds beside its code, derived from Exception.
#include <stdexcept>
#include <string>

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

SOLLIST_ERROR_KIND(EConvertError, Exception)      // text that is no number or date
SOLLIST_ERROR_KIND(ERegistryException, Exception) // per-user setting of the wrong type
SOLLIST_ERROR_KIND(EParseErr, Exception)          // formula and formula-model failures
SOLLIST_ERROR_KIND(EInOutError, Exception)        // file that cannot be written
SOLLIST_ERROR_KIND(EMathError, Exception)         // base of the arithmetic faults
SOLLIST_ERROR_KIND(EZeroDivide, EMathError)
SOLLIST_ERROR_KIND(EInvalidOp, EMathError)
SOLLIST_ERROR_KIND(EOverflow, EMathError)
SOLLIST_ERROR_KIND(ERunStopped, Exception) // a run stopped between two orders: its stop was requested

#undef SOLLIST_ERROR_KIND
// NOLINTEND(bugprone-macro-parentheses)

} // namespace sollist
