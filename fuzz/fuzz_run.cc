// Fuzzes whole runs in process, through the same driver as the program: the
// input chooses a small image and up to four commands with their parameter
// words. Layout of an input:
//   byte 0   bit 0: grey (P5) rather than colour (P6); bits 1-3: the
//            maximum sample value, one of kDepths
//   byte 1   width modulo 65; byte 2: height modulo 65
//   byte 3   number of commands modulo 5; bit 7: the last command word comes
//            without a parameter word (the driver then supplies "x")
//   then, per command, one byte choosing the command word (modulo the table
//            size plus one; the extra value picks one of kUnknownWords) and
//            the parameter word up to a line feed
//   the rest is pixel data, repeated as often as the header needs.
// A run must exit with 0 and one whole P6 image, or with 1 and no output;
// a check of the same command line must end with the same status and
// write nothing.
//
// Parameters that ask for work or memory in proportion to their value
// (cycles, passes, scale factors, frame sizes, correction windows) are
// clamped here, in the harness only, so that every input runs in
// milliseconds; the program itself is unchanged.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "driver/command_table.h"
#include "driver/driver.h"
#include "fuzz_support.h"

namespace photofilter::fuzz {
namespace {

constexpr int kDepths[] = {255, 255, 255, 255, 1, 15, 1000, 65535};
const char *const kUnknownWords[] = {"-S", "-s ", "-zz", "", "-sc1", "x", "--", "-co,"};
constexpr int kMaxSide = 64;
constexpr size_t kMaxWordLength = 64;
constexpr double kIntMin = -2147483648.0;
constexpr double kIntMax = 2147483647.0;

// Reads the input front to back; past its end every read gives 0 or "".
class Input {
 public:
  Input(const uint8_t *data, size_t size) : data_(data), size_(size) {}
  uint8_t byte() { return position_ < size_ ? data_[position_++] : 0; }
  std::string line() {
    std::string text;
    while (position_ < size_) {
      const char c = static_cast<char>(data_[position_++]);
      if (c == '\n') break;
      if (c == '\0') continue;  // an argument cannot hold one
      if (text.size() < kMaxWordLength) text.push_back(c);
    }
    return text;
  }
  std::string rest() {
    std::string bytes(reinterpret_cast<const char *>(data_) + position_, size_ - position_);
    position_ = size_;
    return bytes;
  }

