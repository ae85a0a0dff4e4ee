// Making the files of one picture, or of one album: decoded and shrunk, its page or index
// written by pixfold and, with the site step, its markers expanded; each file made aside in a
// work folder and renamed into the gallery, the page last.
#pragma once

#include "plan.h"

#include <mutex>
#include <semaphore>
#include <string>
#include <vector>

// What every job of a run shares.
struct making_context {
    std::string source_folder;
    std::string output; // the gallery's folder
    std::string pixfold;
    gallery_settings settings;
    std::vector<page_frame> const* frames = nullptr; // by album, with the site step
    // Decoding and shrinking keep a processor busy and hold some 20 MB each: more of them at
    // once than there are processors only cost memory. Jobs beyond that overlap the rest, the
    // pages and the renames.
    std::counting_semaphore<> decoding_slots;
    std::mutex journal_lock;
};

// Makes the picture's files in the work folder of one worker, which holds an empty folder
// "page", and puts them in place; a job of the page alone writes only the page, from the sizes
// its record has. Whatever goes wrong leaves this picture out alone: the outcome says why. The
// journal gets the claim on its files before the first is in place, and its record once the
// last is.
job_outcome make_picture(picture_job const& job, std::string const& work_folder,
                         making_context& context);

// Copies the album's cover and writes its index, as the job says, in the same way. Returns
// why it failed, or an empty string.
std::string make_album(album_job const& job, album const& which, std::string const& work_folder,
                       making_context& context);
