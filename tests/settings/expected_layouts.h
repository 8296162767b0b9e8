// The default layouts and the known-controller patches as the tests expect them, written
// out function by function, independently of the tables of the code under test.
#pragma once

#include <cstdint>
#include <vector>

struct TypeCode {
    uint8_t type;
    uint8_t code;
};

// Per function: the default pad, keyboard and XInput (type, code) and the carried pair.
struct ExpectedDefaultRow {
    TypeCode pad;
    TypeCode keyboard;
    TypeCode xinput;
    TypeCode carried;
};

constexpr ExpectedDefaultRow kExpectedDefaults[24] = {
    {{0, 0}, {0, 17}, {0, 13}, {0, 0}},    // Y face button
    {{0, 1}, {0, 32}, {0, 11}, {0, 1}},    // B face button
    {{0, 2}, {0, 45}, {0, 10}, {0, 2}},    // A face button
    {{0, 3}, {0, 30}, {0, 12}, {0, 3}},    // X face button
    {{0, 4}, {0, 44}, {1, 0}, {0, 4}},     // LT
    {{0, 5}, {0, 46}, {1, 1}, {0, 5}},     // RT
    {{0, 6}, {0, 16}, {0, 8}, {0, 6}},     // LB
    {{0, 7}, {0, 18}, {0, 9}, {0, 7}},     // RB
    {{0, 8}, {0, 47}, {0, 4}, {0, 8}},     // start
    {{0, 9}, {0, 48}, {0, 5}, {0, 9}},     // back
    {{0, 10}, {255, 0}, {0, 6}, {0, 10}},  // left stick press
    {{0, 11}, {255, 0}, {0, 7}, {0, 11}},  // right stick press
    {{8, 0}, {0, 200}, {0, 0}, {0, 12}},   // D-pad up
    {{11, 0}, {0, 205}, {0, 3}, {0, 13}},  // D-pad right
    {{9, 0}, {0, 208}, {0, 1}, {0, 14}},   // D-pad down
    {{10, 0}, {0, 203}, {0, 2}, {0, 15}},  // D-pad left
    {{3, 1}, {255, 0}, {2, 1}, {3, 1}},    // left stick up
    {{2, 1}, {255, 0}, {3, 1}, {2, 1}},    // left stick down
    {{3, 0}, {255, 0}, {3, 0}, {3, 0}},    // left stick left
    {{2, 0}, {255, 0}, {2, 0}, {2, 0}},    // left stick right
    {{3, 3}, {255, 0}, {2, 3}, {3, 3}},    // right stick up
    {{2, 3}, {255, 0}, {3, 3}, {2, 3}},    // right stick down
    {{3, 2}, {255, 0}, {3, 2}, {3, 2}},    // right stick left
    {{2, 2}, {255, 0}, {2, 2}, {2, 2}},    // right stick right
};

// Per function: the (type, code) of known-controller rows 1 to 8.
constexpr TypeCode kExpectedPatches[24][8] = {
    {{0, 0}, {0, 0}, {0, 0}, {0, 1}, {0, 3}, {0, 3}, {0, 2}, {0, 3}},          // Y face button
    {{0, 1}, {0, 1}, {0, 1}, {0, 3}, {0, 2}, {0, 1}, {0, 0}, {0, 1}},          // B face button
    {{0, 2}, {0, 2}, {0, 2}, {0, 2}, {0, 1}, {0, 0}, {0, 1}, {0, 0}},          // A face button
    {{0, 3}, {0, 3}, {0, 3}, {0, 0}, {0, 0}, {0, 2}, {0, 3}, {0, 2}},          // X face button
    {{0, 4}, {0, 4}, {0, 4}, {0, 6}, {0, 6}, {0, 5}, {0, 5}, {2, 4}},          // LT
    {{0, 5}, {0, 5}, {0, 5}, {0, 7}, {0, 7}, {0, 7}, {0, 7}, {3, 4}},          // RT
    {{0, 6}, {0, 6}, {0, 6}, {0, 4}, {0, 4}, {0, 4}, {0, 4}, {0, 4}},          // LB
    {{0, 7}, {0, 7}, {0, 7}, {0, 5}, {0, 5}, {0, 6}, {0, 6}, {0, 5}},          // RB
    {{0, 9}, {0, 9}, {0, 8}, {0, 11}, {0, 9}, {0, 9}, {0, 9}, {0, 7}},         // start
    {{0, 8}, {0, 8}, {0, 9}, {0, 10}, {0, 8}, {0, 8}, {0, 8}, {0, 6}},         // back
    {{0, 10}, {0, 10}, {0, 10}, {0, 8}, {0, 10}, {0, 10}, {0, 10}, {0, 8}},    // left stick press
    {{0, 11}, {0, 11}, {0, 11}, {0, 9}, {0, 11}, {0, 11}, {0, 11}, {0, 9}},    // right stick press
    {{0, 12}, {8, 0}, {8, 0}, {8, 0}, {8, 0}, {8, 0}, {8, 0}, {8, 0}},         // D-pad up
    {{0, 13}, {11, 0}, {11, 0}, {11, 0}, {11, 0}, {11, 0}, {11, 0}, {11, 0}},  // D-pad right
    {{0, 14}, {9, 0}, {9, 0}, {9, 0}, {9, 0}, {9, 0}, {9, 0}, {9, 0}},         // D-pad down
    {{0, 15}, {10, 0}, {10, 0}, {10, 0}, {10, 0}, {10, 0}, {10, 0}, {10, 0}},  // D-pad left
    {{3, 1}, {3, 1}, {3, 1}, {3, 1}, {3, 1}, {3, 1}, {3, 1}, {3, 1}},          // left stick up
    {{2, 1}, {2, 1}, {2, 1}, {2, 1}, {2, 1}, {2, 1}, {2, 1}, {2, 1}},          // left stick down
    {{3, 0}, {3, 0}, {3, 0}, {3, 0}, {3, 0}, {3, 0}, {3, 0}, {3, 0}},          // left stick left
    {{2, 0}, {2, 0}, {2, 0}, {2, 0}, {2, 0}, {2, 0}, {2, 0}, {2, 0}},          // left stick right
    {{3, 2}, {3, 3}, {3, 3}, {3, 3}, {3, 3}, {3, 3}, {3, 3}, {3, 3}},          // right stick up
    {{2, 2}, {2, 3}, {2, 3}, {2, 3}, {2, 3}, {2, 3}, {2, 3}, {2, 3}},          // right stick down
    {{3, 3}, {3, 2}, {3, 2}, {3, 2}, {3, 2}, {3, 2}, {3, 2}, {3, 2}},          // right stick left
    {{2, 3}, {2, 2}, {2, 2}, {2, 2}, {2, 2}, {2, 2}, {2, 2}, {2, 2}},          // right stick right
};

