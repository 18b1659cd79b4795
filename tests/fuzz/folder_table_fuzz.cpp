// The folder table: two bytes of folderCount, then the bytes at offset 192.
#include "FuzzCheck.h"

#include "codec/FolderKind.h"
#include "codec/FolderTable.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    std::uint16_t count = static_cast<std::uint16_t>(data[0] | (data[1] << 8));
    auto table = spd::DecodeFolderTable(spd::ByteSpan(data + 2, size - 2), count);
    if (!table || !table.value.present) return 0;
    FUZZ_CHECK(table.value.entries.size() == count);
    for (const spd::FolderEntry& e : table.value.entries) {
        FUZZ_CHECK(spd::IsValidFolderKind(e.folderKind));
        (void)e.TrimmedPath();
    }
    auto encoded = spd::EncodeFolderTable(table.value.entries, 1);
    FUZZ_CHECK(encoded.ok());
    auto again = spd::DecodeFolderTable(encoded.value, count);
    FUZZ_CHECK(again && again.value.entries == table.value.entries);
    std::vector<spd::FolderEntry> sorted = table.value.entries;
    spd::SortFolderEntries(sorted);
    FUZZ_CHECK(sorted.size() == table.value.entries.size());
    return 0;
}
