#include "db/Connection.h"

#include "common/Text.h"
#include "db/Catalogue.h"
#include "db/FbApi.h"
#include "db/StatementCache.h"
#include "db/StatementObserver.h"
#include "db/Transaction.h"

#include <algorithm>

namespace sollist::db {

struct TIBCConnection::Impl {
    fb::Attachment attachment;
    fb::Transaction transaction; // the default transaction
    TStatementCache statements;
    int openResultSets = 0;
    TCatalogue catalogue;
    std::vector<TIBCTransaction*> explicitTransactions;

    explicit Impl(TIBCConnection& connection) : catalogue(connection) {}
};

TIBCConnection::TIBCConnection()
    : impl_(std::make_unique<Impl>(*this)), codePage_(&text::CodePage::Windows1252()) {}

TIBCConnection::~TIBCConnection() { Close(); }

void TIBCConnection::SetDatabase(const std::string& database) {
    Close();
    database_ = text::Trim(database);
}

void TIBCConnection::SetCodePage(const text::CodePage& codePage) {
    Close(); // prepared statements know the code page of their columns
    codePage_ = &codePage;
}

std::string TIBCConnection::ConnectString() const {
    return server_.empty() ? database_ : server_ + ":" + database_;
}

bool TIBCConnection::Connected() const { return static_cast<bool>(impl_->attachment); }

void TIBCConnection::Connect() {
    if (Connected())
        return;
    fb::AttachOptions options;
    options.user = Username;
    options.processName = ProcessName;
    if (!server_.empty()) // the embedded engine checks no password
        options.password = Password;
    fb::XpbBuilder dpb = fb::BuildDpb(options);
    options.password.assign(options.password.size(), '\0');
    fb::Status status;
    const std::string target = ConnectString();
    impl_->attachment.reset(fb::Provider()->attachDatabase(
        &status, target.c_str(), dpb->getBufferLength(&status), dpb->getBuffer(&status)));
}

void TIBCConnection::Close() {
    for (TIBCTransaction* transaction : std::vector(impl_->explicitTransactions)) transaction->Abandon();
    impl_->statements.Clear();  // statements are freed before the detach
    impl_->transaction.reset(); // work not auto-committed is rolled back
    impl_->attachment.reset();
    impl_->openResultSets = 0;
    impl_->catalogue.Forget();
}

Firebird::IAttachment* TIBCConnection::Attachment() {
    Connect();
    return impl_->attachment.get();
}

Firebird::ITransaction* TIBCConnection::DefaultTransaction() {
    if (!impl_->transaction)
        impl_->transaction = fb::StartReadCommitted(Attachment(), fb::Access::ReadWrite, LockTimeout);
    return impl_->transaction.get();
}

void TIBCConnection::AutoCommit() {
    if (unit_.open) {
        unit_.written = true;
        return;
    }
    EndWork(true);
}

void TIBCConnection::AutoRollback() {
    if (unit_.open) {
        unit_.rolledBack = true;
        unit_.written = false;
    }
    EndWork(false);
}

void TIBCConnection::CommitDefinition() {
    if (unit_.open && unit_.written)
        throw EDatabaseError("A definition cannot be committed inside a unit of work with writes");
    EndWork(true);
}

void TIBCConnection::EndWork(bool commit) {
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

void TIBCConnection::ResultSetClosed() {
    if (impl_->openResultSets > 0)
        --impl_->openResultSets;
}

PreparedStatement& TIBCConnection::Prepare(const std::string& sql) {
    return impl_->statements.Prepare(*this, sql);
}

TCatalogue& TIBCConnection::Catalogue() { return impl_->catalogue; }

void TIBCConnection::Register(TIBCTransaction* transaction) {
    impl_->explicitTransactions.push_back(transaction);
}

void TIBCConnection::Unregister(TIBCTransaction* transaction) {
    auto& list = impl_->explicitTransactions;
    list.erase(std::remove(list.begin(), list.end(), transaction), list.end());
}

} // namespace sollist::db
