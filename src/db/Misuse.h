#pragma once
// Misuse of a data object is an EDatabaseError whose message names the object.
#include "db/DbErrors.h"

#include <string>

namespace sollist::db {

// "<name>: message", or the message alone for an unnamed object; of a kind derived from
// EDatabaseError where callers tell the failure apart (ERowGone).
template <class Kind = EDatabaseError>
Kind Misuse(const std::string& objectName, const std::string& message) {
    return Kind(objectName.empty() ? message : objectName + ": " + message);
}

} // namespace sollist::db
