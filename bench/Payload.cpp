#include "Payload.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace bench {

namespace {

// splitmix64: small, fast and the same everywhere.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double Unit() { return static_cast<double>(Next() >> 11) / 9007199254740992.0; }
    std::uint32_t Below(std::uint32_t n) { return static_cast<std::uint32_t>(Next() % n); }

private:
    std::uint64_t state_;
};

const std::vector<std::string>& Vocabulary() {
    static const std::vector<std::string> words = [] {
        static const char* const kSyllables[] = {"kal", "vo",  "rin",  "win",   "ter",   "schnee", "bild", "da",  "tei",
                                                 "ord", "ner", "lan",  "ge",    "stern", "licht",  "wel",  "le",  "an",
                                                 "ein", "aus", "zeit", "nacht", "tag",   "berg",   "see",  "wald"};
        Random r(42);
        std::vector<std::string> w;
        for (int i = 0; i < 3000; ++i) {
            std::string word;
            const int n = 1 + static_cast<int>(r.Below(3));
            for (int k = 0; k < n; ++k) word += kSyllables[r.Below(26)];
            w.push_back(word);
        }
        return w;
    }();
    return words;
}

void AppendText(std::vector<std::uint8_t>& out, std::uint64_t size, Random& r) {
    const auto& words = Vocabulary();
    int inLine = 0;
    while (out.size() < size) {
        const double u = r.Unit();
        const std::string& w = words[static_cast<std::size_t>(words.size() * u * u * u)];
        out.insert(out.end(), w.begin(), w.end());
        if (++inLine >= 6 + static_cast<int>(r.Below(10))) {
            out.push_back('\r');
            out.push_back('\n');
            inLine = 0;
        } else {
            out.push_back(r.Below(12) == 0 ? ',' : ' ');
            if (r.Below(40) == 0) {
                char number[16];
                const int n = std::snprintf(number, sizeof number, "%u ", r.Below(100000));
                out.insert(out.end(), number, number + n);
            }
        }
    }
    out.resize(size);
}

// Program-like bytes: small records of little numbers and addresses, code
// runs copied from earlier with changes, stretches of noise.
void AppendBinary(std::vector<std::uint8_t>& out, std::uint64_t size, Random& r) {
    const std::size_t start = out.size();
    while (out.size() < size) {
        const std::uint32_t choice = r.Below(10);
        if (choice < 4) {
            for (int i = 0; i < 8; ++i) {
                const std::uint32_t v = r.Below(4) == 0 ? 0x00400000u + r.Below(0x40000) * 4 : r.Below(256);
                for (int b = 0; b < 4; ++b) out.push_back(static_cast<std::uint8_t>(v >> (8 * b)));
            }
        } else if (choice < 8 && out.size() - start > 4096) {
            const std::size_t distance =
                16 + r.Below(static_cast<std::uint32_t>(std::min<std::size_t>(out.size() - start, 30000) - 16));
            const std::size_t length = 8 + r.Below(120);
            const std::size_t from = out.size() - distance;
            for (std::size_t i = 0; i < length; ++i)
                out.push_back(static_cast<std::uint8_t>(out[from + i] ^ (r.Below(16) == 0 ? r.Next() : 0)));
        } else {
            const std::size_t length = 16 + r.Below(64);
            for (std::size_t i = 0; i < length; ++i) out.push_back(static_cast<std::uint8_t>(r.Next()));
        }
    }
    out.resize(size);
}

void AppendRandom(std::vector<std::uint8_t>& out, std::uint64_t size, Random& r) {
    while (out.size() + 8 <= size) {
        const std::uint64_t v = r.Next();
        for (int b = 0; b < 8; ++b) out.push_back(static_cast<std::uint8_t>(v >> (8 * b)));
    }
    while (out.size() < size) out.push_back(static_cast<std::uint8_t>(r.Next()));
}

