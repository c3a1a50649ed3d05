#include "rgb_converter.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>

#include <libswscale/swscale.h>
}

#include <cstddef>

namespace vexlo::player {

RgbConverter::~RgbConverter()
{
    sws_freeContext(m_context);
}

std::shared_ptr<const sdk::RgbPicture> RgbConverter::convert(const AVFrame& frame)
{
    const auto format = static_cast<AVPixelFormat>(frame.format);
    if (frame.width <= 0 || frame.height <= 0 || av_pix_fmt_desc_get(format) == nullptr)
        return nullptr;

    m_context = sws_getCachedContext(m_context, frame.width, frame.height, format, frame.width,
                                     frame.height, AV_PIX_FMT_RGB24, SWS_BILINEAR, nullptr, nullptr,
                                     nullptr);
    if (m_context == nullptr)
        return nullptr;

    auto picture = std::make_shared<sdk::RgbPicture>();
    picture->width = frame.width;
    picture->height = frame.height;
    const int stride = frame.width * 3;
    picture->rgb.resize(static_cast<std::size_t>(stride) * static_cast<std::size_t>(frame.height));

    std::uint8_t* planes[4] = {picture->rgb.data(), nullptr, nullptr, nullptr};
    int strides[4] = {stride, 0, 0, 0};
    const int rows =
        sws_scale(m_context, frame.data, frame.linesize, 0, frame.height, planes, strides);
    if (rows != frame.height)
        return nullptr;
    return picture;
}

} // namespace vexlo::player
