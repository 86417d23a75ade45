#include <gtest/gtest.h>

#include "run_program.h"
#include "test_images.h"

namespace photofilter::testing {
namespace {

TEST(Smoke, NoCommandsWritesTheImageBack) {
  const std::vector<uint8_t> samples = {1, 2, 3, 4, 5, 6};
  const ProgramResult result = run_photofilter({}, ppm_file(2, 1, samples));
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, ppm_file(2, 1, samples));
}

}  // namespace
}  // namespace photofilter::testing
