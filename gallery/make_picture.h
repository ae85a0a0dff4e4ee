// Making the files of one picture: decoded and shrunk, its page written by pixfold, each file
// made aside in a work folder and renamed into the gallery, the page last.
#pragma once

#include "plan.h"

#include <mutex>
#include <semaphore>
#include <string>

// What every job of a run shares.
struct making_context {
    std::string source_folder;
    std::string output; // the gallery's folder
    std::string pixfold;
    // Decoding and shrinking keep a processor busy and hold some 20 MB each: more of them at
    // once than there are processors only cost memory. Jobs beyond that overlap the rest, the
    // pages and the renames.
    std::counting_semaphore<> decoding_slots;
    std::mutex journal_lock;
};

// Makes the picture's files in the work folder of one worker, which holds an empty folder
// "page", and puts them in place. Whatever goes wrong leaves this picture out alone: the
// outcome says why. The journal gets the claim on its files before the first is in place, and
// its record once the last is.
job_outcome make_picture(picture_job const& job, std::string const& work_folder,
                         making_context& context);
