#pragma once
// Misuse of a data object is an EDatabaseError whose message names the object.
#include "db/Errors.h"

#include <string>

namespace sollist::db {

// "<name>: message", or the message alone for an unnamed object.
inline EDatabaseError Misuse(const std::string& objectName, const std::string& message) {
    return EDatabaseError(objectName.empty() ? message : objectName + ": " + message);
}

} // namespace sollist::db
