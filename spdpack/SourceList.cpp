#include "spdpack/SourceList.h"

#include <algorithm>

namespace spdpack {

namespace fs = std::filesystem;

namespace {

bool HasWildcard(std::string_view s) {
    return s.find_first_of("*?") != std::string_view::npos;
}

// Bytes of the UTF-8 sequence that starts with lead (1 for a stray byte).
std::size_t SequenceLength(unsigned char lead) {
    if (lead >= 0xF0 && lead < 0xF8) return 4;
    if (lead >= 0xE0) return lead < 0xF0 ? 3 : 1;
    if (lead >= 0xC0) return 2;
    return 1;
}

}  // namespace

bool MatchPattern(std::string_view pattern, std::string_view name) {
    std::size_t p = 0, n = 0;
    std::size_t starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            n += std::min(SequenceLength(static_cast<unsigned char>(name[n])), name.size() - n);
        } else if (p < pattern.size() && pattern[p] == name[n]) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            // Let the last * take one more character and try again.
            p = starP + 1;
            starN += SequenceLength(static_cast<unsigned char>(name[starN]));
            n = std::min(starN, name.size());
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

SourceListing ListSource(const fs::path& source, bool recursive) {
    const std::string last = source.filename().string();
    const bool pattern = HasWildcard(last);
    if (HasWildcard(source.parent_path().string()))
        throw SourceError("the wildcards * and ? may stand in the file name part only");
    SourceListing listing;
    std::error_code ec;
    if (!pattern && !fs::is_directory(source, ec)) return listing;
    const fs::path folder = pattern ? source.parent_path() : source;
    if (!fs::is_directory(folder, ec)) throw SourceError("the folder \"" + folder.string() + "\" does not exist");
    listing.several = true;
    listing.folder = folder;
    const std::string match = pattern ? last : "*";
    const bool hiddenToo = !match.empty() && match.front() == '.';

    auto hidden = [&](const fs::path& p) { return !hiddenToo && p.filename().string().starts_with('.'); };
    fs::recursive_directory_iterator it(folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const fs::directory_entry& e = *it;
        std::error_code entryError;  // an entry that cannot be looked at is passed over
        if (e.is_directory(entryError)) {
            if (!recursive || hidden(e.path())) it.disable_recursion_pending();
            continue;
        }
        if (!e.is_regular_file(entryError) || hidden(e.path()) || !MatchPattern(match, e.path().filename().string()))
            continue;
        listing.files.push_back(e.path().lexically_relative(folder).generic_string());
    }
    if (ec) throw SourceError("cannot list the folder \"" + folder.string() + "\": " + ec.message());
    std::sort(listing.files.begin(), listing.files.end());
    return listing;
}

}  // namespace spdpack
