#include "image/ppm_header.h"

#include <cctype>
#include <cstring>
#include <string>

#include "image/errors.h"
#include "image/input_read.h"

namespace photofilter {
namespace {

constexpr size_t kLineReadSize = 200;  // at most 199 characters per header line
constexpr int32_t kMaxWidth = 10000;

// The bytes of the header as they are read, counted, so that no header
// line, comment or not, can make reading go on without end.
class HeaderInput {
 public:
  explicit HeaderInput(std::FILE *in) : in_(in) {}

  // Reads one line the way a line read of 200 bytes does: up to and with
  // its line feed, or its first 199 characters, whichever comes first; the
  // rest of a longer line stays in the input. `buffer` gets the characters
  // and a NUL. Returns their number, 0 at the end of input.
  size_t line(char *buffer) {
    size_t length = 0;
    while (length < kLineReadSize - 1) {
      const int c = next();
      if (c == EOF) break;
      buffer[length++] = static_cast<char>(c);
      if (c == '\n') break;
    }
    buffer[length] = '\0';
    return length;
  }

  // Reads the next line that does not begin with '#' into `buffer` and
  // returns its length. A comment line is skipped to its line feed, so that
  // the tail of a long one is never taken for the next line.
  size_t header_line(char *buffer) {
    for (;;) {
      const size_t length = line(buffer);
      if (length == 0) throw RunError("read file error: unexpected end of input in header\n");
      if (buffer[0] != '#') return length;
      if (buffer[length - 1] != '\n') skip_rest_of_line();
    }
  }

 private:
  int next() {
    if (bytes_read_ == kMaxHeaderBytes) {
      throw RunError(format_message("read file error: header longer than %lld bytes\n",
                                    static_cast<long long>(kMaxHeaderBytes)));
    }
    const int c = read_input_byte(in_);
    if (c != EOF) ++bytes_read_;
    return c;
  }

  void skip_rest_of_line() {
    for (int c = next(); c != EOF && c != '\n'; c = next()) {
    }
  }

  std::FILE *in_;
  int64_t bytes_read_ = 0;
};

// Scans one decimal integer the way "%d" does: leading white space, an
// optional sign, at least one digit. Values beyond 32 bits saturate.
bool scan_int(const char *&text, int32_t &value) {
  const char *p = text;
  while (std::isspace(static_cast<unsigned char>(*p))) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = (*p++ == '-');
  if (!std::isdigit(static_cast<unsigned char>(*p))) return false;
  int64_t magnitude = 0;
  for (; std::isdigit(static_cast<unsigned char>(*p)); ++p) {
    if (magnitude <= INT32_MAX) magnitude = magnitude * 10 + (*p - '0');
  }
  const int64_t signed_value = negative ? -magnitude : magnitude;
  value = static_cast<int32_t>(signed_value > INT32_MAX   ? INT32_MAX
                               : signed_value < INT32_MIN ? INT32_MIN
                                                          : signed_value);
  text = p;
  return true;
}

// The `length` bytes of a line as a message may show them: printable ASCII
// as it is, every other byte as \xNN, except the line feed that ends the
// line, which ends the message; a line without one gets one.
std::string quoted_line(const char *line, size_t length) {
  std::string text;
  for (size_t i = 0; i < length; ++i) {
    const auto byte = static_cast<unsigned char>(line[i]);
    if ((byte >= 0x20 && byte <= 0x7e) || (byte == '\n' && i + 1 == length)) {
      text += static_cast<char>(byte);
    } else {
      text += format_message("\\x%02x", byte);
    }
  }
  if (length == 0 || line[length - 1] != '\n') text += '\n';
  return text;
}

struct KnownKind {
  const char *signature;
  size_t signature_size;
  const char *what;
  const char *converter;
};

// Kinds of file known by their first bytes, with the Netpbm program that
// turns each into a P6 or P5 file. pamtopnm keeps a bitmap a bitmap (P4),
// so bitmaps go through ppmtoppm, which makes them P6.
const KnownKind kKnownKinds[] = {
    {"\xff\xd8\xff", 3, "a JPEG image", "jpegtopnm"},
    {"\x89PNG", 4, "a PNG image", "pngtopam"},
    {"II*\0", 4, "a TIFF image", "tifftopnm"},
    {"MM\0*", 4, "a TIFF image", "tifftopnm"},
    {"P1", 2, "a plain Netpbm bitmap (P1)", "ppmtoppm"},
    {"P2", 2, "a plain Netpbm grey image (P2)", "pamtopnm"},
    {"P3", 2, "a plain Netpbm colour image (P3)", "pamtopnm"},
    {"P4", 2, "a Netpbm bitmap (P4)", "ppmtoppm"},
    {"P7", 2, "a Netpbm PAM image (P7)", "pamtopnm"},
};

// The line that names the kind of file a magic line begins, or "".
std::string kind_of_input(const char *line, size_t length) {
  for (const KnownKind &kind : kKnownKinds) {
    if (length < kind.signature_size ||
        std::memcmp(line, kind.signature, kind.signature_size) != 0) {
      continue;
    }
    // A Netpbm magic number stands alone before white space or the end.
    const bool netpbm = kind.signature[0] == 'P';
    if (netpbm && length > 2 && !std::isspace(static_cast<unsigned char>(line[2]))) continue;
    return format_message("read file error: the input is %s; convert it with %s first\n",
                          kind.what, kind.converter);
  }
  return "";
}

Channels read_magic_line(ImageHeader &image, HeaderInput &input) {
  const size_t length = input.header_line(image.header_line);
  if (std::memcmp(image.header_line, "P6\n", 4) == 0) return Channels::colour;
  if (std::memcmp(image.header_line, "P5\n", 4) == 0) return Channels::grey;
  throw RunError("read file error type is not P5 or P6 found " +
                 quoted_line(image.header_line, length) +
                 kind_of_input(image.header_line, length));
}

void read_size_and_depth(ImageHeader &image, HeaderInput &input) {
  char line[256] = {};
  input.header_line(line);
  const char *p = line;
  if (!scan_int(p, image.nx) || !scan_int(p, image.ny)) {
    throw RunError("read file error: bad size line\n");
  }
  input.header_line(line);
  p = line;
  if (!scan_int(p, image.depth)) throw RunError("read file error: bad depth line\n");
}

void check_size_and_depth(const ImageHeader &image) {
  if (image.nx > kMaxWidth) {
    throw RunError(format_message("rgb/read error nx to big %d %d %d\n", image.nx,
                                  image.ny, image.depth));
  }
  if (image.nx < 0 || image.ny < 0) {
    throw RunError(
        format_message("read file error: negative size %d %d\n", image.nx, image.ny));
  }
  if (image.depth < 1 || image.depth > 65535) {
    throw RunError(format_message("read file error: bad maximum value %d\n", image.depth));
  }
}

}  // namespace

Channels read_header(ImageHeader &image, std::FILE *in) {
  image.header_line[0] = '\0';
  HeaderInput input(in);
  const Channels channels = read_magic_line(image, input);
  read_size_and_depth(image, input);
  std::fprintf(stderr, "rgb read file %d %d %d\n", image.nx, image.ny, image.depth);
  check_size_and_depth(image);
  return channels;
}

}  // namespace photofilter
