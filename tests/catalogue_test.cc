// Hostile input for the whole program: broken headers, and every command
// with parameter words that do not scan, overflow or are not numbers, on
// empty, thin and ordinary images and on samples pushed out of range.
// Every run must end quickly, within bounded memory, either with a complete
// image or with exit status 1, one of the documented messages and nothing
// on standard output; a check of the same command line must agree with it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "driver/command_table.h"
#include "run_program.h"
#include "test_images.h"

namespace photofilter::testing {
namespace {

// Nothing here needs more than a few megabytes or a fraction of a second; a
// case that asks for more is stopped by these limits and then fails.
constexpr RunLimits kLimits = {1024, 20};
#if defined(NDEBUG) && !defined(__SANITIZE_ADDRESS__)
constexpr double kSecondsPerCase = 1.0;
#else
constexpr double kSecondsPerCase = 10.0;  // unoptimised or sanitized build
#endif

std::string last_line(const std::string &log) {
  if (log.size() < 2) return log;
  const size_t start = log.rfind('\n', log.size() - 2);
  return start == std::string::npos ? log : log.substr(start + 1);
}

// The length of "<prefix><command word> <parameter word><after>" when `line`
// begins with it for one command pair of `args` (a command word given last
// pairs with "x"), else 0.
size_t command_pair_prefix(const std::string &line, const std::string &prefix,
                           const std::vector<std::string> &args, const std::string &after) {
  for (size_t k = 0; k < args.size(); k += 2) {
    const std::string word = k + 1 < args.size() ? args[k + 1] : "x";
    const std::string start = prefix + args[k] + " " + word + after;
    if (line.rfind(start, 0) == 0) return start.size();
  }
  return 0;
}

// A failed run ends with one of the documented messages; one that names a
// command names a command given, with its parameter word.
bool ends_with_documented_failure(const std::string &line, const std::vector<std::string> &args) {
  const char *plain[] = {"out of memory: ", "read file error", "rgb/read error nx to big ",
                         "write error: "};
  for (const char *prefix : plain) {
    if (line.rfind(prefix, 0) == 0) return line.back() == '\n';
  }
  const size_t reason = command_pair_prefix(line, "invalid parameter ", args, ": ");
  if (reason > 0) return line.size() > reason + 1 && line.back() == '\n';
  return command_pair_prefix(line, "invalid command ", args, "\n") == line.size();
}

// A successful run wrote exactly one whole P6 image and logged its last step.
void expect_whole_image(const ProgramResult &result) {
  int nx = -1, ny = -1;
  std::sscanf(result.out.c_str(), "P6\n%d %d", &nx, &ny);
  ASSERT_TRUE(nx >= 0 && ny >= 0) << "no P6 header on stdout";
  const std::string header = "P6\n" + std::to_string(nx) + " " + std::to_string(ny) + "\n255\n";
  EXPECT_EQ(result.out.compare(0, header.size(), header), 0);
  EXPECT_EQ(result.out.size(), header.size() + size_t(3) * nx * ny);
  EXPECT_EQ(last_line(result.err).rfind("save and exit cpu time step ", 0), 0u) << result.err;
}

// The log lines of each command pair, from its "cmd" line on. Lines a check
// adds of its own (its notes and sizes) are left out.
std::vector<std::vector<std::string>> pair_lines(const std::string &log) {
  std::vector<std::vector<std::string>> pairs;
  size_t start = 0;
  for (size_t end; (end = log.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string line = log.substr(start, end + 1 - start);
    if (line.rfind("cmd ", 0) == 0) pairs.emplace_back();
    const bool of_check = line.rfind("note: ", 0) == 0 || line.rfind("size after ", 0) == 0 ||
                          line.rfind("output size ", 0) == 0;
    if (!pairs.empty() && !of_check) pairs.back().push_back(line);
  }
  return pairs;
}

// Whether a run's line belongs to the work after a command's plan: a step
// line, one of the lines the transformations log, or the writer's.
bool after_the_plan(const std::string &line) {
  const char *transformation[] = {"cycle ",          "wblur ",           "gamma correction ",
                                  "contour sharping ", "smothing with radius ", "corrected points ",
                                  "complete ",       "save type "};
  for (const char *prefix : transformation) {
    if (line.rfind(prefix, 0) == 0) return true;
  }
  return line.find(" cpu time step ") != std::string::npos;
}

// A check of the same command line logs what the run logs for each pair
// before it transforms (all of it: the run's next line comes after the
// plan), ends as the run ends, and names the size the run wrote. A run that
// lacked memory is the one ending a check cannot tell.
void expect_check_agrees(const std::vector<std::string> &args, const std::string &input,
                         const ProgramResult &run) {
  if (last_line(run.err).rfind("out of memory: ", 0) == 0) return;
  std::vector<std::string> check_args = args;
  check_args.insert(check_args.begin(), "--check");
  const ProgramResult check = run_photofilter_limited(check_args, input, kLimits);
  EXPECT_EQ(check.status, run.status) << check.err;
  EXPECT_EQ(check.out, "");
  const auto run_pairs = pair_lines(run.err);
  const auto check_pairs = pair_lines(check.err);
  ASSERT_EQ(check_pairs.size(), run_pairs.size()) << check.err;
  for (size_t k = 0; k < run_pairs.size(); ++k) {
    const auto &lines = check_pairs[k];
    ASSERT_LE(lines.size(), run_pairs[k].size()) << check.err;
    EXPECT_TRUE(std::equal(lines.begin(), lines.end(), run_pairs[k].begin())) << check.err;
    if (run.status == 0 && lines.size() < run_pairs[k].size()) {
      EXPECT_TRUE(after_the_plan(run_pairs[k][lines.size()])) << check.err << run.err;
    }
  }
  if (run.status != 0) {
    EXPECT_EQ(last_line(check.err), last_line(run.err));
    return;
  }
  int nx = -1, ny = -1;
  std::sscanf(run.out.c_str(), "P6\n%d %d", &nx, &ny);
  EXPECT_EQ(last_line(check.err),
            "output size " + std::to_string(nx) + " " + std::to_string(ny) + "\n");
}

void expect_sound_ending(const std::vector<std::string> &args, const std::string &input,
                         bool checked) {
  const ProgramResult result = run_photofilter_limited(args, input, kLimits);
  EXPECT_LT(result.cpu_seconds, kSecondsPerCase);
  if (checked) expect_check_agrees(args, input, result);
  if (result.status == 0) {
    expect_whole_image(result);
    return;
  }
  EXPECT_EQ(result.status, 1) << "killed or crashed; log ends:\n" << last_line(result.err);
  EXPECT_EQ(result.out.size(), 0u) << "output of a failed run";
  EXPECT_TRUE(ends_with_documented_failure(last_line(result.err), args)) << result.err;
}

// ---------------------------------------------------------------- headers

struct HeaderCase {
  const char *name;
  std::string input;
  // Acceptable last log lines; one without a line feed is a prefix.
  std::vector<std::string> endings;
};

bool matches_one_of(const std::string &line, const std::vector<std::string> &endings) {
  for (const std::string &ending : endings) {
    if (ending.back() == '\n' ? line == ending : line.rfind(ending, 0) == 0) return true;
  }
  return false;
}

void PrintTo(const HeaderCase &c, std::ostream *os) { *os << c.name; }

class HostileHeader : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(HostileHeader, EndsWithItsMessageAndNoOutput) {
  const ProgramResult result = run_photofilter_limited({"-r", "1"}, GetParam().input, kLimits);
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_TRUE(matches_one_of(last_line(result.err), GetParam().endings)) << result.err;
}

std::string noise(size_t count, uint32_t seed) {
  std::mt19937 random(seed);
  std::string bytes(count, '\0');
  for (char &b : bytes) b = static_cast<char>(random());
  return bytes;
}

const std::string kWrongType = "read file error type is not P5 or P6 found ";
const std::string kMagic199 = "P6" + std::string(197, '6');

INSTANTIATE_TEST_SUITE_P(
    ReadImage, HostileHeader,
    ::testing::Values(
        // Only the first 199 characters of a line are kept, and the message
        // quoting a cut line still ends its line.
        HeaderCase{"magic_line_of_199", kMagic199 + "\n1 1\n255\nabc", {kWrongType + kMagic199 + "\n"}},
        HeaderCase{"magic_line_of_300",
                   kMagic199 + std::string(101, 'x') + "\n1 1\n255\nabc",
                   {kWrongType + kMagic199 + "\n"}},
        HeaderCase{"magic_line_ends_the_input", "P6", {kWrongType + "P6\n"}},
        HeaderCase{"magic_line_holds_a_nul", std::string("P6\0\n1 1\n255\nabc", 15),
                   {kWrongType + "P6\\x00\n"}},
        HeaderCase{"binary_noise", noise(4096, 11), {kWrongType}},
        HeaderCase{"comments_only", "# one\n#two\n",
                   {"read file error: unexpected end of input in header\n"}},
        HeaderCase{"width_beyond_32_bits", "P6\n99999999999 1\n255\n",
                   {"rgb/read error nx to big 2147483647 1 255\n"}},
        HeaderCase{"depth_beyond_32_bits", "P6\n1 1\n99999999999\nabc",
                   {"read file error: bad maximum value 2147483647\n"}},
        HeaderCase{"depth_negative", "P5\n1 1\n-1\na", {"read file error: bad maximum value -1\n"}},
        // Far more pixels promised than the input holds or memory allows.
        HeaderCase{"size_10000_by_99999999_without_data",
                   "P6\n10000 99999999\n255\n",
                   {"out of memory: pixel array of the input image\n",
                    "read file error: image data ends in row 0 of 99999999\n"}},
        HeaderCase{"height_beyond_32_bits", "P5\n1 99999999999\n255\nab",
                   {"out of memory: pixel array of the input image\n",
                    "read file error: image data ends in row 2 of 2147483647\n"}}),
    [](const auto &info) { return std::string(info.param.name); });

// A comment line longer than a line read is skipped as a whole: its tail is
// not taken for the size line (which here would read as 7 7).
TEST(ReadImage, LongCommentLineIsSkippedWhole) {
  const std::string pixels = "abcdef";
  const std::string file = "P6\n#" + std::string(300, ' ') + "7 7\n2 1\n255\n" + pixels;
  const ProgramResult result = run_photofilter({}, file);
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "P6\n2 1\n255\n" + pixels);
}

// A read error while the header is sought (standard input is a directory)
// ends the run with the system's reason.
TEST(ReadImage, ReadErrorInHeader) {
  char directory[] = "/tmp/photofilter-test-dir-XXXXXX";
  ASSERT_NE(mkdtemp(directory), nullptr);
  const ProgramResult result = run_photofilter_on({}, directory, "/dev/null");
  rmdir(directory);
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(last_line(result.err), "read file error: Is a directory\n");
}

// A full device on standard output is reported, whether the first failing
// write is a buffered one or only the final flush.
TEST(WriteImage, FullDeviceIsAWriteError) {
  for (const int nx : {2, 4000}) {
    SCOPED_TRACE(nx);
    const std::string path = "/tmp/photofilter-test-full-" + std::to_string(getpid());
    std::ofstream(path, std::ios::binary) << ppm_file(nx, 100, std::vector<uint8_t>(nx * 300, 9));
    const ProgramResult result = run_photofilter_on({"-r", "1"}, path, "/dev/full");
    std::remove(path.c_str());
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(last_line(result.err).rfind("write error: ", 0), 0u) << result.err;
  }
}

// --------------------------------------------------------------- commands

// One field of a parameter word: a harmless value that stands in front of a
// hostile one, and whether the field counts cycles or passes (the work grows
// with it, so it never gets a value that reads as a huge count).
struct Field {
  const char *harmless;
  bool counts = false;
};

struct Layout {
  const char *word;
  std::vector<Field> fields;
};

const Layout kLayouts[] = {
    {"-s", {{"1", true}, {"1"}, {"1.0"}}},
    {"-bfc", {{"1.0"}, {"0.95"}, {"2"}, {"1"}}},
    {"-rfc", {{"1.0"}, {"0.95"}, {"2"}, {"1"}}},
    {"-rfc1", {{"1.0"}, {"0.95"}, {"2"}, {"1"}}},
    {"-r", {{"0"}}},
    {"-sc", {{"1.0"}, {"1.0"}, {"1.0"}}},
    {"-ssc", {{"1.0"}, {"1.0"}, {"1.0"}}},
    {"-cr", {{"1"}, {"1"}, {"30"}, {"20"}}},
    {"-g", {{"1.0"}, {"1.0"}, {"1.0"}, {"255"}}},
    {"-cs", {{"1.0"}, {"1.0"}, {"1.0"}, {"255"}}},
    {"-cc", {{"1.0"}, {"1.0"}, {"1.0"}, {"255"}}},
    {"-cg", {{"1.0"}, {"1.0"}, {"1.0"}}},
    {"-co", {{"0.0"}, {"0.0"}, {"0.0"}}},
    {"-comp", {{"2"}}},
    {"-spr", {{"l"}}},
    {"-snr", {{"10"}, {"3"}, {"1"}, {"3"}}},
    {"-tnr", {{"0"}}},
    {"-fnr", {{"5"}, {"1"}, {"1"}, {"1"}, {"1", true}}},
    {"-nr", {{"1", true}, {"10"}, {"1.0"}, {"1.0"}, {"255"}, {"1"}}},
    {"-cnr", {{"2", true}, {"20"}, {"1.0"}}},
    {"-cd", {{"1"}}},
    {"-ec", {{"1.0"}, {"1", true}, {"1.0"}, {"255"}}},
    {"-ec1", {{"1.0"}, {"1", true}, {"1.0"}, {"255"}}},
    {"-b2", {{"1", true}}},
    {"-fr", {{"0.1"}, {"0.1"}, {"0.1"}, {"4"}, {"4"}, {"4"}, {"4"}}},
    {"-t", {{"1"}, {"1.0"}, {"3"}, {"1.0"}}},
};

const Layout *layout_of(const std::string &word) {
  for (const Layout &layout : kLayouts) {
    if (word == layout.word) return &layout;
  }
  return nullptr;
}

const std::vector<std::string> kHostileWords = {
    "",     "x",      ",,,",        "nan",         "inf",
    "-inf", "1e308",  "-1e308",     "2147483647",  "-2147483648",
    "99999999999999999999",         "1,2,abc"};

bool reads_as_a_huge_count(const std::string &word) {
  return word == "2147483647" || word == "99999999999999999999";
}

// The parameter word with the hostile word in one field and harmless values
// in front of it. Over the images the field rotates through every field that
// may take the word; one that no field may take goes after the last field.
std::string parameter_word(const std::vector<Field> &fields, size_t word_index,
                           size_t image_index) {
  const std::string &hostile = kHostileWords[word_index];
  std::vector<size_t> takers;
  for (size_t f = 0; f < fields.size(); ++f) {
    if (!fields[f].counts || !reads_as_a_huge_count(hostile)) takers.push_back(f);
  }
  const size_t place =
      takers.empty() ? fields.size() : takers[(word_index + image_index) % takers.size()];
  std::string word;
  for (size_t f = 0; f < place; ++f) word += std::string(fields[f].harmless) + ",";
  return word + hostile;
}

struct CatalogueImage {
  int nx, ny;
  bool pushed;   // "-co 100" runs first and leaves samples far above 255
  bool checked;  // a check of each command line is compared with the run
};

const CatalogueImage kImages[] = {{0, 0, false, true},    {1, 1, false, false},
                                  {1, 7, false, false},   {7, 1, false, true},
                                  {2, 2, false, false},   {40, 30, false, true},
                                  {40, 30, true, false}};

class CommandCatalogue : public ::testing::TestWithParam<std::string> {};

TEST_P(CommandCatalogue, HostileWordsEndSoundly) {
  const std::string command = GetParam();
  const Layout *layout = layout_of(command);
  EXPECT_NE(layout, nullptr) << "list the parameter fields of " << command << " in kLayouts";
  const std::vector<Field> fields = layout != nullptr ? layout->fields : std::vector<Field>{};
  for (size_t i = 0; i < std::size(kImages); ++i) {
    const CatalogueImage &image = kImages[i];
    const std::string input = photo_like(image.nx, image.ny);
    for (size_t w = 0; w < kHostileWords.size(); ++w) {
      std::vector<std::string> args = {command, parameter_word(fields, w, i)};
      if (image.pushed) args.insert(args.begin(), {"-co", "100"});
      SCOPED_TRACE(std::to_string(image.nx) + "x" + std::to_string(image.ny) + ": " +
                   (image.pushed ? "-co 100 " : "") + command + " \"" + args.back() + "\"");
      expect_sound_ending(args, input, image.checked);
    }
  }
}

std::vector<std::string> command_words() {
  std::vector<std::string> words;
  for (const Command &command : command_table()) words.push_back(command.word);
  return words;
}

INSTANTIATE_TEST_SUITE_P(Everything, CommandCatalogue, ::testing::ValuesIn(command_words()),
                         [](const auto &info) { return info.param.substr(1); });

}  // namespace
}  // namespace photofilter::testing
