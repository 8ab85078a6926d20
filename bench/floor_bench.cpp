// The floor of the order hours run: the database work the run does, without the program.
// The run is recorded once (every statement with its bound parameter message, every commit of
// the default transaction), run again for its time, and then replayed on the same connection:
// the same statements, prepared up front as the run's statement cache has them, the same
// parameter messages, every row fetched and every blob read, the same commits. run / floor is
// the program's overhead over the database's own cost.
//
//   floor_bench <database> [<server>]      (server mode takes the password as the programs do)
#include "DatabaseBench.h"
#include "batch/BLXExport.h"
#include "batch/Inputs.h"
#include "db/DMConnection.h"
#include "db/FbApi.h"
#include "db/Statement.h"
#include "db/StatementObserver.h"
#include "db/Value.h"
#include "solltat/SollStammdaten.h"
#include "solltat/Solltat.h"

#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

using namespace sollist;
using Clock = std::chrono::steady_clock;
using Firebird::IMessageMetadata;

double Seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

// Processor time of the process; embedded, the engine works in it too. Steadier than wall time
// on a shared machine, where fsync waits of the commits vary a lot.
double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

struct Timing {
    double wall = 0, cpu = 0;
};

template <class Work>
Timing Measure(Work work) {
    const auto start = Clock::now();
    const double cpu = CpuSeconds();
    work();
    return {Seconds(start), CpuSeconds() - cpu};
}

// One recorded event: a statement run (sql >= 0) or the end of the default transaction.
struct Event {
    std::int32_t sql = -1;
    std::int32_t layout = -1;
    db::StatementObserver::Kind kind{};
    bool commit = false, retaining = false;
    std::uint32_t length = 0; // parameter message bytes that follow in the file
};

// Writes the events to a temporary file (a large run's messages do not fit in memory) and
// keeps the distinct SQL texts and parameter layouts.
class Recorder final : public db::StatementObserver {
public:
    Recorder() : file_(std::tmpfile()) {
        if (file_ == nullptr)
            throw EInOutError("no temporary file for the recording");
    }
    ~Recorder() override {
        for (auto* layout : layouts_) db::fb::Finish(layout);
        if (file_ != nullptr)
            std::fclose(file_);
    }

    void Executed(const std::string& sql, Kind kind, IMessageMetadata* input,
                  const unsigned char* buffer) override {
        Event e;
        e.kind = kind;
        e.sql = Id(sqlIds_, sql, [&] { sqls_.push_back(sql); });
        e.layout = Id(layoutIds_, input, [&] {
            input->addRef();
            layouts_.push_back(input);
        });
        db::fb::Status status;
        e.length = input->getMessageLength(&status);
        Write(e, buffer);
    }
    void Ended(bool commit, bool retaining) override {
        ++ends_;
        commits_ += commit ? 1 : 0;
        Event e;
        e.commit = commit;
        e.retaining = retaining;
        Write(e, nullptr);
    }

    std::FILE* Rewound() {
        std::rewind(file_);
        return file_;
    }
    const std::vector<std::string>& Sqls() const { return sqls_; }
    IMessageMetadata* Layout(std::int32_t id) const { return layouts_[id]; }
    std::size_t Events() const { return events_; }
    std::size_t Commits() const { return commits_; }
    std::size_t Statements() const { return events_ - ends_; }

private:
    template <class Key, class OnNew>
    std::int32_t Id(std::unordered_map<Key, std::int32_t>& ids, const Key& key, OnNew onNew) {
        auto [it, added] = ids.try_emplace(key, static_cast<std::int32_t>(ids.size()));
        if (added)
            onNew();
        return it->second;
    }
    void Write(const Event& e, const unsigned char* buffer) {
        std::fwrite(&e, sizeof e, 1, file_);
        if (e.length > 0 && buffer != nullptr)
            std::fwrite(buffer, 1, e.length, file_);
        ++events_;
    }

    std::FILE* file_;
    std::unordered_map<std::string, std::int32_t> sqlIds_;
    std::unordered_map<IMessageMetadata*, std::int32_t> layoutIds_;
    std::vector<std::string> sqls_;
    std::vector<IMessageMetadata*> layouts_;
    std::size_t events_ = 0;
    std::size_t commits_ = 0;
    std::size_t ends_ = 0;
};

// A recorded statement prepared for the replay, with its output layout and time spent.
struct Replayed {
    db::fb::Statement statement;
    db::fb::Metadata output;
    std::vector<db::ColumnInfo> columns;
    std::vector<unsigned char> row;
    double seconds = 0;
    std::size_t runs = 0, rows = 0;
};

void ReadBlobs(const Replayed& s, Firebird::IAttachment* attachment, Firebird::ITransaction* transaction) {
    for (const auto& c : s.columns)
        if (c.type == SQL_BLOB && *reinterpret_cast<const short*>(&s.row[c.nullOffset]) == 0)
            db::ReadColumn(c, s.row.data(), attachment, transaction);
}

