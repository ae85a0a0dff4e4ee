// The image library, started once for all the tests of the binary, as the program starts it.
#include "imaging/imaging.h"

#include <gtest/gtest.h>

namespace {

class imaging_started : public ::testing::Environment {
  public:
    void SetUp() override { start_imaging("gallery_tests"); }
};

::testing::Environment* const started = ::testing::AddGlobalTestEnvironment(new imaging_started);

} // namespace
