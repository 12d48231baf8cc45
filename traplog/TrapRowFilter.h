#pragma once
// The filter language of the trap list's search box, for administrators who would rather
// write what they look for than type one text: fields for the columns, the bindings by MIB
// name or OID and their readable text, compared with == != < <= > >= and ~ (contains),
// joined with && || ! and parentheses:
//     source == 192.0.2.0/24 && trap ~ "linkDown" && ifIndex == 3
// An expression is compiled once and then evaluated on each row without allocating, except
// where letters are folded in the readable text of an octet string. No Qt here.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "traplog/TrapRow.h"
#include "traplog/TrapRowSearch.h"

// Where and why an expression is not one.
struct TrapFilterError {
    std::size_t position = 0;  // bytes into the expression's text
    std::size_t length = 0;    // bytes of the part at fault; 0 at the end of the text
    std::string message;       // UTF-8
};

// The dotted OID that a binding's MIB name names ("ifIndex", "IF-MIB::ifIndex"); empty
// when it names none.
using BindingNameLookup = std::function<std::string(std::string_view name)>;

class TrapRowFilter {
public:
    struct Test;
    struct Node;

    // Compiles expression (UTF-8). ignoreCase: ASCII letters of texts match in either case.
    static std::variant<std::shared_ptr<const TrapRowFilter>, TrapFilterError> Compile(
        std::string_view expression, bool ignoreCase, const BindingNameLookup& lookup = {});

    TrapRowFilter();
    ~TrapRowFilter();
    TrapRowFilter(TrapRowFilter&&) noexcept;
    TrapRowFilter& operator=(TrapRowFilter&&) noexcept;

    // names give the name column and the notification OID for the field "trap".
    bool Matches(const TrapRow& row, const TrapRowNames& names) const;

private:
    bool Evaluate(std::size_t node, const TrapRow& row, const TrapRowNames& names) const;

    std::vector<Node> nodes_;  // the root last
    std::vector<Test> tests_;
    bool fold_ = false;
};

// True when text is meant as an expression, not as a text to look for: it holds, outside
// double quotes, one of the operators == != < > <= >= ~ && ||.
bool LooksLikeFilterExpression(std::string_view text);

// The expression that keeps the rows whose cell of column (0-33, or kTrapListColumns for
// the name column) shows value (UTF-8; for the event column the genericTrap number);
// empty for a column no field reads.
std::string FilterExpressionFor(int column, std::string_view value);

// The fields, for the box's help: "name: what it reads" lines.
std::vector<std::string> FilterFieldNames();
