// The Keyboard and Controller pages: the page class, the slot and picture buttons it is
// made of, the hot-plug handling of the sheet, and the run's input manager. The rules at the
// top are plain code over values, built natively too; the rest needs Windows. What only the
// files of this folder share is in internal.h.
#pragma once

#include "nrv/graphic/graphic.h"
#include "nrv/peripheral/core/controls.h"
#include "settings/settings.h"

#include <cstdint>
#include <string>
#include <vector>

// --- Controller page rules ----------------------------------------------------------------
// How device buttons become assignment entries, which functions the picture lights and
// what the capture dialog takes as a press. The page applies them to devices and windows.

constexpr int kFunctionCount = 24;  // assignment slots, one per game function
constexpr uint8_t kUnassignedType = 255;
constexpr uint8_t kNothingCaptured = 255;

// What a device button is stored as: bytes 0 and 1 of an assignment entry. The carried
// pair (bytes 2 and 3) never takes part in matching.
struct EntryCode {
    uint8_t type;
    uint8_t code;
};
inline bool operator==(EntryCode a, EntryCode b) {
    return a.type == b.type && a.code == b.code;
}
inline EntryCode entry_code_of(uint32_t entry) {
    return {static_cast<uint8_t>(entry & 0xFF), static_cast<uint8_t>(entry >> 8 & 0xFF)};
}

// Axes in the order their ordinals count: an axis's ordinal is the number of axes before
// it in this order that the device has.
enum AxisOrder {
    axis_x,
    axis_y,
    axis_rx,
    axis_ry,
    axis_slider0,
    axis_slider1,
    axis_z,
    axis_rz,
    kAxisOrderCount
};
// The joystick-state offset of each axis, in that order.
constexpr uint32_t kAxisStateOffsets[kAxisOrderCount] = {0, 4, 12, 16, 24, 28, 8, 20};
// Bit a set: the device has axis a (AxisOrder).
using AxisPresence = uint8_t;
constexpr AxisPresence kAllAxesPresent = 0xFF;

int axis_ordinal(AxisPresence present, int axis);
// The entry for a logical button of control kind `kind` and instance number `instance`;
// false for control kind 0, kinds no entry exists for, and out-of-range instances.
bool entry_for_control(int kind, int instance, AxisPresence present, EntryCode& entry);
// The lowest slot s, start <= s < 24, whose entry matches; -1 when none does.
int slot_for_entry(const uint32_t* entries, EntryCode entry, int start);
// Gives the slot the entry and takes it from every slot that held it, which become
// unassigned. Carried pairs stay as they are.
void assign_entry(uint32_t* entries, int slot, EntryCode entry);
// The first slot other than `slot` that holds the entry: the one assigning it to `slot`
// takes it from; -1 when none does.
int slot_taken_from(const uint32_t* entries, EntryCode entry, int slot);

// Where each slot's overlay is drawn on the controller picture, in picture pixels.
struct PicturePlace {
    int x;
    int y;
};
extern const PicturePlace kOverlayPlaces[kFunctionCount];
// The highest-numbered slot whose overlay is opaque (green below 250) at picture point
// (x, y), strictly inside its box; -1 when none. `overlays` holds 24 images.
int hovered_slot(const nrv::graphic::image* const* overlays, int x, int y);
// Draws the overlay's pixels whose green is below 254 (green 254 and 255 are its colour
// key) into the canvas at (x, y); all in the `solid` colour when one is given (high contrast).
void draw_overlay(nrv::graphic::image& canvas, const nrv::graphic::image& overlay, int x, int y,
                  const nrv::graphic::colour* solid = nullptr);
// A coordinate on the picture as drawn, `drawn_length` pixels long, as a coordinate on the
// picture itself, `picture_length` pixels long: what the mouse points at.
int picture_coordinate(int drawn, int picture_length, int drawn_length);
// Copies the picture into the canvas and draws on it the overlays of the slots in the mask,
// higher slots over lower ones, in the `solid` colour when one is given. Picture and overlays
// are drawn `scale` times as large as the places above (2 for the pictures drawn at 200 %).
// False when the copy fails.
bool draw_lit_picture(nrv::graphic::image& canvas, const nrv::graphic::image& picture,
                      const nrv::graphic::image* const* overlays, uint32_t lit_mask, int scale,
                      const nrv::graphic::colour* solid = nullptr);

