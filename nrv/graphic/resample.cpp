// Resampling an image to another size with an area-average (box) filter.
#include "nrv/graphic/graphic.h"

#include <algorithm>
#include <vector>

namespace nrv {
namespace graphic {

namespace {

// How much of source pixel `first + k` lies in one target pixel, along one axis. Lengths
// are in units where a source pixel is `target_length` long and a target pixel
// `source_length`, so every weight is a whole number and a target pixel's weights add up
// to source_length.
struct Span {
    int32_t first;
    std::vector<int64_t> weights;
};

std::vector<Span> spans(int32_t source_length, int32_t target_length) {
    std::vector<Span> result(static_cast<size_t>(target_length));
    for (int32_t t = 0; t < target_length; ++t) {
        const int64_t begin = int64_t{t} * source_length;
        const int64_t end = begin + source_length;
        Span& span = result[static_cast<size_t>(t)];
        span.first = static_cast<int32_t>(begin / target_length);
        for (int64_t s = span.first; s < source_length && s * target_length < end; ++s) {
            const int64_t overlap =
                std::min(end, (s + 1) * target_length) - std::max(begin, s * target_length);
            span.weights.push_back(overlap);
        }
    }
    return result;
}

}  // namespace

bool resample_area(const image& source, image& target) {
    return resample_area(source, target, 0, 0, target.width(), target.height());
}

bool resample_area(const image& source, image& target, int32_t left, int32_t top, int32_t right,
                   int32_t bottom) {
    const int32_t source_width = source.width();
    const int32_t source_height = source.height();
    const int32_t target_width = target.width();
    const int32_t target_height = target.height();
    if (source_width <= 0 || source_height <= 0 || target_width <= 0 || target_height <= 0) return false;
    if (target.bit_count() != 24 && target.bit_count() != 32) return false;
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, target_width);
    bottom = std::min(bottom, target_height);

    const std::vector<Span> columns = spans(source_width, target_width);
    const std::vector<Span> rows = spans(source_height, target_height);
    const int64_t total = int64_t{source_width} * source_height;
    for (int32_t ty = top; ty < bottom; ++ty) {
        const Span& row = rows[static_cast<size_t>(ty)];
        for (int32_t tx = left; tx < right; ++tx) {
            const Span& column = columns[static_cast<size_t>(tx)];
            int64_t red = 0, green = 0, blue = 0;
            for (size_t j = 0; j < row.weights.size(); ++j) {
                const int32_t sy = row.first + static_cast<int32_t>(j);
                for (size_t i = 0; i < column.weights.size(); ++i) {
                    const colour c = source.get_pixel(column.first + static_cast<int32_t>(i), sy);
                    const int64_t weight = row.weights[j] * column.weights[i];
                    red += c.red * weight;
                    green += c.green * weight;
                    blue += c.blue * weight;
                }
            }
            const auto average = [total](int64_t sum) {
                return static_cast<uint8_t>((sum + total / 2) / total);
            };
            target.set_pixel(tx, ty, {average(blue), average(green), average(red), 255});
        }
    }
    return true;
}

}  // namespace graphic
}  // namespace nrv
