#pragma once

#include "sdk/backend.h"

#include <memory>

struct AVFrame;
struct SwsContext;

namespace vexlo::player {

// Turns a decoded picture into packed 24-bit RGB at the picture's own size.
// The scaling context is kept between pictures and rebuilt only when the size
// or pixel format changes.
class RgbConverter
{
public:
    RgbConverter() = default;
    ~RgbConverter();
    RgbConverter(const RgbConverter&) = delete;
    RgbConverter& operator=(const RgbConverter&) = delete;

    // Nothing when the picture has no usable size or format.
    std::shared_ptr<const sdk::RgbPicture> convert(const AVFrame& frame);

private:
    SwsContext* m_context = nullptr;
};

} // namespace vexlo::player
