// The pass of the site step over a page that pixfold has written, putting in place of its three
// marker comments what a site's own step would: the header, the date the page's content last
// changed, and the footer. Every other byte of a page stays as pixfold wrote it, its CR LF line
// ends and its Shift-JIS label included.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The page with each marker line's comment replaced: <!-- $include stdheader.inc -->, <!--
// $timestamp --> and <!-- $include stdfooter.inc -->, each a whole line of its own. It comes in
// pieces, views of the page and of the replacements, to be written one after the other: an
// index of 100,000 pictures is 18 MB, not to be copied.
std::vector<std::string_view> markers_expanded(std::string_view page, std::string_view header,
                                               std::string_view date, std::string_view footer);
