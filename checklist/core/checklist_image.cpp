// Check-box images at the display's DPI: scaled so that their lines stay sharp.
#include "checklist/core/checklist_image.h"

#include <cstddef>
#include <new>

namespace checklist {

namespace {

bool SideOk(int32_t side) {
    return side >= 1 && side <= kMaxImageSide;
}

// The source column (or row) for target position at along a side of `from` pixels scaled to `to`:
// the frame maps one to one at both ends, the inside to the source pixel nearest its centre.
int32_t SourceIndex(int32_t at, int32_t from, int32_t to) {
    // Too small to keep a frame and an inside on both ends: the nearest pixel throughout.
    if (from <= 2 * kImageFrame || to <= 2 * kImageFrame) return (2 * at + 1) * from / (2 * to);
    if (at < kImageFrame) return at;
    if (at >= to - kImageFrame) return from - (to - at);
    const int32_t inside = from - 2 * kImageFrame;
    const int32_t scaledInside = to - 2 * kImageFrame;
    return kImageFrame + (2 * (at - kImageFrame) + 1) * inside / (2 * scaledInside);
}

} // namespace

std::vector<uint32_t> ScaleCheckImage(const std::vector<uint32_t>& pixels, int32_t width, int32_t height,
                                      int32_t newWidth, int32_t newHeight) {
    if (!SideOk(width) || !SideOk(height) || !SideOk(newWidth) || !SideOk(newHeight)) return {};
    if (pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) return {};
    std::vector<uint32_t> out;
    try {
        out.resize(static_cast<std::size_t>(newWidth) * static_cast<std::size_t>(newHeight));
    } catch (const std::bad_alloc&) {
        return {};
    }
    for (int32_t y = 0; y < newHeight; ++y) {
        const std::size_t from = static_cast<std::size_t>(SourceIndex(y, height, newHeight)) * width;
        for (int32_t x = 0; x < newWidth; ++x)
            out[static_cast<std::size_t>(y) * newWidth + x] = pixels[from + SourceIndex(x, width, newWidth)];
    }
    return out;
}

} // namespace checklist
