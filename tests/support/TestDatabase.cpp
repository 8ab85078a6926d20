#include "TestDatabase.h"
#include "TextFiles.h"
#include "common/Text.h"

#include "db/Convert.h"
#include "db/FbApi.h"
#include "db/SqlText.h"
#include "db/Statement.h"
#include "db/Value.h"

#include <fmt/format.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>

namespace sollist::test {

namespace fs = std::filesystem;
namespace fb = db::fb;

namespace {

constexpr const char* kServerDirectory = "/var/lib/firebird/3.0/data/sollist";

std::string UniqueName() {
    static std::atomic<int> counter{0};
    auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    return fmt::format("test-{}-{}-{:x}", ::getpid(), counter++, ticks & 0xffffff);
}

std::string QueryFirstValue(Firebird::IAttachment* attachment, const std::string& sql,
                            const text::CodePage* codePage);

} // namespace

std::string SourceDir() { return SOLLIST_SOURCE_DIR; }
std::string BinaryDir() { return SOLLIST_BINARY_DIR; }

std::string SqlLiteral(const std::string& text) {
    std::string literal = "'";
    for (char c : text) literal += c == '\'' ? std::string("''") : std::string(1, c);
    return literal + "'";
}

std::string CharsetName(DbCharset charset) {
    switch (charset) {
    case DbCharset::Win1252: return "WIN1252";
    case DbCharset::None: return "NONE";
    default: return "UTF8";
    }
}

std::string ServerPassword() {
    const char* password = std::getenv("ISC_PASSWORD");
    return password && *password ? password : "tarvex";
}

void PointAt(db::TIBCConnection& connection, const std::string& database, const std::string& server) {
    connection.SetServer(server);
    connection.SetDatabase(database);
    connection.Password = server.empty() ? "" : ServerPassword();
}

// The embedded engine opens a file exclusively for one process, so embedded the fixture holds
// its attachment only while it works: a program run as a child process can open the file
// between the fixture's calls.
struct TestDatabase::Impl {
    fb::Attachment attachment;
    std::unique_ptr<db::TDMConnection> connection;
    std::unique_ptr<TRunContext> context;
    std::string console;
    std::string errorLogDir;
    std::string target;
    fb::AttachOptions options;
    bool holdAttachment = true;
    const text::CodePage* codePage = nullptr; // the attachment's texts, when not UTF-8

    std::string Encode(const std::string& utf8) const { return codePage ? codePage->FromUtf8(utf8) : utf8; }

