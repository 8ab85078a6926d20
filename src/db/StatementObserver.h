#pragma once
// A hook on the statements a connection runs and the commits of its default transaction
// (TIBCConnection::SetStatementObserver). The program sets none; the floor benchmark records a
// run through it and replays the same database work without the calculation around it.
#include <string>

namespace Firebird {
class IMessageMetadata;
}

namespace sollist::db {

class StatementObserver {
public:
    enum class Kind { Query, OpenClose, Execute }; // fetch every row / cursor opened, none read / no cursor

    virtual ~StatementObserver() = default;
    // input and buffer are the bound parameter layout and message, valid during the call.
    virtual void Executed(const std::string& sql, Kind kind, Firebird::IMessageMetadata* input,
                          const unsigned char* buffer) = 0;
    virtual void Ended(bool commit, bool retaining) = 0;
};

} // namespace sollist::db
