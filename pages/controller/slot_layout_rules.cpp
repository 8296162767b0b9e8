// Where a slot button and its picture go, so that neither ever covers the name box beside it.
#include "pages/controller/controller.h"

#include <algorithm>

PixelRect slot_button_rect(const PixelRect& button, const PixelRect& name_box) {
    PixelRect fitted = button;
    // Each length is rounded on its own when dialog units become pixels, so a button that
    // ends where its box begins in the template can end a pixel inside the box on the screen.
    const bool beside = button.top < name_box.bottom && name_box.top < button.bottom;
    if (beside && button.left < name_box.left) fitted.right = std::min(button.right, name_box.left);
    return fitted;
}

PixelRect slot_picture_rect(int side_at_base_dpi, int dpi, const PixelRect& button) {
    const int width = std::max(0, button.right - button.left);
    const int height = std::max(0, button.bottom - button.top);
    const int wanted =
        static_cast<int>((int64_t{side_at_base_dpi} * dpi + kPictureBaseDpi / 2) / kPictureBaseDpi);
    const int side = std::max(0, std::min({wanted, width, height}));
    const int left = button.left + (width - side) / 2;
    const int top = button.top + (height - side) / 2;
    return {left, top, left + side, top + side};
}