    Firebird::IAttachment* Attach() {
        if (!attachment)
            attachment = fb::Attach(target, options);
        return attachment.get();
    }
    void Release() {
        if (!holdAttachment)
            attachment.reset();
    }
    // Attached for the lifetime of a call.
    struct Use {
        explicit Use(Impl& owner) : impl(owner) { impl.Attach(); }
        ~Use() { impl.Release(); }
        Impl& impl;
    };
};

TestDatabase::TestDatabase(DbMode mode, bool loadSchema, DbCharset charset)
    : impl_(std::make_unique<Impl>()), mode_(mode), charset_(charset) {
    fb::AttachOptions options{"TARVEX", "", true, ""};
    options.databaseCharset = CharsetName(charset);
    if (charset == DbCharset::None) {
        options.connectionCharset = "NONE";
        impl_->codePage = &text::CodePage::Windows1252();
    }
    std::string target;
    if (mode == DbMode::Embedded) {
        std::string pattern = (fs::temp_directory_path() / "sollist-db-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create a temporary directory");
        directory_ = pattern;
        path_ = directory_ + "/test.fdb";
        target = path_;
    } else {
        options.password = ServerPassword();
        path_ = std::string(kServerDirectory) + "/" + UniqueName() + ".fdb";
        target = "localhost:" + path_;
    }
    impl_->attachment = fb::Attach(target, options);
    impl_->target = target;
    impl_->options = options;
    impl_->options.create = false;
    impl_->holdAttachment = mode == DbMode::Server;
    if (loadSchema) {
        std::string schema = ReadFileText(fs::path(SourceDir()) / "sql" / "schema.sql");
        const std::string utf8 = "CHARACTER SET UTF8";
        for (std::size_t at = 0; (at = schema.find(utf8, at)) != std::string::npos;) {
            schema.replace(at, utf8.size(), "CHARACTER SET " + CharsetName(charset));
            at += utf8.size();
        }
        Exec(schema);
    }
    impl_->Release();
}

TestDatabase::~TestDatabase() {
    impl_->connection.reset();
    try {
        impl_->Attach();
    } catch (const std::exception&) {
        // the file is removed below
    }
    if (impl_->attachment) {
        fb::Status status;
        try {
            impl_->attachment->dropDatabase(&status);
            impl_->attachment.forget();
        } catch (const std::exception&) {
            impl_->attachment.reset(); // still in use elsewhere: detach, remove the file below
        }
    }
    std::error_code ignored;
    if (!impl_->errorLogDir.empty())
        fs::remove_all(impl_->errorLogDir, ignored);
    if (!directory_.empty())
        fs::remove_all(directory_, ignored);
    else
        fs::remove(path_, ignored);
}

void TestDatabase::Exec(const std::string& script) {
    Impl::Use use(*impl_);
    for (const std::string& statement : db::SplitStatements(impl_->Encode(script))) {
        if (text::UpperAscii(statement) == "COMMIT")
            continue; // every statement is committed on its own
        fb::Transaction transaction = fb::StartReadCommitted(impl_->attachment.get());
        fb::Status status;
        try {
            impl_->attachment->execute(&status, transaction.get(), static_cast<unsigned>(statement.size()),
                                       statement.c_str(), SQL_DIALECT_V6, nullptr, nullptr, nullptr, nullptr);
        } catch (const db::EIBCError& error) {
            throw db::EIBCError(std::string(error.what()) + "\nin statement: " + statement, error.Code(),
                                error.SqlState());
        }
        fb::Commit(transaction);
    }
}

void TestDatabase::KeepOnlyReliedOnColumns() {
    Exec(ReadFileText(fs::path(SourceDir()) / "tests" / "support" / "relied-on-columns.sql"));
}

std::string TestDatabase::QueryValue(const std::string& sql) {
    Impl::Use use(*impl_);
    return QueryFirstValue(impl_->attachment.get(), impl_->Encode(sql), impl_->codePage);
}

namespace {

std::string QueryFirstValue(Firebird::IAttachment* attachment, const std::string& sql,
                            const text::CodePage* codePage) {
    fb::Transaction transaction = fb::StartReadCommitted(attachment);
    fb::Status status;
    fb::Statement statement(attachment->prepare(&status, transaction.get(), static_cast<unsigned>(sql.size()),
                                                sql.c_str(), SQL_DIALECT_V6,
                                                Firebird::IStatement::PREPARE_PREFETCH_METADATA));
    fb::Metadata output(statement->getOutputMetadata(&status));
    std::vector<db::ColumnInfo> columns = db::DescribeColumns(output.get(), codePage);
    if (columns.empty())
        return {};
    std::vector<unsigned char> buffer(output->getMessageLength(&status));
    fb::ResultSet cursor(
        statement->openCursor(&status, transaction.get(), nullptr, nullptr, output.get(), 0));
    if (cursor->fetchNext(&status, buffer.data()) != Firebird::IStatus::RESULT_OK)
        return {};
    db::TValue value = db::ReadColumn(columns[0], buffer.data(), attachment, transaction.get());
    if (std::holds_alternative<std::monostate>(value))
        return {};
    if (columns[0].kind == db::TFieldType::ftDate || columns[0].kind == db::TFieldType::ftDateTime)
        return db::FormatDateTime(std::get<double>(value));
    return db::ValueToString(value);
}

} // namespace

db::TDMConnection& TestDatabase::Connection() {
    if (!impl_->connection) {
        auto module = std::make_unique<db::TDMConnection>();
        PointAt(module->IBCConnection, Database(), Server());
        module->IBCConnection.Connect();
        impl_->connection = std::move(module);
    }
    return *impl_->connection;
}

const TRunContext& TestDatabase::Context() {
    if (!impl_->context)
        impl_->context = std::make_unique<TRunContext>(
            TRunContext{.Connection = Connection().IBCConnection,
                        .Console = [this](const std::string& line) { impl_->console += line + "\n"; },
                        .ErrorLogDir = ErrorLogDir(),
                        .Today = db::Today()});
    return *impl_->context;
}

const std::string& TestDatabase::ErrorLogDir() {
    if (impl_->errorLogDir.empty()) {
        std::string pattern = (fs::temp_directory_path() / "sollist-log-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create a temporary directory");
        impl_->errorLogDir = pattern;
    }
    return impl_->errorLogDir;
}

std::string TestDatabase::ErrorLogFile() { return ErrorLogDir() + "/SollBerFehler.Txt"; }

std::string TestDatabase::TakeConsoleText() { return std::exchange(impl_->console, {}); }

} // namespace sollist::test
