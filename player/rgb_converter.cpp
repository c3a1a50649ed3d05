#include "rgb_converter.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>

#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace vexlo::player {

RgbConverter::~RgbConverter()
{
    sws_freeContext(m_context);
}

bool showsMuchSmaller(int width, int height, sdk::PictureBounds bounds)
{
    return bounds.width > 0 && bounds.height > 0 && width >= 2 * bounds.width &&
           height >= 2 * bounds.height;
}

sdk::PictureBounds handedSize(int width, int height, sdk::PictureBounds bounds)
{
    if (!showsMuchSmaller(width, height, bounds))
        return {width, height};
    const double scale = std::min(static_cast<double>(bounds.width) / width,
                                  static_cast<double>(bounds.height) / height);
    return {std::max(1, static_cast<int>(std::lround(width * scale))),
            std::max(1, static_cast<int>(std::lround(height * scale)))};
}

std::shared_ptr<const sdk::RgbPicture> RgbConverter::convert(const AVFrame& frame,
                                                             sdk::PictureBounds bounds)
{
    const auto format = static_cast<AVPixelFormat>(frame.format);
    if (frame.width <= 0 || frame.height <= 0 || av_pix_fmt_desc_get(format) == nullptr)
        return nullptr;
    const sdk::PictureBounds size = handedSize(frame.width, frame.height, bounds);

    m_context =
        sws_getCachedContext(m_context, frame.width, frame.height, format, size.width, size.height,
                             AV_PIX_FMT_RGB24, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (m_context == nullptr)
        return nullptr;

    auto picture = std::make_shared<sdk::RgbPicture>();
    picture->width = size.width;
    picture->height = size.height;
    const int stride = size.width * 3;
    picture->rgb.resize(static_cast<std::size_t>(stride) * static_cast<std::size_t>(size.height));

    std::uint8_t* planes[4] = {picture->rgb.data(), nullptr, nullptr, nullptr};
    int strides[4] = {stride, 0, 0, 0};
    const int rows =
        sws_scale(m_context, frame.data, frame.linesize, 0, frame.height, planes, strides);
    if (rows != size.height)
        return nullptr;
    return picture;
}

} // namespace vexlo::player
