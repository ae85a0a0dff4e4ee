// The site step: a pass over the pages that pixfold has written, putting in place of their
// three marker comments what a site's own step would: the header, the date the page's content
// last changed, and the footer. Every other byte of a page stays as pixfold wrote it, its CR LF
// line ends and its Shift-JIS label included.
#pragma once

#include "scan.h"

#include <string>
#include <string_view>
#include <vector>

// What the step puts in place of the header and footer markers of a page.
struct page_frame {
    std::string header;
    std::string footer;
};

// The page with each marker line's comment replaced: <!-- $include stdheader.inc -->, <!--
// $timestamp --> and <!-- $include stdfooter.inc -->, each a whole line of its own. It comes in
// pieces, views of the page and of the replacements, to be written one after the other: an
// index of 100,000 pictures is 18 MB, not to be copied.
std::vector<std::string_view> markers_expanded(std::string_view page, std::string_view header,
                                               std::string_view date, std::string_view footer);

// The gallery's own header of the album's pages, where the site has no stdheader.inc: a line of
// links to the index of every album above, from the top down to this album, and on the index
// a line of the names of its albums, each linking down. Each name is shown as its HTML in
// shown_names has it, and linked through its link name.
// Only the albums that shown marks are linked down to.
std::string own_header(std::vector<album> const& albums,
                       std::vector<std::string> const& shown_names, std::vector<bool> const& shown,
                       int index, bool for_index);