void Run(db::fb::Status& status, Replayed& s, const Event& e, IMessageMetadata* input,
         const unsigned char* message, db::TIBCConnection& connection) {
    Firebird::IAttachment* attachment = connection.Attachment();
    Firebird::ITransaction* transaction = connection.DefaultTransaction();
    auto* params = const_cast<unsigned char*>(message);
    if (e.kind == db::StatementObserver::Kind::Execute) {
        s.statement->execute(&status, transaction, input, params, s.output.get(), s.row.data());
        return;
    }
    db::fb::ResultSet cursor(s.statement->openCursor(&status, transaction, input, params, s.output.get(), 0));
    if (e.kind == db::StatementObserver::Kind::Query)
        while (cursor->fetchNext(&status, s.row.data()) == Firebird::IStatus::RESULT_OK) {
            ReadBlobs(s, attachment, transaction);
            ++s.rows;
        }
    cursor->close(&status);
    cursor.forget();
}

Timing Replay(db::TIBCConnection& connection, Recorder& recording, std::vector<Replayed>& statements) {
    db::fb::Status status;
    for (const auto& sql : recording.Sqls()) {
        Replayed s;
        s.statement.reset(connection.Attachment()->prepare(&status, connection.DefaultTransaction(),
                                                           static_cast<unsigned>(sql.size()), sql.c_str(),
                                                           SQL_DIALECT_V6, 0));
        s.output.reset(s.statement->getOutputMetadata(&status));
        s.columns = db::DescribeColumns(s.output.get());
        s.row.resize(s.output->getMessageLength(&status));
        statements.push_back(std::move(s));
    }
    connection.AutoCommit();

    std::FILE* file = recording.Rewound();
    std::vector<unsigned char> message;
    return Measure([&] {
        for (Event e; std::fread(&e, sizeof e, 1, file) == 1;) {
            message.resize(e.length);
            if (e.length > 0 && std::fread(message.data(), 1, e.length, file) != e.length)
                throw Exception("recording truncated");
            if (e.sql < 0) {
                if (e.retaining)
                    connection.DefaultTransaction()->commitRetaining(&status);
                else if (e.commit)
                    connection.AutoCommit();
                else
                    connection.AutoRollback();
                continue;
            }
            Replayed& s = statements[e.sql];
            const auto t = Clock::now();
            Run(status, s, e, recording.Layout(e.layout), message.data(), connection);
            s.seconds += Seconds(t);
            ++s.runs;
        }
    });
}

// The console lines of the run are dropped (the context has no console).
Timing TimedRun(const TRunContext& context) {
    return Measure([&context] {
        batch::Tdm_BLXExport module(context);
        module.CalcSollIst();
    });
}

} // namespace

int main(int argc, char** argv) {
    return bench::RunDatabaseBench(argc, "floor_bench <database> [<server>]", [&] {
        db::TDMConnection dm;
        bench::ConnectFromArguments(dm.IBCConnection, argc, argv);
        const TRunContext context{
            .Connection = dm.IBCConnection, .ErrorLogDir = batch::ErrorLogDir(), .Today = db::Today()};
        solltat::TSollStammdaten stammdaten;
        solltat::TSolltat(context, stammdaten).Calculate({}, false); // SOLLTAT exists before the recording

        Recorder recording;
        dm.IBCConnection.SetStatementObserver(&recording);
        TimedRun(context);
        dm.IBCConnection.SetStatementObserver(nullptr);
        const Timing run = TimedRun(context);

        std::vector<Replayed> statements;
        const Timing floor = Replay(dm.IBCConnection, recording, statements);

        fmt::print("wall: run {:.3f} s, floor {:.3f} s, run/floor {:.3f}; processor: run {:.3f} s, "
                   "floor {:.3f} s, run/floor {:.3f}; {} events ({} statements run, {} commits), {} distinct "
                   "statements\n",
                   run.wall, floor.wall, run.wall / floor.wall, run.cpu, floor.cpu, run.cpu / floor.cpu,
                   recording.Events(), recording.Statements(), recording.Commits(), statements.size());
        std::vector<std::size_t> order(statements.size());
        for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::sort(order.begin(), order.end(),
                  [&](auto a, auto b) { return statements[a].seconds > statements[b].seconds; });
        fmt::print("floor by statement (seconds, executions, rows, SQL):\n");
        for (std::size_t i = 0; i < order.size(); ++i) {
            const auto& s = statements[order[i]];
            std::string sql = recording.Sqls()[order[i]].substr(0, 90);
            std::replace(sql.begin(), sql.end(), '\n', ' ');
            fmt::print("  {:8.3f} {:8} {:9}  {}\n", s.seconds, s.runs, s.rows, sql);
        }
    });
}
