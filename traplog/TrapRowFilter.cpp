#include "traplog/TrapRowFilter.h"

#include <arpa/inet.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <optional>

#include "platform/Encoding.h"
#include "traplog/ReadableText.h"
#include "traplog/TextFind.h"

namespace {

enum class Op { Present, Eq, Ne, Lt, Le, Gt, Ge, Contains };
// How a field's values compare: texts (and numbers, when both sides are), the receive
// date, addresses with CIDR, the event picture's number, the name column, the readable
// text of the bindings, one binding, or the plain search of the box.
enum class Kind { Cell, Date, Address, Event, Trap, Readable, Binding, Plain };

struct Field {
    const char* name;
    Kind kind;
    int column;
    bool numeric;  // written without quotes by FilterExpressionFor
    const char* about;
};

constexpr int kNameColumn = kTrapListColumns;

constexpr std::array<Field, 37> kFields = {{
    {"event", Kind::Event, 0, true, "イベント (genericTrap 0-7)"},
    {"date", Kind::Date, 1, false, "受信日時 (yyyy/mm/dd hh:mm:ss、後ろは省略可)"},
    {"source", Kind::Address, 2, true, "送信元 IP アドレス (CIDR 可)"},
    {"host", Kind::Cell, 3, false, "ホスト名"},
    {"version", Kind::Cell, 4, true, "バージョン (1, 2, 3)"},
    {"message", Kind::Cell, 5, false, "トラップメッセージ"},
    {"community", Kind::Cell, 6, false, "コミュニティ"},
    {"enterprise", Kind::Cell, 7, false, "エンタープライズ OID"},
    {"generic", Kind::Cell, 8, true, "Generic ID"},
    {"specific", Kind::Cell, 9, true, "Specific ID"},
    {"agent", Kind::Address, 10, true, "エージェントアドレス (SNMPv1)"},
    {"timetick", Kind::Cell, 11, false, "Time Tick"},
    {"msgid", Kind::Cell, 12, true, "msgID"},
    {"maxsize", Kind::Cell, 13, true, "Maximum size"},
    {"flags", Kind::Cell, 14, true, "Message flags"},
    {"secmodel", Kind::Cell, 15, true, "Security model"},
    {"engineidlen", Kind::Cell, 16, true, "Authoritative engine id len"},
    {"engineid", Kind::Cell, 17, false, "Authoritative engine id"},
    {"boots", Kind::Cell, 18, false, "Engine Boots"},
    {"enginetime", Kind::Cell, 19, false, "Engine Time"},
    {"user", Kind::Cell, 20, false, "ユーザー名"},
    {"authparamslen", Kind::Cell, 21, true, "Authentication parameters len"},
    {"authparams", Kind::Cell, 22, false, "Authentication parameters"},
    {"privparamslen", Kind::Cell, 23, true, "Privacy parameters len"},
    {"privparams", Kind::Cell, 24, false, "Privacy parameters"},
    {"ctxengineidlen", Kind::Cell, 25, true, "Context EngineID len"},
    {"ctxengineid", Kind::Cell, 26, false, "Context EngineID"},
    {"ctxnamelen", Kind::Cell, 27, true, "Context Name len"},
    {"ctxname", Kind::Cell, 28, false, "Context Name"},
    {"reqid", Kind::Cell, 29, true, "Request ID"},
    {"errstatus", Kind::Cell, 30, true, "Error status"},
    {"errindex", Kind::Cell, 31, true, "Error index"},
    {"bindings", Kind::Cell, 32, false, "Object ID = Value の列そのまま"},
    {"pdu", Kind::Cell, 33, false, "PDU"},
    {"trap", Kind::Trap, kNameColumn, false, "トラップ名 (IF-MIB::linkDown、linkDown) か OID"},
    {"text", Kind::Readable, -1, false, "バインディングの値の読める文字列"},
    {"any", Kind::Plain, -1, false, "すべての列 (検索ボックスの文字列検索と同じ)"},
}};

std::optional<long long> WholeNumber(std::string_view text) {
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

struct Network {
    int family = 0;
    std::array<uint8_t, 16> octets{};
    int prefix = 0;  // bits compared
};

std::optional<Network> ParseAddress(std::string_view text, bool allowPrefix) {
    std::string_view address = text;
    std::optional<int> prefix;
    if (const std::size_t slash = text.find('/'); slash != std::string_view::npos) {
        if (!allowPrefix) return std::nullopt;
        address = text.substr(0, slash);
        prefix = static_cast<int>(WholeNumber(text.substr(slash + 1)).value_or(-1));
    }
    std::array<char, 64> zeroEnded{};
    if (address.empty() || address.size() >= zeroEnded.size()) return std::nullopt;
    std::memcpy(zeroEnded.data(), address.data(), address.size());
    Network network;
    if (inet_pton(AF_INET, zeroEnded.data(), network.octets.data()) == 1) {
        network.family = AF_INET;
        network.prefix = 32;
    } else if (inet_pton(AF_INET6, zeroEnded.data(), network.octets.data()) == 1) {
        network.family = AF_INET6;
        network.prefix = 128;
    } else {
        return std::nullopt;
    }
    if (prefix) {
        if (*prefix < 0 || *prefix > network.prefix) return std::nullopt;
        network.prefix = *prefix;
    }
    return network;
}

bool InNetwork(const Network& address, const Network& network) {
    if (address.family != network.family) return false;
    const int whole = network.prefix / 8;
    if (std::memcmp(address.octets.data(), network.octets.data(), static_cast<std::size_t>(whole)))
        return false;
    const int rest = network.prefix % 8;
    if (rest == 0) return true;
    const auto mask = static_cast<uint8_t>(0xFF << (8 - rest));
    return (address.octets[static_cast<std::size_t>(whole)] & mask) ==
           (network.octets[static_cast<std::size_t>(whole)] & mask);
}

int CompareAddresses(const Network& a, const Network& b) {
    if (a.family != b.family) return a.family < b.family ? -1 : 1;
    return std::memcmp(a.octets.data(), b.octets.data(), a.family == AF_INET ? 4 : 16);
}

// "yyyy/mm/dd hh:mm:ss" or a leading part of it ("-" and "T" allowed as well) as the digits
// "yyyymmddhhmmss" of its precision.
std::optional<std::string> ParseDate(std::string_view text) {
    std::string digits;
    std::size_t i = 0;
    for (int group = 0; group < 6; ++group) {
        const std::size_t start = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
        const std::size_t count = i - start;
        if (group == 0 ? count != 4 : count < 1 || count > 2) return std::nullopt;
        if (group > 0 && count == 1) digits += '0';
        digits += text.substr(start, count);
        if (i == text.size()) return digits;
        const char separator = text[i];
        const bool fits = group < 2    ? separator == '/' || separator == '-'
                          : group == 2 ? separator == ' ' || separator == 'T'
                                       : separator == ':';
        if (!fits || group == 5) return std::nullopt;
        ++i;
    }
    return std::nullopt;
}

// The list's "yyyy/mm/dd hh:mm:ss" as 14 digits; false for any other text.
bool CellDate(std::string_view cell, std::array<char, 14>& digits) {
    static constexpr std::array<std::size_t, 14> kAt = {0, 1,  2,  3,  5,  6,  8,
                                                        9, 11, 12, 14, 15, 17, 18};
    if (cell.size() != 19) return false;
    for (std::size_t i = 0; i < kAt.size(); ++i) {
        const char c = cell[kAt[i]];
        if (c < '0' || c > '9') return false;
        digits[i] = c;
    }
    return true;
}

std::string_view WithoutLeadingDot(std::string_view oid) {
    return !oid.empty() && oid.front() == '.' ? oid.substr(1) : oid;
}

bool IsDottedOid(std::string_view text) {
    text = WithoutLeadingDot(text);
    if (text.empty() || text.back() == '.') return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.' ? i == 0 || text[i - 1] == '.' : c < '0' || c > '9') return false;
    }
    return true;
}

// An octet string's hex without the trailing NULs many agents send ("00 ").
std::string_view WithoutTrailingNuls(std::string_view hex) {
    while (hex.size() >= 3 && hex.substr(hex.size() - 3) == "00 ") hex.remove_suffix(3);
    return hex;
}

bool LooksLikeHex(std::string_view value) { return value.size() >= 3 && value[2] == ' '; }

// ---- Lexer ----

enum class Tok { Word, String, Compare, And, Or, Not, Open, Close, End };

struct Token {
    Tok kind = Tok::End;
    std::size_t position = 0;
    std::size_t length = 0;
    std::string text;  // a word, or a string without its quotes and escapes
    Op op = Op::Present;
};

bool EndsWord(char c) {
    return c == ' ' || c == '\t' || c == '"' || c == '(' || c == ')' || c == '=' || c == '!' ||
           c == '<' || c == '>' || c == '~' || c == '&' || c == '|';
}

TrapFilterError ErrorAt(std::size_t position, std::size_t length, std::string message) {
    return TrapFilterError{position, length, std::move(message)};
}

std::variant<std::vector<Token>, TrapFilterError> Lex(std::string_view text) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    while (true) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
        Token token;
        token.position = i;
        if (i == text.size()) {
            tokens.push_back(token);
            return tokens;
        }
        const char c = text[i];
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        const auto take = [&](Tok kind, std::size_t length, Op op = Op::Present) {
            token.kind = kind;
            token.length = length;
            token.op = op;
            i += length;
        };
        if (c == '"') {
            std::size_t j = i + 1;
            for (; j < text.size() && text[j] != '"'; ++j) {
                // \" and \\ are escapes; any other backslash is itself (C:\temp).
                if (text[j] == '\\' && j + 1 < text.size() &&
                    (text[j + 1] == '"' || text[j + 1] == '\\'))
                    ++j;
                token.text += text[j];
            }
            if (j == text.size())
                return ErrorAt(i, text.size() - i, "文字列の \" が閉じていません");
            take(Tok::String, j + 1 - i);
        } else if (c == '(') {
            take(Tok::Open, 1);
        } else if (c == ')') {
            take(Tok::Close, 1);
        } else if (c == '=' && next == '=') {
            take(Tok::Compare, 2, Op::Eq);
        } else if (c == '=') {
            return ErrorAt(i, 1, "等しいかどうかは == で比べてください");
        } else if (c == '!' && next == '=') {
            take(Tok::Compare, 2, Op::Ne);
        } else if (c == '!') {
            take(Tok::Not, 1);
        } else if (c == '<') {
            next == '=' ? take(Tok::Compare, 2, Op::Le) : take(Tok::Compare, 1, Op::Lt);
        } else if (c == '>') {
            next == '=' ? take(Tok::Compare, 2, Op::Ge) : take(Tok::Compare, 1, Op::Gt);
        } else if (c == '~') {
            take(Tok::Compare, 1, Op::Contains);
        } else if (c == '&') {
            if (next != '&') return ErrorAt(i, 1, "「かつ」は && と書いてください");
            take(Tok::And, 2);
        } else if (c == '|') {
            if (next != '|') return ErrorAt(i, 1, "「または」は || と書いてください");
            take(Tok::Or, 2);
        } else {
            std::size_t j = i;
            while (j < text.size() && !EndsWord(text[j])) ++j;
            token.text = std::string(text.substr(i, j - i));
            take(Tok::Word, j - i);
        }
        tokens.push_back(std::move(token));
    }
}

