#pragma once
// A statement prepared once on a connection: its parameter and column descriptions, binding of
// values to the described parameter types, and reading of result columns into values.
#include "db/ColumnInfo.h"
#include "db/FbApi.h"
#include "db/StatementObserver.h"
#include "db/Value.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sollist::db {

class TIBCConnection;

class PreparedStatement {
public:
    PreparedStatement(TIBCConnection& connection, const std::string& sql);
    PreparedStatement(const PreparedStatement&) = delete;
    PreparedStatement& operator=(const PreparedStatement&) = delete;

    const std::string& Sql() const { return sql_; }
    const std::vector<ColumnInfo>& Inputs() const { return inputs_; }
    const std::vector<ColumnInfo>& Outputs() const { return outputs_; }
    bool HasCursor() const { return hasCursor_; }

    // Runs a statement in the default transaction. Commits nothing.
    void Execute(const std::vector<TValue>& params);
    // The same, returning the number of rows it changed: asking costs a round trip of its own
    // through the server, so only callers that read the count ask.
    std::uint64_t ExecuteCounted(const std::vector<TValue>& params);
    // Runs a query in the default transaction and hands every row to onRow: the values of all
    // output columns, in column order (the vector is reused between rows).
    void Query(const std::vector<TValue>& params, const std::function<void(std::vector<TValue>& row)>& onRow);

private:
    // params, with texts for character set NONE in the connection's code page.
    const std::vector<TValue>& Encoded(const std::vector<TValue>& params);
    // Fills inputBuffer_ with params and returns the layout it follows.
    Firebird::IMessageMetadata* Bind(const std::vector<TValue>& params);
    // Builds the input layout; slots: per parameter a VARCHAR length, or keep, or described.
    void Rebind(const std::vector<long>& slots);
    void Notify(StatementObserver::Kind kind, Firebird::IMessageMetadata* input) const;
    bool Run(const std::vector<TValue>& params); // false: a select, opened and closed

    TIBCConnection& connection_;
    std::string sql_;
    fb::Statement statement_;
    fb::Metadata inputMetadata_;
    fb::Metadata outputMetadata_;
    std::vector<ColumnInfo> inputs_;
    std::vector<ColumnInfo> outputs_;
    // The input layout in use: the described one, or one where text slots are wider and text
    // for blob parameters travels as VARCHAR (the server makes the blob: no extra round trips).
    fb::Metadata boundMetadata_;
    std::vector<ColumnInfo> boundInputs_;
    std::vector<unsigned char> inputBuffer_;
    std::vector<unsigned char> outputBuffer_;
    bool hasCursor_ = false;
    bool encodesInput_ = false; // some parameter is a text of character set NONE
    std::vector<TValue> encoded_;
};

// The value of one column of a fetched row (blobs are read through attachment/transaction).
TValue ReadColumn(const ColumnInfo& column, const unsigned char* buffer, Firebird::IAttachment* attachment,
                  Firebird::ITransaction* transaction);

} // namespace sollist::db
