// The gallery's state: the records of what it made, on the disk as its manifest and, while a run
// goes on, its journal, in the gallery's hidden folder with the run's lock and work folder. This
// object alone reads and writes those files, in this order:
//
// - open takes the gallery for the run: its lock, a work folder cleared of what an interrupted
//   run left there, the manifest and the journal. An earlier version's gallery is taken over
//   and its manifest replaced at once, so the journal is only ever in this version's format.
// - check_files, after a run that did not end, marks for making again whatever it left cut
//   short.
// - open_journal puts the journal on the disk before the first file of the run is put in
//   place, so that whatever cuts the run short, the next run knows that it did not end.
// - claim writes a picture's or album's claim on its files to the journal before the first of
//   them appears, so that no file of the gallery is ever taken for one of the user's; record
//   writes its finished line once they are all in place, so an interrupted run keeps what it
//   finished. Both may be called from several jobs at once.
// - commit writes the manifest in one rename, once everything that it records is on the disk:
//   a power cut at any moment leaves the manifest of this run or of the last, and the files
//   that it names whole. The journal has served then.
// - close removes the work folder.
//
// Failures on the run's own thread are told through the function given, and the call returns
// false; those of claim and record come back as the text, for the job to tell.
#pragma once

#include "state/gallery_files.h"
#include "state/records.h"

#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <string_view>

class gallery_state {
  public:
    using teller = std::function<void(std::string const&)>;

    gallery_state(std::string gallery, teller tell);
    gallery_state(gallery_state const&) = delete;
    gallery_state& operator=(gallery_state const&) = delete;

    bool open();
    bool close();

    gallery_records const& records() const { return records_; }
    // The last run did not end: its journal is there.
    bool interrupted() const { return interrupted_; }

    // After a run that did not end, pictures and albums whose files are not all whole (as
    // listed stamped) are made again; their records keep their claim on the files until then.
    bool check_files(gallery_files const& files);

    bool open_journal();
    std::string claim(std::string const& source, picture_record const& claim);
    std::string record(std::string const& source, picture_record const& made);
    // The picture's page is in place, written from what the key says.
    std::string record_page(std::string const& source, std::uint64_t page_key);
    std::string claim_album(std::string const& path, album_record const& claim);
    std::string record_album(std::string const& path, album_record const& made);
    // A picture or album whose making failed keeps its claim, until its files are all removed.
    void keep_claim(std::string const& source, picture_record const& claim);
    void keep_album_claim(std::string const& path, album_record const& claim);
    // The files are gone: the records no longer claim them.
    void forget_picture(std::string const& source);
    void forget_companion(std::string const& source);
    void forget_album(std::string const& path);

    // Whether the records differ from the manifest on the disk.
    bool changed() const { return changed_; }
    // Writes the manifest. A run whose indexes are not all current leaves an empty journal, as
    // an interrupted run would leave one, so that the next run writes them.
    bool commit(bool indexes_current);

  private:
    std::string path(std::string_view relative) const;
    bool fail(std::string const& message);
    bool read_file(std::string const& path, std::string& bytes, bool& found);
    std::string append(std::string const& line);
    bool whole(std::vector<std::string> const& files, gallery_files const& listed, bool in_journal,
               file_stamp const* manifest);

    std::string gallery_;
    teller tell_;
    gallery_records records_;
    std::set<std::string> pictures_from_journal_, albums_from_journal_;
    std::mutex journal_lock_;
    bool work_folder_made_ = false;
    bool interrupted_ = false;
    bool journal_on_disk_ = false;
    bool changed_ = false;
};
