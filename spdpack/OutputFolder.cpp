#include "spdpack/OutputFolder.h"

#include <fstream>
#include <random>
#include <stdexcept>

namespace spdpack {

namespace fs = std::filesystem;

namespace {

bool AllDigits(const std::string& s, std::size_t from)
{
    if (from >= s.size())
        return false;
    for (std::size_t i = from; i < s.size(); ++i)
        if (s[i] < '0' || s[i] > '9')
            return false;
    return true;
}

std::string RandomSuffix()
{
    std::random_device rd;
    std::string s;
    for (int i = 0; i < 8; ++i)
        s += static_cast<char>('a' + rd() % 26);
    return s;
}

}  // namespace

bool IsBuildOutputName(const std::string& name)
{
    if (name == "user.spd" || name == "_setup.spd" || name == "setup.exe")
        return true;
    return name.rfind("user.", 0) == 0 && name.size() >= 8 && AllDigits(name, 5);
}

bool IsDiskFolderName(const std::string& name)
{
    return name.rfind("Disk ", 0) == 0 && AllDigits(name, 5);
}

OutputFolder::OutputFolder(fs::path output) : output_(std::move(output))
{
    // "out/", "out/." and "." name the folder itself.
    fs::path absolute = fs::absolute(output_).lexically_normal();
    if (!absolute.has_filename())
        absolute = absolute.parent_path();
    output_ = absolute;
    fs::path parent = absolute.parent_path();
    // Remember which parent levels this build creates, to remove them again
    // when it fails.
    for (fs::path p = parent; !p.empty() && !fs::exists(p); p = p.parent_path()) {
        createdParents_.push_back(p);
        if (p == p.parent_path())
            break;
    }
    fs::create_directories(parent);
    for (int attempt = 0;; ++attempt) {
        staging_ = parent / ("." + absolute.filename().string() + ".spdpack-" + RandomSuffix());
        if (fs::create_directory(staging_))
            break;
        if (attempt > 100)
            throw std::runtime_error("cannot create a staging folder beside " + output_.string());
    }
}

OutputFolder::~OutputFolder()
{
    if (!committed_)
        Discard();
}

void OutputFolder::Discard() noexcept
{
    std::error_code ec;
    fs::remove_all(staging_, ec);
    for (const fs::path& p : createdParents_)
        fs::remove(p, ec);  // only succeeds while empty
}

void OutputFolder::Write(const fs::path& relative, std::span<const std::uint8_t> bytes)
{
    fs::path target = staging_ / relative;
    fs::create_directories(target.parent_path());
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out)
        throw std::runtime_error("cannot write " + (output_ / relative).string());
    written_.push_back(relative);
}

void OutputFolder::Commit()
{
    fs::create_directories(output_);
    // Earlier build outputs go first.
    for (const fs::directory_entry& e : fs::directory_iterator(output_)) {
        std::string name = e.path().filename().string();
        if (e.is_regular_file() && IsBuildOutputName(name)) {
            fs::remove(e.path());
        } else if (e.is_directory() && IsDiskFolderName(name)) {
            for (const fs::directory_entry& inner : fs::directory_iterator(e.path()))
                if (inner.is_regular_file() && IsBuildOutputName(inner.path().filename().string()))
                    fs::remove(inner.path());
            std::error_code ec;
            fs::remove(e.path(), ec);  // only when now empty
        }
    }
    for (const fs::path& relative : written_) {
        fs::path target = output_ / relative;
        fs::create_directories(target.parent_path());
        fs::rename(staging_ / relative, target);
    }
    committed_ = true;
    std::error_code ec;
    fs::remove_all(staging_, ec);
}

}  // namespace spdpack
