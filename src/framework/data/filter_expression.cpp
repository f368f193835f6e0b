// framework/data/filter_expression.cpp
#include "framework/data/filter_expression.h"

#include <QDate>
#include <QDateTime>

#include <array>
#include <compare>

namespace cmp::fw {

namespace {

// Deep enough for any filter a screen builds, shallow enough that parsing and
// evaluating never exhaust the stack.
constexpr int maxNesting = 200;

// The record being tested, as the nodes see it.
struct Record
{
    const std::function<QVariant(int)>& valueOf;
    Qt::CaseSensitivity strings;
};

} // namespace

struct FilterExpression::Node
{
    virtual ~Node() = default;
    virtual bool matches(const Record& record) const = 0;
};

namespace {

using Node = FilterExpression::Node;
using NodePtr = std::unique_ptr<Node>;

[[noreturn]] void fail(qsizetype position, const QString& problem)
{
    throw FilterError(QStringLiteral("Expressão de filtro inválida na posição %1: %2")
                          .arg(QString::number(position), problem)
                          .toStdString());
}

// ---------------------------------------------------------------- values

enum class CompareOp
{
    Equal,
    NotEqual,
    Less,
    Greater,
    LessOrEqual,
    GreaterOrEqual
};

struct OperatorText
{
    const char* text;
    CompareOp op;
};

// Two-character operators first, so that "<=" is not read as "<" then "=".
constexpr std::array<OperatorText, 6> operatorTexts{{
    {"<>", CompareOp::NotEqual},
    {"<=", CompareOp::LessOrEqual},
    {">=", CompareOp::GreaterOrEqual},
    {"=", CompareOp::Equal},
    {"<", CompareOp::Less},
    {">", CompareOp::Greater},
}};

bool holds(CompareOp op, std::partial_ordering order)
{
    switch (op) {
    case CompareOp::Equal:
        return order == 0;
    case CompareOp::NotEqual:
        return order < 0 || order > 0;
    case CompareOp::Less:
        return order < 0;
    case CompareOp::Greater:
        return order > 0;
    case CompareOp::LessOrEqual:
        return order <= 0;
    case CompareOp::GreaterOrEqual:
        return order >= 0;
    }
    return false;
}

bool isStringKind(FieldType type)
{
    return type == FieldType::String || type == FieldType::FixedString || type == FieldType::Memo;
}

bool sameKind(FieldType a, FieldType b)
{
    return a == b || (isStringKind(a) && isStringKind(b));
}

// Qt 6 no longer reports an invalid date as a null variant.
bool isNull(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QDate:
        return !value.toDate().isValid();
    case QMetaType::QDateTime:
        return !value.toDateTime().isValid();
    default:
        return value.isNull();
    }
}

// What IS NULL tests: users cannot tell an empty text from a missing one.
bool isBlank(const QVariant& value)
{
    if (value.typeId() == QMetaType::QString)
        return value.toString().isEmpty();
    return isNull(value);
}

template <typename T> std::partial_ordering orderOf(const T& a, const T& b)
{
    if (a < b)
        return std::partial_ordering::less;
    if (b < a)
        return std::partial_ordering::greater;
    return std::partial_ordering::equivalent;
}

std::partial_ordering orderOf(FieldType type, const QVariant& a, const QVariant& b,
                              Qt::CaseSensitivity strings)
{
    switch (type) {
    case FieldType::String:
    case FieldType::FixedString:
    case FieldType::Memo:
        return QString::compare(a.toString(), b.toString(), strings) <=> 0;
    case FieldType::Date:
        return orderOf(a.toDate(), b.toDate());
    case FieldType::DateTime:
        return orderOf(a.toDateTime(), b.toDateTime());
    case FieldType::Float:
        return a.toDouble() <=> b.toDouble();
    case FieldType::Integer:
        return a.toLongLong() <=> b.toLongLong();
    case FieldType::Boolean:
        return a.toBool() <=> b.toBool();
    }
    return std::partial_ordering::unordered;
}

QString kindName(FieldType type)
{
    switch (type) {
    case FieldType::Date:
        return QStringLiteral("data");
    case FieldType::DateTime:
        return QStringLiteral("data e hora");
    case FieldType::Float:
        return QStringLiteral("número");
    case FieldType::Integer:
        return QStringLiteral("número inteiro");
    case FieldType::Boolean:
        return QStringLiteral("valor lógico");
    default:
        return QStringLiteral("texto");
    }
}

// ---------------------------------------------------------------- nodes

// One side of a comparison, ready for evaluation: a field read from the
// record, or a literal already converted to the comparison's kind.
struct Operand
{
    int field = -1;
    bool convert = false; // the field's kind differs from the comparison's
    QVariant literal;

