#include "db/SqlText.h"

#include "common/Text.h"

#include <algorithm>
#include <cctype>

namespace sollist::db {

namespace {

bool IsWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$'; }

// The text with literal contents, quoted names and comments turned into blanks, so that
// keywords, parentheses and ":" can be searched in it at the same positions as in the original.
std::string Blanked(const std::string& sql) {
    std::string out = sql;
    std::size_t i = 0;
    auto blankUntil = [&](std::size_t end) {
        for (; i < end && i < out.size(); ++i)
            if (out[i] != '\n')
                out[i] = ' ';
    };
    while (i < sql.size()) {
        char c = sql[i];
        if (c == '\'' || c == '"') {
            std::size_t end = i + 1;
            for (;;) {
                end = sql.find(c, end);
                if (end == std::string::npos) {
                    end = sql.size();
                    break;
                }
                if (end + 1 < sql.size() && sql[end + 1] == c) {
                    end += 2;
                    continue;
                }
                ++end;
                break;
            }
            ++i; // keep the opening quote
            blankUntil(end > i ? end - 1 : i);
            i = end;
        } else if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
            blankUntil(std::min(sql.find('\n', i), sql.size()));
        } else if (c == '/' && i + 1 < sql.size() && sql[i + 1] == '*') {
            std::size_t end = sql.find("*/", i + 2);
            blankUntil(end == std::string::npos ? sql.size() : end + 2);
        } else {
            ++i;
        }
    }
    return out;
}

struct Word {
    std::size_t position;
    std::string upper;
};

// Words outside parentheses, in order.
std::vector<Word> OuterWords(const std::string& blanked) {
    std::vector<Word> words;
    int depth = 0;
    for (std::size_t i = 0; i < blanked.size();) {
        char c = blanked[i];
        if (c == '(') {
            ++depth;
            ++i;
            continue;
        }
        if (c == ')') {
            --depth;
            ++i;
            continue;
        }
        if (IsWordChar(c)) {
            std::size_t end = i;
            while (end < blanked.size() && IsWordChar(blanked[end])) ++end;
            if (depth == 0)
                words.push_back({i, text::UpperAscii(std::string_view(blanked).substr(i, end - i))});
            i = end;
            continue;
        }
        ++i;
    }
    return words;
}

bool EndsWhereClause(const std::string& word) {
    static const char* const clauses[] = {"GROUP", "HAVING", "ORDER",  "UNION", "PLAN", "ROWS",
                                          "FOR",   "WINDOW", "OFFSET", "FETCH", "WITH"};
    return std::any_of(std::begin(clauses), std::end(clauses),
                       [&](const char* clause) { return word == clause; });
}

std::string TrimRight(std::string text) {
    text.erase(text.find_last_not_of(" \t\r\n") + 1);
    return text;
}

} // namespace

std::vector<std::string> SplitNames(std::string_view names) {
    std::vector<std::string> result;
    std::size_t start = 0;
    while (start <= names.size()) {
        std::size_t end = std::min(names.find(';', start), names.size());
        std::string name = text::Trim(names.substr(start, end - start), " ");
        if (!name.empty())
            result.push_back(std::move(name));
        start = end + 1;
    }
    return result;
}

std::string StoredName(std::string_view written) {
    std::string name = text::Trim(written, " ");
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
        return name.substr(1, name.size() - 2);
    return text::UpperAscii(name);
}

