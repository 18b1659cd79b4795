#include "codec/RegistryEntryRecord.h"

#include "codec/ByteWriter.h"

namespace spd {

std::vector<std::uint8_t> RegistryEntryRecord::Encode() const {
    ByteWriter w(kSize);
    w.U32At(kOffHive, hive);
    w.FixedStringAt(kOffKey, key, kTextWidth);
    w.FixedStringAt(kOffValueName, valueName, kTextWidth);
    return w.Take();
}

std::optional<RegistryEntryRecord> RegistryEntryRecord::Decode(ByteSpan bytes) {
    if (bytes.size() < kSize) return std::nullopt;
    ByteReader r(bytes);
    RegistryEntryRecord rec;
    rec.hive = r.U32At(kOffHive);
    rec.key = r.FixedStringAt(kOffKey, kTextWidth);
    rec.valueName = r.FixedStringAt(kOffValueName, kTextWidth);
    return rec;
}

}  // namespace spd
