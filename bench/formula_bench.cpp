// The formula evaluator against muParser on the same realistic part-type formulas, each
// call parsing its text afresh (muParser: SetExpr + Eval), as the batch evaluates every
// formula exactly once.
#include "formula/BaseFormel.h"

#include <benchmark/benchmark.h>
#include <muParser.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

using namespace sollist::formula;

// Formulas of the common subset: + - * /, parentheses, variables, MIN/MAX, SQRT, ABS.
const std::vector<std::string> kFormulas{
    "B-2*19",        "H-2*19",       "(B-2*19)/2",         "L1+10",    "MIN(B;H)-6",          "MAX(B-38;200)",
    "SQRT(B*B+H*H)", "ABS(T-B)/2+4", "B*H/1000000",        "2*M",      "(H-3*19-2*(19+3))/3", "T-19-5",
    "1.5*B+0.25*H",  "(B+H)*2/1000", "MIN(L1;B-2*19)+3.5", "H/2-19/2",
};

struct TVariables {
    double B = 600, H = 720, T = 560, M = 2, L1 = 500;
};

// Variables by name through a hash map, as a formula context would resolve them.
class TBenchFormel final : public TBaseFormel {
public:
    explicit TBenchFormel(const TVariables& v)
        : values_{{"B", v.B}, {"H", v.H}, {"T", v.T}, {"M", v.M}, {"L1", v.L1}} {}

protected:
    double GetVarValue(const std::string& name) override { return values_.at(name); }
    double GetTabValue(std::int32_t, char, double) override { throw EParseErr("Kein Tabelleneintrag"); }

private:
    std::unordered_map<std::string, double> values_;
};

// muParser spells functions in lower case and separates arguments with ",".
std::string ForMuParser(std::string formula) {
    for (char& c : formula) {
        if (c == ';')
            c = ',';
    }
    for (const char* name : {"MIN", "MAX", "SQRT", "ABS"}) {
        for (auto at = formula.find(name); at != std::string::npos; at = formula.find(name, at + 1))
            for (std::size_t i = 0; name[i] != '\0'; ++i)
                formula[at + i] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[i])));
    }
    return formula;
}

struct TMuParser {
    TVariables v;
    mu::Parser parser;
    TMuParser() {
        parser.DefineVar("B", &v.B);
        parser.DefineVar("H", &v.H);
        parser.DefineVar("T", &v.T);
        parser.DefineVar("M", &v.M);
        parser.DefineVar("L1", &v.L1);
    }
};

std::vector<std::string> MuParserFormulas() {
    std::vector<std::string> result;
    for (const auto& formula : kFormulas) result.push_back(ForMuParser(formula));
    return result;
}

// Both evaluators must agree before their speed means anything.
void CheckSameValues() {
    TBenchFormel formel{TVariables{}};
    TMuParser mu;
    const auto translated = MuParserFormulas();
    for (std::size_t i = 0; i < kFormulas.size(); ++i) {
        mu.parser.SetExpr(translated[i]);
        const double ours = formel.BerechneFormel(kFormulas[i]);
        const double theirs = mu.parser.Eval();
        if (std::fabs(ours - theirs) > 1e-9 * std::fabs(ours)) {
            std::fprintf(stderr, "%s: %.17g, muParser %.17g\n", kFormulas[i].c_str(), ours, theirs);
            std::exit(1);
        }
    }
}

void BM_BerechneFormel(benchmark::State& state) {
    TBenchFormel formel{TVariables{}};
    for (auto _ : state)
        for (const auto& formula : kFormulas) benchmark::DoNotOptimize(formel.BerechneFormel(formula));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kFormulas.size()));
}
BENCHMARK(BM_BerechneFormel);

void BM_MuParserSetExprEval(benchmark::State& state) {
    TMuParser mu;
    const auto translated = MuParserFormulas();
    for (auto _ : state)
        for (const auto& formula : translated) {
            mu.parser.SetExpr(formula);
            benchmark::DoNotOptimize(mu.parser.Eval());
        }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * translated.size()));
}
BENCHMARK(BM_MuParserSetExprEval);

} // namespace

int main(int argc, char** argv) {
    CheckSameValues();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
