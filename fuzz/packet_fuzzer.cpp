// Decodes arbitrary bytes as a packet: a malformed one must give PacketError,
// never a crash, and whatever decodes must survive encoding unchanged, with
// Qt's JSON reader finding the same packet in the text the writer made.
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
    // Compared as packets: Qt's reader keeps a large whole number such as
    // 797693134865233024 as an integer where the packet's own JSON holds a
    // double, and its documents then differ though they mean the same.
    if (cmp::fw::packetFromJson(QJsonDocument::fromJson(text).object()) != packet)
        std::abort();
    return 0;
}