    QVariant value(const Record& record, FieldType type) const
    {
        if (field < 0)
            return literal;
        QVariant stored = record.valueOf(field);
        if (!convert)
            return stored;
        QVariant converted;
        coerceValue(type, stored, converted); // a failed conversion leaves it null
        return converted;
    }
};

class Comparison final : public Node
{
public:
    Comparison(Operand left, CompareOp op, Operand right, FieldType type)
        : left_(std::move(left)), right_(std::move(right)), op_(op), type_(type)
    {}

    bool matches(const Record& record) const override
    {
        const QVariant a = left_.value(record, type_);
        if (isNull(a))
            return false;
        const QVariant b = right_.value(record, type_);
        if (isNull(b))
            return false;
        return holds(op_, orderOf(type_, a, b, record.strings));
    }

private:
    Operand left_;
    Operand right_;
    CompareOp op_;
    FieldType type_;
};

enum class Expect
{
    Null,
    NotNull
};

class NullTest final : public Node
{
public:
    NullTest(Operand operand, Expect expect) : operand_(std::move(operand)), expect_(expect) {}

    bool matches(const Record& record) const override
    {
        // No conversion: the kind only matters to comparisons.
        return isBlank(operand_.value(record, FieldType::String)) == (expect_ == Expect::Null);
    }

private:
    Operand operand_;
    Expect expect_;
};

class Negation final : public Node
{
public:
    explicit Negation(NodePtr inner) : inner_(std::move(inner)) {}

    bool matches(const Record& record) const override { return !inner_->matches(record); }

private:
    NodePtr inner_;
};

enum class Join
{
    All, // AND
    Any  // OR
};

// A whole run of ANDs or ORs is one node, so long chains stay shallow.
class Junction final : public Node
{
public:
    Junction(Join join, std::vector<NodePtr> terms) : terms_(std::move(terms)), join_(join) {}

