// Whole runs of the program: the image round trip, the exact log, input
// that is rejected (and how its messages quote it), how the command loop
// treats its arguments, and standard streams that are endless, closed,
// non-blocking or full.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
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

// After an unknown word: where to look, and the command words nearest to
// it (capitals not counted, ties in the table's order), if any is near.
const std::string kHelpLine = "photofilter --help lists the commands";

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
                 "cmd -r, par 45\nno rotate sorry 45 \ncmd -S, par 1\ninvalid command -S 1\n" +
                     kHelpLine + "; nearest: -s, -r, -sc\n"},
        FailCase{{"-s ", "1"},
                 "cmd -s , par 1\ninvalid command -s  1\n" + kHelpLine + "; nearest: -s, -sc, -r\n"},
        FailCase{{"-tnr", "1", "-rr"}, "cmd -tnr, par 1\ncmd -rr, par x\ninvalid command -rr x\n" +
                                           kHelpLine + "; nearest: -r, -cr, -nr\n"},
        FailCase{{"r", "90"},
                 "cmd r, par 90\ninvalid command r 90\n" + kHelpLine + "; nearest: -r, -s, -cr\n"},
        FailCase{{"input.ppm"}, "cmd input.ppm, par x\ninvalid command input.ppm x\n" +
                                    kHelpLine + "\n"}));

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

constexpr size_t kMaxHeader = size_t{1} << 20;

// The header of a 1x1 P6 of `size` bytes, most of them in one comment line.
std::string header_of_size(size_t size) {
  const std::string start = "P6\n#";
  const std::string end = "\n1 1\n255\n";
  return start + std::string(size - start.size() - end.size(), 'c') + end;
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
                   "read file error type is not P5 or P6 found P6\\x0d\n"},
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
            read_line("10000 60000 255") + "read file error: image data ends in row 0 of 60000\n"},
        // The size line ends after its first 199 characters; the rest of it is
        // taken for the depth line.
        RejectCase{"size_line_of_250", "P6\n1 1" + std::string(247, ' ') + "\n255\nabc",
                   "read file error: bad depth line\n"},
        RejectCase{"size_line_of_199_blanks_first", "P6\n" + std::string(199, ' ') + "1 1\n255\nabc",
                   "read file error: bad size line\n"},
        // The whole header, comments included, is bounded.
        RejectCase{"header_over_1_mib",
                   header_of_size(kMaxHeader + 1) + "abc",
                   "read file error: header longer than 1048576 bytes\n"}),
    [](const auto &info) { return std::string(info.param.name); });

// A header of exactly 1 MiB, comments included, is read.
TEST(ReadImage, HeaderOfOneMebibyteIsRead) {
  const std::string file = header_of_size(kMaxHeader) + "abc";
  const ProgramResult result = run_photofilter({}, file);
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "P6\n1 1\n255\nabc");
}

const std::string kWrongType = "read file error type is not P5 or P6 found ";

std::string converter_line(const char *what, const char *program) {
  return std::string("read file error: the input is ") + what + "; convert it with " + program +
         " first\n";
}

