#include "spdpack/Corpus.h"

#include "codec/BlockHeader.h"
#include "codec/ByteWriter.h"
#include "codec/PackedProgram.h"
#include "codec/SetupData.h"
#include "codec/UninstallLog.h"
#include "codec/VolumeHeader.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace spdpack {

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

spd::SetupDataSpec SampleSpec(bool withFolders, std::uint64_t volumeSize) {
    spd::SetupDataSpec spec;
    spec.displayName = "Kalvorin";
    spec.defaultSubfolder = "Kalvorin";
    spec.setupId = *spd::Guid::Parse("{3F2504E0-4F89-11D3-9A0C-0305E82C3301}");
    spec.level = 9;
    spec.threads = 1;
    spec.volumeSize = volumeSize;
    if (withFolders) {
        spec.folders.push_back({spd::FolderEntry::kTag, 5, "Bilder"});
        spec.folders.push_back({spd::FolderEntry::kTag, 5, "Bilder\\Winter"});
    }
    auto add = [&](std::uint8_t flags, std::uint8_t kind, std::string sub, std::string name, std::string content) {
        spd::SetupFile f;
        f.entry.flags = flags;
        f.entry.folderKind = kind;
        f.entry.subfolder = std::move(sub);
        f.entry.fileName = std::move(name);
        f.content = Text(content);
        spec.files.push_back(std::move(f));
    };
    add(spd::CatalogFlags::Screensaver | spd::CatalogFlags::Required, 2, "", "Kalvorin.scr",
        "MZ screensaver body, repeated: aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa");
    add(spd::CatalogFlags::Shared, 2, "", "kalvgl.dll", "MZ shared library");
    if (withFolders) {
        add(spd::CatalogFlags::Config, 5, "Bilder\\Winter", "winter.cfg", "[Bilder]\r\nAnzahl=3\r\n");
        add(0, 5, "", "leer.txt", "");
    }
    return spec;
}

Bytes Prefixed16(std::uint16_t value, const Bytes& rest) {
    spd::ByteWriter w;
    w.U16(value);
    w.Bytes(rest);
    return w.Take();
}

}  // namespace

