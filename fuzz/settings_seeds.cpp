// Writes the settings fuzz target's seeds into the folder given: default records of each
// tier for a 4:3 and a wide desktop, one with XInput and assigned controllers, each
// followed by the machine and device bytes the target reads after the record.
#include "settings/settings.h"

#include <cstdio>
#include <string>

namespace {

bool write_seed(const std::string& path, const uint8_t* tail, size_t tail_size) {
    stamp_settings_header(settings_record());
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(&settings_record(), kSettingsSize, 1, file) == 1 &&
                         std::fwrite(tail, 1, tail_size, file) == tail_size;
    return std::fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const std::string folder = std::string(argv[1]) + "/";
    // Highest tier, desktop 1280 x 1024 or 1680 x 1050, full-screen mask, screen, memory,
    // then a controller of two axes, a hat and four buttons.
    uint8_t tail[] = {2, 0x00, 0x05, 0x00, 0x04, 0xFF, 0xFF, 0x07, 0x00, 0x05, 0x00, 0x04, 0x00, 0x01, 7,
                      0, 1,    7,    6,    6,    6,    6,    0xFF, 3,    2,    5,    1,    'P',  'a',  'd'};
    const int32_t desktops[2][2] = {{1280, 1024}, {1680, 1050}};
    int written = 0;
    for (int tier = 0; tier < 3; ++tier) {
        for (int d = 0; d < 2; ++d) {
            build_default_settings(tier, desktops[d][0], desktops[d][1]);
            tail[0] = static_cast<uint8_t>(tier);
            written += write_seed(folder + "tier" + std::to_string(tier) + "_" + std::to_string(d), tail,
                                  sizeof tail);
        }
    }
    build_default_settings(2, 1920, 1200);
    set_xinput(true);
    set_full_screen(1);
    set_pad_device(1, SettingsGuid{7, 1, 2, {3}}, u"Pad");
    written += write_seed(folder + "xinput", tail, sizeof tail);
    return written == 7 ? 0 : 1;
}
