// Saves two different settings records in turn, as fast as it can, until it is killed:
// the reliability test kills it in the middle of a save.
#include "settings/settings.h"

#include <cstring>

namespace {

void fill(uint8_t seed) {
    SettingsRecord& record = settings_record();
    std::memset(&record, seed, sizeof record);
    record.version = kSettingsVersion;
}

}  // namespace

int main() {
    for (unsigned round = 0;; ++round) {
        fill(round % 2 ? 0xB2 : 0xA1);
        save_settings();
    }
}
