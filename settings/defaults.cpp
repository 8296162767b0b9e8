#include "settings/settings.h"

#include <cstring>

void build_default_settings(int tier, int32_t desktop_width, int32_t desktop_height) {
    SettingsRecord& record = settings_record();
    std::memset(&record, 0, sizeof record);
    record.screen_width = 640;
    record.screen_height = 480;
    record.quality = tier;
    record.version = kSettingsVersion;
    record.display_flags = 0x0002;
    record.udp_port = 5739;
    record.option_flags = 0x00000006;
    record.full_screen = 1;
    stamp_settings_header(record);
    refresh_keyboard_layout();
}
