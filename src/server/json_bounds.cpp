#include "server/json_bounds.h"

#include <QJsonDocument>
#include <QJsonParseError>

#include <algorithm>

namespace cmp::server {

namespace {

// Counts what the text would become once parsed, without parsing it; stops
// at the first bound passed. Malformed text is left to the parser.
class Shape
{
public:
    explicit Shape(const JsonBounds& bounds) : bounds_(bounds) {}

    bool fits(std::string_view text)
    {
        for (const char c : text)
            if (!take(c))
                return false;
        return true;
    }

private:
    bool take(char c)
    {
        if (inString_) {
            if (escaped_)
                escaped_ = false;
            else if (c == '\\')
                escaped_ = true;
            else if (c == '"')
                inString_ = false;
            return true;
        }
        switch (c) {
        case '"':
            inString_ = true;
            return true;
        case '{':
        case '[':
            ++elements_;
            return ++depth_ <= bounds_.maxDepth && ++containers_ <= bounds_.maxContainers &&
                   elements_ <= bounds_.maxElements;
        case '}':
        case ']':
            --depth_;
            return true;
        case ',':
        case ':':
            return ++elements_ <= bounds_.maxElements;
        default:
            return true;
        }
    }

    const JsonBounds& bounds_;
    bool inString_ = false;
    bool escaped_ = false;
    int depth_ = 0;
    std::size_t elements_ = 0;
    std::size_t containers_ = 0;
};

} // namespace

JsonBounds JsonBounds::forBodiesOf(std::size_t maxBytes)
{
    // A real row of a packet spends well over 8 bytes per value and over 64
    // per row; the floors let small limits still carry a small call.
    JsonBounds bounds;
    bounds.maxElements = std::max<std::size_t>(4096, maxBytes / 8);
    bounds.maxContainers = std::max<std::size_t>(1024, maxBytes / 64);
    return bounds;
}

BoundedJson parseBoundedObject(std::string_view text, const JsonBounds& bounds)
{
    if (!Shape(bounds).fits(text))
        return {std::nullopt,
                QStringLiteral("o JSON tem elementos ou níveis de aninhamento demais.")};
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(
        QByteArray::fromRawData(text.data(), static_cast<qsizetype>(text.size())), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return {std::nullopt, QStringLiteral("o corpo não é um objeto JSON.")};
    return {document.object(), {}};
}

} // namespace cmp::server