 private:
  const uint8_t *data_;
  size_t size_;
  size_t position_ = 0;
};

// One field of a parameter word held to [low, high]. Values from
// `keep_from` up are kept (they make the command refuse, or find nothing
// to do) and held to 2147483647; 0 means no such range.
struct FieldLimit {
  size_t field;
  double low;
  double high;
  double keep_from = 0;
};

enum class Growth { none, scale, frame };

struct WorkLimits {
  const char *word;
  Growth growth;
  std::vector<FieldLimit> fields;
};

// Commands missing here run with their words unchanged.
const std::vector<WorkLimits> &work_limits() {
  static const std::vector<WorkLimits> limits = {
      {"-s", Growth::none, {{0, kIntMin, 3}}},
      {"-nr", Growth::none, {{0, kIntMin, 3}}},
      {"-cnr", Growth::none, {{0, kIntMin, 3}}},
      {"-fnr", Growth::none, {{4, kIntMin, 3}}},
      {"-ec", Growth::none, {{1, kIntMin, 3}}},
      {"-ec1", Growth::none, {{1, kIntMin, 3}}},
      {"-b2", Growth::none, {{0, kIntMin, 100}}},
      {"-bfc", Growth::none, {{2, kIntMin, 4, 1e6}}},
      {"-rfc", Growth::none, {{2, kIntMin, 4, 1e6}}},
      {"-rfc1", Growth::none, {{2, kIntMin, 4, 1e6}}},
      {"-sc", Growth::scale, {}},
      {"-ssc", Growth::scale, {}},
      {"-fr",
       Growth::frame,
       {{3, kIntMin, 32, kIntMax}, {4, kIntMin, 32, kIntMax}, {5, kIntMin, 32, kIntMax},
        {6, kIntMin, 32, kIntMax}}},
  };
  return limits;
}

// An upper bound of the image size as the commands run.
struct SizeBound {
  double nx;
  double ny;
};

// The factor fields of a scaling: negative values fit a box of at most 64
// pixels a side, positive ones may enlarge until the larger side is 256.
std::vector<FieldLimit> scale_limits(SizeBound &bound) {
  const double cap = std::max(1.0, 256.0 / std::max({bound.nx, bound.ny, 1.0}));
  bound = {std::max(bound.nx * cap, 64.0), std::max(bound.ny * cap, 64.0)};
  return {{0, -64, cap}, {1, -64, cap}};
}

void grow_by_frame(SizeBound &bound) {
  const double side = std::max(32.0, (bound.nx + bound.ny) / 10);  // default frames
  bound = {bound.nx + 2 * side, bound.ny + 2 * side};
}

std::string number_text(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

// A field whose number lies outside the limit gets a number inside it. A
// field that holds no number stays: the scan stops there anyway.
std::string limit_field(const std::string &field, const FieldLimit &limit) {
  char *end = nullptr;
  const double value = std::strtod(field.c_str(), &end);
  if (end == field.c_str()) return field;
  if (std::isnan(value)) return number_text(limit.high);
  if (limit.keep_from > 0 && value >= limit.keep_from) return number_text(std::min(value, kIntMax));
  if (value < limit.low) return number_text(limit.low);
  if (value > limit.high) return number_text(limit.high);
  return field;
}

std::string limit_word(const std::string &word, const std::vector<FieldLimit> &limits) {
  std::vector<std::string> fields(1);
  for (const char c : word) {
    if (c == ',') {
      fields.emplace_back();
    } else {
      fields.back().push_back(c);
    }
  }
  for (const FieldLimit &limit : limits) {
    if (limit.field < fields.size()) fields[limit.field] = limit_field(fields[limit.field], limit);
  }
  std::string limited = fields[0];
  for (size_t f = 1; f < fields.size(); ++f) limited += "," + fields[f];
  return limited;
}

// The parameter word as the command gets it, and the size bound after it.
std::string bounded_word(const std::string &command, const std::string &word,
                         SizeBound &bound) {
  for (const WorkLimits &limits : work_limits()) {
    if (command != limits.word) continue;
    switch (limits.growth) {
      case Growth::scale:
        return limit_word(word, scale_limits(bound));
      case Growth::frame:
        grow_by_frame(bound);
        return limit_word(word, limits.fields);
      case Growth::none:
        return limit_word(word, limits.fields);
    }
  }
  return word;
}

std::string command_word(uint8_t choice) {
  const auto table = command_table();
  const size_t index = choice % (table.size() + 1);
  if (index < table.size()) return table[index].word;
  return kUnknownWords[choice / (table.size() + 1) % std::size(kUnknownWords)];
}

std::string image_file(bool grey, int depth, int nx, int ny, const std::string &data) {
  std::string file = std::string(grey ? "P5" : "P6") + "\n" + std::to_string(nx) + " " +
                     std::to_string(ny) + "\n" + std::to_string(depth) + "\n";
  const size_t needed = size_t(nx) * ny * (grey ? 1 : 3) * (depth > 255 ? 2 : 1);
  for (size_t i = 0; i < needed; ++i) {
    file.push_back(data.empty() ? static_cast<char>(i * 131 + 7) : data[i % data.size()]);
  }
  return file;
}

// The program's exit status on `file` with the arguments `args`.
int run_on(const std::vector<std::string> &args, std::string &file, MemoryOutput &out) {
  std::vector<const char *> argv;
  for (const std::string &arg : args) argv.push_back(arg.c_str());
  argv.push_back(nullptr);
  std::FILE *in = fmemopen(file.data(), file.size(), "r");
  require(in != nullptr, "fmemopen failed\n");
  int status = -1;
  {
    SilencedLog silenced;
    status = photofilter::run(static_cast<int>(args.size()), argv.data(), in, out.stream());
  }
  std::fclose(in);
  return status;
}

}  // namespace
}  // namespace photofilter::fuzz

using namespace photofilter::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  Input input(data, size);
  const uint8_t kind = input.byte();
  const int nx = input.byte() % (kMaxSide + 1);
  const int ny = input.byte() % (kMaxSide + 1);
  const uint8_t commands = input.byte();

  std::vector<std::string> args = {"photofilter"};
  SizeBound bound = {double(nx), double(ny)};
  const int count = (commands & 0x7f) % 5;
  for (int c = 0; c < count; ++c) {
    const std::string command = command_word(input.byte());
    const std::string word = input.line();
    args.push_back(command);
    if (c + 1 < count || !(commands & 0x80)) args.push_back(bounded_word(command, word, bound));
  }
  std::string file = image_file(kind & 1, kDepths[(kind >> 1) & 7], nx, ny, input.rest());

  MemoryOutput out;
  const int status = run_on(args, file, out);
  require(status == 0 || status == 1, "exit status neither 0 nor 1\n");
  if (status == 0) {
    out.closed_elsewhere();  // the image was written and the stream closed
    require_whole_image(out.bytes());
  } else {
    require(out.bytes().empty(), "a failed run wrote output\n");
  }

  args.insert(args.begin() + 1, "--check");
  MemoryOutput check_out;
  require(run_on(args, file, check_out) == status, "a check ended unlike its run\n");
  require(check_out.bytes().empty(), "a check wrote output\n");
  return 0;
}
