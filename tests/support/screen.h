// What the screen shows, read back in tests to look at what a window drew.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace test_support {

// The pixels the screen shows in rect, rows from the top, each 0x00RRGGBB.
inline std::vector<uint32_t> screen_pixels(const RECT& rect) {
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return {};
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, previous);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    GetDIBits(memory, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    // The system may leave an alpha value in the top byte (Wine does where a window drew
    // an icon with one); only the colour is what the screen shows.
    for (uint32_t& pixel : pixels) pixel &= 0x00FFFFFF;
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// The pixels of a window as the screen shows it.
inline std::vector<uint32_t> screen_pixels(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return screen_pixels(rect);
}

}  // namespace test_support
