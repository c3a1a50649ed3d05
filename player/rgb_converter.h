#pragma once

#include "sdk/backend.h"

#include <memory>

struct AVFrame;
struct SwsContext;

namespace vexlo::player {

// Turns a decoded picture into packed 24-bit RGB, at the picture's own size or
// scaled down for a target that shows it much smaller. The scaling context is
// kept between pictures and rebuilt only when a size or the pixel format
// changes.
class RgbConverter
{
public:
    RgbConverter() = default;
    ~RgbConverter();
    RgbConverter(const RgbConverter&) = delete;
    RgbConverter& operator=(const RgbConverter&) = delete;

    // Nothing when the picture has no usable size or format.
    std::shared_ptr<const sdk::RgbPicture> convert(const AVFrame& frame,
                                                   sdk::PictureBounds bounds = {});

private:
    SwsContext* m_context = nullptr;
};

// Whether a target of `bounds` shows a picture of this size much smaller: the
// picture is at least twice as wide and twice as high. Only then is it worth
// scaling in the player; a little larger, the target's own drawing scales it.
bool showsMuchSmaller(int width, int height, sdk::PictureBounds bounds);

// The size a picture is handed over at for a target of `bounds`: its own, or
// fitted into the bounds with its shape kept when showsMuchSmaller.
sdk::PictureBounds handedSize(int width, int height, sdk::PictureBounds bounds);

} // namespace vexlo::player