void Append(Kind kind, std::vector<std::uint8_t>& out, std::uint64_t size, Random& r) {
    switch (kind) {
    case Kind::Text:
        AppendText(out, size, r);
        break;
    case Kind::Binary:
        AppendBinary(out, size, r);
        break;
    case Kind::Random:
        AppendRandom(out, size, r);
        break;
    case Kind::Mixed:
        // Stretches of 256 KiB of each kind in turn, as an archive of files would be.
        for (std::uint64_t i = 0; out.size() < size; ++i) {
            const std::uint64_t end = std::min<std::uint64_t>(size, out.size() + (256u << 10));
            Append(i % 5 == 4 ? Kind::Random : (i % 2 ? Kind::Binary : Kind::Text), out, end, r);
        }
        break;
    }
}

}  // namespace

const char* KindName(Kind kind) {
    switch (kind) {
    case Kind::Text:
        return "text";
    case Kind::Binary:
        return "binary";
    case Kind::Random:
        return "random";
    case Kind::Mixed:
        return "mixed";
    }
    return "?";
}

std::vector<PayloadFile> PayloadFiles() {
    Random r(20240613);
    // Nested folders: 12 at the top, some with subfolders two levels deep.
    std::vector<std::string> folders;
    static const char* const kTop[] = {"Bilder",   "Daten",  "Hilfe",  "Klaenge", "Programm",  "Texte",
                                       "Vorlagen", "Winter", "Sommer", "Archiv",  "Schriften", "Extras"};
    for (const char* top : kTop) {
        folders.push_back(top);
        const int subs = static_cast<int>(r.Below(6));
        for (int s = 0; s < subs; ++s) {
            const std::string sub = std::string(top) + "/Teil" + std::to_string(s + 1);
            folders.push_back(sub);
            if (r.Below(3) == 0) folders.push_back(sub + "/Tief" + std::to_string(r.Below(9)));
        }
    }

    std::vector<PayloadFile> files(kPayloadFiles);
    const std::size_t largest = kPayloadFiles / 2;
    std::vector<double> weights(kPayloadFiles, 0.0);
    double sum = 0;
    for (std::size_t i = 0; i < kPayloadFiles; ++i) {
        if (i == largest) continue;
        weights[i] = std::exp(std::log(512.0) + r.Unit() * (std::log(2.0 * 1024 * 1024) - std::log(512.0)));
        sum += weights[i];
    }
    const std::uint64_t rest = kPayloadBytes - kLargestFile;
    std::uint64_t given = 0;
    for (std::size_t i = 0; i < kPayloadFiles; ++i) {
        PayloadFile& f = files[i];
        f.seed = 1000 + i;
        if (i == largest) {
            f.size = kLargestFile;
            f.kind = Kind::Mixed;
            f.path = "Archiv/Winterbilder.pak";
            continue;
        }
        f.size = static_cast<std::uint64_t>(weights[i] / sum * static_cast<double>(rest));
        given += f.size;
        const std::uint32_t k = r.Below(20);
        f.kind = k < 9 ? Kind::Text : (k < 16 ? Kind::Binary : Kind::Random);
        static const char* const kExt[] = {".txt", ".dll", ".jpg"};
        char name[32];
        std::snprintf(name, sizeof name, "datei%04zu", i);
        f.path =
            folders[r.Below(static_cast<std::uint32_t>(folders.size()))] + "/" + name + kExt[static_cast<int>(f.kind)];
    }
    files[largest == 0 ? 1 : 0].size += rest - given;  // the rounding goes to one file
    return files;
}

std::vector<std::uint8_t> KindBytes(Kind kind, std::uint64_t size, std::uint64_t seed) {
    Random r(seed);
    std::vector<std::uint8_t> out;
    out.reserve(static_cast<std::size_t>(size));
    Append(kind, out, size, r);
    return out;
}

std::vector<std::uint8_t> FileBytes(const PayloadFile& file) {
    return KindBytes(file.kind, file.size, file.seed);
}

}  // namespace bench