// Per function: the (type, code) of the layouts by place of the pad families: DualShock 4 and
// DualSense, Switch Pro, 8BitDo Pro 2 and SN30 Pro, 8BitDo Ultimate.
enum ExpectedFamilyColumn { kPlayStationColumn, kSwitchProColumn, kEightBitDoColumn, kUltimateColumn };
constexpr TypeCode kExpectedFamilyLayouts[24][4] = {
    {{0, 3}, {0, 3}, {0, 3}, {0, 4}},      // Y face button: north
    {{0, 2}, {0, 1}, {0, 0}, {0, 1}},      // B face button: east
    {{0, 1}, {0, 0}, {0, 1}, {0, 0}},      // A face button: south
    {{0, 0}, {0, 2}, {0, 4}, {0, 3}},      // X face button: west
    {{0, 6}, {0, 6}, {0, 8}, {0, 8}},      // LT: L2, ZL
    {{0, 7}, {0, 7}, {0, 9}, {0, 9}},      // RT: R2, ZR
    {{0, 4}, {0, 4}, {0, 6}, {0, 6}},      // LB: L1, L
    {{0, 5}, {0, 5}, {0, 7}, {0, 7}},      // RB: R1, R
    {{0, 9}, {0, 9}, {0, 11}, {0, 11}},    // start: Options, +, Start
    {{0, 8}, {0, 8}, {0, 10}, {0, 10}},    // back: Share, -, Select
    {{0, 10}, {0, 10}, {0, 13}, {0, 13}},  // left stick press
    {{0, 11}, {0, 11}, {0, 14}, {0, 14}},  // right stick press
    {{8, 0}, {8, 0}, {8, 0}, {8, 0}},      // D-pad up
    {{11, 0}, {11, 0}, {11, 0}, {11, 0}},  // D-pad right
    {{9, 0}, {9, 0}, {9, 0}, {9, 0}},      // D-pad down
    {{10, 0}, {10, 0}, {10, 0}, {10, 0}},  // D-pad left
    {{3, 1}, {3, 1}, {3, 1}, {3, 1}},      // left stick up
    {{2, 1}, {2, 1}, {2, 1}, {2, 1}},      // left stick down
    {{3, 0}, {3, 0}, {3, 0}, {3, 0}},      // left stick left
    {{2, 0}, {2, 0}, {2, 0}, {2, 0}},      // left stick right
    {{3, 5}, {3, 3}, {3, 3}, {3, 3}},      // right stick up: Rz on PlayStation pads
    {{2, 5}, {2, 3}, {2, 3}, {2, 3}},      // right stick down
    {{3, 4}, {3, 2}, {3, 2}, {3, 2}},      // right stick left: Z on PlayStation pads
    {{2, 4}, {2, 2}, {2, 2}, {2, 2}},      // right stick right
};

inline uint32_t expected_entry(TypeCode pair, TypeCode carried) {
    return pair.type | pair.code << 8 | carried.type << 16 | static_cast<uint32_t>(carried.code) << 24;
}

// The 24 entries of the default pad layout patched by known-controller row `row` (0-based;
// -1 for none).
inline std::vector<uint32_t> expected_pad_entries(int row) {
    std::vector<uint32_t> entries;
    for (int slot = 0; slot < 24; ++slot) {
        const TypeCode pair = row >= 0 ? kExpectedPatches[slot][row] : kExpectedDefaults[slot].pad;
        entries.push_back(expected_entry(pair, kExpectedDefaults[slot].carried));
    }
    return entries;
}
