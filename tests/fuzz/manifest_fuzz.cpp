// Fuzzes the reader of pixfold-gallery's manifest and journal, which decide which files a run
// removes: whatever the bytes, it must not crash, and what it reads it must write back so that
// reading that again gives the very same records.
//
// Input: the manifest's bytes, then "@@@@", then the journal's.
#include "state/manifest.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    std::string const input(reinterpret_cast<char const*>(data), size);
    std::size_t const split = input.find("@@@@");
    std::string const manifest_bytes = input.substr(0, split);
    std::string const journal_bytes = split == std::string::npos ? "" : input.substr(split + 4);

    records_read const read = read_manifest(manifest_bytes, journal_bytes);
    for (auto const& [source, record] : read.records.pictures) check(!source.empty());
    // What was read survives being written and read again, one line per picture.
    std::string const written = manifest_text(read.records);
    records_read const again = read_manifest(written, "");
    check(!again.outdated);
    check(again.records == read.records);
    check(manifest_text(again.records) == written);
    // A journal of this version's lines says the same as the manifest that holds them.
    std::string journal;
    for (auto const& [path, record] : read.records.albums) journal += album_line(path, record);
    for (auto const& [source, record] : read.records.pictures)
        journal += picture_line(source, record);
    check(read_manifest("", journal).records == read.records);
    return 0;
}