// A rectangle in pixels, right and bottom exclusive.
struct PixelRect {
    int left;
    int top;
    int right;
    int bottom;
};
// The DPI the slot pictures' sizes are given for.
constexpr int kPictureBaseDpi = 96;
// A slot button's rectangle as laid out (`button`), ended where its name box begins should
// the two meet on a row: the button never covers the box.
PixelRect slot_button_rect(const PixelRect& button, const PixelRect& name_box);
// Where a slot button draws its square picture, `side_at_base_dpi` pixels at 96 DPI: at its
// size at `dpi`, made smaller where the button is smaller, centred in the button.
PixelRect slot_picture_rect(int side_at_base_dpi, int dpi, const PixelRect& button);

// The lit controller picture at one size other than its own, kept for that size: the
// unlit picture and the part each slot's lit overlay changes are scaled once from the
// pictures drawn at `large_scale` times the picture's size, so that a redraw copies and
// pastes instead of scaling the whole picture again.
class ScaledPicture {
public:
    // Makes the kept pictures for this size and lit colour (see draw_lit_picture) unless
    // they are made already. False when the pictures cannot be used.
    bool Prepare(const nrv::graphic::image& large_picture, const nrv::graphic::image* const* large_overlays,
                 int large_scale, int32_t width, int32_t height, const nrv::graphic::colour* solid);
    // Draws the picture with the slots in the mask lit into `shown`, of the prepared size.
    // Each lit part is as the whole lit picture scaled shows it, except where two lit parts
    // meet, where the higher slot's wins.
    bool Draw(nrv::graphic::image& shown, uint32_t lit_mask) const;
    // How many times the pictures were made.
    int Builds() const { return m_builds; }

private:
    struct Part {
        int32_t left = 0, top = 0, right = 0, bottom = 0;
        std::vector<nrv::graphic::colour> pixels;  // row by row
        std::vector<bool> changed;                 // the pixels the overlay changes
    };
    nrv::graphic::image_dib m_base;
    Part m_parts[kFunctionCount];
    bool m_solid = false;
    nrv::graphic::colour m_solidColour = {};
    int m_builds = 0;
};

// The lowest button below `count` that went down since the reader last looked and that a
// capture of the device kind takes, or kNothingCaptured. Every press since is taken, so
// that one the capture passes over (Escape on a keyboard) is not taken later.
uint8_t take_new_press(nrv::peripheral::press_reader& reader, const nrv::peripheral::press_log& log,
                       int count, int device_kind);
// Keys a keyboard capture ignores: Escape, Return, the lock keys, Kana, Kanji, keypad
// Enter, Space and the Windows keys. Game controllers have no excluded buttons.
bool is_capture_excluded(int device_kind, uint8_t button);

// How a stored entry is named while its pad is not connected: one pattern per kind, "%d"
// standing for the number (buttons and axes counted from 1) and "%s" for the axis half's
// sign or the hat direction's arrow.
struct KeptEntryPatterns {
    std::u16string button;
    std::u16string axis_half;
    std::u16string hat_direction;
};
// The entry's name by its kind's pattern; empty for an unassigned entry or another type.
std::u16string kept_entry_name(uint32_t entry, const KeptEntryPatterns& patterns);

// XInput needs Windows XP (5.1) or later.
bool xinput_supported(unsigned major_version, unsigned minor_version);

// What a press on a game controller does while the players choose their pads by pressing
// them: a face button or Start (by where it sits on a pad of the family, whatever is printed
// on it) takes the pad, Back closes the choice, any other control does nothing.
enum class PadChoicePress { None, Take, Close };
PadChoicePress pad_choice_press(PadFamily family, EntryCode entry);

#ifdef _WIN32
#include "framework/framework.h"
#include "nrv/peripheral/peripheral.h"
#include "pages/pages.h"

// Whether a high-contrast theme is on: the system's answer unless a test puts its own in.
// What the tool draws itself then uses the system colours.
using HighContrastQuery = bool (*)();
extern HighContrastQuery g_high_contrast_on;

// Sent to the shown page: undo its last change of a layout (a capture, a clear, Default
// settings). Pages without layouts ignore it.
constexpr UINT kUndoMessage = WM_APP + 4;

// --- a device's buttons and the entries they are stored as ----------------------------------

