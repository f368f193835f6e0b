#pragma once

#include <QJsonObject>
#include <QString>

#include <cstddef>
#include <optional>
#include <string_view>

namespace cmp::server {

// Limits on a JSON text, checked before it is parsed: parsed JSON takes many
// times the memory of its text when the text is made of tiny values ("[[],
// [],...]"), so a body under the size limit could still cost gigabytes.
struct JsonBounds
{
    int maxDepth = 64;
    std::size_t maxElements = 0;   // values and member names
    std::size_t maxContainers = 0; // objects and arrays

    // Bounds that keep the parsed form of a text of at most maxBytes within
    // a small multiple of maxBytes, and still fit the largest real calls.
    static JsonBounds forBodiesOf(std::size_t maxBytes);
};

struct BoundedJson
{
    std::optional<QJsonObject> object;
    QString problem; // when there is no object: why, in Portuguese
};

// The JSON object the text holds, parsed only when it keeps within bounds.
BoundedJson parseBoundedObject(std::string_view text, const JsonBounds& bounds);

} // namespace cmp::server
