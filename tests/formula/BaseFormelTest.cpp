#include "formula/BaseFormel.h"

#include "support/Locale.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale>
#include <map>
#include <string>
#include <vector>

namespace sollist::formula {
namespace {

// A context with a few variables and one value table that records every resolution call.
class TTestFormel : public TBaseFormel {
public:
    std::map<std::string, double> Variables{{"A", 2}, {"B", 600}, {"H", 720.5}, {"L1", 500}, {"SIN30", 7}};
    std::map<std::int32_t, std::string> Tables{{2, "16;19;22;25;28"}};
    std::vector<std::string> Calls;

protected:
    double GetVarValue(const std::string& name) override {
        Calls.push_back(name);
        const auto it = Variables.find(name);
        if (it == Variables.end())
            throw EParseErr("Unzulässige Variable: " + name);
        return it->second;
    }

    double GetTabValue(std::int32_t tableNumber, char mode, double value) override {
        Calls.push_back("TAB" + std::string(1, mode) + std::to_string(tableNumber) + "(" +
                        std::to_string(value) + ")");
        const auto it = Tables.find(tableNumber);
        if (it == Tables.end())
            throw EParseErr("Kein Tabelleneintrag " + std::to_string(tableNumber));
        return LookupValueTable(it->second, mode, value);
    }
};

struct TValueCase {
    const char* formula;
    double expected;
};

void PrintTo(const TValueCase& c, std::ostream* out) { *out << c.formula; }

// Exact results: ordinary arithmetic, numbers, precedence, the functions that return exact
// values, value tables. Trigonometry gets its own tolerance below.
const TValueCase kValues[] = {
    {"", 0},
    {"   ", 0},
    {"2 * 3", 6},
    {"1 000", 1000},
    {"1,5*2", 3},
    {"1.5*2", 3},
    {"007", 7},
    {"0.1", 0.1},
    {"3,14159265358979323846", 3.14159265358979323846},
    {"123456789012345678901234567890", 123456789012345678901234567890.0},
    {"-2+3", 1},
    {"+2", 2},
    {"-2**2", -4},
    {"-(2+3)*2", -10},
    {"2*(-3)", -6},
    {"7-2-1", 4},
    {"8/2/2", 2},
    {"1+2*3", 7},
    {"(1+2)*3", 9},
    {"2*3**2", 18},
    {"-0", 0},
    {"2**10", 1024},
    {"2**(-1)", 0.5},
    {"2**(-2)", 0.25},
    {"(-2)**3", -8},
    {"0**0", 1},
    {"0**5", 0},
    {"4**0.5", 2},
    {"0**0.5", 0},
    {"1**2147483647", 1},
    {"10**(-400)", 0},
    {"(0-1)**2147483647", -1},
    {"B*H/1000", 600 * 720.5 / 1000},
    {"SIN30", 7},
    {"SIN 30", 7},
    {"ABS(0-3)", 3},
    {"SQRT(16)", 4},
    {"LOG(100)", 2},
    {"LN(1)", 0},
    {"INT(-2.7)", -2},
    {"INT(2.7)", 2},
    {"RND(2.5)", 2},
    {"RND(3.5)", 4},
    {"RND(-2.5)", -2},
    {"RND(-0.5)", 0},
    {"RND(2.4999)", 2},
    {"RND(0-9223372036854775808)", -9223372036854775808.0},
    {"CEIL(2.1)", 3},
    {"CEIL(2)", 2},
    {"CEIL(2.000000001)", 2},
    {"CEIL(-1.5)", 0},
    {"CEIL(-2)", -1},
    {"MIN(3;2)", 2},
    {"MAX(3;2)", 3},
    {"MIN(1+1;B)", 2},
    {"MAX(L1;B)", 600},
    {"IF(1<2;10;20)", 10},
    {"IF(1>2;10;20)", 20},
    {"IF((A+1)>B;1;0)", 0},
    {"IF(A=2;1+1;0)", 2},
    {"IF(2=2.0000000000001;1;0)", 1},
    {"IF(0=0.0000000000005;1;0)", 1},
    {"IF(0=0.000000000002;1;0)", 0},
    {"IF(1<1.0000000000001;1;0)", 0},
    {"IF(1000000<1000000.1;1;0)", 1},
    {"IF(IF(1<2;1;0)=1;5;6)", 5},
    {"TABG(20;2)", 22},
    {"TABK(20;2)", 19},
    {"TABG(22;2)", 22},
    {"TABK(22;2)", 22},
    {"TABK(28;2)", 28},
    {"TABG(20;2.9)", 22},
};

class TFormelValueTest : public testing::TestWithParam<TValueCase> {};

TEST_P(TFormelValueTest, ComputesTheValue) {
    TTestFormel formel;
    EXPECT_EQ(formel.BerechneFormel(GetParam().formula), GetParam().expected) << GetParam().formula;
}

INSTANTIATE_TEST_SUITE_P(Formulas, TFormelValueTest, testing::ValuesIn(kValues));

TEST(TFormelTrigonometry, WorksInDegrees) {
    const TValueCase cases[] = {
        {"SIN(30)", 0.5},  {"COS(60)", 0.5}, {"TAN(45)", 1}, {"COT(45)", 1},  {"ATAN(1)", 45},
        {"ASIN(0.5)", 30}, {"ACOS(0)", 90},  {"ACOS(1)", 0}, {"SIN(180)", 0}, {"COS(90)", 0},
    };
    TTestFormel formel;
    for (const auto& c : cases) EXPECT_NEAR(formel.BerechneFormel(c.formula), c.expected, 1e-15) << c.formula;
}

TEST(TFormelNegativeZero, ResultsAreNeverNegativeZero) {
    TTestFormel formel;
    for (const char* formula : {"-0", "CEIL(-1.5)", "INT(-0.5)", "0*(0-1)"})
        EXPECT_FALSE(std::signbit(formel.BerechneFormel(formula))) << formula;
}

struct TErrorCase {
    const char* formula;
    const char* message;
};

void PrintTo(const TErrorCase& c, std::ostream* out) { *out << c.formula; }

const TErrorCase kParseErrors[] = {
    // lexical errors, also where the grammar only looks ahead
    {".5", "Lexikalischer Fehler: ."},
    {"1.5.3", "Lexikalischer Fehler: ."},
    {"2x", "Lexikalischer Fehler: x"},
    {"2^3", "Lexikalischer Fehler: ^"},
    {"(1)x", "Lexikalischer Fehler: x"},
    {"2\t+1", "Lexikalischer Fehler: \t"},
    {"b*2", "Lexikalischer Fehler: b"},
    {"2+ä", "Lexikalischer Fehler: ä"},
    {"2+\xFF", "Lexikalischer Fehler: \xEF\xBF\xBD"},
    {"2+\xC3", "Lexikalischer Fehler: \xEF\xBF\xBD"},
    // the grammar
    {"1.", "Syntaxfehler !"},
    {"1,", "Syntaxfehler !"},
    {"1E5", "Syntaxfehler !"},
    {"2*-3", "Syntaxfehler !"},
    {"--2", "Syntaxfehler !"},
    {"2**3**2", "Syntaxfehler !"},
    {"(2**3**2)", "Klammerfehler !"},
    {"2**-1", "Syntaxfehler !"},
    {"(1+2", "Klammerfehler !"},
    {"1+2)", "Syntaxfehler !"},
    {"1)x", "Syntaxfehler !"},
    {"()", "Syntaxfehler !"},
    {"2+", "Syntaxfehler !"},
    {"2A", "Syntaxfehler !"},
    {"ABS", "Klammerfehler !"},
    {"ABS+1", "Klammerfehler !"},
    {"MIN", "Syntaxfehler !"},
    {"IF", "Syntaxfehler !"},
    {"ABS(1;2)", "Klammerfehler !"},
    {"MIN(3,2)", "Fehlender Strickpunkt !"},
    {"MIN(1;2;3)", "Klammerfehler !"},
    {"MIN(1;2", "Klammerfehler !"},
    {"IF(1+1>1;1;0)", "Syntaxfehler !"},
    {"IF(1<=2;1;0)", "Syntaxfehler !"},
    {"IF(1<>2;1;0)", "Syntaxfehler !"},
    {"IF(1;1;0)", "Syntaxfehler !"},
    {"IF(A;1;0)", "Syntaxfehler !"},
    {"IF(1>0;1)", "Fehlender Strickpunkt !"},
    {"IF(1>0)", "Fehlender Strickpunkt !"},
    {"IF(1>0;1;0", "Klammerfehler !"},
    // refused operations
    {"10/0", "Division durch Null !"},
    {"10/(1-1)", "Division durch Null !"},
    {"IF(1>0;1;1/0)", "Division durch Null !"},
    {"SQRT(0)", "Wurzel aus negativer Zahl !"},
    {"SQRT(-4)", "Wurzel aus negativer Zahl !"},
    {"LOG(0)", "Negativer Logarithmus !"},
    {"LN(0-1)", "Negativer Logarithmus !"},
    // resolution errors end the evaluation
    {"X+1", "Unzulässige Variable: X"},
    {"TABG(15.9;2)", "Wert liegt nicht innerhalb des Tabellenwertebereichs !"},
    {"TABK(28.1;2)", "Wert liegt nicht innerhalb des Tabellenwertebereichs !"},
    {"TABG(20;7)", "Kein Tabelleneintrag 7"},
};

class TFormelParseErrorTest : public testing::TestWithParam<TErrorCase> {};

// "kind: message" of the failure of a formula, or its value.
std::string Outcome(const char* formula) {
    try {
        return std::to_string(TTestFormel().BerechneFormel(formula));
    } catch (const Exception& error) {
        return std::string(error.kind()) + ": " + error.what();
    }
}

TEST_P(TFormelParseErrorTest, RaisesTheMessage) {
    EXPECT_EQ(Outcome(GetParam().formula), std::string("EParseErr: ") + GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(Formulas, TFormelParseErrorTest, testing::ValuesIn(kParseErrors));

// Arithmetic faults are distinct kinds, never EParseErr and never an infinity or NaN result.
const TErrorCase kFaults[] = {
    {"COT(0)", "EZeroDivide"},
    {"0**(0-1)", "EZeroDivide"},
    {"0**(0-0.5)", "EZeroDivide"},
    {"ASIN(1.0001)", "EInvalidOp"},
    {"ACOS(0-2)", "EInvalidOp"},
    {"(0-8)**0.5", "EInvalidOp"},
    {"RND(10**19)", "EInvalidOp"},
    {"RND(9223372036854775808)", "EInvalidOp"},
    {"TABG(20;10**10)", "EInvalidOp"},
    {"10**400", "EOverflow"},
    {"2**3000000000", "EOverflow"},
    {"10**200*10**200", "EOverflow"},
    {"0-10**200*10**200", "EOverflow"},
    {"10**300/10**(0-300)", "EOverflow"},
    {"10**308+10**308", "EOverflow"},
    {"COT(10**(0-320))", "EOverflow"},
    {"1000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000",
     "EOverflow"},
};

class TFormelFaultTest : public testing::TestWithParam<TErrorCase> {};

TEST_P(TFormelFaultTest, RaisesTheFaultKind) {
    const std::string outcome = Outcome(GetParam().formula);
    EXPECT_EQ(outcome.substr(0, outcome.find(':')), GetParam().message) << outcome;
}

INSTANTIATE_TEST_SUITE_P(Formulas, TFormelFaultTest, testing::ValuesIn(kFaults));

TEST(TFormelNumbers, TinyLiteralUnderflowsSilently) {
    TTestFormel formel;
    EXPECT_EQ(formel.BerechneFormel("0," + std::string(400, '0') + "1"), 0.0);
}

TEST(TFormelResolution, VariablesAndTablesAreAskedOnceEachInTextOrder) {
    TTestFormel formel;
    // both IF branches are evaluated; the table number 2.9 looks up table 2
    EXPECT_EQ(formel.BerechneFormel("IF(A<B;H;L1)+TABK(20;2.9)*A+SIN30"), 720.5 + 19 * 2 + 7);
    const std::vector<std::string> expected{"A", "B", "H", "L1", "TABk2(20.000000)", "A", "SIN30"};
    EXPECT_EQ(formel.Calls, expected);
}

TEST(TFormelResolution, NonFiniteVariableValueIsAFault) {
    TTestFormel formel;
    formel.Variables["A"] = std::numeric_limits<double>::infinity();
    EXPECT_THROW(formel.BerechneFormel("A*0"), EOverflow);
    formel.Variables["A"] = std::numeric_limits<double>::quiet_NaN();
    EXPECT_THROW(formel.BerechneFormel("IF(A=A;1;0)"), EInvalidOp);
}

TEST(TFormelNesting, DeepNestingIsRefusedWithoutExhaustingTheStack) {
    TTestFormel formel;
    const auto nested = [](int depth) { return std::string(depth, '(') + "1" + std::string(depth, ')'); };
    EXPECT_EQ(formel.BerechneFormel(nested(150)), 1);
    EXPECT_THROW(formel.BerechneFormel(nested(100000)), EParseErr);
    EXPECT_THROW(formel.BerechneFormel(std::string(100000, '(')), EParseErr);
}

// Numbers read the same whatever the process locale says about the decimal separator.
class TFormelLocaleTest : public testing::Test {
protected:
    void SetUp() override {
        if (std::setlocale(LC_ALL, test::DecimalCommaLocale::Name) == nullptr &&
            std::setlocale(LC_ALL, "de_DE.utf8") == nullptr)
            GTEST_SKIP() << "no locale with a comma decimal separator available";
        ASSERT_STREQ(std::localeconv()->decimal_point, ",");
        std::locale::global(std::locale(std::setlocale(LC_ALL, nullptr)));
    }

    void TearDown() override {
        std::setlocale(LC_ALL, "C");
        std::locale::global(std::locale::classic());
    }

    test::DecimalCommaLocale locale_;
};

TEST_F(TFormelLocaleTest, ReadsBothSeparatorsUnderACommaLocale) {
    TTestFormel formel;
    for (const auto& c : kValues) EXPECT_EQ(formel.BerechneFormel(c.formula), c.expected) << c.formula;
}

} // namespace
} // namespace sollist::formula