std::string AddFilter(const std::string& sql, const std::string& condition) {
    if (condition.empty())
        return sql;
    const std::string text = TrimRight(sql);
    const std::vector<Word> words = OuterWords(Blanked(text));
    auto from = std::find_if(words.begin(), words.end(), [](const Word& w) { return w.upper == "FROM"; });
    auto where = std::find_if(from, words.end(), [](const Word& w) { return w.upper == "WHERE"; });
    auto clause = std::find_if(where == words.end() ? from : where, words.end(),
                               [](const Word& w) { return EndsWhereClause(w.upper); });
    const std::size_t clauseStart = clause == words.end() ? text.size() : clause->position;
    if (where != words.end()) {
        const std::size_t conditionStart = where->position + 5;
        std::string existing = text::Trim(text.substr(conditionStart, clauseStart - conditionStart));
        std::string rest = clause == words.end() ? std::string() : "\n" + text.substr(clauseStart);
        return text.substr(0, where->position) + "WHERE (" + existing + ") AND " + condition + rest;
    }
    std::string head = TrimRight(text.substr(0, clauseStart));
    std::string rest = clause == words.end() ? std::string() : "\n" + text.substr(clauseStart);
    return head + "\nWHERE " + condition + rest;
}

std::string FirstFromTable(const std::string& sql) {
    const std::string blanked = Blanked(sql);
    for (const Word& word : OuterWords(blanked)) {
        if (word.upper != "FROM")
            continue;
        std::size_t at = blanked.find_first_not_of(" \t\r\n", word.position + 4);
        if (at == std::string::npos)
            return {};
        if (sql[at] == '"') {
            std::size_t end = sql.find('"', at + 1);
            return sql.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1);
        }
        std::size_t end = at;
        while (end < sql.size() && IsWordChar(sql[end])) ++end;
        return text::UpperAscii(std::string_view(sql).substr(at, end - at));
    }
    return {};
}

std::vector<std::string> SplitStatements(const std::string& script) {
    std::vector<std::string> statements;
    const std::string blanked = Blanked(script);
    std::string terminator = ";";
    std::size_t start = 0;
    while (start < script.size()) {
        std::size_t end = blanked.find(terminator, start);
        std::string statement =
            text::Trim(script.substr(start, end == std::string::npos ? std::string::npos : end - start));
        start = end == std::string::npos ? script.size() : end + terminator.size();
        std::string words = text::UpperAscii(text::Trim(Blanked(statement)));
        if (words.rfind("SET TERM", 0) == 0) {
            terminator = text::Trim(words.substr(8));
            continue;
        }
        if (words.empty() || words.rfind("SET SQL DIALECT", 0) == 0 || words.rfind("SET NAMES", 0) == 0 ||
            words.rfind("SET AUTODDL", 0) == 0)
            continue;
        statements.push_back(statement);
    }
    return statements;
}

void ParamSet::Parse(const std::string& sql) {
    if (sql == source_ && !sql.empty())
        return;
    source_ = sql;
    sql_.clear();
    byName_.clear();
    positions_.clear();
    const std::string blanked = Blanked(sql);
    std::size_t copied = 0;
    for (std::size_t i = 0; i + 1 < blanked.size(); ++i) {
        if (blanked[i] != ':' ||
            !(std::isalpha(static_cast<unsigned char>(blanked[i + 1])) || blanked[i + 1] == '_'))
            continue;
        if (i > 0 && (IsWordChar(blanked[i - 1]) || blanked[i - 1] == ':'))
            continue;
        std::size_t end = i + 1;
        while (end < blanked.size() && IsWordChar(blanked[end])) ++end;
        const std::string name = sql.substr(i + 1, end - i - 1);
        const std::string key = text::UpperAscii(name);
        auto seen = seen_.find(key);
        if (seen == seen_.end()) {
            params_.emplace_back(name);
            seen = seen_.emplace(key, params_.size() - 1).first;
        }
        byName_.emplace(key, seen->second);
        positions_.push_back(seen->second);
        sql_ += sql.substr(copied, i - copied);
        sql_ += '?';
        copied = end;
        i = end - 1;
    }
    sql_ += sql.substr(copied);
}

TParam* ParamSet::Find(std::string_view name) {
    auto found = byName_.find(text::UpperAscii(name));
    return found == byName_.end() ? nullptr : &params_[found->second];
}

std::vector<TValue> ParamSet::Values() const {
    std::vector<TValue> values;
    values.reserve(positions_.size());
    for (std::size_t index : positions_) values.push_back(params_[index].Value());
    return values;
}

} // namespace sollist::db
