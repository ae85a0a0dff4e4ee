// Making the page of one picture: written by pixfold from the size its record has and, with the
// site step, its markers expanded; made aside in the worker's folder and renamed into place.
#pragma once

#include "making/context.h"
#include "making/make_picture.h"
#include "plan/pages.h"

// Writes the picture's page as the job says and puts it in place, its images being there; the
// state gets its record, with the page's key, once it is. Whatever goes wrong leaves this picture
// out alone: the outcome says why.
picture_outcome make_page(page_job const& job, int worker, making_context& context);
