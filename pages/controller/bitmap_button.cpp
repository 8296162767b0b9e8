// The controller picture button and the overlays it lights.
#include "pages/controller/internal.h"

#include "nrv/storage/storage.h"
#include "res/resource.h"

#include <cstring>

#include <istream>
#include <string>

namespace {

// The overlay resource of each function slot, in slot order.
constexpr UINT kOverlayIds[kFunctionCount] = {
    IDR_OVERLAY_Y,
    IDR_OVERLAY_B,
    IDR_OVERLAY_A,
    IDR_OVERLAY_X,
    IDR_OVERLAY_LT,
    IDR_OVERLAY_RT,
    IDR_OVERLAY_LB,
    IDR_OVERLAY_RB,
    IDR_OVERLAY_START,
    IDR_OVERLAY_BACK,
    IDR_OVERLAY_LSTICK_PRESS,
    IDR_OVERLAY_RSTICK_PRESS,
    IDR_OVERLAY_DPAD_UP,
    IDR_OVERLAY_DPAD_RIGHT,
    IDR_OVERLAY_DPAD_DOWN,
    IDR_OVERLAY_DPAD_LEFT,
    IDR_OVERLAY_LSTICK_UP,
    IDR_OVERLAY_LSTICK_DOWN,
    IDR_OVERLAY_LSTICK_LEFT,
    IDR_OVERLAY_LSTICK_RIGHT,
    IDR_OVERLAY_RSTICK_UP,
    IDR_OVERLAY_RSTICK_DOWN,
    IDR_OVERLAY_RSTICK_LEFT,
    IDR_OVERLAY_RSTICK_RIGHT,
};

// Reads a BMP held as an RCDATA resource of the program. A missing resource reads as an
// empty stream, which leaves the image empty.
bool load_picture_resource(nrv::graphic::image_dib& image, UINT id) {
    DWORD size = 0;
    const void* bytes = resource_bytes(id, RT_RCDATA, size);
    nrv::storage::memory_streambuf buffer(bytes, static_cast<int32_t>(size));
    std::istream stream(&buffer);
    return image.load(stream);
}

// Reads a BITMAP resource of the program: the bytes of a BMP file without its 14-byte file
// header, which is put back in front so that the image code can read it.
bool load_bitmap_resource(nrv::graphic::image_dib& image, UINT id) {
    DWORD size = 0;
    const auto* bytes = static_cast<const char*>(resource_bytes(id, RT_BITMAP, size));
    constexpr uint32_t kFileHeaderSize = 14;
    constexpr uint32_t kPaletteEntrySize = 4;
    if (size < sizeof(nrv::graphic::bitmap_info_header)) return false;
    nrv::graphic::bitmap_info_header info;
    std::memcpy(&info, bytes, sizeof info);
    const uint32_t palette_entries =
        info.biClrUsed ? info.biClrUsed : (info.biBitCount <= 8 ? 1u << info.biBitCount : 0);
    const uint32_t file_size = kFileHeaderSize + size;
    const uint32_t pixel_offset = kFileHeaderSize + info.biSize + palette_entries * kPaletteEntrySize;
    std::string file(kFileHeaderSize, '\0');
    file[0] = 'B';
    file[1] = 'M';
    std::memcpy(&file[2], &file_size, 4);
    std::memcpy(&file[10], &pixel_offset, 4);
    file.append(bytes, size);
    nrv::storage::memory_streambuf buffer(file.data(), static_cast<int32_t>(file.size()));
    std::istream stream(&buffer);
    return image.load(stream);
}

// A DIB section holding the image's pixels; null when it cannot be made.
HBITMAP bitmap_of(const nrv::graphic::image_dib& image) {
    const auto* info = reinterpret_cast<const BITMAPINFO*>(image.bitmap_info());
    if (!info || !image.bits()) return nullptr;
    void* pixels = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    if (bitmap && pixels) std::memcpy(pixels, image.bits(), size_t{image.stride()} * image.height());
    return bitmap;
}

// The pictures drawn at 200 %: the controller picture, then the overlays and the slot
// bitmaps in slot order. Read from their compressed resource once; when it is missing or
// damaged, `loaded` stays false and the pictures of 100 % are scaled instead.
constexpr int kLargeScale = 2;
constexpr size_t kLargePicturesLimit = 4u << 20;

struct LargePictures {
    LargePictures() {
        DWORD size = 0;
        const void* bytes = resource_bytes(IDR_PICTURES_2X, RT_RCDATA, size);
        std::vector<uint8_t> files;
        loaded = bytes && nrv::storage::inflate_zlib(bytes, size, kLargePicturesLimit, files) &&
                 nrv::graphic::load_bmp_sequence(files.data(), files.size(), images, kCount);
        for (int slot = 0; slot < kFunctionCount; ++slot) overlays[slot] = &images[1 + slot];
    }
    const nrv::graphic::image_dib& controller() const { return images[0]; }
    const nrv::graphic::image_dib& slot_bitmap(int slot) const { return images[1 + kFunctionCount + slot]; }

    static constexpr int kCount = 1 + 2 * kFunctionCount;
    nrv::graphic::image_dib images[kCount];
    const nrv::graphic::image* overlays[kFunctionCount];
    bool loaded = false;
};

const LargePictures& large_pictures() {
    static const LargePictures pictures;
    return pictures;
}

struct Overlays {
    Overlays() {
        for (int slot = 0; slot < kFunctionCount; ++slot) {
            load_picture_resource(images[slot], kOverlayIds[slot]);
            pointers[slot] = &images[slot];
        }
    }
    nrv::graphic::image_dib images[kFunctionCount];
    const nrv::graphic::image* pointers[kFunctionCount];
};

}  // namespace

