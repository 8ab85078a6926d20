// Recursive descent over the formula text that computes while it parses: no token list, no
// tree. The scanner looks at the current position without moving it; each grammar step moves
// the position past what it accepts. Asking the scanner about a character that starts no
// token raises the lexical error, also when a step only looks ahead.
#include "formula/BaseFormel.h"

#include "common/Text.h"
#include "formula/BaseFormelMath.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstddef>
#include <string>

namespace sollist::formula {

using namespace math;

namespace {

constexpr const char* kSyntaxError = "Syntaxfehler !";
constexpr const char* kBracketError = "Klammerfehler !";
constexpr const char* kMissingSemicolon = "Fehlender Strickpunkt !";

// Nesting beyond this depth is refused instead of exhausting the stack; stored formulas hold
// at most 35 characters and so never come near it.
constexpr int kMaxDepth = 200;

enum class TTok {
    End,
    Number,
    BadNumber,
    LParen,
    RParen,
    Plus,
    Minus,
    Times,
    Slash,
    Power,
    Semicolon,
    Less,
    Equal,
    Greater,
    Name
};

struct TToken {
    TTok kind;
    std::size_t length;
};

constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }

// The offending character of a lexical error: a whole UTF-8 sequence where one starts, the
// replacement character for a byte that starts none, so the message stays valid UTF-8.
std::string OffendingCharacter(std::string_view text, std::size_t pos) {
    std::size_t end = pos;
    if (text::NextCodePoint(text, end) == text::kInvalidCodePoint)
        return "\xEF\xBF\xBD";
    return std::string(text.substr(pos, end - pos));
}

// Decimal text of digits with at most one "." or "," separator, independent of the locale.
double NumberValue(std::string_view digits) {
    // Fast path: the digits as an integer below 2^53 divided by an exact power of ten is
    // correctly rounded, exactly as the general conversion below.
    static constexpr std::array<double, 23> kPow10{1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    constexpr std::uint64_t kExactLimit = std::uint64_t{1} << 53;
    std::uint64_t mantissa = 0;
    std::size_t fractionDigits = 0;
    bool inFraction = false;
    bool exact = true;
    for (char c : digits) {
        if (!IsDigit(c)) {
            inFraction = true;
            continue;
        }
        mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - '0');
        fractionDigits += inFraction ? 1 : 0;
        if (mantissa >= kExactLimit / 10) {
            exact = false;
            break;
        }
    }
    if (exact && fractionDigits < kPow10.size())
        return static_cast<double>(mantissa) / kPow10[fractionDigits];

    std::string text(digits);
    std::replace(text.begin(), text.end(), ',', '.');
    double value = 0;
    const auto error = std::from_chars(text.data(), text.data() + text.size(), value).ec;
    if (error == std::errc::result_out_of_range) {
        // Below the smallest double (no digit but 0 before the separator) is a silent
        // underflow; anything else is an overflow.
        if (text.find_first_not_of('0') >= text.find('.'))
            return 0.0;
        throw EOverflow("Gleitkommaüberlauf bei Zahl " + text);
    }
    return value;
}

} // namespace

class TBaseFormel::Parser {
public:
    Parser(TBaseFormel& context, std::string_view text) : context_(context), text_(text) {}

    double Formula() {
        const double value = Expression();
        if (pos_ < text_.size())
            throw EParseErr(kSyntaxError); // text left over
        return value + 0.0;                // no negative zero in a result
    }

private:
    TBaseFormel& context_;
    std::string_view text_;
    std::size_t pos_ = 0;
    int depth_ = 0;

    struct TNesting {
        explicit TNesting(int& depth) : depth_(depth) {
            if (++depth_ > kMaxDepth)
                throw EParseErr("Formel zu tief verschachtelt !");
        }
        ~TNesting() { --depth_; }
        TNesting(const TNesting&) = delete;
        TNesting& operator=(const TNesting&) = delete;
        int& depth_;
    };

    char At(std::size_t pos) const { return pos < text_.size() ? text_[pos] : '\0'; }

    TToken Peek() const {
        if (pos_ >= text_.size())
            return {TTok::End, 0};
        const char c = text_[pos_];
        switch (c) {
        case '(': return {TTok::LParen, 1};
        case ')': return {TTok::RParen, 1};
        case '+': return {TTok::Plus, 1};
        case '-': return {TTok::Minus, 1};
        case '*': return At(pos_ + 1) == '*' ? TToken{TTok::Power, 2} : TToken{TTok::Times, 1};
        case '/': return {TTok::Slash, 1};
        case ';': return {TTok::Semicolon, 1};
        case '<': return {TTok::Less, 1};
        case '=': return {TTok::Equal, 1};
        case '>': return {TTok::Greater, 1};
        default: break;
        }
        if (IsDigit(c))
            return ScanNumber();
        if (IsUpper(c)) {
            std::size_t end = pos_ + 1;
            while (end < text_.size() && (IsUpper(text_[end]) || IsDigit(text_[end]))) ++end;
            return {TTok::Name, end - pos_};
        }
        throw EParseErr("Lexikalischer Fehler: " + OffendingCharacter(text_, pos_));
    }

