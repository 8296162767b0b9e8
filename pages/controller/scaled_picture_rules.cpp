// The controller picture at a scale other than 100 %, kept for that size: the unlit
// picture and the part each lit overlay changes, each scaled once from the pictures drawn
// at 200 %. A redraw copies the one and pastes the others.
#include "pages/controller/controller.h"

#include <algorithm>

namespace {

// The target pixels whose source area meets source pixels [begin, end) when `source_length`
// pixels become `target_length`.
void covering_span(int32_t begin, int32_t end, int32_t source_length, int32_t target_length, int32_t& first,
                   int32_t& last) {
    first = static_cast<int32_t>(int64_t{begin} * target_length / source_length);
    last = static_cast<int32_t>((int64_t{end} * target_length + source_length - 1) / source_length);
    first = std::max(first, 0);
    last = std::min(last, target_length);
}

}  // namespace

bool ScaledPicture::Prepare(const nrv::graphic::image& large_picture,
                            const nrv::graphic::image* const* large_overlays, int large_scale, int32_t width,
                            int32_t height, const nrv::graphic::colour* solid) {
    const bool same_solid = solid ? m_solid && *solid == m_solidColour : !m_solid;
    if (m_base.bits() && m_base.width() == width && m_base.height() == height && same_solid) return true;
    ++m_builds;
    m_solid = solid != nullptr;
    if (solid) m_solidColour = *solid;
    nrv::graphic::image_dib work;
    nrv::graphic::image_dib lit;
    if (!m_base.create(width, height, 32) || !nrv::graphic::resample_area(large_picture, m_base) ||
        !work.create(large_picture.width(), large_picture.height(), 32) || !work.copy_from(large_picture) ||
        !lit.create(width, height, 32)) {
        m_base.release();
        return false;
    }
    for (int slot = 0; slot < kFunctionCount; ++slot) {
        const nrv::graphic::image& overlay = *large_overlays[slot];
        const int32_t x = large_scale * kOverlayPlaces[slot].x;
        const int32_t y = large_scale * kOverlayPlaces[slot].y;
        Part& part = m_parts[slot];
        covering_span(x, x + overlay.width(), work.width(), width, part.left, part.right);
        covering_span(y, y + overlay.height(), work.height(), height, part.top, part.bottom);
        part.pixels.clear();
        part.changed.clear();
        if (part.right <= part.left || part.bottom <= part.top) continue;

        // The picture with this overlay alone drawn on it, scaled where it can differ; then
        // the overlay's box is put back as it was for the next slot.
        draw_overlay(work, overlay, x, y, solid);
        nrv::graphic::resample_area(work, lit, part.left, part.top, part.right, part.bottom);
        for (int32_t row = y; row < y + overlay.height(); ++row)
            for (int32_t column = x; column < x + overlay.width(); ++column)
                work.set_pixel(column, row, large_picture.get_pixel(column, row));

        for (int32_t row = part.top; row < part.bottom; ++row) {
            for (int32_t column = part.left; column < part.right; ++column) {
                const nrv::graphic::colour pixel = lit.get_pixel(column, row);
                part.pixels.push_back(pixel);
                part.changed.push_back(!(pixel == m_base.get_pixel(column, row)));
            }
        }
    }
    return true;
}

bool ScaledPicture::Draw(nrv::graphic::image& shown, uint32_t lit_mask) const {
    if (!m_base.bits() || shown.width() != m_base.width() || shown.height() != m_base.height() ||
        !shown.copy_from(m_base))
        return false;
    // Higher slots over lower ones, as at 100 %.
    for (int slot = 0; slot < kFunctionCount; ++slot) {
        if (!(lit_mask >> slot & 1)) continue;
        const Part& part = m_parts[slot];
        size_t index = 0;
        for (int32_t row = part.top; row < part.bottom; ++row)
            for (int32_t column = part.left; column < part.right; ++column, ++index)
                if (index < part.changed.size() && part.changed[index])
                    shown.set_pixel(column, row, part.pixels[index]);
    }
    return true;
}