// A magic line that is not P6 or P5 is quoted with every byte outside
// printable ASCII as \xNN, so that no escape sequence reaches a terminal;
// when its first bytes are a known signature, one more line names the kind
// of file and a Netpbm program that converts it.
INSTANTIATE_TEST_SUITE_P(
    SafeMessages, RejectedInput,
    ::testing::Values(
        RejectCase{"jpeg", std::string("\xff\xd8\xff\xe0\x00\x10JFIF\x00\x01\n\x01", 13),
                   kWrongType + "\\xff\\xd8\\xff\\xe0\\x00\\x10JFIF\\x00\\x01\n" +
                       converter_line("a JPEG image", "jpegtopnm")},
        RejectCase{"png", "\x89PNG\r\n\x1a\n\x00",
                   kWrongType + "\\x89PNG\\x0d\n" + converter_line("a PNG image", "pngtopam")},
        RejectCase{"tiff_little_endian", std::string("II*\0\x08\0\0\0", 8),
                   kWrongType + "II*\\x00\\x08\\x00\\x00\\x00\n" +
                       converter_line("a TIFF image", "tifftopnm")},
        RejectCase{"tiff_big_endian", std::string("MM\0*\0\0\0\x08", 8),
                   kWrongType + "MM\\x00*\\x00\\x00\\x00\\x08\n" +
                       converter_line("a TIFF image", "tifftopnm")},
        RejectCase{"plain_bitmap", "P1\n1 1\n0\n",
                   kWrongType + "P1\n" + converter_line("a plain Netpbm bitmap (P1)", "ppmtoppm")},
        RejectCase{"plain_grey", "P2 1 1 255 7\n",
                   kWrongType + "P2 1 1 255 7\n" +
                       converter_line("a plain Netpbm grey image (P2)", "pamtopnm")},
        RejectCase{"plain_colour", "P3\n1 1\n255\n1 2 3\n",
                   kWrongType + "P3\n" +
                       converter_line("a plain Netpbm colour image (P3)", "pamtopnm")},
        RejectCase{"bitmap", "P4\n8 1\n\xff",
                   kWrongType + "P4\n" + converter_line("a Netpbm bitmap (P4)", "ppmtoppm")},
        RejectCase{"pam", "P7\nWIDTH 1\nHEIGHT 1\nDEPTH 3\nMAXVAL 255\nENDHDR\nabc",
                   kWrongType + "P7\n" + converter_line("a Netpbm PAM image (P7)", "pamtopnm")},
        RejectCase{"not_a_magic_number", "P10\n1 1\n255\nabc", kWrongType + "P10\n"},
        RejectCase{"escape_sequences", "\x1b]0;title\x07\x1b[2J\tP6\x7f\x80\n",
                   kWrongType + "\\x1b]0;title\\x07\\x1b[2J\\x09P6\\x7f\\x80\n"},
        RejectCase{"printable_unchanged", "P6 \\x41 ~\n", kWrongType + "P6 \\x41 ~\n"}),
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

namespace photofilter::testing {
namespace {

// Every run below ends within this many seconds or is killed and fails.
constexpr int kWallSeconds = 20;

std::string last_line_of(const std::string &log) {
  if (log.size() < 2) return log;
  const size_t start = log.rfind('\n', log.size() - 2);
  return start == std::string::npos ? log : log.substr(start + 1);
}

// A child process that writes `prefix` into a pipe and then `unit` again
// and again, without end (or, with `pieces`, writes those with a pause
// before each and ends). The program reads the other end.
class PipeFeeder {
 public:
  PipeFeeder(const std::string &prefix, const std::string &unit,
             const std::vector<std::string> &pieces = {}, bool nonblocking_reader = false) {
    int ends[2];
    EXPECT_EQ(pipe2(ends, O_CLOEXEC), 0);
    if (nonblocking_reader) fcntl(ends[0], F_SETFL, fcntl(ends[0], F_GETFL) | O_NONBLOCK);
    read_end_ = ends[0];
    feeder_ = fork();
    if (feeder_ == 0) {
      close(ends[0]);
      write_all(ends[1], prefix);
      for (const std::string &piece : pieces) {
        usleep(30000);
        write_all(ends[1], piece);
      }
      if (!unit.empty()) {
        std::string block;
        while (block.size() < 65536) block += unit;
        while (write_all(ends[1], block)) {
        }
      }
      _exit(0);
    }
    close(ends[1]);
  }

  ~PipeFeeder() {
    close(read_end_);
    kill(feeder_, SIGKILL);
    waitpid(feeder_, nullptr, 0);
  }

  int read_end() const { return read_end_; }

 private:
  static bool write_all(int fd, const std::string &bytes) {
    for (size_t done = 0; done < bytes.size();) {
      const ssize_t wrote = write(fd, bytes.data() + done, bytes.size() - done);
      if (wrote < 0 && errno == EINTR) continue;
      if (wrote <= 0) return false;
      done += static_cast<size_t>(wrote);
    }
    return true;
  }

  int read_end_ = -1;
  pid_t feeder_ = -1;
};

// Endless input fails at once: on /dev/zero the magic line is its first 199
// bytes; after a magic line an endless size line is a bad size line; an
// endless comment, or endless comment lines, end at the 1 MiB bound.
TEST(EndlessInput, EndsWithItsMessageWithinItsTimeBound) {
  const RunLimits bound = {0, 0, kWallSeconds};
  std::string zeros;
  for (int k = 0; k < 199; ++k) zeros += "\\x00";
  const ProgramResult dev_zero = run_photofilter_on({"-g", "1"}, "/dev/zero", "/dev/null", bound);
  EXPECT_EQ(dev_zero.status, 1);
  EXPECT_EQ(last_line_of(dev_zero.err),
            "read file error type is not P5 or P6 found " + zeros + "\n");

  const struct {
    std::string prefix, unit, ending;
  } pipes[] = {
      {"P6\n", std::string(1, '\0'), "read file error: bad size line\n"},
      {"P6\n", "1", "read file error: bad size line\n"},
      {"P6\n#", "x", "read file error: header longer than 1048576 bytes\n"},
      {"#", "\n#", "read file error: header longer than 1048576 bytes\n"},
      {"P6\n1 1\n", "#\n", "read file error: header longer than 1048576 bytes\n"},
  };
  for (const auto &p : pipes) {
    SCOPED_TRACE(p.prefix + " then " + p.unit);
    PipeFeeder feeder(p.prefix, p.unit);
    const ProgramResult result = run_photofilter_from({"-g", "1"}, feeder.read_end(), bound);
    EXPECT_EQ(result.status, 1) << "killed after " << kWallSeconds << " s?";
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(last_line_of(result.err), p.ending);
  }
}

// A failed read names the system's reason: a closed standard input, a
// directory.
TEST(ReadErrors, NameTheirCause) {
  const ProgramResult closed = run_photofilter_on({"-g", "1"}, "", "/dev/null");
  EXPECT_EQ(closed.status, 1);
  EXPECT_EQ(last_line_of(closed.err), "read file error: Bad file descriptor\n");

  char directory[] = "/tmp/photofilter-test-dir-XXXXXX";
  ASSERT_NE(mkdtemp(directory), nullptr);
  const ProgramResult is_directory = run_photofilter_on({"-g", "1"}, directory, "/dev/null");
  rmdir(directory);
  EXPECT_EQ(is_directory.status, 1);
  EXPECT_EQ(last_line_of(is_directory.err), "read file error: Is a directory\n");
}

// Standard input inherited as a non-blocking pipe whose data come slowly,
// the header split between pieces too, is read whole: the reader waits for
// data instead of taking "none yet" for the end.
TEST(ReadErrors, NonBlockingPipeIsReadWhole) {
  const std::string file = ppm_file(64, 48, random_bytes(size_t{3} * 64 * 48, 5));
  for (const std::vector<std::string> &args :
       {std::vector<std::string>{}, {"-g", "1"}, {"-s", "1"}}) {
    SCOPED_TRACE(args.empty() ? "no commands" : args[0]);
    std::vector<std::string> pieces = {file.substr(4, 5)};
    for (size_t at = 9; at < file.size(); at += 1000) pieces.push_back(file.substr(at, 1000));
    PipeFeeder feeder(file.substr(0, 4), "", pieces, true);
    const ProgramResult result =
        run_photofilter_from(args, feeder.read_end(), {0, 0, kWallSeconds});
    EXPECT_EQ(result.status, 0) << result.err;
    if (args.empty() || args[0] != "-s") {
      EXPECT_TRUE(result.out == file);
    }
    EXPECT_EQ(last_line_of(result.err).rfind("save and exit cpu time step ", 0), 0u)
        << result.err;
  }
}

// The help and version texts report a failed write or close of standard
// output (a full device, a closed descriptor) and exit with 1.
TEST(Driver, HelpAndVersionReportFailedWrites) {
  for (const char *flag : {"-h", "--help", "--version"}) {
    SCOPED_TRACE(flag);
    const ProgramResult full = run_photofilter_on({flag}, "/dev/null", "/dev/full");
    EXPECT_EQ(full.status, 1);
    EXPECT_EQ(full.err, "write error: No space left on device\n");
    const ProgramResult closed = run_photofilter_on({flag}, "/dev/null", "");
    EXPECT_EQ(closed.status, 1);
    EXPECT_EQ(closed.err, "write error: Bad file descriptor\n");
  }
}


// Just below the address space that a run needs, the allocation that fails
// comes before the header is written: status 1, "out of memory", and
// nothing on standard output. The writer's buffer is the last allocation
// of a run, so the limits just below the smallest that succeeds find it.
// One thread: every further one takes its stack out of the address space.
TEST(Driver, LackOfMemoryWritesNoPartOfAnImage) {
  if (!address_space_is_limited()) GTEST_SKIP() << "no address-space limit under the sanitizer";
  const std::string photo = sample_photo();
  for (const std::vector<std::string> &args :
       {std::vector<std::string>{"--threads", "1", "-s", "1"},
        std::vector<std::string>{"--threads", "1"}}) {
    SCOPED_TRACE(args.size() == 2 ? "no commands" : args[2]);
    auto run_within = [&](int kib) {
      return run_photofilter_limited(args, photo, {0, 20, kWallSeconds, kib});
    };
    int failing = 4 << 10, succeeding = 64 << 10;  // KiB
    ASSERT_EQ(run_within(succeeding).status, 0);
    while (succeeding - failing > 4) {
      const int middle = (failing + succeeding) / 2;
      (run_within(middle).status == 0 ? succeeding : failing) = middle;
    }
    for (int kib = succeeding - 4; kib > succeeding - 200; kib -= 8) {
      SCOPED_TRACE(std::to_string(kib) + " KiB");
      const ProgramResult result = run_within(kib);
      if (result.status == 0) continue;
      EXPECT_EQ(result.status, 1);
      EXPECT_EQ(result.out.size(), 0u);
      EXPECT_EQ(last_line_of(result.err).rfind("out of memory: ", 0), 0u) << result.err;
    }
  }
}

}  // namespace
}  // namespace photofilter::testing
