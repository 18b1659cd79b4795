// The joined setup data as a whole: header, verification, folder table and
// catalog walk; and cutting it into volumes and joining them again.
#include "FuzzCheck.h"

#include "codec/FolderTable.h"
#include "codec/SetupData.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    spd::ByteSpan joined(data, size);
    auto h = spd::SetupHeader::Decode(joined);
    if (!h) return 0;
    (void)spd::VerifyJoinedData(joined, *h);
    (void)spd::DecodeFolderTable(joined.subspan(spd::SetupHeader::kSize), h->folderCount);

    spd::CatalogReader reader(joined, *h);
    (void)reader.Verify();
    for (unsigned i = 0; i < h->fileCount && i < 1000; ++i) {
        auto item = reader.Next();
        if (!item) break;
        FUZZ_CHECK(item.value.entryBlock.expandedSize == spd::CatalogEntry::kSize);
        FUZZ_CHECK(reader.position() <= size);
    }

    std::uint64_t volumeSize = spd::kMinVolumeSize + data[size - 1] * 7u;
    auto volumes = spd::SplitIntoVolumes(joined, *h, volumeSize);
    FUZZ_CHECK(volumes.size() == spd::VolumeFilesFor(size, volumeSize));
    std::vector<spd::ByteSpan> spans(volumes.begin(), volumes.end());
    auto back = spd::JoinVolumes(spans);
    FUZZ_CHECK(back && back.value == std::vector<std::uint8_t>(data, data + size));
    return 0;
}