const Field* FieldNamed(std::string_view name) {
    for (const Field& field : kFields) {
        if (field.kind == Kind::Binding) continue;
        if (Utf8Equals(name, field.name, true)) return &field;
    }
    return nullptr;
}

}  // namespace

struct TrapRowFilter::Test {
    Kind kind = Kind::Cell;
    int column = -1;
    Op op = Op::Present;
    std::string cp932;  // the value as the cells hold it, folded when letters are
    std::string utf8;   // the value as names and readable texts are, folded the same way
    std::array<std::string, 2> hex;  // the value's octets as an octet string is written
    std::optional<long long> number;
    Network network;
    std::string date;  // digits of the value's precision
    std::string oid;   // a binding's, without a leading dot
    TrapRowQuery plain;
};

struct TrapRowFilter::Node {
    enum Type { And, Or, Not, Leaf } type = Leaf;
    std::size_t left = 0;  // the operand of Not; the test of Leaf
    std::size_t right = 0;
};

namespace {

class Parser {
public:
    Parser(const std::vector<Token>& tokens, bool fold, const BindingNameLookup& lookup,
           std::vector<TrapRowFilter::Node>& nodes, std::vector<TrapRowFilter::Test>& tests)
        : tokens_(tokens), fold_(fold), lookup_(lookup), nodes_(nodes), tests_(tests) {}

