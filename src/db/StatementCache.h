#pragma once
#include <memory>
#include <string>
#include <unordered_map>

namespace sollist::db {

class PreparedStatement;
class TIBCConnection;

// The statements of one connection, each prepared once by its SQL text and kept until the
// connection closes: a data object opened again, or another object with the same text, reuses it.
class TStatementCache {
public:
    TStatementCache();
    ~TStatementCache(); // where PreparedStatement is complete

    // Prepares sql on connection at its first call; later calls return the cached statement.
    PreparedStatement& Prepare(TIBCConnection& connection, const std::string& sql);
    // Frees every statement: before the connection detaches.
    void Clear();

private:
    std::unordered_map<std::string, std::unique_ptr<PreparedStatement>> statements_;
};

} // namespace sollist::db
