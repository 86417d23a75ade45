#include "driver/command_table.h"

#include <cstdio>

#include "filters/color/color_commands.h"
#include "filters/edge/edge_commands.h"
#include "filters/fringe/fringe_commands.h"
#include "filters/geometry/geometry_commands.h"
#include "filters/noise/noise_commands.h"

namespace photofilter {
namespace {

// "-r": rotation is not available; the image is left as it is.
void rotate(const char *word, Image &) {
  double angle = 0.0;
  std::sscanf(word, "%lf", &angle);
  std::fprintf(stderr, "no rotate sorry %g \n", angle);
}

// "-tnr": accepted for compatibility with older command lines; does nothing.
void accept_unchanged(const char *, Image &) {}

constexpr Command kCommands[] = {
    {"-s", smooth, "cycles,radius,weight", "smooth with the weighted blur (default 1,1,1.0)"},
    {"-bfc", nullptr, "factor,slimit,extent,xyinc",
     "blue fringe correction next to bright highlights"},
    {"-rfc", nullptr, "factor,slimit,extent,xyinc",
     "red fringe correction next to bright highlights"},
    {"-rfc1", nullptr, "factor,slimit,extent,xyinc", "fringe correction, first variant"},
    {"-r", rotate, "angle", "rotation (not available: logs the angle only)"},
    {"-sc", nullptr, "fx,fy,weight", "scale with binning"},
    {"-ssc", nullptr, "fx,fy,weight", "smoothed scaling"},
    {"-cr", nullptr, "x0,y0,x1,y1", "crop"},
    {"-g", nullptr, "gamma_r,gamma_g,gamma_b,max", "colour gamma"},
    {"-cs", nullptr, "f_r,f_g,f_b,n", "colour saturation"},
    {"-cc", nullptr, "v_r,v_g,v_b,max", "colour contrast (S-shaped tone curve)"},
    {"-cg", nullptr, "k_r,k_g,k_b", "colour gain"},
    {"-co", nullptr, "o_r,o_g,o_b", "colour offset (1.0 stands for 255)"},
    {"-comp", nullptr, "factor", "reduce the image by an integer factor (default 2)"},
    {"-spr", nullptr, "mode", "single pixel removal (one mode letter)"},
    {"-snr", nullptr, "cradius,sradius,cnr,snr", "simple noise reduction"},
    {"-tnr", accept_unchanged, "any", "accepted; changes nothing"},
    {"-fnr", nullptr, "average,step_r,step_g,step_b,cycles", "fast noise reduction"},
    {"-nr", nullptr, "cycles,average,contour,weight,max,dither",
     "noise reduction with contour sharpening"},
    {"-cnr", nullptr, "cycles,radius,weight", "colour noise reduction"},
    {"-cd", nullptr, "amplitude", "colour dithering"},
    {"-ec", edge_contrast, "gain,radius,weight,max", "edge contrast (default 1.0,1,1.0,255)"},
    {"-ec1", edge_contrast1, "gain,radius,weight,max", "edge contrast, variant"},
    {"-b2", nullptr, "cycles", "2x2 blur, one pixel smaller per cycle"},
    {"-fr", nullptr, "c_r,c_g,c_b,bottom,left,top,right", "frame in a solid colour"},
    {"-t", nullptr, "cycles,gain,radius,weight", "test filter: one 2x2 block mean"},
};

}  // namespace

std::span<const Command> command_table() { return kCommands; }

const Command *find_command(std::string_view word) {
  for (const Command &command : kCommands) {
    if (word == command.word) return &command;
  }
  return nullptr;
}

}  // namespace photofilter
