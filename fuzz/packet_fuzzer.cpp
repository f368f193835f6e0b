// Decodes arbitrary bytes as a packet: a malformed one must give PacketError,
// never a crash, and whatever decodes must survive encoding unchanged, with
// the text writer meaning the same JSON as the QJson one.
#include "framework/data/packet_json.h"

#include <QByteArray>
#include <QJsonDocument>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    cmp::fw::DataPacket packet;
    try {
        packet = cmp::fw::decodePacket(bytes);
    } catch (const cmp::fw::PacketError&) {
        return 0;
    }
    // A PacketError from here on is a finding too: it escapes and stops the run.
    const QByteArray text = cmp::fw::encodePacket(packet);
    if (cmp::fw::decodePacket(text) != packet)
        std::abort();
    if (QJsonDocument::fromJson(text) != QJsonDocument(cmp::fw::packetToJson(packet)))
        std::abort();
    return 0;
}