    std::optional<TrapFilterError> Parse() {
        if (Peek().kind == Tok::End) return ErrorAt(0, 0, "式がありません");
        if (auto error = Or(0)) return error;
        if (Peek().kind == Tok::Close)
            return ErrorAt(Peek().position, 1, "対応する ( がない ) があります");
        if (Peek().kind != Tok::End)
            return ErrorAt(Peek().position, Peek().length, "ここには && か || が要ります");
        return std::nullopt;
    }

private:
    using Node = TrapRowFilter::Node;
    using Test = TrapRowFilter::Test;
    static constexpr int kMaxDepth = 64;

    const Token& Peek() const { return tokens_[at_]; }
    const Token& Take() { return tokens_[at_++]; }

    std::size_t Add(Node node) {
        nodes_.push_back(node);
        return nodes_.size() - 1;
    }

    std::optional<TrapFilterError> Or(int depth) {
        if (auto error = And(depth)) return error;
        while (Peek().kind == Tok::Or) {
            Take();
            const std::size_t left = nodes_.size() - 1;
            if (auto error = And(depth)) return error;
            Add(Node{Node::Or, left, nodes_.size() - 1});
        }
        return std::nullopt;
    }

    std::optional<TrapFilterError> And(int depth) {
        if (auto error = Unary(depth)) return error;
        while (Peek().kind == Tok::And) {
            Take();
            const std::size_t left = nodes_.size() - 1;
            if (auto error = Unary(depth)) return error;
            Add(Node{Node::And, left, nodes_.size() - 1});
        }
        return std::nullopt;
    }