// The family of the device's pads, by its name, path and ids.
PadFamily device_family(const nrv::peripheral::input_device_dx8& device);
// What a device's logical button is stored as; false when it is stored as nothing.
bool entry_for_button(const nrv::peripheral::input_device_dx8& device, uint8_t button, EntryCode& entry);
// The lowest logical button stored as the entry's type and code; -1 when none is.
int button_for_entry(const nrv::peripheral::input_device_dx8& device, uint32_t entry);
// The lowest slot from `start` on whose entry is the button's; -1 when none is.
int slot_for_button(const nrv::peripheral::input_device_dx8& device, uint8_t button, int start,
                    const uint32_t* entries);

// The 24 overlays of the controller picture, one per function slot, loaded from the
// program's resources once and kept for the run. Missing ones are empty images.
const nrv::graphic::image* const* function_overlays();

// The controller picture: a 256 x 256 picture whose lit functions' overlays are drawn on a
// 32-bit canvas, shown at the window's DPI (256 pixels at 96 DPI, 384 at 144).
class CMyBitmapButton : public CBitmapButton {
public:
    ~CMyBitmapButton() override;
    // Loads the picture and sizes the control to it at the DPI last set. False when the
    // picture is missing; the control then keeps its size and shows nothing.
    BOOL LoadPicture();
    // Shows the picture at this DPI and sizes the control to it.
    void SetDpi(int dpi);
    void DrawItem(DRAWITEMSTRUCT* item) override;
    // Rebuilds the canvas with the overlays of the slots in the mask lit; with a high-contrast
    // theme on, lit parts are drawn in the selection colour.
    void ShowLit(uint32_t lit_mask);
    void DrawOverlay(const nrv::graphic::image& overlay, int x, int y);
    // A point of the drawn picture (client pixels) in picture pixels.
    POINT ToPicture(POINT drawn) const;

private:
    const nrv::graphic::image_dib& Shown() const;
    void RenderShown();
    // The colour lit parts are drawn in (high contrast), kept in `solid`; null for their own.
    static const nrv::graphic::colour* LitColour(nrv::graphic::colour& solid);

    nrv::graphic::image_dib m_base;
    nrv::graphic::image_dib m_canvas;
    ScaledPicture m_scaled;           // the pictures at the drawn size, above 100 % only
    nrv::graphic::image_dib m_shown;  // the picture at the drawn size; empty at 100 %
    uint32_t m_litMask = 0;
    int m_dpi = kBaseDpi;
};

// Where a context menu asked for with WM_CONTEXTMENU's `position` opens: there, or under
// the control (screen rectangle) when it was asked for from the keyboard.
POINT context_menu_point(LPARAM position, const RECT& control);

// A function slot's picture button. Enter opens the capture dialog as a click does; Delete,
// Backspace and "Clear" of its right-click menu ask the page to empty the slot. Its window
// text, never drawn, names the function for screen readers, and its accessible value is the
// text of its name box.
class CSlotButton : public CBitmapButton {
public:
    void SetSlot(int slot, HWND name_box) {
        m_slot = slot;
        m_nameBox = name_box;
    }
    HWND NameBox() const { return m_nameBox; }
    // The size of the picture it draws; 0 x 0 without one.
    SIZE PictureSize() const;
    void DrawItem(DRAWITEMSTRUCT* item) override;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void ShowContextMenu(LPARAM position);
    // The picture in the middle of the button; it was made to fit.
    void DrawPictureCentred(const DRAWITEMSTRUCT& item) const;
    int m_slot = -1;
    HWND m_nameBox = nullptr;
};

// The Keyboard page (index 0, controller slot 0) and the Controller page (index 1, slots
// 1 to 4 chosen in its player combo): the device of the slot, the DirectInput or XInput
// mode, the 24 function assignments and the lit controller picture. Edits go into the
// settings record at once.
class ButtonPage : public CPropertyPage {
public:
    ButtonPage(int index, UINT title_string);
    ~ButtonPage() override;
    // The run's input, whose devices the page lists; without it the page lists none.
    void SetInput(nrv::peripheral::run_input* input) { m_input = input; }

    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
    BOOL OnKillActive() override;
    void OnOK() override;
    // Sizes the slot buttons and the picture, and scales their pictures, for this DPI.
    void OnDpiChanged(int dpi) override;

    int Player() const { return m_player; }
    // Slots drawn lit at the last picture change, and the slot under the mouse.
    uint32_t LitMask() const { return m_litMask; }
    int HoverSlot() const { return m_hoverSlot; }
    const CSlotButton& SlotButton(int slot) const { return m_slotButtons[slot]; }