    TToken ScanNumber() const {
        std::size_t end = pos_;
        while (end < text_.size() && IsDigit(text_[end])) ++end;
        const char next = At(end);
        if (next != '.' && next != ',')
            return {TTok::Number, end - pos_};
        if (!IsDigit(At(end + 1)))
            return {TTok::BadNumber, end - pos_};
        for (++end; end < text_.size() && IsDigit(text_[end]);) ++end;
        return {TTok::Number, end - pos_};
    }

    // Consumes the required token or raises the message for its absence.
    void Expect(TTok kind, const char* message) {
        const TToken token = Peek();
        if (token.kind != kind)
            throw EParseErr(message);
        pos_ += token.length;
    }

    // expression = [ "+" | "-" ] term { ("+" | "-") term }
    double Expression() {
        TNesting nesting(depth_);
        TToken token = Peek();
        double sign = 1.0;
        if (token.kind == TTok::Plus || token.kind == TTok::Minus) {
            pos_ += token.length;
            sign = token.kind == TTok::Minus ? -1.0 : 1.0;
        }
        double value = Term() * sign;
        for (token = Peek(); token.kind == TTok::Plus || token.kind == TTok::Minus; token = Peek()) {
            pos_ += token.length;
            const double right = Term();
            value = token.kind == TTok::Plus ? Add(value, right) : Subtract(value, right);
        }
        return value;
    }

    // term = power { ("*" | "/") power }
    double Term() {
        double value = Power();
        for (TToken token = Peek(); token.kind == TTok::Times || token.kind == TTok::Slash; token = Peek()) {
            pos_ += token.length;
            const double right = Power();
            value = token.kind == TTok::Times ? Multiply(value, right) : Divide(value, right);
        }
        return value;
    }

    // power = factor [ "**" factor ]; a second "**" is left for the enclosing rules.
    double Power() {
        const double base = Factor();
        const TToken token = Peek();
        if (token.kind != TTok::Power)
            return base;
        pos_ += token.length;
        const double exponent = Factor();
        return math::Power(base, exponent);
    }

    double Factor() {
        const TToken token = Peek();
        switch (token.kind) {
        case TTok::LParen: {
            pos_ += token.length;
            const double value = Expression();
            Expect(TTok::RParen, kBracketError);
            return value;
        }
        case TTok::Number: {
            const double value = NumberValue(text_.substr(pos_, token.length));
            pos_ += token.length;
            return Checked(value, "Zahl");
        }
        case TTok::Name: return NameFactor(text_.substr(pos_, token.length));
        default: throw EParseErr(kSyntaxError);
        }
    }

    double NameFactor(std::string_view name) {
        pos_ += name.size();
        const TFunktion function = ClassifyName(name);
        if (function == TFunktion::None) {
            const std::string variable(name);
            return Checked(context_.GetVarValue(variable), variable);
        }
        if (IsOneArgument(function)) {
            Expect(TTok::LParen, kBracketError);
            const double x = Expression();
            Expect(TTok::RParen, kBracketError);
            return OneArgument(function, x);
        }
        Expect(TTok::LParen, kSyntaxError);
        if (function == TFunktion::If)
            return IfRest();
        const double a = Expression();
        Expect(TTok::Semicolon, kMissingSemicolon);
        const double b = Expression();
        Expect(TTok::RParen, kBracketError);
        if (function == TFunktion::Min || function == TFunktion::Max)
            return MinMax(function, a, b);
        const char mode = function == TFunktion::TabG ? 'g' : 'k';
        return Checked(context_.GetTabValue(TableNumber(b), mode, a), name);
    }

    // The rest of IF after its "(": condition ";" expression ";" expression ")". Both
    // branches are evaluated, so an error in the one not taken still ends the formula.
    double IfRest() {
        const bool holds = Condition();
        Expect(TTok::Semicolon, kMissingSemicolon);
        const double whenTrue = Expression();
        Expect(TTok::Semicolon, kMissingSemicolon);
        const double whenFalse = Expression();
        Expect(TTok::RParen, kBracketError);
        return holds ? whenTrue : whenFalse;
    }

    // condition = factor ("<" | "=" | ">") factor
    bool Condition() {
        const double a = Factor();
        const TToken token = Peek();
        if (token.kind != TTok::Less && token.kind != TTok::Equal && token.kind != TTok::Greater)
            throw EParseErr(kSyntaxError);
        pos_ += token.length;
        const double b = Factor();
        if (token.kind == TTok::Equal)
            return math::Equal(a, b);
        return !math::Equal(a, b) && (token.kind == TTok::Less ? a < b : a > b);
    }
};

double TBaseFormel::BerechneFormel(std::string_view text) {
    // Spaces go first, wherever they stand; most stored formulas hold none.
    std::string compact;
    if (text.find(' ') != std::string_view::npos) {
        compact.reserve(text.size());
        std::copy_if(text.begin(), text.end(), std::back_inserter(compact), [](char c) { return c != ' '; });
        text = compact;
    }
    if (text.empty())
        return 0.0;
    return Parser(*this, text).Formula();
}

} // namespace sollist::formula
