#pragma once
// The failures of the data access layer: its misuse, and what the server or the client library
// reports, with the questions the callers ask of such a failure.
#include "common/Errors.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <string>
#include <vector>

namespace sollist::db {

// Misuse of the data access layer: an unknown field or parameter, a table without a name, ...
class EDatabaseError : public Exception {
public:
    using Exception::Exception;
    const char* kind() const noexcept override { return "EDatabaseError"; }
};

// An update that found no row: it was deleted, or its key changed, after it was read. Its kind
// name is EDatabaseError's.
class ERowGone : public EDatabaseError {
public:
    using EDatabaseError::EDatabaseError;
};

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

// A write refused because another transaction holds the row: it waited until the lock timeout
// ran out, or the other transaction changed the row and committed meanwhile (the server says
// "deadlock", "update conflicts with concurrent update" for both).
bool RowHeldByAnother(const std::exception& error);
// An embedded attach refused because another process (another embedded run, or the server)
// has the database file open: the embedded engine opens it exclusively.
bool OpenedByAnotherProcess(const std::exception& error);

} // namespace sollist::db
