#pragma once
// What a run stored, exactly: every AufSStd row and every order's totals in Auftrag, one line
// each, doubles written so that they read back to the same bits. Two runs stored the same when
// these texts are equal.
#include <string>

namespace sollist::db {
class TIBCConnection;
}

namespace sollist::test {

std::string StoredFigures(db::TIBCConnection& connection);

} // namespace sollist::test
