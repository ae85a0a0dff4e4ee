// The keys of what a page, an index or a cover was made from: a later run compares them with the
// records' to tell what changed without reading anything back.
#pragma once

#include "plan/settings.h"
#include "site/site_step.h"
#include "source/scan.h"
#include "state/records.h"

#include <cstdint>
#include <string>
#include <string_view>

// A key of many strings and numbers: FNV-1a over each, its length first, so that no two lists
// of them run together.
class key_maker {
  public:
    key_maker& add(std::string_view text);
    key_maker& add(std::uint64_t number);
    key_maker& add(std::int64_t number) { return add(static_cast<std::uint64_t>(number)); }
    key_maker& add(int number) {
        return add(static_cast<std::uint64_t>(static_cast<std::int64_t>(number)));
    }
    key_maker& add(image_size size) { return add(size.width).add(size.height); }
    std::uint64_t key() const { return key_ == 0 ? 1 : key_; } // 0 is no key

  private:
    void mix(unsigned char byte) { key_ = (key_ ^ byte) * 0x100000001b3u; }
    std::uint64_t key_ = 0xcbf29ce484222325u;
};

// The key of everything a picture's page is written from: its link and size, and with the site
// step its header, the links to the pictures beside it, its date and footer.
std::uint64_t page_key(picture const& item, picture_record const& record,
                       gallery_settings const& settings, page_frame const& frame,
                       std::string const& navigation, std::string const& date);

// The key of the thumbnail that an album's cover is copied from.
std::uint64_t cover_key(std::string const& source, picture_record const& record);