    std::optional<TrapFilterError> Unary(int depth) {
        if (depth > kMaxDepth)
            return ErrorAt(Peek().position, Peek().length, "括弧や ! の入れ子が深すぎます");
        const Token& token = Peek();
        switch (token.kind) {
        case Tok::Not: {
            Take();
            if (auto error = Unary(depth + 1)) return error;
            Add(Node{Node::Not, nodes_.size() - 1, 0});
            return std::nullopt;
        }
        case Tok::Open: {
            Take();
            if (auto error = Or(depth + 1)) return error;
            if (Peek().kind != Tok::Close)
                return ErrorAt(token.position, 1, "この ( を閉じる ) がありません");
            Take();
            return std::nullopt;
        }
        case Tok::String: {
            // A text alone is searched as the box searches plain text.
            Take();
            Test test;
            test.kind = Kind::Plain;
            test.plain = TrapRowQuery(Utf8ToCp932(token.text), -1, 0, fold_);
            return AddTest(std::move(test));
        }
        case Tok::Word: return Comparison();
        case Tok::End: return ErrorAt(token.position, 0, "式が途中で終わっています");
        default:
            return ErrorAt(token.position, token.length,
                           "ここには項目名、\"文字列\"、( か ! が要ります");
        }
    }

    std::optional<TrapFilterError> AddTest(Test test) {
        tests_.push_back(std::move(test));
        Add(Node{Node::Leaf, tests_.size() - 1, 0});
        return std::nullopt;
    }

