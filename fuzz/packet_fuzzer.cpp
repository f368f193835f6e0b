// Decodes arbitrary bytes as a packet: a malformed one must give PacketError,
// never a crash, and whatever decodes must survive encoding unchanged.
#include "framework/data/packet_json.h"

#include <QByteArray>

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
    if (cmp::fw::decodePacket(cmp::fw::encodePacket(packet)) != packet)
        std::abort();
    return 0;
}
