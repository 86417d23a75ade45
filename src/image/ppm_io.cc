#include "image/ppm_io.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "image/errors.h"
#include "image/input_read.h"
#include "image/multiversion.h"
#include "image/parallel.h"
#include "image/ppm_header.h"
#include "image/sample.h"

namespace photofilter {
namespace {

constexpr size_t kChunkBytes = size_t{1} << 20;  // rows are moved in ~1 MiB chunks

// Maps every raw sample value to 0..255: values above `depth` count as
// `depth`, and unless `depth` is 255 each is scaled by 255/depth, rounded.
std::vector<uint8_t> sample_scale_table(int32_t depth, int bytes_per_sample) {
  std::vector<uint8_t> table(bytes_per_sample == 1 ? 256 : 65536);
  for (size_t raw = 0; raw < table.size(); ++raw) {
    const int64_t v = std::min<int64_t>(static_cast<int64_t>(raw), depth);
    table[raw] = static_cast<uint8_t>(depth == 255 ? v : (v * 255 + depth / 2) / depth);
  }
  return table;
}

// Turns one row of raw samples into 3 bytes a pixel (r, g, b); a grey
// sample gives all three.
void decode_row(const uint8_t *raw, uint8_t *out, int32_t nx, Channels channels,
                int bytes_per_sample, const uint8_t *table) {
  const int samples_per_pixel = channels == Channels::colour ? 3 : 1;
  auto sample = [&](int64_t index) -> uint8_t {
    return bytes_per_sample == 1 ? table[raw[index]]
                                 : table[(raw[2 * index] << 8) | raw[2 * index + 1]];
  };
  for (int32_t x = 0; x < nx; ++x, out += 3) {
    const int64_t first = int64_t{x} * samples_per_pixel;
    if (channels == Channels::colour) {
      out[0] = sample(first);
      out[1] = sample(first + 1);
      out[2] = sample(first + 2);
    } else {
      out[0] = out[1] = out[2] = sample(first);
    }
  }
}

// Where the rows of pixel data go: widened into the pixels of an Image as
// they arrive, or kept as 3 bytes a pixel in a ByteImage.
class RowSink {
 public:
  explicit RowSink(Image &image)
      : nx_(image.nx), pixels_(&image), decoded_(static_cast<size_t>(image.nx) * 3) {}
  explicit RowSink(ByteImage &image) : nx_(image.nx), bytes_(&image) {}

  // Plain 8-bit colour with maximum value 255: the bytes are the samples.
  void take_rgb8(const uint8_t *raw, int32_t y) {
    if (bytes_ != nullptr) {
      std::memcpy(bytes_->row(y), raw, static_cast<size_t>(nx_) * 3);
    } else {
      widen_rgb8_row(raw, pixels_->row(y), nx_);
    }
  }

  void take_decoded(const uint8_t *raw, int32_t y, Channels channels, int bytes_per_sample,
                    const uint8_t *table) {
    uint8_t *out = bytes_ != nullptr ? bytes_->row(y) : decoded_.data();
    decode_row(raw, out, nx_, channels, bytes_per_sample, table);
    if (bytes_ == nullptr) widen_rgb8_row(decoded_.data(), pixels_->row(y), nx_);
  }

  // Rows that can be read straight to their place, or nullptr.
  uint8_t *direct_rgb8_rows(int32_t y) { return bytes_ != nullptr ? bytes_->row(y) : nullptr; }