    std::optional<TrapFilterError> Comparison() {
        const Token& name = Take();
        Test test;
        if (const Field* field = FieldNamed(name.text)) {
            test.kind = field->kind;
            test.column = field->column;
        } else if (IsDottedOid(name.text)) {
            test.kind = Kind::Binding;
            test.oid = std::string(WithoutLeadingDot(name.text));
        } else if (std::string oid = lookup_ ? lookup_(name.text) : std::string(); !oid.empty()) {
            test.kind = Kind::Binding;
            test.oid = std::string(WithoutLeadingDot(oid));
        } else {
            return ErrorAt(name.position, name.length,
                           "「" + name.text + "」という項目も MIB の名前もありません");
        }
        if (Peek().kind != Tok::Compare) {
            if (test.kind == Kind::Plain)
                return ErrorAt(name.position, name.length, "any には ~ で文字列を比べてください");
            return AddTest(std::move(test));  // the field is there at all
        }
        const Token& op = Take();
        test.op = op.op;
        const Token& value = Peek();
        if (value.kind != Tok::Word && value.kind != Tok::String)
            return ErrorAt(op.position, op.length, "比べる値がありません");
        Take();
        if (auto error = SetValue(test, value)) return error;
        return AddTest(std::move(test));
    }

    std::optional<TrapFilterError> SetValue(Test& test, const Token& value) {
        const auto fail = [&](std::string message) {
            return ErrorAt(value.position, value.length, std::move(message));
        };
        const bool ordering = test.op != Op::Eq && test.op != Op::Ne && test.op != Op::Contains;
        test.utf8 = fold_ ? FoldUtf8(value.text) : value.text;
        test.cp932 = Utf8ToCp932(value.text);
        test.hex = HexFormsOf(test.cp932, value.text);
        if (fold_) test.cp932 = FoldCp932(test.cp932);
        test.number = WholeNumber(value.text);
        // "" is the empty cell of a version without the field (an SNMPv1 agent address).
        if ((test.kind == Kind::Date || test.kind == Kind::Address) && value.text.empty() &&
            !ordering)
            test.kind = Kind::Cell;
        switch (test.kind) {
        case Kind::Date:
            if (test.op == Op::Contains) return std::nullopt;
            if (auto date = ParseDate(value.text)) {
                test.date = std::move(*date);
                return std::nullopt;
            }
            return fail("日付は 2024/03/02 09:05:03 の形 (後ろは省いてよい) で書いてください");
        case Kind::Address:
            if (test.op == Op::Contains) return std::nullopt;
            if (auto network = ParseAddress(value.text, !ordering)) {
                test.network = *network;
                return std::nullopt;
            }
            return fail(ordering ? "アドレスを書いてください"
                                 : "アドレスかアドレス/プレフィックス長を書いてください");
        case Kind::Event:
            if (test.op == Op::Contains) return fail("event は数値で比べてください");
            if (!test.number) return fail("event は 0 から 7 の数値で比べてください");
            return std::nullopt;
        case Kind::Trap:
        case Kind::Readable:
            if (ordering) return fail("この項目は == != ~ で比べてください");
            return std::nullopt;
        case Kind::Plain:
            if (test.op != Op::Contains) return fail("any は ~ で比べてください");
            test.plain = TrapRowQuery(Utf8ToCp932(value.text), -1, 0, fold_);
            return std::nullopt;
        case Kind::Cell:
        case Kind::Binding:
            if (ordering && !test.number) return fail("大小は数値で比べてください");
            return std::nullopt;
        }
        return std::nullopt;
    }

