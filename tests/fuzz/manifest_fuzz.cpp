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
           a.companion == b.companion && a.finished == b.finished && a.link == b.link &&
           a.shown_width == b.shown_width && a.shown_height == b.shown_height &&
           a.thumbnail_width == b.thumbnail_width && a.thumbnail_height == b.thumbnail_height &&
           a.page_key == b.page_key;
}

bool same(made_album const& a, made_album const& b) {
    return a.link == b.link && a.index_key == b.index_key && a.cover_key == b.cover_key &&
           a.finished == b.finished;
}

template <typename records>
bool same_records(records const& a, records const& b) {
    if (a.size() != b.size()) return false;
    for (auto const& [path, record] : a) {
        auto const other = b.find(path);
        if (other == b.end() || !same(record, other->second)) return false;
    }
    return true;
}

bool same(manifest const& a, manifest const& b) {
    return same_records(a.pictures, b.pictures) && same_records(a.albums, b.albums);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    std::string const input(reinterpret_cast<char const*>(data), size);
    std::size_t const split = input.find("@@@@");
    std::string const manifest_bytes = input.substr(0, split);
    std::string const journal_bytes = split == std::string::npos ? "" : input.substr(split + 4);

    manifest_state const read = read_manifest(manifest_bytes, journal_bytes);
    for (auto const& [source, record] : read.made.pictures) check(!source.empty());
    // What was read survives being written and read again, one line per picture.
    std::string const written = manifest_text(read.made);
    manifest_state const again = read_manifest(written, "");
    check(!again.outdated);
    check(same(again.made, read.made));
    check(manifest_text(again.made) == written);
    // A journal of this version's lines says the same as the manifest that holds them.
    std::string journal;
    for (auto const& [path, record] : read.made.albums) journal += album_line(path, record);
    for (auto const& [source, record] : read.made.pictures) journal += picture_line(source, record);
    check(same(read_manifest("", journal).made, read.made));
    return 0;
}
