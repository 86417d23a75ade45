#include "driver/command_table.h"

#include <cstdio>

#include "filters/color/color_commands.h"
#include "filters/edge/edge_commands.h"
#include "filters/fringe/fringe_commands.h"
#include "filters/geometry/geometry_commands.h"
#include "filters/noise/noise_commands.h"
#include "image/parameter_scan.h"

namespace photofilter {
namespace {

// "-r": rotation is not available; the image is left as it is.
void log_rotation(const char *word) {
  double angle = 0.0;
  scan_parameters(word, "%lf", &angle);
  std::fprintf(stderr, "no rotate sorry %g \n", angle);
}
void rotate(const char *word, Image &) { log_rotation(word); }
void check_rotate(const char *word, ImageHeader &) { log_rotation(word); }

// "-tnr": accepted for compatibility with older command lines; does nothing.
void accept_unchanged(const char *, Image &) {}
void check_unchanged(const char *, ImageHeader &) {}

// Each entry: word, handler and its plan alone; the parameter word's
// fields in scan order with their defaults (w and h are the image width
// and height); what the command does; its entry point for an image still
// held as bytes, if any; its family and which way its main numbers act.
// The order is that of the lookup, not of the usage text, which groups the
// commands by family.
constexpr Command kCommands[] = {
    {"-s", smooth, check_smooth,
     "cycles=1,radius=1,weight=1.0",
     "smooth with the weighted blur; a negative weight moves samples by steps",
     smooth_bytes, Family::noise, "more cycles, radius or weight smooth more; weight -n steps by n levels",
     true},
    {"-bfc", blue_fringe_correction, check_blue_fringe_correction,
     "factor=1.0,slimit=0.95,extent=(w+h)/150,xyinc=(w+h)/3000+1",
     "blue fringe correction next to bright highlights",
     nullptr, Family::fringe, "a larger factor corrects weaker blue casts too; extent: reach in pixels"},
    {"-rfc", red_fringe_correction, check_red_fringe_correction,
     "factor=1.0,slimit=0.95,extent=(w+h)/150,xyinc=(w+h)/3000+1",
     "red fringe correction next to bright highlights",
     nullptr, Family::fringe, "a larger factor corrects weaker red casts too; extent: reach in pixels"},
    {"-rfc1", rfc1_correction, check_rfc1_correction,
     "factor=1.0,slimit=0.95,extent=(w+h)/150,xyinc=(w+h)/3000+1",
     "red fringe correction, first variant",
     nullptr, Family::fringe, "factor is only logged; highlights need green of slimit*255 or more"},
    {"-r", rotate, check_rotate,
     "angle",
     "rotation (not available: logs the angle only)",
     nullptr, Family::unchanged, "any angle leaves the photo as it is"},
    {"-sc", scaling, check_scaling,
     "fx=1.0,fy=fx,weight=1.0",
     "scale by area-weighted bins; negative fx,fy fit a -fx by -fy box",
     scaling_bytes, Family::geometry, "above 1 enlarges, below 1 reduces; -sc -1200,-800 fits 1200x800"},
    {"-ssc", smoothed_scaling, check_smoothed_scaling,
     "fx=1.0,fy=fx,weight=1.0",
     "smoothed scaling: blur, then one pixel per bin",
     smoothed_scaling_bytes, Family::geometry, "above 1 enlarges, below 1 reduces; a larger weight blurs more first"},
    {"-cr", crop, check_crop,
     "x0=0,y0=0,x1=w,y1=h",
     "crop to a rectangle; negative x0,y0: centred band of aspect -x0:-y0",
     crop_bytes, Family::geometry, "x1,y1: 0 is the right or bottom edge, negative counts back from it"},
    {"-g", color_gamma_correction, check_color_gamma_correction,
     "gamma_r=1,gamma_g=gamma_r,gamma_b=gamma_g,max=255",
     "colour gamma",
     color_gamma_correction_bytes, Family::color, "above 1 brightens the mid-tones, below 1 darkens them"},
    {"-cs", color_saturation_correction, check_color_saturation_correction,
     "f_r=1,f_g=f_r,f_b=f_r,n=255",
     "colour saturation: each channel away from or toward the pixel's grey",
     color_saturation_correction_bytes, Family::color, "0 is grey, below 1 less colour, above 1 more colour"},
    {"-cc", color_contrast_correction, check_color_contrast_correction,
     "v_r=1,v_g=v_r,v_b=v_r,max=255",
     "colour contrast: an S-shaped tone curve per channel",
     color_contrast_correction_bytes, Family::color, "above 1 more contrast, below 1 less; 1 changes nothing"},
    {"-cg", color_gain_correction, check_color_gain_correction,
     "k_r=1.0,k_g=k_r,k_b=k_r",
     "colour gain: each channel times its factor",
     color_gain_correction_bytes, Family::color, "above 1 brighter; -cg 1.2,1.0 gives 1.2 to all three channels"},
    {"-co", color_offset_correction, check_color_offset_correction,
     "o_r=0.0,o_g=o_r,o_b=o_r",
     "colour offset: each channel plus its offset (1.0 stands for 255)",
     color_offset_correction_bytes, Family::color, "above 0 lighter, below 0 darker; 0.04 is 10 levels"},
    {"-comp", compression, check_compression,
     "factor=2",
     "reduce the image by an integer factor, averaging blocks",
     compression_bytes, Family::geometry, "2 halves the width and height, 3 takes a third"},
    {"-spr", single_pixel_removal, check_single_pixel_removal,
     "mode (l, d, b or x)",
     "single pixel removal: light, dark, both, or horizontal extremes",
     nullptr, Family::noise, "l removes light (hot) pixels, d dark (dead) ones, b both"},
    {"-snr", simple_noise_reduction, check_simple_noise_reduction,
     "cradius=10,sradius=cradius/4+1,cnr=1,snr=3",
     "simple noise reduction of colour and brightness structure",
     nullptr, Family::noise, "larger steps cnr and snr remove stronger noise; radii: window reach"},
    {"-tnr", accept_unchanged, check_unchanged,
     "any",
     "accepted; changes nothing",
     nullptr, Family::unchanged, "the parameter word is ignored"},
    {"-fnr", fnr_noise_reduction, check_fnr_noise_reduction,
     "average=5,step_r=1,step_g=step_r,step_b=step_r,cycles=1",
     "fast noise reduction: samples step toward their window mean",
     fnr_noise_reduction_bytes, Family::noise,
     "larger steps remove stronger noise; each cycle moves 2 steps at most", true},
    {"-nr", noise_reduction, check_noise_reduction,
     "cycles=1,average=10,contour=1.0,weight=1.0,max=255,dither=1",
     "noise reduction with contour sharpening",
     nullptr, Family::noise, "weight n: steps of n levels (0.99 and less average); contour 0: off"},
    {"-cnr", color_noise_reduction, check_color_noise_reduction,
     "cycles=2,radius=20,weight=1.0",
     "colour noise reduction that keeps each pixel's brightness",
     nullptr, Family::noise, "a larger radius evens colour wider; weight 0.99 or less averages"},
    {"-cd", color_dithering, check_color_dithering,
     "amplitude=1",
     "colour dithering that keeps each pixel's r+g+b",
     color_dithering_bytes, Family::color,
     "amplitude: levels moved between channels; 1 or 2 break up banding", true},
    {"-ec", edge_contrast, check_edge_contrast,
     "gain=1.0,radius=1,weight=1.0,max=255",
     "edge contrast: pixels move away from a blurred copy's brightness",
     edge_contrast_bytes, Family::edge, "a larger gain more edge contrast, below 0 softer; radius: edge width"},
    {"-ec1", edge_contrast1, check_edge_contrast,
     "gain=1.0,radius=1,weight=1.0,max=255",
     "edge contrast, variant with a gentler factor",
     edge_contrast1_bytes, Family::edge, "gentler than -ec; a larger max weakens it, most in dark areas"},
    {"-b2", blur2, check_blur2,
     "cycles=1",
     "2x2 block blur, one pixel narrower and lower per cycle",
     blur2_bytes, Family::noise, "each cycle blurs once more and trims one column and one row"},
    {"-fr", framing, check_framing,
     "c_r=0.1,c_g=c_r,c_b=c_g,bottom=(w+h)/10,left=bottom,top=left,right=left",
     "frame in a solid colour",
     framing_bytes, Family::geometry, "the default border is (w+h)/10 on each side; colour 1.0 is white"},
    {"-t", test_filter, check_test_filter,
     "cycles=1,gain=1.0,radius=3,weight=1.0",
     "test filter: one 2x2 block mean (parameters are only logged)",
     test_filter_bytes, Family::edge, "whatever the numbers, the result is that of -b2 1"},
};

}  // namespace

std::span<const Command> command_table() { return kCommands; }

const char *family_heading(Family family) {
  switch (family) {
    case Family::color: return "colour";
    case Family::noise: return "noise reduction";
    case Family::fringe: return "fringe correction";
    case Family::geometry: return "geometry";
    case Family::edge: return "edge contrast";
    case Family::unchanged: return "accepted, image unchanged";
  }
  return "";
}

const Command *find_command(std::string_view word) {
  for (const Command &command : kCommands) {
    if (word == command.word) return &command;
  }
  return nullptr;
}

}  // namespace photofilter
