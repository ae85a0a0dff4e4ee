// The site step: what a site's own step would put in place of the three marker lines of every
// page (site/markers.h), chosen once for each album from what the scan found. The header is
// the nearest stdheader.inc, in the album's source folder or those above it, up to SRC, byte
// for byte, followed by the gallery's own navigation: a line of links up to every album above;
// on an index a line of links down to its albums, on a picture's page a line of links to the
// pictures before and after it. The footer is the nearest stdfooter.inc,
// or nothing. The date is the day that a page's content last changed.
#pragma once

#include "source/scan.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// What the step puts in place of the header and footer markers of a page.
struct page_frame {
    std::string header;
    std::string footer;
};

// What the step takes from the source folder, by the scan's albums.
struct site_sources {
    std::vector<std::optional<std::string>> header_files; // each album's own stdheader.inc
    std::vector<std::optional<std::string>> footer_files; // each album's own stdfooter.inc
    std::vector<std::string> shown_names;                 // each album's name as a page shows it
    std::function<std::string(std::int64_t)> date_of;     // a moment as the timestamp shows it
};

// Reads the include files of every album that the scan found holding one, and the names as
// a page shows them in the locale's character set. A file that cannot be read is told, and
// the album takes the one above it.
site_sources read_site_sources(scan_result const& scanned, std::string const& source_folder,
                               std::function<void(std::string const&)> const& tell);

class site_step {
  public:
    // No step: the markers stay as pixfold writes them, and every frame is empty.
    site_step() = default;
    site_step(scan_result const& scanned, site_sources sources);

    // The frame of every picture page of the album, the links beside each page aside.
    page_frame const& picture_frame(int album) const;
    // What a picture page's header ends with: a line of the links, by their link names, to the
    // pictures before and after it in its album, or at either end a word that says so.
    std::string beside(std::string const* previous, std::string const* next) const;
    // The frame of the album's index, which links down to the albums below that shown marks
    // (by the scan's albums): only those have an entry of their own.
    page_frame index_frame(int album, std::vector<bool> const& shown) const;
    // The timestamp of a page whose content last changed at the moment, in seconds since 1970.
    std::string date(std::int64_t seconds) const;

  private:
    std::vector<album> const* albums_ = nullptr;
    site_sources sources_;
    std::vector<std::size_t> site_header_; // by album: its nearest stdheader.inc's album, or none
    std::vector<page_frame> picture_frames_;
};