    DECLARE_MESSAGE_MAP()

protected:
    // The running Windows version; false when it cannot be read.
    virtual bool ReadWindowsVersion(DWORD& major, DWORD& minor) const;

private:
    // Lists the slot's devices, enumerating them first unless that was just done.
    void FillPage(int slot, bool enumerate = true);
    // Adds a device to the device combo and the list; the entry's index, or negative.
    LRESULT AddDeviceEntry(const std::wstring& name, const GUID& device);
    void ShowAssignments();
    void OnSelchangeDevice();
    LRESULT AddAbsentPadEntry();
    bool IsAbsentPadEntry(LRESULT entry) const;
    void ShowKeptEntries();
    bool TakeOverKeptLayout();
    void KeepSlotsBeforeXInput();
    bool RestoreSlotsBeforeXInput();
    LRESULT OnDevicesChanged(WPARAM, LPARAM);
    bool IsListOpen();
    void OnListClosed();
    void EnableSlotControls(bool enable);
    void EnableModeControls(bool enable);
    nrv::peripheral::input_device_dx8* ShownDevice() const;

    void OnSelchangePlayer();
    void OnDirectInput();
    void OnXInput();
    void OnSlotButton(UINT id);
    void OnSlotClicked(int slot);
    void OnPictureClicked();
    void OnDefaultSettings();
    LRESULT OnTimer(WPARAM, LPARAM);
    LRESULT OnHelpRequest(WPARAM, LPARAM);
    void LightPicture();
    uint32_t PartsToLight();
    // Keeps the slot's button off its name box and makes its picture fit the button.
    void FitSlotButton(int slot, int drawn_dpi);

    // Keeps the player's layout as it is before a change, for OnUndo; for a change of
    // devices, the player's device as well, and `other`'s slot too when it is not 0 (a swap).
    void RememberForUndo(bool devices = false, unsigned other = 0);
    LRESULT OnUndo(WPARAM, LPARAM);

    // Each player in turn chooses a pad by pressing a button on it (pad_choice_dlg.cpp).
    void OnChoosePads();
    // Gives the player the pad as choosing it in the device list does; a pad another player
    // holds is swapped with the player's, layouts and all. False when the pad is not listed.
    bool TakePad(int player, const GUID& pad);
    bool AnyPadAttached() const;

    // Screen reader names, the steal note and the slot-clearing keys (button_access.cpp).
    void SetUpAccess();
    LRESULT OnClearSlotRequest(WPARAM, LPARAM);
    void ClearSlot(int slot);
    // Says under the picture which input `to` took from slot `from` and flashes from's
    // name box; with `from` negative, clears the note, or says that game controllers are
    // still being looked for while they are.
    void ShowTakenNote(int from, int to);
    // Says under the picture that the two players swapped pads.
    void ShowSwapNote(int first, int second);
    void FlashTick();
    void StopFlashing();
    LRESULT OnControlColour(WPARAM, LPARAM);
    void OnControllerSettings();

    CBitmap m_slotBitmaps[kFunctionCount];
    nrv::peripheral::run_input* m_input = nullptr;
    HWND m_watching = nullptr;  // the page window the run's input tells of changed devices
    int m_player;
    GUID m_device = {};
    std::vector<GUID> m_deviceList;
    CSlotButton m_slotButtons[kFunctionCount];
    CMyBitmapButton m_picture;
    uint32_t m_litMask = 0;
    bool m_litInHighContrast = false;  // how the lit parts were drawn
    int m_hoverSlot = -1;
    bool m_capturing = false;
    bool m_active = false;         // between OnSetActive and OnKillActive
    bool m_refillPending = false;  // devices changed while the capture dialog or a list was open
    PageHelp m_help;
    int m_flashSlot = -1;  // the name box flashing after a steal, or -1
    int m_flashTicks = 0;
    std::vector<PadSlot> m_slotsBeforeXInput;  // slots 1 to 4 when XInput was chosen
    struct UndoStep {
        bool devices;         // the step gave players other devices: undoing it gives them back
        unsigned count;       // players it changed: 1, or 2 for a swap
        unsigned players[2];  // the player shown when it was made, then the other of a swap
        PadSlot before[2];    // each one's device then, and its entries before the change
    };
    std::vector<UndoStep> m_undoSteps;
    int m_swapped[2] = {0, 0};  // the players the pad choice under way swapped last; 0 for none
};

#endif  // _WIN32
