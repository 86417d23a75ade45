// Scanning of the per-channel parameter words of the colour corrections:
// three numbers for red, green and blue, and for the curve commands a
// full-scale integer after them.
#pragma once

namespace photofilter {

struct ChannelValues {
  double r;
  double g;
  double b;
};

// "%lf,%lf,%lf". Unless all three numbers are given, green and blue take
// red's value; red keeps `red_default` when the word has no number.
ChannelValues scan_channel_values(const char *word, double red_default);

struct ChannelCurve {
  ChannelValues values;
  int n = 255;  // full-scale value as scanned (0 stands for 255)
};

// "%lf,%lf,%lf,%d". With two numbers or fewer, green and blue take red's
// value; a word with no number means 1 for every channel. n is 255 unless
// the word gives it.
ChannelCurve scan_channel_curve(const char *word);

// The full-scale value a curve works to: n, with 0 standing for 255.
inline int full_scale(int n) { return n == 0 ? 255 : n; }

}  // namespace photofilter
