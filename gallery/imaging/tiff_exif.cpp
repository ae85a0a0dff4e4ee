#include "imaging/tiff_exif.h"

#include <cstring>
#include <memory>
#include <tiffio.h>

namespace {

// The bytes in memory as libtiff reads a file: read where it is, or map it, nothing written.
struct memory_file {
    std::string_view bytes;
    toff_t at = 0;
};

memory_file& file_of(thandle_t handle) {
    return *static_cast<memory_file*>(handle);
}

tmsize_t read_bytes(thandle_t handle, void* buffer, tmsize_t size) {
    memory_file& file = file_of(handle);
    if (size < 0 || file.at >= file.bytes.size()) return 0;
    std::size_t const count = std::min(static_cast<std::size_t>(size),
                                       static_cast<std::size_t>(file.bytes.size() - file.at));
    std::memcpy(buffer, file.bytes.data() + file.at, count);
    file.at += count;
    return static_cast<tmsize_t>(count);
}

tmsize_t write_nothing(thandle_t, void*, tmsize_t) {
    return 0;
}

toff_t seek(thandle_t handle, toff_t offset, int whence) {
    memory_file& file = file_of(handle);
    toff_t const base = whence == SEEK_CUR ? file.at : whence == SEEK_END ? file.bytes.size() : 0;
    file.at = base + offset;
    return file.at;
}

int close_nothing(thandle_t) {
    return 0;
}

toff_t size_of(thandle_t handle) {
    return file_of(handle).bytes.size();
}

int map(thandle_t handle, void** base, toff_t* size) {
    memory_file& file = file_of(handle);
    *base = const_cast<char*>(file.bytes.data());
    *size = file.bytes.size();
    return 1;
}

void unmap(thandle_t, void*, toff_t) {}

// libtiff tells of what it cannot read on standard error unless a handler takes it: a picture
// whose time cannot be read simply has none.
int quiet(TIFF*, void*, char const*, char const*, va_list) {
    return 1;
}

std::string_view field(TIFF* tiff, ttag_t tag) {
    char* text = nullptr;
    return TIFFGetField(tiff, tag, &text) == 1 && text != nullptr ? text : "";
}

} // namespace

std::optional<exif_time> tiff_exif_time(std::string_view tiff) {
    std::unique_ptr<TIFFOpenOptions, void (*)(TIFFOpenOptions*)> options(TIFFOpenOptionsAlloc(),
                                                                         TIFFOpenOptionsFree);
    if (!options) return std::nullopt;
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), quiet, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), quiet, nullptr);
    memory_file file{tiff};
    std::unique_ptr<TIFF, void (*)(TIFF*)> opened(
        TIFFClientOpenExt("picture", "r", &file, read_bytes, write_nothing, seek, close_nothing,
                          size_of, map, unmap, options.get()),
        TIFFClose);
    toff_t exif = 0;
    if (!opened || TIFFGetField(opened.get(), TIFFTAG_EXIFIFD, &exif) != 1 ||
        TIFFReadEXIFDirectory(opened.get(), exif) != 1)
        return std::nullopt;
    return read_exif_time(field(opened.get(), EXIFTAG_DATETIMEORIGINAL),
                          field(opened.get(), EXIFTAG_SUBSECTIMEORIGINAL),
                          field(opened.get(), EXIFTAG_OFFSETTIMEORIGINAL));
}