    const std::vector<Token>& tokens_;
    bool fold_;
    const BindingNameLookup& lookup_;
    std::vector<Node>& nodes_;
    std::vector<Test>& tests_;
    std::size_t at_ = 0;
};

bool Ordered(Op op, int order) {
    switch (op) {
    case Op::Eq: return order == 0;
    case Op::Ne: return order != 0;
    case Op::Lt: return order < 0;
    case Op::Le: return order <= 0;
    case Op::Gt: return order > 0;
    case Op::Ge: return order >= 0;
    case Op::Present:
    case Op::Contains: break;
    }
    return false;
}

int Sign(long long a, long long b) { return a < b ? -1 : a > b ? 1 : 0; }

// The readable text of an octet string value holds or equals the test's text.
bool ReadableValueMatches(std::string_view value, const TrapRowFilter::Test& test, bool fold) {
    if (!LooksLikeHex(value)) return false;
    if (test.op == Op::Contains) return ReadableBindingsContain(value, test.utf8, test.hex, fold);
    if (!fold) {
        const std::string_view octets = WithoutTrailingNuls(value);
        return !test.hex[0].empty() && (octets == test.hex[0] || octets == test.hex[1]) &&
               !ReadableText(value).empty();
    }
    return Utf8Equals(ReadableText(value), test.utf8, true);
}

// One text (a cell or a binding's value) against a test of texts and numbers; Ne is
// handled by the caller as the negation of Eq.
bool TextMatches(std::string_view text, const TrapRowFilter::Test& test, bool fold) {
    switch (test.op) {
    case Op::Present: return !text.empty();
    case Op::Contains: return Cp932Contains(text, test.cp932, fold);
    case Op::Eq:
    case Op::Ne:
        if (test.number)
            if (const auto number = WholeNumber(text)) return *number == *test.number;
        return Cp932Equals(text, test.cp932, fold);
    default:
        const auto number = WholeNumber(text);
        return number && Ordered(test.op, Sign(*number, *test.number));
    }
}

}  // namespace

TrapRowFilter::TrapRowFilter() = default;
TrapRowFilter::~TrapRowFilter() = default;
TrapRowFilter::TrapRowFilter(TrapRowFilter&&) noexcept = default;
TrapRowFilter& TrapRowFilter::operator=(TrapRowFilter&&) noexcept = default;

std::variant<std::shared_ptr<const TrapRowFilter>, TrapFilterError> TrapRowFilter::Compile(
    std::string_view expression, bool ignoreCase, const BindingNameLookup& lookup) {
    auto lexed = Lex(expression);
    if (auto* error = std::get_if<TrapFilterError>(&lexed)) return std::move(*error);
    auto filter = std::make_shared<TrapRowFilter>();
    filter->fold_ = ignoreCase;
    Parser parser(std::get<std::vector<Token>>(lexed), ignoreCase, lookup, filter->nodes_,
                  filter->tests_);
    if (auto error = parser.Parse()) return std::move(*error);
    return std::shared_ptr<const TrapRowFilter>(std::move(filter));
}

bool TrapRowFilter::Matches(const TrapRow& row, const TrapRowNames& names) const {
    return !nodes_.empty() && Evaluate(nodes_.size() - 1, row, names);
}

