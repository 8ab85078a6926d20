#include "StoredFigures.h"

#include "db/Connection.h"
#include "db/Statement.h"

#include <fmt/format.h>

#include <type_traits>
#include <variant>

namespace sollist::test {

namespace {

// Shortest text that reads back to the same double; "-" for NULL.
std::string Exact(const db::TValue& value) {
    return std::visit(
        [](const auto& v) -> std::string {
            using V = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<V, std::monostate>)
                return "-";
            else
                return fmt::format("{}", v);
        },
        value);
}

void AppendRows(db::TIBCConnection& connection, const std::string& sql, std::string& out) {
    connection.Prepare(sql).Query({}, [&](std::vector<db::TValue>& row) {
        for (std::size_t i = 0; i < row.size(); ++i) out += (i ? "/" : "") + Exact(row[i]);
        out += '\n';
    });
}

} // namespace

std::string StoredFigures(db::TIBCConnection& connection) {
    std::string out;
    AppendRows(
        connection,
        "SELECT ASOFNUMM, ASRMTAT, ASKONUMM, ASSOLLSTD, ASISTSTD FROM AUFSSTD ORDER BY ASOFNUMM, ASRMTAT",
        out);
    AppendRows(connection,
               "SELECT AOFNUMM, ASSOLLSTND, ASISTSTND, ASREGSTND, AOFFSTND, ASISTBIS, ASKOLETZT FROM AUFTRAG "
               "ORDER BY AOFNUMM",
               out);
    connection.AutoCommit(); // a fresh snapshot for the next call
    return out;
}

} // namespace sollist::test
