#pragma once

#include "framework/data/data_packet.h"

#include <QByteArray>
#include <QJsonObject>

#include <stdexcept>

class QDate;
class QDateTime;
class QJsonValue;

namespace cmp::fw {

class JsonWriter;

// A packet that cannot be decoded, or encoded into a form that would decode.
// what() is a Portuguese UTF-8 text naming the problem and where it lies,
// e.g. "Pacote inválido: linha 3, campo DTPROGENTR: data inválida '2026-13-01'".
class PacketError : public std::runtime_error
{
public:
    explicit PacketError(const QString& message);
};

// The one JSON encoding of data and change packets, written down in
// docs/packets.md. Decoding checks everything: whatever the input, the result
// is a well-formed packet whose values have their fields' canonical types, or
// a PacketError.
//
// Encoding converts values the way the record set converts input (a text in
// a date field, an int in an integer field) and refuses what the decoder would
// refuse (a row of the wrong width, a text over its field's size, a float that
// is not finite), so that whatever encodes also decodes. Sizes of kinds other
// than string and fixedString are not carried.
QJsonObject packetToJson(const DataPacket& packet);
DataPacket packetFromJson(const QJsonValue& json);

// The same as compact JSON text, for transports and files. Written directly,
// not through packetToJson: a packet of 10,000 rows is encoded on every save.
QByteArray encodePacket(const DataPacket& packet);
DataPacket decodePacket(const QByteArray& bytes);

// The packet as the next value of `out`, for larger bodies that carry one.
// On a PacketError, `out` holds a partial text and is to be dropped.
void writePacket(JsonWriter& out, const DataPacket& packet);

// The wire forms of dates, shared by packets and call values: "2026-12-07"
// and "2026-12-07T08:30:00.250" in local time, without zone. Empty for an
// invalid date or one outside the years 0001 to 9999, which no decoder takes.
QString formatWireDate(QDate date);
QString formatWireDateTime(const QDateTime& moment);

} // namespace cmp::fw