int WriteCorpus(const fs::path& dir) {
    std::map<std::string, std::vector<Bytes>> seeds;

    auto small = spd::BuildSetupData(SampleSpec(false, 0));
    auto large = spd::BuildSetupData(SampleSpec(true, 0));
    auto split = spd::BuildSetupData(SampleSpec(true, 600));
    if (!small || !large || !split || split.value.volumes.size() < 2)
        throw std::runtime_error("cannot build the sample setup data");

    for (const auto* image : {&small.value, &large.value, &split.value}) {
        seeds["setup_header"].push_back(Bytes(image->joined.begin(), image->joined.begin() + spd::SetupHeader::kSize));
        seeds["setup_data"].push_back(image->joined);
    }
    seeds["volume_header"].push_back(
        Bytes(split.value.volumes[1].begin(), split.value.volumes[1].begin() + spd::VolumeHeader::kSize));
    seeds["volume_header"].push_back(split.value.volumes.back());

    // Folder table seeds: folderCount (2 bytes) and the bytes from offset 192.
    for (const auto* image : {&small.value, &large.value}) {
        const Bytes& j = image->joined;
        Bytes table(j.begin() + spd::SetupHeader::kSize, j.begin() + image->header.catalogOffset);
        seeds["folder_table"].push_back(Prefixed16(image->header.folderCount, table));
    }

    // Blocks: the folder table block and every block of the catalog.
    {
        const Bytes& j = large.value.joined;
        const spd::SetupHeader& h = large.value.header;
        seeds["block"].push_back(Bytes(j.begin() + spd::SetupHeader::kSize, j.begin() + h.catalogOffset));
        spd::CatalogReader reader(j, h);
        if (reader.Verify() != spd::Status::Ok) throw std::runtime_error("cannot verify the sample catalog");
        std::size_t pos = reader.position();
        for (unsigned i = 0; i < h.fileCount; ++i) {
            auto item = reader.Next();
            if (!item) throw std::runtime_error("cannot read the sample catalog");
            std::size_t entryEnd = pos + spd::BlockHeader::kSize + item.value.entryBlock.storedSize;
            seeds["catalog_entry"].push_back(Bytes(j.begin() + pos, j.begin() + entryEnd));
            seeds["block"].push_back(Bytes(j.begin() + entryEnd, j.begin() + reader.position()));
            pos = reader.position();
        }
    }

    const Bytes program = Text("MZ uninstaller program: remove files, folders and registry entries. ");
    for (int level : {0, 9}) {
        auto packed = spd::PackProgram(program, level);
        seeds["packed_program"].push_back(packed.value);
    }

    std::vector<spd::RegistryEntryRecord> registry = {
        {spd::RegistryEntryRecord::kLocalMachine, "Software\\Brisvane Screensaver\\Kalvorin", ""},
        {spd::RegistryEntryRecord::kLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kalvorin",
         ""},
        {spd::RegistryEntryRecord::kLocalMachine, "Software\\Brisvane Screensaver", "Kalvorin"},
    };
    auto log = spd::EncodeUninstallLog(
        spd::MakeUninstallLog("Kalvorin", {"C:\\WINDOWS\\SYSTEM\\Kalvorin.scr", "C:\\Programme\\Kalvorin\\Unscr.log"},
                              {"C:\\WINDOWS\\SYSTEM\\kalvgl.dll"}, {"C:\\Programme\\Kalvorin"}, registry));
    auto emptyLog = spd::EncodeUninstallLog(spd::MakeUninstallLog("K", {}, {}, {}, {}));
    seeds["uninstall_log"] = {log.value, emptyLog.value};

    seeds["manifest"] = {
        Text("display_name = \"Kalvorin\"\ndefault_subfolder = \"Kalvorin\"\n"
             "setup_id = \"{3F2504E0-4F89-11D3-9A0C-0305E82C3301}\"\ncompression_level = 9\n"
             "uninstaller = \"bin/UnScr.exe\"\nsetup_program = \"bin/setup.exe\"\n\n"
             "[volumes]\nsize = \"1440K\"\nlayout = \"disk folders\"\n\n"
             "[[folders]]\nbase = \"Destination\"\npath = \"Bilder\\\\Winter\"\n\n"
             "[[files]]\nsource = \"payload/Kalvorin.scr\"\nbase = \"System\"\n"
             "flags = [\"Screensaver\", \"Required\"]\n\n"
             "[[files]]\nsource = \"payload/winter.cfg\"\nbase = \"Destination\"\nsubfolder = \"Bilder/Winter\"\n"
             "name = \"winter.cfg\"\nflags = [\"Config\", \"Shared\"]\n"),
        Text("display_name = \"Viel Spa\xC3\x9F\"\n[[files]]\nsource = \"a.scr\"\nbase = \"Windows\"\n"),
        Text("# Bilder f\xC3\xBCr den Winter\ndisplay_name = \"\"\"Spa\xC3\x9F \\\n  \xC3\xBC"
             "berall\"\"\"\n"
             "[[files]]\nsource = 'a.scr'\nbase = 'System'\nsubfolder = '\xC3\x96l'\n"),
    };

    // Names as a setup holds them; the table of tests/data holds many more.
    seeds["installable_name"] = {Text("Kalvorin.scr"), Text("Bilder\\Winter"), Text("\xC4rger.txt"), Text("nul.txt"),
                                 Text("..\\x"),        Text("C:\\x"),          Text("a. ")};
    // The uninstaller's command lines: the first byte picks the program's
    // path the fuzz target pretends to run from.
    seeds["uninstaller_command_line"] = {
        Text("\x00\"C:\\WINDOWS\\UnSc0417.exe\" \"C:\\Programme\\Kalvorin\\Unscr.log\""),
        Text("\x00C:\\WINDOWS\\UnSc0417.exe \"C:\\Programme\\Kalvorin\\Unscr.log\" s"),
        Text("\x01\"C:\\Temp\\UnSc1234.exe\" /remove-original 124 \"C:\\WINDOWS\\UnSc0417.exe\""),
        Text("\x02C:\\Program Files\\x\\UnScr.exe Unscr.log")};
    // What spdpack is given to read: the first bytes of each kind of file,
    // after a name and a zero byte.
    {
        auto named = [](const std::string& name, const Bytes& bytes) {
            Bytes out = Text(name);
            out.push_back(0);
            out.insert(out.end(), bytes.begin(), bytes.begin() + std::min<std::size_t>(bytes.size(), 256));
            return out;
        };
        seeds["data_file_kind"] = {named("user.spd", small.value.joined), named("user.001", split.value.volumes[1]),
                                   named("_setup.spd", seeds["packed_program"][0]), named("Unscr.log", log.value)};
    }

    int written = 0;
    for (const auto& [target, list] : seeds) {
        fs::create_directories(dir / target);
        for (std::size_t i = 0; i < list.size(); ++i) {
            fs::path file = dir / target / ("seed-" + std::to_string(i + 1));
            std::ofstream out(file, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(list[i].data()), static_cast<std::streamsize>(list[i].size()));
            if (!out) throw std::runtime_error("cannot write " + file.string());
            ++written;
        }
    }
    return written;
}

}  // namespace spdpack
