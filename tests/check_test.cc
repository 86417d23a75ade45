// The check of a command line: sizes, endings and notes against real runs.
// (The command catalogue compares every command's plan lines with a real
// run's, on hostile words.)
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "run_program.h"
#include "test_images.h"

namespace photofilter::testing {
namespace {

std::vector<std::string> words_of(const std::string &line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

ProgramResult check(std::vector<std::string> args, const std::string &input) {
  args.insert(args.begin(), "--check");
  return run_photofilter(args, input);
}

// The last `count` lines of a log.
std::string last_lines(const std::string &log, int count) {
  size_t start = log.size();
  for (int k = 0; k <= count && start != std::string::npos && start > 0; ++k) {
    start = log.rfind('\n', start - 1);
  }
  return start == std::string::npos ? log : log.substr(start + 1);
}

// Every command that changes the size, with ends counted from the far
// edges, boxes to fit and defaults taken from w+h; the check reads no more
// of the photo than its first 200 bytes.
TEST(Check, ChainsOnThePhotoEndAtTheSizeTheRunWrites) {
  const std::string photo = sample_photo();
  const char *chains[] = {
      "-cr -3,-2 -sc -1200,-800 -fr 0.9",
      "-cr 10,20,-30,-40 -ssc 0.37 -b2 3",
      "-ssc -300,-200 -comp 3 -t 1",
      "-fr 0.5,0.5,0.5,3,5,7,9 -sc 2.5,0.5 -cr -1,-1",
      "-comp 5 -ssc 1.7 -fr",
      "-b2 2 -sc 0.25,0.5 -cr 0,0,-7,100000",
  };
  for (const char *chain : chains) {
    SCOPED_TRACE(chain);
    const ProgramResult run = run_photofilter(words_of(chain), photo);
    ASSERT_EQ(run.status, 0) << run.err;
    int nx = -1, ny = -1;
    std::sscanf(run.out.c_str(), "P6\n%d %d", &nx, &ny);
    const ProgramResult checked = check(words_of(chain), photo.substr(0, 200));
    EXPECT_EQ(checked.status, 0) << checked.err;
    EXPECT_EQ(checked.out, "");
    EXPECT_EQ(last_lines(checked.err, 1),
              "output size " + std::to_string(nx) + " " + std::to_string(ny) + "\n");
  }
}

// A bad header, an unknown word and a rejected parameter end the check
// with the run's last lines and status; no step line is printed.
TEST(Check, EndsAsTheRunEnds) {
  const std::string image = ppm_file(4, 3, std::vector<uint8_t>(36, 100));
  const struct {
    std::string input;
    std::vector<std::string> args;
    int lines;
  } cases[] = {
      {"P7\n4 3\n255\n", {"-s", "1"}, 1},
      {image, {"-s", "1", "-S", "1"}, 2},
      {image, {"-cr", "9,0"}, 1},
      {image, {"-s", "1,2", "-rfc", "1,0.95,-1"}, 1},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.args[0] + " ... " + c.args.back());
    const ProgramResult run = run_photofilter(c.args, c.input);
    const ProgramResult checked = check(c.args, c.input);
    EXPECT_EQ(checked.status, run.status);
    EXPECT_EQ(last_lines(checked.err, c.lines), last_lines(run.err, c.lines)) << checked.err;
    EXPECT_EQ(checked.err.find("cpu time step"), std::string::npos) << checked.err;
  }
}

// Text after the fields a format reads is named; a word read to its end,
// the default word and a command that reads no word get no note, and a
// real run never prints one.
TEST(Check, NotesTextTheScanDoesNotRead) {
  const std::string image = ppm_file(2, 2, std::vector<uint8_t>(12, 50));
  const struct {
    std::vector<std::string> args;
    std::string unread;  // "" for no note
  } cases[] = {
      {{"-ec", "1.5,abc"}, "abc"}, {{"-ec", "gain=1.5"}, "gain=1.5"}, {{"-g", "2.2abc"}, "abc"},
      {{"-spr", "bx"}, "x"},       {{"-co", "0.1;0.2"}, ";0.2"},       {{"-ec", "1.5,2,"}, ""},
      {{"-ec", "1,2,1,255"}, ""},  {{"-ec"}, ""},                      {{"-tnr", "any"}, ""},
  };
  for (const auto &c : cases) {
    const std::string word = c.args.size() > 1 ? c.args[1] : "x";
    SCOPED_TRACE(c.args[0] + " " + word);
    const ProgramResult checked = check(c.args, image);
    const std::string note = "note: " + c.args[0] + " " + word + ": text from \"" + c.unread +
                             "\" on is not read; its fields keep their defaults\n";
    EXPECT_EQ(checked.err.find("note: ") != std::string::npos, !c.unread.empty()) << checked.err;
    if (!c.unread.empty()) {
      EXPECT_NE(checked.err.find(note), std::string::npos) << checked.err;
    }
    EXPECT_EQ(run_photofilter(c.args, image).err.find("note: "), std::string::npos);
  }
}

}  // namespace
}  // namespace photofilter::testing
