// Whole runs of the program: the image round trip, the exact log, input
// that is rejected, and how the command loop treats its arguments.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include <random>
#include <string>
#include <vector>

#include "driver/command_table.h"
#include "run_program.h"
#include "test_images.h"

namespace photofilter::testing {
namespace {

// The first three log lines are the banner; checks them and returns the rest.
std::string after_banner(const std::string &log) {
  EXPECT_EQ(log.rfind("photofilter ", 0), 0u) << log;
  size_t end = 0;
  for (int line = 0; line < 3 && end != std::string::npos; ++line) {
    end = log.find('\n', end);
    if (end != std::string::npos) ++end;
  }
  return end == std::string::npos ? std::string() : log.substr(end);
}

std::vector<uint8_t> random_bytes(size_t count, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> bytes(count);
  for (uint8_t &b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

const std::string kStartStep = "start after read file cpu time step 0 total T this step T \n";

// The log of a successful run on a 3x2 image, with `commands_log` between the
// first and the last step line.
std::string successful_log(const std::string &commands_log) {
  return "rgb read file 3 2 255\nrgb read file, elems read 6\n" + kStartStep + commands_log +
         "save type P6 nx 3 ny 2 depth 255\nrgb save file, elems written 6\n"
         "save and exit cpu time step 1 total T this step T \n";
}

// With no commands a P6 comes back byte for byte; sizes of 0 give only a
// header; the widest allowed image and one spanning several read chunks
// survive too.
TEST(RoundTrip, P6WithoutCommandsComesBackUnchanged) {
  const int sizes[][2] = {{3, 2}, {10000, 1}, {0, 5}, {4, 0}, {400, 1000}};
  for (const auto &[nx, ny] : sizes) {
    SCOPED_TRACE(std::to_string(nx) + "x" + std::to_string(ny));
    const std::string file = ppm_file(nx, ny, random_bytes(size_t{3} * nx * ny, nx + ny));
    const ProgramResult result = run_photofilter({}, file);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(result.out == file);  // not EXPECT_EQ: no megabyte diffs
  }
}

TEST(RoundTrip, P5BecomesP6WithEqualChannels) {
  const ProgramResult result = run_photofilter({}, pgm_file(3, 1, {0, 17, 255}));
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, ppm_file(3, 1, {0, 0, 0, 17, 17, 17, 255, 255, 255}));
}

struct KeepCase {
  std::vector<std::string> args;
  std::string commands_log;  // log lines between the two step lines
};

void PrintTo(const KeepCase &c, std::ostream *os) {
  for (const std::string &arg : c.args) *os << '"' << arg << "\" ";
}

class CommandsThatKeepTheImage : public ::testing::TestWithParam<KeepCase> {};

// "-r" and "-tnr" leave the image alone and call no step timer (the last
// step line still says step 1). A command word given last gets "x"; an angle
// that does not scan prints as 0.
TEST_P(CommandsThatKeepTheImage, LogIsExactAndImageUnchanged) {
  const std::string file = ppm_file(3, 2, random_bytes(18, 3));
  const ProgramResult result = run_photofilter(GetParam().args, file);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, file);
  EXPECT_EQ(mask_times(after_banner(result.err)), successful_log(GetParam().commands_log));
}

INSTANTIATE_TEST_SUITE_P(
    Driver, CommandsThatKeepTheImage,
    ::testing::Values(KeepCase{{}, ""},
                      KeepCase{{"-r", "90"}, "cmd -r, par 90\nno rotate sorry 90 \n"},
                      KeepCase{{"-r"}, "cmd -r, par x\nno rotate sorry 0 \n"},
                      KeepCase{{"-r", "abc"}, "cmd -r, par abc\nno rotate sorry 0 \n"},
                      KeepCase{{"-r", "-12.5,3"}, "cmd -r, par -12.5,3\nno rotate sorry -12.5 \n"},
                      KeepCase{{"-tnr", "anything", "-tnr"},
                               "cmd -tnr, par anything\ncmd -tnr, par x\n"}));

struct FailCase {
  std::vector<std::string> args;
  std::string log;  // the whole log after the step 0 line
};

void PrintTo(const FailCase &c, std::ostream *os) {
  for (const std::string &arg : c.args) *os << '"' << arg << "\" ";
}

class CommandsThatEndTheRun : public ::testing::TestWithParam<FailCase> {};

// An unknown word ends the run without an image; the commands before it
// have run and none after it is looked at. Matching is exact.
TEST_P(CommandsThatEndTheRun, NoImageAndExitStatusOne) {
  const ProgramResult result = run_photofilter(GetParam().args, ppm_file(1, 1, {1, 2, 3}));
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(mask_times(after_banner(result.err)),
            "rgb read file 1 1 255\nrgb read file, elems read 1\n" + kStartStep + GetParam().log);
}

INSTANTIATE_TEST_SUITE_P(
    Driver, CommandsThatEndTheRun,
    ::testing::Values(
        FailCase{{"-r", "45", "-S", "1", "-r", "90"},
                 "cmd -r, par 45\nno rotate sorry 45 \ncmd -S, par 1\ninvalid command -S 1\n"},
        FailCase{{"-s ", "1"}, "cmd -s , par 1\ninvalid command -s  1\n"},
        FailCase{{"-tnr", "1", "-rr"}, "cmd -tnr, par 1\ncmd -rr, par x\ninvalid command -rr x\n"},
        FailCase{{"r", "90"}, "cmd r, par 90\ninvalid command r 90\n"}));

TEST(Driver, HelpListsEveryCommandAndVersionIsOneLine) {
  const char *words[] = {"-s",  "-bfc", "-rfc", "-rfc1", "-r",    "-sc",  "-ssc", "-cr",  "-g",
                         "-cs", "-cc",  "-cg",  "-co",   "-comp", "-spr", "-snr", "-tnr", "-fnr",
                         "-nr", "-cnr", "-cd",  "-ec",   "-ec1",  "-b2",  "-fr",  "-t"};
  for (const char *flag : {"-h", "--help"}) {
    const ProgramResult result = run_photofilter({flag}, "");
    EXPECT_EQ(result.status, 0);
    for (const char *word : words) {
      EXPECT_NE(result.out.find("\n  " + std::string(word) + " "), std::string::npos)
          << flag << " does not list " << word;
    }
  }
  const ProgramResult version = run_photofilter({"--version"}, "");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("photofilter ", 0), 0u);
  EXPECT_EQ(version.out.find('\n'), version.out.size() - 1);
}

struct RejectCase {
  const char *name;
  std::string input;
  std::string log;  // the whole log after the banner
};

void PrintTo(const RejectCase &c, std::ostream *os) { *os << c.name; }

class RejectedInput : public ::testing::TestWithParam<RejectCase> {};

// Every bad header and short pixel data ends the run with its message,
// exit status 1 and nothing on standard output.
TEST_P(RejectedInput, MessageAndNoOutput) {
  const ProgramResult result = run_photofilter({"-r", "1"}, GetParam().input);
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(after_banner(result.err), GetParam().log);
}

const std::string kEndOfHeader = "read file error: unexpected end of input in header\n";

std::string read_line(const char *size_and_depth) {
  return std::string("rgb read file ") + size_and_depth + "\n";
}

INSTANTIATE_TEST_SUITE_P(
    ReadImage, RejectedInput,
    ::testing::Values(
        RejectCase{"empty", "", kEndOfHeader}, RejectCase{"only_magic", "P6\n", kEndOfHeader},
        RejectCase{"no_depth", "P6\n2 1\n", kEndOfHeader},
        RejectCase{"comment_at_end", "P6\n2 1\n# depth follows\n", kEndOfHeader},
        RejectCase{"comment_with_leading_blank", " # comment\nP6\n1 1\n255\nabc",
                   "read file error type is not P5 or P6 found  # comment\n"},
        RejectCase{"blank_after_magic", "P6 \n1 1\n255\nabc",
                   "read file error type is not P5 or P6 found P6 \n"},
        RejectCase{"carriage_return", "P6\r\n1 1\n255\nabc",
                   "read file error type is not P5 or P6 found P6\r\n"},
        RejectCase{"size_on_magic_line", "P6 1 1\n255\nabc",
                   "read file error type is not P5 or P6 found P6 1 1\n"},
        RejectCase{"size_not_numbers", "P6\nabc\n255\n", "read file error: bad size line\n"},
        RejectCase{"size_one_number", "P6\n7\n255\n", "read file error: bad size line\n"},
        RejectCase{"depth_not_number", "P6\n1 1\nmax\n", "read file error: bad depth line\n"},
        RejectCase{"width_10001", "P6\n10001 1\n255\n",
                   read_line("10001 1 255") + "rgb/read error nx to big 10001 1 255\n"},
        RejectCase{"negative_width", "P6\n-2 1\n255\n",
                   read_line("-2 1 255") + "read file error: negative size -2 1\n"},
        RejectCase{"negative_height", "P5\n2 -1\n255\n",
                   read_line("2 -1 255") + "read file error: negative size 2 -1\n"},
        RejectCase{"depth_0", "P6\n1 1\n0\nabc",
                   read_line("1 1 0") + "read file error: bad maximum value 0\n"},
        RejectCase{"depth_65536", "P6\n1 1\n65536\nabcdef",
                   read_line("1 1 65536") + "read file error: bad maximum value 65536\n"},
        RejectCase{"no_pixel_data", "P6\n2 3\n255\n",
                   read_line("2 3 255") + "read file error: image data ends in row 0 of 3\n"},
        RejectCase{"short_in_last_row", "P6\n2 3\n255\n" + std::string(17, 'a'),
                   read_line("2 3 255") + "read file error: image data ends in row 2 of 3\n"},
        RejectCase{"short_grey", "P5\n4 3\n255\n" + std::string(4, 'a'),
                   read_line("4 3 255") + "read file error: image data ends in row 1 of 3\n"},
        RejectCase{"short_16_bit", "P6\n1 2\n65535\n" + std::string(11, 'a'),
                   read_line("1 2 65535") + "read file error: image data ends in row 1 of 2\n"},
        // Far more rows promised than given: fails on the data, not on memory.
        RejectCase{
            "huge_promise", "P6\n10000 60000\n255\n" + std::string(100, 'a'),
            read_line("10000 60000 255") + "read file error: image data ends in row 0 of 60000\n"}),
    [](const auto &info) { return std::string(info.param.name); });

}  // namespace
}  // namespace photofilter::testing

namespace photofilter::testing {
namespace {

// A pseudo-terminal's device path, or "" when none can be had.
std::string terminal_path(int &master) {
  master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return "";
  const char *name = ptsname(master);
  return name != nullptr ? name : "";
}

TEST(Driver, RefusesToWaitForOrWriteToATerminal) {
  int master = -1;
  const std::string terminal = terminal_path(master);
  if (terminal.empty()) GTEST_SKIP() << "no pseudo-terminal here";
  const ProgramResult waiting = run_photofilter_on({"-s", "1"}, terminal, "/dev/null");
  EXPECT_EQ(waiting.status, 1);
  EXPECT_EQ(waiting.err.rfind("usage: photofilter", 0), 0u) << waiting.err;

  const ProgramResult writing = run_photofilter_on({}, "/dev/null", terminal);
  EXPECT_EQ(writing.status, 1);
  EXPECT_EQ(writing.err, "image data not written to a terminal; redirect standard output\n");
  close(master);
}

}  // namespace
}  // namespace photofilter::testing
