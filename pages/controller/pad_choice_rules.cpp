// What a press does while the players choose their pads by pressing them, without windows.
#include "pages/controller/controller.h"

PadChoicePress pad_choice_press(PadFamily family, EntryCode entry) {
    switch (static_cast<PadPlace>(pad_place_of_entry(family, entry.type, entry.code))) {
        case PadPlace::South:
        case PadPlace::East:
        case PadPlace::West:
        case PadPlace::North:
        case PadPlace::Start:
            return PadChoicePress::Take;
        case PadPlace::Back:
            return PadChoicePress::Close;
        default:
            return PadChoicePress::None;
    }
}