HBITMAP slot_bitmap(int slot, UINT id, int side) {
    if (side <= 0) return nullptr;
    nrv::graphic::image_dib picture;
    if (!load_bitmap_resource(picture, id)) return nullptr;
    if (picture.width() == side && picture.height() == side)
        return LoadBitmapW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id));
    nrv::graphic::image_dib scaled;
    if (!scaled.create(side, side, 32)) return nullptr;
    const LargePictures& large = large_pictures();
    const bool use_large = large.loaded && slot >= 0 && slot < kFunctionCount;
    if (!nrv::graphic::resample_area(use_large ? large.slot_bitmap(slot) : picture, scaled)) return nullptr;
    return bitmap_of(scaled);
}

PixelRect child_rect(HWND parent, HWND child) {
    RECT rect = {};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return {rect.left, rect.top, rect.right, rect.bottom};
}

const nrv::graphic::image* const* function_overlays() {
    // Loaded by the first controller page and kept until the process ends.
    static const Overlays overlays;
    return overlays.pointers;
}

CMyBitmapButton::~CMyBitmapButton() {
    m_shown.release();
    m_canvas.release();
    m_base.release();
}

BOOL CMyBitmapButton::LoadPicture() {
    if (!load_picture_resource(m_base, IDR_CONTROLLER_PICTURE) ||
        !m_canvas.create(m_base.width(), m_base.height(), 32)) {
        m_base.release();
        m_canvas.release();
        return FALSE;
    }
    m_canvas.copy_from(m_base);
    SetDpi(m_dpi);
    return TRUE;
}

void CMyBitmapButton::SetDpi(int dpi) {
    m_dpi = dpi;
    if (!m_canvas.bits()) return;
    RenderShown();
    if (m_hWnd) {
        const nrv::graphic::image_dib& shown = Shown();
        SetWindowPos(m_hWnd, nullptr, 0, 0, shown.width(), shown.height(),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
        InvalidateRect(m_hWnd, nullptr, FALSE);
    }
}

POINT CMyBitmapButton::ToPicture(POINT drawn) const {
    const nrv::graphic::image_dib& shown = Shown();
    if (!shown.bits()) return drawn;
    return {picture_coordinate(drawn.x, m_canvas.width(), shown.width()),
            picture_coordinate(drawn.y, m_canvas.height(), shown.height())};
}

const nrv::graphic::image_dib& CMyBitmapButton::Shown() const {
    return m_shown.bits() ? m_shown : m_canvas;
}

void CMyBitmapButton::RenderShown() {
    // At 100 % the canvas is drawn as it is; at any other scale a copy of the drawn size,
    // made again whenever the canvas changes.
    const int width = scale_to_dpi(m_canvas.width(), m_dpi);
    const int height = scale_to_dpi(m_canvas.height(), m_dpi);
    if (width == m_canvas.width() && height == m_canvas.height()) {
        m_shown.release();
        return;
    }
    if ((m_shown.width() != width || m_shown.height() != height || !m_shown.bits()) &&
        !m_shown.create(width, height, 32)) {
        m_shown.release();
        return;
    }
    // From the pictures drawn at 200 % where there are, kept scaled until the size or the
    // lit colour changes, so that they stay sharp; otherwise up from the canvas.
    const LargePictures& large = large_pictures();
    nrv::graphic::colour solid;
    const bool large_fits = large.loaded && large.controller().width() == kLargeScale * m_canvas.width() &&
                            large.controller().height() == kLargeScale * m_canvas.height();
    if (large_fits &&
        m_scaled.Prepare(large.controller(), large.overlays, kLargeScale, width, height, LitColour(solid)) &&
        m_scaled.Draw(m_shown, m_litMask))
        return;
    nrv::graphic::resample_area(m_canvas, m_shown);
}

// With a high-contrast theme on, lit parts are drawn whole in the selection colour, so that
// they stand apart from the unlit picture whatever its colours; otherwise as they are.
const nrv::graphic::colour* CMyBitmapButton::LitColour(nrv::graphic::colour& solid) {
    if (!g_high_contrast_on()) return nullptr;
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    solid = {GetBValue(highlight), GetGValue(highlight), GetRValue(highlight), 0xFF};
    return &solid;
}

void CMyBitmapButton::DrawItem(DRAWITEMSTRUCT* item) {
    const nrv::graphic::image_dib& shown = Shown();
    if (!item || !shown.bits()) return;
    const int width = shown.width();
    const int height = shown.height();
    StretchDIBits(item->hDC, item->rcItem.left, item->rcItem.top, width, height, 0, 0, width, height,
                  shown.bits(), reinterpret_cast<const BITMAPINFO*>(shown.bitmap_info()), DIB_RGB_COLORS,
                  SRCCOPY);
    draw_focus_mark(*item);
}

void CMyBitmapButton::DrawOverlay(const nrv::graphic::image& overlay, int x, int y) {
    draw_overlay(m_canvas, overlay, x, y);
}

void CMyBitmapButton::ShowLit(uint32_t lit_mask) {
    if (!m_base.bits()) return;
    m_litMask = lit_mask;
    nrv::graphic::colour solid;
    draw_lit_picture(m_canvas, m_base, function_overlays(), lit_mask, 1, LitColour(solid));
    RenderShown();
    if (m_hWnd) InvalidateRect(m_hWnd, nullptr, FALSE);
}