    bool matches(const Record& record) const override
    {
        const bool all = join_ == Join::All;
        for (const NodePtr& term : terms_)
            if (term->matches(record) != all)
                return !all;
        return all;
    }

private:
    std::vector<NodePtr> terms_;
    Join join_;
};

// ---------------------------------------------------------------- lexer

enum class TokenKind
{
    Name,        // bare field name or keyword
    BracketName, // [field name]
    Text,        // 'literal'
    Number,
    Operator,
    LeftParen,
    RightParen,
    End
};

struct Token
{
    TokenKind kind = TokenKind::End;
    QString text; // name without brackets, literal without quotes, or number as written
    CompareOp op = CompareOp::Equal;
    qsizetype position = 0; // 1-based, as users count
};

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isNameStart(QChar c)
{
    return c.isLetter() || c == QLatin1Char('_');
}

bool isNamePart(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

class Lexer
{
public:
    explicit Lexer(const QString& text) : text_(text) {}

    std::vector<Token> tokens()
    {
        std::vector<Token> result;
        do
            result.push_back(next());
        while (result.back().kind != TokenKind::End);
        return result;
    }

private:
    Token next()
    {
        while (pos_ < text_.size() && text_[pos_].isSpace())
            ++pos_;
        if (pos_ == text_.size())
            return {TokenKind::End, {}, CompareOp::Equal, pos_ + 1};
        const QChar c = text_[pos_];
        if (c == QLatin1Char('\''))
            return quoted();
        if (c == QLatin1Char('['))
            return bracketName();
        if (isAsciiDigit(c) || (c == QLatin1Char('-') && isAsciiDigit(at(pos_ + 1))))
            return number();
        if (isNameStart(c))
            return name();
        if (c == QLatin1Char('(') || c == QLatin1Char(')'))
            return single(c == QLatin1Char('(') ? TokenKind::LeftParen : TokenKind::RightParen);
        return comparisonOperator();
    }

    QChar at(qsizetype index) const { return index < text_.size() ? text_[index] : QChar(); }

    Token tokenFrom(qsizetype start, TokenKind kind, QString text) const
    {
        return {kind, std::move(text), CompareOp::Equal, start + 1};
    }

    Token single(TokenKind kind)
    {
        ++pos_;
        return tokenFrom(pos_ - 1, kind, {});
    }

    Token quoted()
    {
        const qsizetype start = pos_++;
        QString value;
        for (;;) {
            if (pos_ >= text_.size())
                fail(start + 1, QStringLiteral("texto sem aspa de fechamento"));
            const QChar c = text_[pos_++];
            if (c != QLatin1Char('\''))
                value += c;
            else if (at(pos_) == QLatin1Char('\'')) // '' stands for one quote
                value += text_[pos_++];
            else
                return tokenFrom(start, TokenKind::Text, value);
        }
    }

    Token bracketName()
    {
        const qsizetype start = pos_;
        const qsizetype close = text_.indexOf(QLatin1Char(']'), start + 1);
        if (close < 0)
            fail(start + 1, QStringLiteral("nome de campo sem ']' de fechamento"));
        if (close == start + 1)
            fail(start + 1, QStringLiteral("nome de campo vazio entre colchetes"));
        pos_ = close + 1;
        return tokenFrom(start, TokenKind::BracketName, text_.mid(start + 1, close - start - 1));
    }

    Token number()
    {
        const qsizetype start = pos_++;
        skipDigits();
        if (at(pos_) == QLatin1Char('.')) {
            if (!isAsciiDigit(at(pos_ + 1)))
                fail(pos_ + 2, QStringLiteral("esperados os decimais do número"));
            ++pos_;
            skipDigits();
        }
        return tokenFrom(start, TokenKind::Number, text_.mid(start, pos_ - start));
    }

    void skipDigits()
    {
        while (isAsciiDigit(at(pos_)))
            ++pos_;
    }

    Token name()
    {
        const qsizetype start = pos_;
        while (isNamePart(at(pos_)))
            ++pos_;
        return tokenFrom(start, TokenKind::Name, text_.mid(start, pos_ - start));
    }

    Token comparisonOperator()
    {
        for (const OperatorText& entry : operatorTexts) {
            const QLatin1String symbol(entry.text);
            if (QStringView(text_).mid(pos_).startsWith(symbol)) {
                Token token = tokenFrom(pos_, TokenKind::Operator, symbol);
                token.op = entry.op;
                pos_ += symbol.size();
                return token;
            }
        }
        fail(pos_ + 1, QStringLiteral("caractere inesperado '%1'").arg(text_[pos_]));
    }

    const QString& text_;
    qsizetype pos_ = 0;
};

// ---------------------------------------------------------------- parser

// An operand as written, before the comparison's kind is known.
struct ParsedOperand
{
    int field = -1;
    FieldType type = FieldType::String; // the field's kind, or the literal's own
    QString literal;
    qsizetype position = 0;

    bool isField() const { return field >= 0; }
};

class Parser
{
public:
    Parser(const QString& text, const std::vector<FieldDef>& fields)
        : tokens_(Lexer(text).tokens()), fields_(fields)
    {}

    NodePtr parse()
    {
        if (peek().kind == TokenKind::End)
            fail(peek().position, QStringLiteral("expressão vazia"));
        NodePtr root = orExpr();
        if (peek().kind != TokenKind::End)
            fail(peek().position, QStringLiteral("esperado AND, OR ou o fim da expressão"));
        return root;
    }

private:
    // Counts one level of parentheses or NOT for as long as it is open.
    class Nesting
    {
    public:
        Nesting(Parser& parser, qsizetype position) : parser_(parser)
        {
            if (++parser_.depth_ > maxNesting)
                fail(position,
                     QStringLiteral("expressão aninhada em mais de %1 níveis").arg(maxNesting));
        }
        ~Nesting() { --parser_.depth_; }
        Nesting(const Nesting&) = delete;
        Nesting& operator=(const Nesting&) = delete;

    private:
        Parser& parser_;
    };

    NodePtr orExpr() { return junction(Join::Any, "OR", &Parser::andExpr); }
    NodePtr andExpr() { return junction(Join::All, "AND", &Parser::notExpr); }

    NodePtr junction(Join join, const char* keyword, NodePtr (Parser::*term)())
    {
        std::vector<NodePtr> terms;
        terms.push_back((this->*term)());
        while (acceptKeyword(keyword))
            terms.push_back((this->*term)());
        if (terms.size() == 1)
            return std::move(terms.front());
        return std::make_unique<Junction>(join, std::move(terms));
    }

    NodePtr notExpr()
    {
        if (!isKeyword(peek(), "NOT"))
            return primary();
        const Nesting nesting(*this, take().position);
        return std::make_unique<Negation>(notExpr());
    }

    NodePtr primary()
    {
        if (peek().kind == TokenKind::LeftParen) {
            const Nesting nesting(*this, take().position);
            NodePtr inner = orExpr();
            const Token& close = take();
            if (close.kind != TokenKind::RightParen)
                fail(close.position, QStringLiteral("esperado ')'"));
            return inner;
        }
        const ParsedOperand left = operand();
        if (acceptKeyword("IS"))
            return nullTest(left);
        const Token op = take();
        if (op.kind != TokenKind::Operator)
            fail(op.position, QStringLiteral("esperado um operador de comparação"));
        return comparison(left, op.op, operand());
    }

    NodePtr nullTest(const ParsedOperand& operand)
    {
        const Expect expect = acceptKeyword("NOT") ? Expect::NotNull : Expect::Null;
        if (!acceptKeyword("NULL"))
            fail(peek().position, QStringLiteral("esperado NULL"));
        Operand bound;
        bound.field = operand.field;
        bound.literal = operand.literal;
        return std::make_unique<NullTest>(std::move(bound), expect);
    }

    // Compared by the kind of the first field involved; literals are converted
    // here, once, so that evaluating a record converts nothing.
    NodePtr comparison(const ParsedOperand& left, CompareOp op, const ParsedOperand& right)
    {
        const FieldType type = !left.isField() && right.isField() ? right.type : left.type;
        return std::make_unique<Comparison>(bind(left, type), op, bind(right, type), type);
    }

    static Operand bind(const ParsedOperand& parsed, FieldType type)
    {
        Operand operand;
        operand.field = parsed.field;
        if (parsed.isField())
            operand.convert = !sameKind(parsed.type, type);
        else if (!coerceValue(type, parsed.literal, operand.literal))
            fail(parsed.position, QStringLiteral("o valor '%1' não pode ser convertido em %2")
                                      .arg(parsed.literal, kindName(type)));
        return operand;
    }

    ParsedOperand operand()
    {
        const Token token = take();
        switch (token.kind) {
        case TokenKind::Name:
            if (isAnyKeyword(token))
                break;
            [[fallthrough]];
        case TokenKind::BracketName:
            return fieldOperand(token);
        case TokenKind::Text:
            return {-1, FieldType::String, token.text, token.position};
        case TokenKind::Number:
            return {-1, FieldType::Float, token.text, token.position};
        default:
            break;
        }
        fail(token.position, QStringLiteral("esperado um campo ou valor"));
    }

    ParsedOperand fieldOperand(const Token& token) const
    {
        for (std::size_t i = 0; i < fields_.size(); ++i)
            if (fields_[i].name.compare(token.text, Qt::CaseInsensitive) == 0)
                return {static_cast<int>(i), fields_[i].type, {}, token.position};
        fail(token.position, QStringLiteral("campo desconhecido '%1'").arg(token.text));
    }

    static bool isKeyword(const Token& token, const char* keyword)
    {
        return token.kind == TokenKind::Name &&
               token.text.compare(QLatin1String(keyword), Qt::CaseInsensitive) == 0;
    }

    static bool isAnyKeyword(const Token& token)
    {
        for (const char* keyword : {"AND", "OR", "NOT", "IS", "NULL"})
            if (isKeyword(token, keyword))
                return true;
        return false;
    }

    bool acceptKeyword(const char* keyword)
    {
        if (!isKeyword(peek(), keyword))
            return false;
        take();
        return true;
    }

    const Token& peek() const { return tokens_[next_]; }

    // The End token is never consumed, so peeking past it is safe.
    const Token& take()
    {
        const Token& token = tokens_[next_];
        if (token.kind != TokenKind::End)
            ++next_;
        return token;
    }

    std::vector<Token> tokens_;
    const std::vector<FieldDef>& fields_;
    std::size_t next_ = 0;
    int depth_ = 0;
};

} // namespace

FilterExpression FilterExpression::parse(const QString& text, const std::vector<FieldDef>& fields)
{
    FilterExpression expression;
    expression.root_ = Parser(text, fields).parse();
    return expression;
}

FilterExpression::FilterExpression() = default;
FilterExpression::FilterExpression(FilterExpression&&) noexcept = default;
FilterExpression& FilterExpression::operator=(FilterExpression&&) noexcept = default;
FilterExpression::~FilterExpression() = default;

// An empty expression filters nothing out.
bool FilterExpression::matches(const std::function<QVariant(int)>& valueOf,
                               Qt::CaseSensitivity strings) const
{
    return !root_ || root_->matches(Record{valueOf, strings});
}

} // namespace cmp::fw
