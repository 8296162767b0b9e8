// The pictures as the program's module carries them: each id names a resource of the
// right type that loads at its size.
#include "nrv/graphic/graphic.h"
#include "res/resource.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <istream>
#include <string>

namespace {

bool load_rcdata(nrv::graphic::image_dib& image, int id) {
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));  // RT_RCDATA
    if (!found) return false;
    const void* bytes = LockResource(LoadResource(nullptr, found));
    nrv::storage::memory_streambuf buffer(bytes, int32_t(SizeofResource(nullptr, found)));
    std::istream in(&buffer);
    return image.load(in);
}

TEST(PictureResources, PictureAndOverlaysLoadAtTheirSizes) {
    nrv::graphic::image_dib picture;
    ASSERT_TRUE(load_rcdata(picture, IDR_CONTROLLER_PICTURE));
    EXPECT_EQ(picture.width(), 256);
    EXPECT_EQ(picture.height(), 256);

    const int sizes[24][3] = {
        {IDR_OVERLAY_LB, 52, 27},
        {IDR_OVERLAY_START, 24, 24},
        {IDR_OVERLAY_A, 24, 24},
        {IDR_OVERLAY_Y, 24, 24},
        {IDR_OVERLAY_X, 24, 24},
        {IDR_OVERLAY_DPAD_DOWN, 16, 16},
        {IDR_OVERLAY_DPAD_LEFT, 16, 16},
        {IDR_OVERLAY_DPAD_UP, 16, 16},
        {IDR_OVERLAY_DPAD_RIGHT, 16, 16},
        {IDR_OVERLAY_RSTICK_RIGHT, 16, 16},
        {IDR_OVERLAY_RSTICK_LEFT, 16, 16},
        {IDR_OVERLAY_B, 24, 24},
        {IDR_OVERLAY_RSTICK_UP, 16, 16},
        {IDR_OVERLAY_RSTICK_DOWN, 16, 16},
        {IDR_OVERLAY_LSTICK_LEFT, 16, 16},
        {IDR_OVERLAY_LSTICK_UP, 16, 16},
        {IDR_OVERLAY_LSTICK_DOWN, 16, 16},
        {IDR_OVERLAY_LSTICK_RIGHT, 16, 16},
        {IDR_OVERLAY_LSTICK_PRESS, 38, 38},
        {IDR_OVERLAY_RB, 52, 26},
        {IDR_OVERLAY_RT, 28, 28},
        {IDR_OVERLAY_RSTICK_PRESS, 38, 38},
        {IDR_OVERLAY_BACK, 24, 24},
        {IDR_OVERLAY_LT, 28, 28},
    };
    for (int i = 0; i < 24; ++i) {
        ASSERT_EQ(sizes[i][0], IDR_OVERLAY_FIRST + i);
        nrv::graphic::image_dib overlay;
        ASSERT_TRUE(load_rcdata(overlay, sizes[i][0])) << sizes[i][0];
        EXPECT_EQ(overlay.width(), sizes[i][1]) << sizes[i][0];
        EXPECT_EQ(overlay.height(), sizes[i][2]) << sizes[i][0];
        EXPECT_EQ(overlay.bit_count(), 8) << sizes[i][0];
    }
}

TEST(PictureResources, SlotBitmapsAreTwentyByTwentyAtEightBits) {
    for (int id = IDB_SLOT_LB; id <= IDB_SLOT_LT; ++id) {
        if (id == IDB_SLOT_LB + 1) continue;  // 134 is not a slot bitmap
        HANDLE bitmap = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0,
                                   LR_CREATEDIBSECTION);
        ASSERT_NE(bitmap, nullptr) << id;
        DIBSECTION section{};
        ASSERT_EQ(GetObjectW(bitmap, sizeof section, &section), int(sizeof section)) << id;
        EXPECT_EQ(section.dsBmih.biWidth, 20) << id;
        EXPECT_EQ(section.dsBmih.biHeight, 20) << id;
        EXPECT_EQ(section.dsBmih.biBitCount, 8) << id;
        DeleteObject(bitmap);
    }
}

}  // namespace

namespace {

std::string own_manifest() {
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
    if (!found) return {};
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(nullptr, found)));
    return std::string(bytes, SizeofResource(nullptr, found));
}

}  // namespace

// The manifest names this build's own width, and common controls the loader can bind at it.
TEST(ManifestResource, NamesTheProgramsOwnArchitecture) {
    const std::string manifest = own_manifest();
#ifdef _WIN64
    const char* own = "processorArchitecture=\"amd64\" name=\"Kestrane.Calcora.Settings\"";
    const char* controls = "processorArchitecture=\"*\" publicKeyToken";
#else
    const char* own = "processorArchitecture=\"x86\" name=\"Kestrane.Calcora.Settings\"";
    const char* controls = "processorArchitecture=\"x86\" publicKeyToken";
#endif
    EXPECT_NE(manifest.find(own), std::string::npos) << manifest;
    EXPECT_NE(manifest.find(controls), std::string::npos) << manifest;
}
