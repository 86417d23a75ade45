// Whole chains of commands on the sample photo, compared with checksums of
// their output taken before any of the speed work: a faster path that
// changes a single byte of any command's result fails here.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "run_program.h"
#include "test_images.h"

namespace photofilter {
namespace {

uint64_t fnv1a(const std::string &bytes) {
  uint64_t hash = 14695981039346656037ull;
  for (const unsigned char c : bytes) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  return hash;
}


std::vector<std::string> words_of(const std::string &chain) {
  std::istringstream in(chain);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

TEST(OutputChecksums, ChainsOnTheSamplePhotoKeepTheirBytes) {
  const std::string photo = testing::sample_photo();
  ASSERT_GT(photo.size(), 1000000u) << "sample photo missing";
  const struct {
    const char *chain;
    uint64_t checksum;
  } cases[] = {
      {"", 17973308878895042070ull},
      {"-co 0.04,0,-0.02 -nr 2 -ec 1.5,2", 7529282407237354823ull},
      {"-s 1,1,1000 -s 2,3,-2 -fnr x -snr x", 12605716202538893643ull},
      {"-cnr x -spr b -spr x -cd 1 -cd 3 -nr 3,6,0.8,0.5,300,2", 9878443349736913132ull},
      {"-g 2.2 -cc 1.5 -cs 1.3 -cg 1.1,1,0.9 -ec1 2,2 -co 0.3 -cc 0.7,1.2,1,300 -g 0.8,1,1.3,200", 14923478484569498424ull},
      {"-rfc 1 -bfc 1 -rfc1 x -rfc 2,0.8,5,1 -bfc 0.5,0.85,8,2", 13736079991630740091ull},
      {"-sc 0.3 -ssc 0.7 -comp 3 -cr 10,10,-10,-10 -fr x -b2 2 -t x", 13374418001880534295ull},
      {"-cr -16,-9 -sc 1.7 -ssc -400,-300 -sc -300,-200 -co -0.2 -s 1,2,0.5", 15035192237807007434ull},
  };
  for (const auto &c : cases) {
    const testing::ProgramResult result = testing::run_photofilter(words_of(c.chain), photo);
    ASSERT_EQ(result.status, 0) << c.chain << "\n" << result.err;
    EXPECT_EQ(fnv1a(result.out), c.checksum) << "photofilter " << c.chain;
  }
}

}  // namespace
}  // namespace photofilter
