#include "TestSupport.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace testing_support {

namespace fs = std::filesystem;

TempDir::TempDir() {
    static int counter = 0;
    std::random_device rd;
    path_ = fs::temp_directory_path() / ("kalv-host-" + std::to_string(getpid()) + "-" + std::to_string(++counter) +
                                         "-" + std::to_string(rd() % 100000));
    fs::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const Bytes& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void WriteText(const fs::path& path, const std::string& text) {
    WriteFile(path, Bytes(text.begin(), text.end()));
}

Bytes Pseudorandom(std::size_t n, std::uint32_t seed) {
    std::mt19937 gen(seed);
    Bytes b(n);
    for (auto& x : b) x = static_cast<std::uint8_t>(gen());
    return b;
}

namespace {

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

RunResult RunSpdpack(const std::vector<std::string>& args) {
    const char* env = std::getenv("SPDPACK");
    std::string exe = env && *env ? env : SPDPACK_EXE;
    TempDir io;
    std::string cmd = Quote(exe);
    for (const std::string& a : args) cmd += " " + Quote(a);
    cmd += " >" + Quote((io / "out").string()) + " 2>" + Quote((io / "err").string()) + " </dev/null";
    int status = std::system(cmd.c_str());
    RunResult r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = Slurp(io / "out");
    r.err = Slurp(io / "err");
    return r;
}

Image& Image::u8(std::size_t off, std::uint8_t v) {
    bytes.at(off) = v;
    return *this;
}

Image& Image::u16(std::size_t off, std::uint16_t v) {
    bytes.at(off) = static_cast<std::uint8_t>(v & 0xFF);
    bytes.at(off + 1) = static_cast<std::uint8_t>(v >> 8);
    return *this;
}

Image& Image::u32(std::size_t off, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes.at(off + i) = static_cast<std::uint8_t>(v >> (8 * i));
    return *this;
}

Image& Image::text(std::size_t off, const std::string& s) {
    for (std::size_t i = 0; i < s.size(); ++i) bytes.at(off + i) = static_cast<std::uint8_t>(s[i]);
    return *this;
}

Image& Image::raw(std::size_t off, const Bytes& b) {
    for (std::size_t i = 0; i < b.size(); ++i) bytes.at(off + i) = b[i];
    return *this;
}

std::uint32_t ZAdler(const Bytes& b) {
    return static_cast<std::uint32_t>(adler32(1, b.data(), static_cast<uInt>(b.size())));
}

Bytes ZCompress(const Bytes& b, int level) {
    uLongf len = compressBound(static_cast<uLong>(b.size()));
    Bytes out(len);
    static const Bytef empty = 0;
    if (compress2(out.data(), &len, b.empty() ? &empty : b.data(), static_cast<uLong>(b.size()), level) != Z_OK)
        throw std::runtime_error("compress2 failed");
    out.resize(len);
    return out;
}

std::vector<std::string> Listing(const fs::path& dir) {
    std::vector<std::string> names;
    if (!fs::exists(dir)) return names;
    for (const auto& e : fs::recursive_directory_iterator(dir)) names.push_back(fs::relative(e.path(), dir).string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace testing_support

namespace spd {
void PrintTo(Status status, std::ostream* os) {
    *os << StatusText(status);
}
}  // namespace spd
