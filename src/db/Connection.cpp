#include "db/Connection.h"

#include "db/FbApi.h"
#include "db/Password.h"
#include "db/Statement.h"
#include "db/StatementObserver.h"

#include <algorithm>
#include <unordered_map>

namespace sollist::db {

namespace {
std::string TrimBlanks(const std::string& text)
{
    auto begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos)
        return {};
    return text.substr(begin, text.find_last_not_of(" \t\r\n") - begin + 1);
}
} // namespace

struct TIBCConnection::Impl {
    fb::Attachment attachment;
    fb::Transaction transaction;   // the default transaction
    std::unordered_map<std::string, std::unique_ptr<PreparedStatement>> statements;
    int openResultSets = 0;
    // relation -> column -> domain
    std::unordered_map<std::string, std::unordered_map<std::string, std::string>> domains;
    std::unordered_map<std::string, std::vector<std::string>> primaryKeys;
    std::vector<TIBCTransaction*> explicitTransactions;
};

TIBCConnection::TIBCConnection() : impl_(std::make_unique<Impl>()) {}

TIBCConnection::~TIBCConnection() { Close(); }

void TIBCConnection::SetDatabase(const std::string& database)
{
    Close();
    database_ = TrimBlanks(database);
}

std::string TIBCConnection::ConnectString() const
{
    return server_.empty() ? database_ : server_ + ":" + database_;
}

bool TIBCConnection::Connected() const { return static_cast<bool>(impl_->attachment); }

void TIBCConnection::Connect()
{
    if (Connected())
        return;
    fb::AttachOptions options;
    options.user = Username;
    if (!server_.empty())   // the embedded engine checks no password
        options.password = LookupPassword();
    fb::XpbBuilder dpb = fb::BuildDpb(options);
    options.password.assign(options.password.size(), '\0');
    fb::Status status;
    const std::string target = ConnectString();
    impl_->attachment.reset(fb::Provider()->attachDatabase(
        &status, target.c_str(), dpb->getBufferLength(&status), dpb->getBuffer(&status)));
}

void TIBCConnection::Close()
{
    for (TIBCTransaction* transaction : std::vector(impl_->explicitTransactions))
        transaction->Abandon();
    impl_->statements.clear();        // statements are freed before the detach
    impl_->transaction.reset();       // work not auto-committed is rolled back
    impl_->attachment.reset();
    impl_->openResultSets = 0;
    impl_->domains.clear();
    impl_->primaryKeys.clear();
}

Firebird::IAttachment* TIBCConnection::Attachment()
{
    Connect();
    return impl_->attachment.get();
}

Firebird::ITransaction* TIBCConnection::DefaultTransaction()
{
    if (!impl_->transaction)
        impl_->transaction = fb::StartReadCommitted(Attachment());
    return impl_->transaction.get();
}

void TIBCConnection::AutoCommit() { EndWork(true); }

void TIBCConnection::AutoRollback() { EndWork(false); }

void TIBCConnection::EndWork(bool commit)
{
    if (!impl_->transaction)
        return;
    // A full commit or rollback would kill the cursors still fetching.
    const bool retaining = impl_->openResultSets > 0;
    if (observer_)
        observer_->Ended(commit, retaining);
    if (retaining) {
        fb::Status status;
        if (commit)
            impl_->transaction->commitRetaining(&status);
        else
            impl_->transaction->rollbackRetaining(&status);
    } else if (commit) {
        fb::Commit(impl_->transaction);
    } else {
        fb::Rollback(impl_->transaction);
    }
}

void TIBCConnection::ResultSetOpened() { ++impl_->openResultSets; }

void TIBCConnection::ResultSetClosed()
{
    if (impl_->openResultSets > 0)
        --impl_->openResultSets;
}

PreparedStatement& TIBCConnection::Prepare(const std::string& sql)
{
    auto found = impl_->statements.find(sql);
    if (found != impl_->statements.end())
        return *found->second;
    auto statement = std::make_unique<PreparedStatement>(*this, sql);
    return *impl_->statements.emplace(sql, std::move(statement)).first->second;
}

const std::string& TIBCConnection::DomainName(const std::string& relation, const std::string& field)
{
    static const std::string unknown;
    auto cached = impl_->domains.find(relation);
    if (cached == impl_->domains.end()) {
        std::unordered_map<std::string, std::string> columns;
        Prepare("SELECT TRIM(RDB$FIELD_NAME), TRIM(RDB$FIELD_SOURCE) FROM RDB$RELATION_FIELDS "
                "WHERE RDB$RELATION_NAME = ?")
            .Query({relation}, [&](std::vector<TValue>& row) {
                columns.emplace(std::get<std::string>(row[0]), std::get<std::string>(row[1]));
            });
        cached = impl_->domains.emplace(relation, std::move(columns)).first;
    }
    auto domain = cached->second.find(field);
    return domain == cached->second.end() ? unknown : domain->second;
}

const std::vector<std::string>& TIBCConnection::PrimaryKeyFields(const std::string& table)
{
    auto cached = impl_->primaryKeys.find(table);
    if (cached != impl_->primaryKeys.end())
        return cached->second;
    std::vector<std::string> fields;
    Prepare("SELECT RDB$FIELD_NAME, RDB$FIELD_POSITION FROM RDB$RELATION_CONSTRAINTS REL, "
            "RDB$INDEX_SEGMENTS IDX WHERE REL.RDB$INDEX_NAME = IDX.RDB$INDEX_NAME AND "
            "RDB$RELATION_NAME = ? AND RDB$CONSTRAINT_TYPE = 'PRIMARY KEY' "
            "ORDER BY RDB$FIELD_POSITION")
        .Query({table}, [&](std::vector<TValue>& row) {
            fields.push_back(std::get<std::string>(row[0]));
        });
    return impl_->primaryKeys.emplace(table, std::move(fields)).first->second;
}

void TIBCConnection::Register(TIBCTransaction* transaction)
{
    impl_->explicitTransactions.push_back(transaction);
}

void TIBCConnection::Unregister(TIBCTransaction* transaction)
{
    auto& list = impl_->explicitTransactions;
    list.erase(std::remove(list.begin(), list.end(), transaction), list.end());
}

TIBCTransaction::~TIBCTransaction() { Abandon(); }

void TIBCTransaction::StartTransaction()
{
    if (Active())
        throw EDatabaseError("Transaction is already active");
    // The explicit transaction carries no statement, yet it spans the whole run. Held open on the
    // server, it would keep the connection's oldest transaction where the run began, so the record
    // versions each order deletes from the connection's temporary table SOLLTAT could never be
    // collected and every later order would scan them all. It is therefore begun on the server
    // only when it is committed.
    active_ = true;
    connection_.Register(this);
}

void TIBCTransaction::Commit()
{
    if (!Active())
        throw EDatabaseError("Transaction is not active");
    active_ = false;
    connection_.Unregister(this);
    fb::Transaction begun = fb::StartReadCommitted(connection_.Attachment(), fb::Access::ReadOnly);
    fb::Commit(begun);   // on failure the owner rolls it back
}

void TIBCTransaction::Rollback()
{
    if (!Active())
        throw EDatabaseError("Transaction is not active");
    Abandon();
}

void TIBCTransaction::Abandon()
{
    if (!Active())
        return;
    active_ = false;   // nothing was begun on the server
    connection_.Unregister(this);
}

} // namespace sollist::db
