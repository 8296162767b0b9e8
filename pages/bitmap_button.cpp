// The controller picture button and the overlays it lights.
#include "pages/pages.h"

#include "nrv/storage/storage.h"
#include "res/resource.h"

#include <istream>

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
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));
    HGLOBAL data = resource ? LoadResource(module, resource) : nullptr;
    const void* bytes = data ? LockResource(data) : nullptr;
    const DWORD size = bytes ? SizeofResource(module, resource) : 0;
    nrv::storage::memory_streambuf buffer(bytes, static_cast<int32_t>(size));
    std::istream stream(&buffer);
    return image.load(stream);
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

const nrv::graphic::image* const* function_overlays() {
    // Loaded by the first controller page and kept until the process ends.
    static const Overlays overlays;
    return overlays.pointers;
}

CMyBitmapButton::~CMyBitmapButton() {
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
    if (m_hWnd) {
        SetWindowPos(m_hWnd, nullptr, 0, 0, m_canvas.width(), m_canvas.height(),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
    }
    return TRUE;
}

void CMyBitmapButton::DrawItem(DRAWITEMSTRUCT* item) {
    if (!item || !m_canvas.bits()) return;
    const int width = m_canvas.width();
    const int height = m_canvas.height();
    StretchDIBits(item->hDC, item->rcItem.left, item->rcItem.top, width, height, 0, 0, width, height,
                  m_canvas.bits(), reinterpret_cast<const BITMAPINFO*>(m_canvas.bitmap_info()),
                  DIB_RGB_COLORS, SRCCOPY);
    draw_focus_mark(*item);
}

void CMyBitmapButton::DrawOverlay(const nrv::graphic::image& overlay, int x, int y) {
    draw_overlay(m_canvas, overlay, x, y);
}

void CMyBitmapButton::ShowLit(uint32_t lit_mask) {
    if (!m_base.bits()) return;
    // From the plain picture each time, so that overlays never pile up; higher slots are
    // drawn over lower ones.
    m_canvas.copy_from(m_base);
    const nrv::graphic::image* const* overlays = function_overlays();
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    const nrv::graphic::colour solid = {GetBValue(highlight), GetGValue(highlight), GetRValue(highlight),
                                        0xFF};
    const bool high_contrast = g_high_contrast_on();
    for (int slot = 0; slot < kFunctionCount; ++slot) {
        if (!(lit_mask >> slot & 1)) continue;
        if (high_contrast)
            draw_overlay(m_canvas, *overlays[slot], kOverlayPlaces[slot].x, kOverlayPlaces[slot].y, &solid);
        else
            DrawOverlay(*overlays[slot], kOverlayPlaces[slot].x, kOverlayPlaces[slot].y);
    }
    if (m_hWnd) InvalidateRect(m_hWnd, nullptr, FALSE);
}
