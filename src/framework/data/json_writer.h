#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <variant>

class QJsonValue;

namespace cmp::fw {

// A JSON value that is neither an array nor an object; null is nullptr.
using JsonScalar = std::variant<std::nullptr_t, bool, qint64, double, QString>;

// Readers that keep every JSON number as a double (JavaScript, many others)
// lose integers beyond 2^53, so those travel as decimal text.
JsonScalar portableInteger(qint64 value);

QJsonValue toJsonValue(const JsonScalar& scalar);

// Compact JSON text (RFC 8259) appended straight to one buffer, for bodies
// too large to build as a QJsonDocument first. Reads back as the QJson
// classes would write it. The caller nests begin/end and key/value calls
// correctly; the writer places the commas.
class JsonWriter
{
public:
    explicit JsonWriter(qsizetype expectedBytes = 0);

    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    // Member names are the format's own: plain ASCII, written unescaped.
    void key(QLatin1String name);

    void null();
    void boolean(bool flag);
    void integer(qint64 value);
    // Finite only: the shortest text that reads back as the same double.
    void number(double value);
    void string(QStringView text);
    void string(QLatin1String text);
    void scalar(const JsonScalar& value);
    // A whole value that another JsonWriter wrote.
    void written(const QByteArray& json);

    QByteArray take() { return std::move(out_); }

private:
    void startValue();
    char* extend(qsizetype maxBytes);
    void truncateAt(const char* end);

    QByteArray out_;
    bool afterValue_ = false;
};

} // namespace cmp::fw
