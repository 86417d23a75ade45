// Many threads, the same bytes: random chains over every command on the
// sample photo, with one thread and with three, give the same image and
// the same log (times aside); and the option's values.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "driver/command_table.h"
#include "run_program.h"
#include "test_images.h"

namespace photofilter::testing {
namespace {

// A parameter word for each command that gives it work on a photo.
const std::map<std::string, std::string> kWords = {
    {"-s", "1,2"},        {"-bfc", "1"},       {"-rfc", "1"},          {"-rfc1", "1"},
    {"-r", "5"},          {"-sc", "0.7,1.3"},  {"-ssc", "0.6"},        {"-cr", "10,12,-9,-11"},
    {"-g", "1.2"},        {"-cs", "1.3"},      {"-cc", "1.2"},         {"-cg", "1.1,1,0.9"},
    {"-co", "0.02"},      {"-comp", "2"},      {"-spr", "b"},          {"-snr", "6"},
    {"-tnr", "x"},        {"-fnr", "3,2,2,2,2"}, {"-nr", "2,4"},       {"-cnr", "2,8"},
    {"-cd", "2"},         {"-ec", "1.5,2"},    {"-ec1", "1.2,1"},      {"-b2", "1"},
    {"-fr", "0.5,0.5,0.5,8"}, {"-t", "1"},
};

ProgramResult run_with_threads(int threads, const std::vector<std::string> &chain,
                               const std::string &photo) {
  std::vector<std::string> args = {"--threads", std::to_string(threads)};
  args.insert(args.end(), chain.begin(), chain.end());
  return run_photofilter(args, photo);
}

TEST(Threads, RandomChainsGiveTheSameBytesAndLog) {
  const std::string photo = sample_photo();
  std::vector<std::string> words;
  for (const Command &command : command_table()) words.push_back(command.word);
  std::mt19937 random(20261209);
  std::shuffle(words.begin(), words.end(), random);
  // Every command once, three to a chain, the order shuffled.
  for (size_t first = 0; first < words.size(); first += 3) {
    std::vector<std::string> chain;
    for (size_t k = first; k < std::min(first + 3, words.size()); ++k) {
      const auto word = kWords.find(words[k]);
      ASSERT_NE(word, kWords.end()) << "give " << words[k] << " a parameter word in kWords";
      chain.insert(chain.end(), {words[k], word->second});
    }
    std::string trace;
    for (const std::string &word : chain) trace += word + " ";
    SCOPED_TRACE(trace);
    const ProgramResult one = run_with_threads(1, chain, photo);
    const ProgramResult three = run_with_threads(3, chain, photo);
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(three.status, 0);
    EXPECT_TRUE(one.out == three.out) << "the images differ";
    EXPECT_EQ(mask_times(three.err), mask_times(one.err));
  }
}

// 0 is every processor; a value that is not a whole number 0 or more ends
// the run before any input is read.
TEST(Threads, OptionTakesWholeNumbers) {
  const std::string image = ppm_file(2, 1, {1, 2, 3, 4, 5, 6});
  for (const char *value : {"0", "1", "7", "99999999999999999999"}) {
    SCOPED_TRACE(value);
    const ProgramResult result = run_photofilter({"--threads", value, "-s", "1"}, image);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, run_photofilter({"--threads", "1", "-s", "1"}, image).out);
  }
  for (const char *value : {"", "-1", "two", "1.5", "+2"}) {
    SCOPED_TRACE(value);
    const ProgramResult result = run_photofilter({"--threads", value, "-s", "1"}, "");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err,
              "invalid option --threads " + std::string(value) + ": a whole number 0 or more\n");
  }
  const ProgramResult missing = run_photofilter({"--threads"}, "");
  EXPECT_EQ(missing.err, "invalid option --threads : a whole number 0 or more\n");
}

}  // namespace
}  // namespace photofilter::testing