bool TrapRowFilter::Evaluate(std::size_t index, const TrapRow& row,
                             const TrapRowNames& names) const {
    const Node& node = nodes_[index];
    switch (node.type) {
    case Node::And: return Evaluate(node.left, row, names) && Evaluate(node.right, row, names);
    case Node::Or: return Evaluate(node.left, row, names) || Evaluate(node.right, row, names);
    case Node::Not: return !Evaluate(node.left, row, names);
    case Node::Leaf: break;
    }
    const Test& test = tests_[node.left];
    // A != test is true where the == test is not, also for a row without the field.
    const bool negate = test.op == Op::Ne;
    bool hit = false;
    switch (test.kind) {
    case Kind::Cell: hit = TextMatches(row.Cell(test.column), test, fold_); break;
    case Kind::Event:
        hit = test.op == Op::Present ||
              Ordered(test.op == Op::Ne ? Op::Eq : test.op, Sign(row.image, *test.number));
        break;
    case Kind::Date: {
        const std::string_view cell = row.Cell(test.column);
        std::array<char, 14> digits{};
        if (test.op == Op::Present) {
            hit = !cell.empty();
        } else if (test.op == Op::Contains) {
            hit = Cp932Contains(cell, test.cp932, fold_);
        } else if (CellDate(cell, digits)) {
            const int order = std::memcmp(digits.data(), test.date.data(), test.date.size());
            hit = Ordered(negate ? Op::Eq : test.op, order);
        }
        break;
    }
    case Kind::Address: {
        const std::string_view cell = row.Cell(test.column);
        if (test.op == Op::Present) {
            hit = !cell.empty();
        } else if (test.op == Op::Contains) {
            hit = Cp932Contains(cell, test.cp932, fold_);
        } else if (const auto address = ParseAddress(cell, false)) {
            hit = test.op == Op::Eq || test.op == Op::Ne
                      ? InNetwork(*address, test.network)
                      : Ordered(test.op, CompareAddresses(*address, test.network));
        }
        break;
    }
    case Kind::Trap: {
        const std::string_view name = names.name ? names.name(row) : std::string_view();
        const std::string_view oid =
            WithoutLeadingDot(names.oid ? names.oid(row) : std::string_view());
        if (test.op == Op::Present) {
            hit = !name.empty() || !oid.empty();
        } else if (test.op == Op::Contains) {
            hit = Utf8Contains(name, test.utf8, fold_) || Utf8Contains(oid, test.utf8, fold_);
        } else {
            const std::size_t colons = name.find("::");
            hit = Utf8Equals(name, test.utf8, fold_) ||
                  (colons != std::string_view::npos &&
                   Utf8Equals(name.substr(colons + 2), test.utf8, fold_)) ||
                  oid == WithoutLeadingDot(test.utf8);
        }
        break;
    }
    case Kind::Readable:
    case Kind::Binding: {
        const std::string_view bindings = row.Cell(kBindingsColumn);
        if (test.kind == Kind::Readable && test.op == Op::Contains) {
            hit = ReadableBindingsContain(bindings, test.utf8, test.hex, fold_);
            break;
        }
        // "name,value," pairs; a binding's name is the field's OID or an instance of it.
        std::size_t start = 0;
        while (!hit && start < bindings.size()) {
            const std::size_t nameEnd = std::min(bindings.find(',', start), bindings.size());
            const std::string_view name = bindings.substr(start, nameEnd - start);
            const std::size_t valueStart = std::min(nameEnd + 1, bindings.size());
            const std::size_t valueEnd = std::min(bindings.find(',', valueStart), bindings.size());
            const std::string_view value = bindings.substr(valueStart, valueEnd - valueStart);
            start = valueEnd + 1;
            if (test.kind == Kind::Readable) {
                hit = test.op == Op::Present ? !ReadableText(value).empty()
                                             : ReadableValueMatches(value, test, fold_);
                continue;
            }
            const std::string_view oid = WithoutLeadingDot(name);
            if (oid.size() < test.oid.size() || oid.compare(0, test.oid.size(), test.oid) != 0 ||
                (oid.size() > test.oid.size() && oid[test.oid.size()] != '.'))
                continue;
            hit = test.op == Op::Present || TextMatches(value, test, fold_) ||
                  ((test.op == Op::Eq || test.op == Op::Ne || test.op == Op::Contains) &&
                   ReadableValueMatches(value, test, fold_));
        }
        break;
    }
    case Kind::Plain: hit = TrapRowMatches(row, test.plain, names); break;
    }
    return negate ? !hit : hit;
}

bool LooksLikeFilterExpression(std::string_view text) {
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (quoted) {
            if (c == '\\' && (next == '"' || next == '\\'))
                ++i;
            else if (c == '"')
                quoted = false;
            continue;
        }
        if (c == '"') quoted = true;
        if (c == '<' || c == '>' || c == '~') return true;
        if ((c == '=' || c == '!') && next == '=') return true;
        if ((c == '&' || c == '|') && next == c) return true;
    }
    return false;
}

std::string FilterExpressionFor(int column, std::string_view value) {
    const auto field = std::find_if(kFields.begin(), kFields.end(), [&](const Field& f) {
        return f.column == column && f.kind != Kind::Binding;
    });
    if (field == kFields.end()) return {};
    std::string expression = std::string(field->name) + " == ";
    const bool bare =
        field->numeric && !value.empty() && std::none_of(value.begin(), value.end(), EndsWord);
    if (bare) return expression + std::string(value);
    expression += '"';
    for (char c : value) {
        if (c == '"' || c == '\\') expression += '\\';
        expression += c;
    }
    return expression + '"';
}

std::vector<std::string> FilterFieldNames() {
    std::vector<std::string> lines;
    for (const Field& field : kFields)
        if (field.kind != Kind::Binding)
            lines.push_back(std::string(field.name) + ": " + field.about);
    return lines;
}
