// Which files a run removes, decided without touching the disk. Files go only once no index
// links to them any more, each page before what it shows; a file that the gallery did not make
// is never among them, even when it has the name of one it makes.
#pragma once

#include "plan/settings.h"
#include "source/scan.h"
#include "state/gallery_files.h"
#include "state/records.h"

#include <set>
#include <string>
#include <vector>

// Files to remove, and what the records are to forget of their picture or album once they are
// all gone.
struct removal {
    enum class then { forget_picture, forget_companion, forget_album, nothing };

    std::string source;             // the picture's or the album's path in the source folder
    std::vector<std::string> files; // relative to the gallery, each page before what it shows
    then done = then::forget_picture;
    std::vector<std::string> folders; // to remove too, once empty, the deepest first
};

// The files of pictures that are gone, or no longer in the gallery, but those that a picture of
// the same name in the same album has now; the companions that are no longer to be kept; the
// size headers where an earlier version kept them; and the size headers of the state that no
// picture links to any more.
std::vector<removal> plan_picture_removals(scan_result const& scanned,
                                           gallery_records const& records, file_set const& present,
                                           gallery_settings const& settings);

// The files of a picture that failed, as its claim says: every file it may have left, old or new.
removal failed_picture_removal(picture const& item, picture_record const& claim);

// The files of albums that are gone, or no longer shown (shown, by the scan's albums), and
// their folders once empty; an album held back (its index or cover could not be written) keeps
// its files.
std::vector<removal> plan_album_removals(scan_result const& scanned, gallery_records const& records,
                                         std::vector<bool> const& shown,
                                         std::set<int> const& held_back);
