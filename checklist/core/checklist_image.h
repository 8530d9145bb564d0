// Check-box images at the display's DPI: scaled so that their lines stay sharp.
#pragma once

#include <cstdint>
#include <vector>

namespace checklist {

// The two outermost pixels on each side of a check-box image are its sunken frame: one-pixel lines like
// the system's own 3-D edges, which stay two pixels wide at any display scaling.
inline constexpr int32_t kImageFrame = 2;
// No check box is drawn larger than this on either side.
inline constexpr int32_t kMaxImageSide = 1024;

// Scales an image of width x height pixels (rows top-down) to newWidth x newHeight: the frame keeps its
// pixel width and the inside is stretched, each pixel taking the colour of the nearest source pixel, so
// the result holds only the image's own colours and no line blurs. The same size gives the same image.
// Empty when a size is not 1..kMaxImageSide, pixels does not hold width x height, or memory runs out.
std::vector<uint32_t> ScaleCheckImage(const std::vector<uint32_t>& pixels, int32_t width, int32_t height,
                                      int32_t newWidth, int32_t newHeight);

} // namespace checklist
