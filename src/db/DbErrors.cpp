#include "db/DbErrors.h"

#include <firebird/Interface.h>

namespace sollist::db {

namespace {
bool HasCode(const std::exception& error, std::intptr_t code) {
    const auto* own = dynamic_cast<const EIBCError*>(&error);
    return own != nullptr && own->HasCode(code);
}
} // namespace

bool RowHeldByAnother(const std::exception& error) {
    return HasCode(error, isc_update_conflict) || HasCode(error, isc_lock_timeout) ||
           HasCode(error, isc_lock_conflict);
}

bool OpenedByAnotherProcess(const std::exception& error) { return HasCode(error, isc_already_opened); }

} // namespace sollist::db
