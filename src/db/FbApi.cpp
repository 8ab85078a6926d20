#include "db/FbApi.h"

#include <clocale>
#include <vector>

namespace sollist::db::fb {

using namespace Firebird;

IMaster* Master() {
    static IMaster* const master = fb_get_master_interface();
    return master;
}

IUtil* Util() {
    static IUtil* const util = Master()->getUtilInterface();
    return util;
}

IProvider* Provider() {
    static IProvider* const provider = Master()->getDispatcher();
    return provider;
}

Status::Status() : BaseStatusWrapper(Master()->getStatus()) {}

Status::~Status() { status->dispose(); }

std::string Status::Text() {
    std::vector<char> buffer(4096);
    unsigned length = Util()->formatStatus(buffer.data(), static_cast<unsigned>(buffer.size()), this);
    std::string text(buffer.data(), std::min<std::size_t>(length, buffer.size()));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\0')) text.pop_back();
    return text;
}

void Status::Raise() {
    std::string text = Text();
    const ISC_STATUS* errors = getErrors();
    const std::intptr_t code = errors[0] == isc_arg_gds ? errors[1] : 0;
    std::vector<std::intptr_t> codes;
    // Each argument is a tag and one value, except isc_arg_cstring: tag, length, pointer.
    for (const ISC_STATUS* arg = errors; *arg != isc_arg_end; arg += *arg == isc_arg_cstring ? 3 : 2)
        if (*arg == isc_arg_gds)
            codes.push_back(arg[1]);
    char sqlState[6] = {};
    fb_sqlstate(sqlState, errors);
    clearException();
    throw EIBCError(text, code, sqlState, std::move(codes));
}

namespace {
// A status that never throws, for closing calls in destructors.
struct QuietStatus {
    CheckStatusWrapper wrapper{Master()->getStatus()};
    ~QuietStatus() { wrapper.dispose(); }
    bool failed() const { return wrapper.getState() & IStatus::STATE_ERRORS; }
};

// Runs a closing call (which releases the object on success); on failure only releases it.
template <class Interface>
void CloseOrRelease(Interface* object, void (Interface::*close)(CheckStatusWrapper*)) {
    QuietStatus status;
    (object->*close)(&status.wrapper);
    if (status.failed())
        object->release();
}
} // namespace

void Finish(IAttachment* attachment) { CloseOrRelease(attachment, &IAttachment::detach<CheckStatusWrapper>); }
void Finish(ITransaction* transaction) {
    CloseOrRelease(transaction, &ITransaction::rollback<CheckStatusWrapper>);
}
void Finish(IStatement* statement) { CloseOrRelease(statement, &IStatement::free<CheckStatusWrapper>); }
void Finish(IResultSet* resultSet) { CloseOrRelease(resultSet, &IResultSet::close<CheckStatusWrapper>); }
void Finish(IBlob* blob) { CloseOrRelease(blob, &IBlob::cancel<CheckStatusWrapper>); }
void Finish(IMessageMetadata* metadata) { metadata->release(); }
void Finish(IMetadataBuilder* builder) { builder->release(); }

void Finish(IXpbBuilder* builder) { builder->dispose(); }

void Commit(Transaction& transaction) {
    Status status;
    transaction->commit(&status);
    transaction.forget();
}

void Rollback(Transaction& transaction) {
    Status status;
    transaction->rollback(&status);
    transaction.forget();
}

void Detach(Attachment& attachment) {
    Status status;
    attachment->detach(&status);
    attachment.forget();
}

void Cancel(IAttachment* attachment) {
    QuietStatus status;
    attachment->cancelOperation(&status.wrapper, fb_cancel_raise);
}

std::int64_t AttachmentId(IAttachment* attachment) {
    const unsigned char items[] = {isc_info_attachment_id, isc_info_end};
    unsigned char answer[16] = {};
    Status status;
    attachment->getInfo(&status, sizeof items, items, sizeof answer, answer);
    // The item, its length in two bytes, then the number; all little-endian.
    const unsigned length = answer[1] | (answer[2] << 8U);
    if (answer[0] != isc_info_attachment_id || length > 8)
        throw EIBCError("The server did not tell the attachment's number");
    std::uint64_t id = 0;
    for (unsigned i = length; i > 0; --i) id = (id << 8U) | answer[2 + i];
    return static_cast<std::int64_t>(id);
}

void CancelThroughMonitor(IAttachment* monitor, const std::vector<std::int64_t>& ids) {
    if (ids.empty())
        return;
    Transaction transaction = StartReadCommitted(monitor);
    // One snapshot of the monitoring tables for all: each costs the server a walk over every
    // attachment, and a run on many workers has many.
    std::string list;
    for (const std::int64_t id : ids) list += (list.empty() ? "" : ", ") + std::to_string(id);
    const std::string sql =
        "DELETE FROM MON$STATEMENTS WHERE MON$STATE = 1 AND MON$ATTACHMENT_ID IN (" + list + ")";
    Status status;
    monitor->execute(&status, transaction.get(), 0, sql.c_str(), 3, nullptr, nullptr, nullptr, nullptr);
    Commit(transaction);
}

namespace {

// The parameters of every transaction the program starts.
Transaction StartTransaction(IAttachment* attachment, Access access, bool snapshot,
                             unsigned lockTimeoutSeconds) {
    std::vector<unsigned char> tpb = {
        isc_tpb_version3,
        static_cast<unsigned char>(access == Access::ReadOnly ? isc_tpb_read : isc_tpb_write)};
    if (snapshot)
        tpb.push_back(isc_tpb_concurrency);
    else
        tpb.insert(tpb.end(), {isc_tpb_read_committed, isc_tpb_rec_version});
    tpb.push_back(isc_tpb_wait);
    if (lockTimeoutSeconds > 0) { // the value: its length, then little-endian bytes
        tpb.insert(tpb.end(), {isc_tpb_lock_timeout, 4});
        for (int shift = 0; shift < 32; shift += 8)
            tpb.push_back(static_cast<unsigned char>((lockTimeoutSeconds >> shift) & 0xFF));
    }
    Status status;
    return Transaction(attachment->startTransaction(&status, static_cast<unsigned>(tpb.size()), tpb.data()));
}

} // namespace

Transaction StartReadCommitted(IAttachment* attachment, Access access, unsigned lockTimeoutSeconds) {
    return StartTransaction(attachment, access, false, lockTimeoutSeconds);
}

Transaction StartReadOnlySnapshot(IAttachment* attachment) {
    return StartTransaction(attachment, Access::ReadOnly, true, 0);
}

namespace {

XpbBuilder BuildDpb(const AttachOptions& options) {
    Status status;
    XpbBuilder dpb(Util()->getXpbBuilder(&status, IXpbBuilder::DPB, nullptr, 0));
    dpb->insertTag(&status, isc_dpb_utf8_filename); // the file name and every text below
    dpb->insertString(&status, isc_dpb_user_name, options.user.c_str());
    if (!options.password.empty())
        dpb->insertString(&status, isc_dpb_password, options.password.c_str());
    if (!options.processName.empty())
        dpb->insertString(&status, isc_dpb_process_name, options.processName.c_str());
    dpb->insertString(&status, isc_dpb_lc_ctype, options.connectionCharset.c_str());
    dpb->insertInt(&status, isc_dpb_sql_dialect, 3);
    if (options.fileOnly)
        dpb->insertString(&status, isc_dpb_config, "Providers=Engine12");
    if (options.create) {
        dpb->insertString(&status, isc_dpb_set_db_charset, options.databaseCharset.c_str());
        dpb->insertInt(&status, isc_dpb_force_write, 0);
    }
    return dpb;
}

// The client library (and the embedded engine) convert the file name between UTF-8 and the
// character set of LC_CTYPE, and keep the set of their first conversion for the process. A
// program that never sets a locale has ASCII there: a file name with a German letter could not
// be converted ("Cannot transliterate character between character sets"). Every attach runs
// with a UTF-8 LC_CTYPE on the calling thread; the process's locale stays as it is.
class Utf8CharacterTypeOnThisThread {
public:
    Utf8CharacterTypeOnThisThread() {
        locale_t base = duplocale(LC_GLOBAL_LOCALE);
        if (base == nullptr)
            return;
        utf8_ = newlocale(LC_CTYPE_MASK, "C.UTF-8", base);
        if (utf8_ == nullptr) {
            freelocale(base); // no such locale: the conversions stay as they are
            return;
        }
        previous_ = uselocale(utf8_);
    }
    ~Utf8CharacterTypeOnThisThread() {
        if (utf8_ == nullptr)
            return;
        uselocale(previous_);
        freelocale(utf8_);
    }
    Utf8CharacterTypeOnThisThread(const Utf8CharacterTypeOnThisThread&) = delete;
    Utf8CharacterTypeOnThisThread& operator=(const Utf8CharacterTypeOnThisThread&) = delete;

private:
    locale_t utf8_ = nullptr;
    locale_t previous_ = nullptr;
};

} // namespace

Attachment Attach(const std::string& target, const AttachOptions& options) {
    XpbBuilder dpb = BuildDpb(options);
    Status status;
    const unsigned length = dpb->getBufferLength(&status);
    const unsigned char* buffer = dpb->getBuffer(&status);
    Utf8CharacterTypeOnThisThread utf8;
    return Attachment(options.create ? Provider()->createDatabase(&status, target.c_str(), length, buffer)
                                     : Provider()->attachDatabase(&status, target.c_str(), length, buffer));
}

} // namespace sollist::db::fb