 private:
  int32_t nx_;
  Image *pixels_ = nullptr;
  ByteImage *bytes_ = nullptr;
  std::vector<uint8_t> decoded_;
};

// Rows of this width that make a part worth a thread.
int64_t rows_per_part(int32_t nx) {
  return std::max<int64_t>(1, kSmallestPixelPart / std::max(nx, 1));
}

[[noreturn]] void throw_data_ends(int32_t first_row, size_t bytes_got, size_t row_bytes,
                                  int32_t ny) {
  throw RunError(format_message("read file error: image data ends in row %d of %d\n",
                                first_row + static_cast<int32_t>(bytes_got / row_bytes), ny));
}

// True when `in` is a regular file that holds at least `bytes` more bytes
// after its current position, so that copying them cannot run short.
bool file_holds(std::FILE *in, int64_t bytes) {
  struct stat status {};
  if (fstat(fileno(in), &status) != 0 || !S_ISREG(status.st_mode)) return false;
  const off_t position = ftello(in);
  return position >= 0 && status.st_size - position >= bytes;
}

// Plain 8-bit colour from a regular file that holds it all, with more than
// one thread: each part of the rows is read at its own offset in the file
// (the reads and the first touch of the memory they fill go over the
// threads), and the stream is left after the data as a sequential read
// leaves it.
bool read_rgb8_rows_at_once(const ImageHeader &image, std::FILE *in, RowSink &sink,
                            size_t row_bytes) {
  const int64_t total = static_cast<int64_t>(row_bytes) * image.ny;
  const int64_t start = ftello(in);
  if (run_threads() <= 1 || start < 0 || !file_holds(in, total)) return false;
  const int32_t rows_per_chunk =
      static_cast<int32_t>(std::max<size_t>(1, kChunkBytes / row_bytes));
  split_work(image.ny, rows_per_part(image.nx), [&](int64_t first, int64_t end) {
    std::vector<uint8_t> chunk;
    for (auto y = static_cast<int32_t>(first); y < end; y += rows_per_chunk) {
      const int32_t rows = std::min<int32_t>(rows_per_chunk, static_cast<int32_t>(end) - y);
      const size_t wanted = row_bytes * static_cast<size_t>(rows);
      uint8_t *direct = sink.direct_rgb8_rows(y);
      if (direct == nullptr) chunk.resize(wanted);
      uint8_t *to = direct != nullptr ? direct : chunk.data();
      const int64_t offset = start + static_cast<int64_t>(row_bytes) * y;
      const size_t got = read_file_at(in, to, wanted, offset);
      if (got < wanted) throw_data_ends(y, got, row_bytes, image.ny);
      if (direct != nullptr) continue;
      for (int32_t k = 0; k < rows; ++k) sink.take_rgb8(to + row_bytes * k, y + k);
    }
  });
  if (fseeko(in, start + total, SEEK_SET) != 0) {
    throw RunError(format_message("read file error: %s\n", std::strerror(errno)));
  }
  return true;
}

void read_pixels(const ImageHeader &image, Channels channels, std::FILE *in, RowSink &sink) {
  const int bytes_per_sample = image.depth <= 255 ? 1 : 2;
  const int samples_per_pixel = channels == Channels::colour ? 3 : 1;
  const size_t row_bytes =
      static_cast<size_t>(image.nx) * samples_per_pixel * bytes_per_sample;
  if (row_bytes == 0 || image.ny == 0) return;
  const std::vector<uint8_t> table = sample_scale_table(image.depth, bytes_per_sample);
  const bool plain_rgb8 =
      channels == Channels::colour && bytes_per_sample == 1 && image.depth == 255;
  if (plain_rgb8 && read_rgb8_rows_at_once(image, in, sink, row_bytes)) return;
  const int32_t rows_per_chunk =
      static_cast<int32_t>(std::max<size_t>(1, kChunkBytes / row_bytes));
  std::vector<uint8_t> chunk;
  for (int32_t y = 0; y < image.ny; y += rows_per_chunk) {
    const int32_t rows = std::min(rows_per_chunk, image.ny - y);
    const size_t wanted = row_bytes * static_cast<size_t>(rows);
    uint8_t *direct = plain_rgb8 ? sink.direct_rgb8_rows(y) : nullptr;
    if (direct != nullptr) {
      const size_t got = read_input(in, direct, wanted);
      if (got < wanted) throw_data_ends(y, got, row_bytes, image.ny);
      continue;
    }
    chunk.resize(wanted);
    const size_t got = read_input(in, chunk.data(), wanted);
    if (got < wanted) throw_data_ends(y, got, row_bytes, image.ny);
    if (plain_rgb8) {
      // Each row is widened on its own, so a chunk's rows go over the run's
      // threads.
      split_work(rows, rows_per_part(image.nx), [&](int64_t begin, int64_t end) {
        for (int64_t k = begin; k < end; ++k) {
          sink.take_rgb8(chunk.data() + row_bytes * k, y + static_cast<int32_t>(k));
        }
      });
      continue;
    }
    for (int32_t k = 0; k < rows; ++k) {
      sink.take_decoded(chunk.data() + row_bytes * k, y + k, channels, bytes_per_sample,
                        table.data());
    }
  }
}

[[noreturn]] void throw_write_error() {
  throw RunError(format_message("write error: %s\n", std::strerror(errno)));
}

void write_all(const uint8_t *bytes, size_t count, std::FILE *out) {
  for (size_t done = 0; done < count; done += kChunkBytes) {
    const size_t size = std::min(kChunkBytes, count - done);
    if (std::fwrite(bytes + done, 1, size, out) != size) throw_write_error();
  }
}

// The buffer that pixel data go through on their way out. It is allocated
// before the header is written, so that a lack of memory leaves standard
// output empty.
std::vector<uint8_t> output_buffer(size_t bytes) {
  try {
    return std::vector<uint8_t>(bytes);
  } catch (const std::bad_alloc &) {
    throw RunError("out of memory: output buffer\n");
  }
}

void log_pixels_read(const ImageHeader &image) {
  std::fprintf(stderr, "rgb read file, elems read %lld\n",
               static_cast<long long>(image.pixel_count()));
}

void write_header(const ImageHeader &image, std::FILE *out) {
  std::fprintf(stderr, "save type %s nx %d ny %d depth %d\n", "P6", image.nx, image.ny,
               255);
  if (std::fprintf(out, "%s\n%d %d\n%d\n", "P6", image.nx, image.ny, 255) < 0) {
    throw_write_error();
  }
}

void close_output(const ImageHeader &image, std::FILE *out) {
  if (std::fflush(out) != 0) throw_write_error();
  if (std::fclose(out) != 0) throw_write_error();
  std::fprintf(stderr, "rgb save file, elems written %lld\n",
               static_cast<long long>(image.pixel_count()));
}


}  // namespace

void read_image(Image &image, std::FILE *in) {
  const Channels channels = read_header(image, in);
  image.pixels = allocate_pixels(image.pixel_count(), "pixel array of the input image");
  RowSink sink(image);
  read_pixels(image, channels, in, sink);
  log_pixels_read(image);
}

namespace {

void read_bytes(ByteImage &image, Channels channels, std::FILE *in) {
  image.storage = allocate_pixels(image.pixel_count(), "pixel array of the input image");
  RowSink sink(image);
  read_pixels(image, channels, in, sink);
  log_pixels_read(image);
}

}  // namespace

void read_byte_image(ByteImage &image, std::FILE *in) {
  read_bytes(image, read_header(image, in), in);
}

bool read_image_for_copy(ByteImage &image, std::FILE *in) {
  const Channels channels = read_header(image, in);
  const int64_t data_bytes = image.pixel_count() * 3;
  if (channels == Channels::colour && image.depth == 255 && file_holds(in, data_bytes)) {
    log_pixels_read(image);
    return true;
  }
  read_bytes(image, channels, in);
  return false;
}

void write_image_copied_from(const ImageHeader &image, std::FILE *in, std::FILE *out) {
  const size_t row_bytes = static_cast<size_t>(image.nx) * 3;
  const size_t total = row_bytes * static_cast<size_t>(image.ny);
  std::vector<uint8_t> chunk = output_buffer(std::min(total, kChunkBytes));
  write_header(image, out);
  for (size_t done = 0; done < total; done += chunk.size()) {
    const size_t size = std::min(chunk.size(), total - done);
    const size_t got = read_input(in, chunk.data(), size);
    if (got < size) throw_data_ends(0, done + got, row_bytes, image.ny);
    if (std::fwrite(chunk.data(), 1, size, out) != size) throw_write_error();
  }
  close_output(image, out);
}

void write_byte_image(const ByteImage &image, std::FILE *out) {
  write_header(image, out);
  // Bytes as read are 0..255 already: nothing to clamp, and no buffer.
  write_all(image.bytes(), static_cast<size_t>(image.pixel_count()) * 3, out);
  close_output(image, out);
}

void write_image(const Image &image, std::FILE *out) {
  const size_t row_bytes = static_cast<size_t>(image.nx) * 3;
  const bool narrowed = row_bytes > 0 && image.ny > 0;
  const int32_t rows_per_chunk =
      narrowed ? static_cast<int32_t>(std::max<size_t>(1, kChunkBytes / row_bytes)) : 0;
  std::vector<uint8_t> chunk = output_buffer(row_bytes * static_cast<size_t>(rows_per_chunk));
  write_header(image, out);
  if (narrowed) {
    for (int32_t y = 0; y < image.ny; y += rows_per_chunk) {
      const int32_t rows = std::min(rows_per_chunk, image.ny - y);
      // Each row is narrowed on its own, over the run's threads.
      split_work(rows, rows_per_part(image.nx), [&](int64_t begin, int64_t end) {
        for (int64_t k = begin; k < end; ++k) {
          narrow_row_to_bytes(image.row(y + static_cast<int32_t>(k)), image.nx,
                              chunk.data() + row_bytes * k);
        }
      });
      if (std::fwrite(chunk.data(), 1, row_bytes * rows, out) != row_bytes * rows) {
        throw_write_error();
      }
    }
  }
  close_output(image, out);
}

}  // namespace photofilter
