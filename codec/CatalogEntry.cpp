#include "codec/CatalogEntry.h"

#include "codec/ByteWriter.h"

namespace spd {

std::string CatalogEntry::TargetPath(std::string_view baseFolder) const {
    std::string path(baseFolder);
    path += '\\';
    if (!subfolder.empty()) {
        path += subfolder;
        path += '\\';
    }
    path += fileName;
    return path;
}

std::vector<std::uint8_t> CatalogEntry::Encode() const {
    ByteWriter w(kSize);
    w.U8At(kOffTag, tag);
    w.U8At(kOffFlags, flags);
    w.U8At(kOffFolderKind, folderKind);
    w.FixedStringAt(kOffSubfolder, subfolder, kNameWidth);
    w.FixedStringAt(kOffFileName, fileName, kNameWidth);
    return w.Take();
}

std::optional<CatalogEntry> CatalogEntry::Decode(ByteSpan bytes) {
    if (bytes.size() < kSize) return std::nullopt;
    ByteReader r(bytes);
    CatalogEntry e;
    e.tag = r.U8At(kOffTag);
    e.flags = r.U8At(kOffFlags);
    e.folderKind = r.U8At(kOffFolderKind);
    e.subfolder = r.FixedStringAt(kOffSubfolder, kNameWidth);
    e.fileName = r.FixedStringAt(kOffFileName, kNameWidth);
    return e;
}

}  // namespace spd
