#include "plan/keys.h"

key_maker& key_maker::add(std::string_view text) {
    add(static_cast<std::uint64_t>(text.size()));
    for (char c : text) mix(static_cast<unsigned char>(c));
    return *this;
}

key_maker& key_maker::add(std::uint64_t number) {
    for (int shift = 0; shift < 64; shift += 8) mix(static_cast<unsigned char>(number >> shift));
    return *this;
}

std::uint64_t page_key(picture const& item, picture_record const& record,
                       gallery_settings const& settings, page_frame const& frame,
                       std::string const& navigation, std::string const& date) {
    key_maker key;
    key.add(item.link).add(record.shown);
    if (settings.site_step) key.add(frame.header).add(navigation).add(date).add(frame.footer);
    return key.key();
}

std::uint64_t cover_key(std::string const& source, picture_record const& record) {
    return key_maker()
        .add(source)
        .add(record.stamp.size)
        .add(record.stamp.modified_seconds)
        .add(record.stamp.modified_nanoseconds)
        .add(record.thumbnail_box)
        .add(record.thumbnail)
        .key();
}
