// Reading and writing a 24-megapixel P6 through temporary files.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include "image/image.h"
#include "image/ppm_io.h"

namespace photofilter {
namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

std::FILE *photo_file() {
  std::FILE *file = std::tmpfile();
  std::fprintf(file, "P6\n%d %d\n255\n", kWidth, kHeight);
  std::vector<unsigned char> row(kWidth * 3);
  for (int y = 0; y < kHeight; ++y) {
    for (size_t i = 0; i < row.size(); ++i) row[i] = static_cast<unsigned char>(i * 7 + y * 13);
    std::fwrite(row.data(), 1, row.size(), file);
  }
  return file;
}

void BM_ReadImage(benchmark::State &state) {
  std::FILE *file = photo_file();
  std::FILE *saved_stderr = stderr;
  stderr = std::fopen("/dev/null", "w");
  for (auto _ : state) {
    std::rewind(file);
    Image image;
    read_image(image, file);
    benchmark::DoNotOptimize(image.pixels.get());
  }
  std::fclose(stderr);
  stderr = saved_stderr;
  std::fclose(file);
  state.counters["MP/s"] = benchmark::Counter(kWidth * kHeight / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ReadImage)->Unit(benchmark::kMillisecond);

void BM_WriteImage(benchmark::State &state) {
  std::FILE *file = photo_file();
  std::rewind(file);
  std::FILE *saved_stderr = stderr;
  stderr = std::fopen("/dev/null", "w");
  Image image;
  read_image(image, file);
  std::fclose(file);
  for (auto _ : state) {
    write_image(image, std::fopen("/dev/null", "w"));
  }
  std::fclose(stderr);
  stderr = saved_stderr;
  state.counters["MP/s"] = benchmark::Counter(kWidth * kHeight / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_WriteImage)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace photofilter
