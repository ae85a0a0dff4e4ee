// Fuzzes the reader of pixfold-gallery's manifest and journal, which decide which files a run
// removes: whatever the bytes, it must not crash, and what it reads it must write back so that
// reading that again gives the very same records.
//
// Input: the manifest's bytes, then "@@@@", then the journal's.
#include "manifest.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

bool same(made_picture const& a, made_picture const& b) {
    return a.stamp == b.stamp && a.web_box == b.web_box && a.thumbnail_box == b.thumbnail_box &&
           a.companion == b.companion && a.finished == b.finished && a.link == b.link;
}

bool same(manifest const& a, manifest const& b) {
    if (a.size() != b.size()) return false;
    for (auto const& [source, record] : a) {
        auto const other = b.find(source);
        if (other == b.end() || !same(record, other->second)) return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    std::string const input(reinterpret_cast<char const*>(data), size);
    std::size_t const split = input.find("@@@@");
    std::string const manifest_bytes = input.substr(0, split);
    std::string const journal_bytes = split == std::string::npos ? "" : input.substr(split + 4);

    manifest_state const read = read_manifest(manifest_bytes, journal_bytes);
    for (auto const& [source, record] : read.made) check(!source.empty());
    // What was read survives being written and read again, one line per picture.
    std::string const written = manifest_text(read.made);
    manifest_state const again = read_manifest(written, "");
    check(!again.outdated);
    check(same(again.made, read.made));
    check(manifest_text(again.made) == written);
    // A journal of this version's lines says the same as the manifest that holds them.
    std::string journal;
    for (auto const& [source, record] : read.made) journal += manifest_line(source, record);
    check(same(read_manifest("", journal).made, read.made));
    return 0;
}
