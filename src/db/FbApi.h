#pragma once
// Thin owners of Firebird OO API objects and the status object that turns every failure
// reported by the client library into EIBCError. Used by src/db, the test support and the floor
// benchmark; nothing above src/db names a Firebird interface.
#include "db/DbErrors.h"

#include <firebird/Interface.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace sollist::db::fb {

Firebird::IMaster* Master();
Firebird::IUtil* Util();
Firebird::IProvider* Provider();

// Status for API calls: a failing call throws EIBCError with the client library's text, the
// first error code and the SQLSTATE.
class Status final : public Firebird::BaseStatusWrapper<Status> {
public:
    Status();
    ~Status() override;
    Status(const Status&) = delete;
    Status& operator=(const Status&) = delete;

    static void checkException(Status* status) {
        if (status->dirty && (status->getState() & Firebird::IStatus::STATE_ERRORS))
            status->Raise();
    }
    [[noreturn]] void Raise();
    // The formatted text of the current errors (lines as the client library joins them).
    std::string Text();
};

// Releases an object that is no longer used; closing calls that fail only release it.
void Finish(Firebird::IAttachment* attachment);
void Finish(Firebird::ITransaction* transaction); // rolls back
void Finish(Firebird::IStatement* statement);
void Finish(Firebird::IResultSet* resultSet);
void Finish(Firebird::IMessageMetadata* metadata);
void Finish(Firebird::IMetadataBuilder* builder);
void Finish(Firebird::IBlob* blob); // cancels an unfinished blob
void Finish(Firebird::IXpbBuilder* builder);

// Move-only owner of one interface pointer; the destructor finishes it.
template <class Interface>
class Handle final {
public:
    Handle() = default;
    explicit Handle(Interface* pointer) : pointer_(pointer) {}
    Handle(Handle&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    Handle& operator=(Handle&& other) noexcept {
        if (this != &other) {
            reset();
            pointer_ = std::exchange(other.pointer_, nullptr);
        }
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { reset(); }

    void reset(Interface* pointer = nullptr) {
        if (Interface* old = std::exchange(pointer_, pointer))
            Finish(old);
    }
    // For calls that release the object themselves on success (commit, detach, free, close).
    void forget() { pointer_ = nullptr; }
    Interface* get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

private:
    Interface* pointer_ = nullptr;
};

using Attachment = Handle<Firebird::IAttachment>;
using Transaction = Handle<Firebird::ITransaction>;
using Statement = Handle<Firebird::IStatement>;
using ResultSet = Handle<Firebird::IResultSet>;
using Metadata = Handle<Firebird::IMessageMetadata>;
using Blob = Handle<Firebird::IBlob>;
using XpbBuilder = Handle<Firebird::IXpbBuilder>;

// Commits and ends the transaction (the handle is empty afterwards).
void Commit(Transaction& transaction);
void Rollback(Transaction& transaction);
void Detach(Attachment& attachment);
// Cancels what runs on the attachment, from any thread (the next statement when nothing runs);
// a failure to cancel is ignored.
void Cancel(Firebird::IAttachment* attachment);
// The server's number of the attachment (MON$ATTACHMENT_ID).
std::int64_t AttachmentId(Firebird::IAttachment* attachment);
// Cancels the statements running on the attachments numbered ids, through the monitoring tables
// of another attachment (monitor) of the same user, in one statement; nothing where none runs.
// Raises EIBCError.
void CancelThroughMonitor(Firebird::IAttachment* monitor, const std::vector<std::int64_t>& ids);

enum class Access { ReadWrite, ReadOnly };
// Starts a read-committed (record version, wait) transaction. A read-only one does not hold
// back garbage collection while it stays open. With lockTimeoutSeconds, a statement waits at
// most that long for a row another transaction holds (then EIBCError, see RowHeldByAnother);
// 0 waits without limit.
Transaction StartReadCommitted(Firebird::IAttachment* attachment, Access access = Access::ReadWrite,
                               unsigned lockTimeoutSeconds = 0);
// Starts a read-only snapshot (concurrency) transaction: every statement in it reads the
// database as it was committed when it started. It may still write global temporary tables.
Transaction StartReadOnlySnapshot(Firebird::IAttachment* attachment);

// What the program's attachments send (the texts in UTF-8, the file name among them).
struct AttachOptions {
    std::string user;
    std::string password;    // empty: none sent; wiped when the options go
    bool create = false;     // creates the database: its character set, forced writes off
    std::string processName; // empty: the client library sends the executable's path
    std::string connectionCharset = "UTF8";
    std::string databaseCharset = "UTF8"; // for create
    // The file itself, opened by the embedded engine alone. Without it the client library goes
    // on to a server on this machine when the engine cannot open the file.
    bool fileOnly = false;

    ~AttachOptions() { password.assign(password.size(), '\0'); }
};
// Attaches to the database target names ("host:path", "host/port:path" or a path), or creates
// it with options.create.
Attachment Attach(const std::string& target, const AttachOptions& options);

} // namespace sollist::db::fb
