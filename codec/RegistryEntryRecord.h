// RegistryEntryRecord: 524 bytes naming a registry key or one value of it
// that an installation created; the same bytes in memory and in the
// uninstall log (see codec/Layout.h).
#pragma once

#include "codec/ByteReader.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace spd {

struct RegistryEntryRecord {
    static constexpr std::size_t kSize = 524;
    static constexpr std::size_t kTextWidth = 260;
    static constexpr std::uint32_t kLocalMachine = 0x80000002;  // HKEY_LOCAL_MACHINE

    static constexpr std::size_t kOffHive = 0;
    static constexpr std::size_t kOffKey = 4;
    static constexpr std::size_t kOffValueName = 264;

    std::uint32_t hive = kLocalMachine;
    std::string key;        // subkey path below the hive
    std::string valueName;  // empty: the record stands for the whole key

    bool IsWholeKey() const { return valueName.empty(); }

    std::vector<std::uint8_t> Encode() const;
    static std::optional<RegistryEntryRecord> Decode(ByteSpan bytes);  // nullopt: < 524 bytes

    bool operator==(const RegistryEntryRecord&) const = default;
};

}  // namespace spd
