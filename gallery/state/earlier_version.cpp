#include "state/earlier_version.h"

#include "imaging/size_header.h"
#include "layout/layout.h"
#include "source/names.h"
#include "system/system.h"

#include <charconv>
#include <optional>
#include <string_view>

namespace {

// The size on the img line of a page as pixfold writes it: width="W" height="H".
std::optional<image_size> size_in_page(std::string_view page) {
    constexpr std::string_view before = "\" width=\"", between = "\" height=\"";
    std::size_t const start = page.find(before);
    if (start == std::string_view::npos) return std::nullopt;
    page.remove_prefix(start + before.size());
    image_size size;
    auto const read = [&page](int& side) {
        auto const [end, error] = std::from_chars(page.data(), page.data() + page.size(), side);
        page.remove_prefix(static_cast<std::size_t>(end - page.data()));
        return error == std::errc() && side >= 0 && side <= 65535;
    };
    if (!read(size.width) || !page.starts_with(between)) return std::nullopt;
    page.remove_prefix(between.size());
    if (!read(size.height)) return std::nullopt;
    return size;
}

} // namespace

void take_over_earlier_version(gallery_records& records, std::string const& gallery) {
    for (auto& [source, record] : records.pictures) {
        if (!record.link.empty()) continue;
        std::string const album = layout::folder_of(source);
        std::string const name = picture_name_of(source);
        std::string thumbnail, page;
        if (name.empty() ||
            os::read_file(layout::in(gallery, layout::old_thumbnail_size(album, name)), thumbnail,
                          size_header({65535, 65535}).size()) != 0 ||
            os::read_file(layout::in(gallery, layout::page(album, name)), page) != 0)
            continue;
        std::optional<image_size> const thumbnail_size = read_size_header(thumbnail);
        std::optional<image_size> const shown = size_in_page(page);
        if (!thumbnail_size || !shown ||
            os::write_file(layout::in(gallery, layout::thumbnail_size(album, name)),
                           size_header(*thumbnail_size)) != 0)
            continue;
        record.thumbnail = *thumbnail_size;
        record.shown = *shown;
        record.link = name;
    }
}
