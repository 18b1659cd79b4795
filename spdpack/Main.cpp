// spdpack: packs a screensaver and its files into setup data for the
// Kalvorin setup program, and inspects setup data and uninstall logs.
//
//   spdpack build MANIFEST -o OUTPUT [--setup-id GUID] [--setup-program PATH]
//                 [--uninstaller PATH] [--threads N]
//   spdpack inspect PATH        (user.spd or the folder holding it)
//   spdpack extract PATH -o FOLDER
//   spdpack log Unscr.log
//   spdpack corpus FOLDER       (seed inputs of the fuzz targets)
#include "spdpack/Build.h"
#include "spdpack/Corpus.h"
#include "spdpack/Cp1252.h"
#include "spdpack/Extract.h"
#include "spdpack/Inspect.h"
#include "spdpack/LogDump.h"
#include "spdpack/Manifest.h"
#include "spdpack/ProgressBar.h"
#include "spdpack/StopSignals.h"

#include "codec/VolumeName.h"

#include <CLI/CLI.hpp>

#include <iostream>

namespace {

int RunBuild(const spdpack::BuildOptions& options) {
    spdpack::BuildSummary summary = spdpack::Build(options);
    for (const std::string& warning : summary.warnings) std::cerr << "spdpack: warning: " << warning << '\n';
    const spd::SetupHeader& h = summary.header;
    std::size_t added = 0;
    for (const auto& f : summary.folders) added += f.added ? 1 : 0;
    std::cout << "setup id " << h.setupId.Format()
              << (summary.setupIdGenerated
                      ? " (generated; put it into the manifest as setup_id to rebuild the same bytes)"
                      : "")
              << '\n';
    std::cout << h.fileCount << " file(s), " << h.folderCount << " folder(s)"
              << (added ? " (" + std::to_string(added) + " added)" : std::string()) << ", " << h.dataLength
              << " bytes of setup data in " << h.VolumeFiles() << " volume(s), Adler-32 from offset 192 0x" << std::hex
              << std::uppercase << h.dataChecksum << std::dec << '\n';
    for (const auto& f : summary.folders)
        std::cout << "  folder " << spd::FolderKindName(static_cast<std::uint8_t>(f.kind)) << '\\'
                  << spdpack::Cp1252ToUtf8(f.path) << (f.added ? "  (added: no [[folders]] entry lists it)" : "")
                  << '\n';
    for (const auto& p : summary.written) std::cout << "  " << (options.output / p).string() << '\n';
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"spdpack: packs and inspects setup data of the Kalvorin setup program"};
    app.require_subcommand(1);

    spdpack::BuildOptions build;
    std::string setupId;
    std::string setupProgram;
    std::string uninstaller;
    CLI::App* buildCmd = app.add_subcommand(
        "build", "Pack the files of a manifest into user.spd, further volumes, _setup.spd and setup.exe");
    buildCmd->add_option("manifest", build.manifest, "The TOML manifest")->required();
    buildCmd->add_option("-o,--output", build.output, "Output folder")->required();
    buildCmd->add_option("--setup-id", setupId, "Setup id GUID, instead of the manifest's");
    buildCmd->add_option("--setup-program", setupProgram,
                         "Setup program written as setup.exe, instead of the manifest's");
    buildCmd->add_option("--uninstaller", uninstaller, "Uninstaller packed into _setup.spd, instead of the manifest's");
    buildCmd->add_option("-j,--threads", build.threads, "Compression threads (default: all cores)");

    std::string inspectTarget;
    CLI::App* inspectCmd = app.add_subcommand("inspect", "Show and verify setup data (volumes are joined first)");
    inspectCmd->add_option("path", inspectTarget, "user.spd, or the folder that holds it")->required();

    std::string extractTarget;
    std::string extractFolder;
    CLI::App* extractCmd = app.add_subcommand(
        "extract", "Write every file of a setup into a folder (volumes joined, every checksum verified)");
    extractCmd->add_option("path", extractTarget, "user.spd, or the folder that holds it")->required();
    extractCmd->add_option("-o,--output", extractFolder, "Folder that receives one subfolder per base folder")
        ->required();

    std::string logPath;
    CLI::App* logCmd = app.add_subcommand("log", "Decode and verify an uninstall log (Unscr.log)");
    logCmd->add_option("path", logPath, "The log file")->required();

    std::string corpusDir;
    CLI::App* corpusCmd = app.add_subcommand("corpus", "Write the seed inputs of the fuzz targets");
    corpusCmd->add_option("folder", corpusDir, "Folder that receives one subfolder per fuzz target")->required();

    CLI11_PARSE(app, argc, argv);

    try {
        if (*buildCmd) {
            if (!setupId.empty()) {
                build.setupId = spd::Guid::Parse(setupId);
                if (!build.setupId) {
                    std::cerr << "spdpack: --setup-id: \"" << setupId << "\" is not a GUID\n";
                    return 2;
                }
            }
            if (!setupProgram.empty()) build.setupProgram = setupProgram;
            if (!uninstaller.empty()) build.uninstaller = uninstaller;
            build.progress = spdpack::IsTerminal(stdout);
            spdpack::InstallStopHandler();
            return RunBuild(build);
        }
        if (*inspectCmd) return spdpack::Inspect(inspectTarget, std::cout, std::cerr);
        if (*extractCmd) return spdpack::Extract(extractTarget, extractFolder, std::cout, std::cerr);
        if (*logCmd) return spdpack::DumpLog(logPath, std::cout, std::cerr);
        if (*corpusCmd) {
            int n = spdpack::WriteCorpus(corpusDir);
            std::cout << n << " seed files written to " << corpusDir << '\n';
            return 0;
        }
    } catch (const spdpack::ManifestError& e) {
        std::cerr << "spdpack: " << e.what() << '\n';
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "spdpack: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
