// The pages of the settings sheet and the dialogs they open. The rules at the top are
// plain code over values, built natively too; the page classes need Windows.
#pragma once

#include "nrv/graphic/graphic.h"
#include "probe/probe.h"

#include <cstdint>
#include <string>
#include <vector>

// --- Display page rules -------------------------------------------------------------------

// How a resolution is labelled in the Display page's list.
enum class ModeLabel { Plain, WindowOnly, FullScreenOnly };

struct OfferedMode {
    Resolution resolution;
    ModeLabel label;
};

// True when the resolution is no larger than the screen in either direction.
bool fits_screen(const Resolution& mode, const Resolution& screen);
// True for a picture wider than 4:3, judged as 3 * (width / 4) - height > 0 with integer
// division, so 4:3 itself and 5:4 count as not wide.
bool is_wider_than_4_3(const Resolution& mode);
// The resolutions the Display page offers, in ascending order: in full-screen mode every
// full-screen resolution (those larger than the screen labelled full-screen-only); in window
// mode every resolution that fits the screen (those the adapter cannot show in full screen
// labelled window-only); in both only up to the pixel count of `limit`.
std::vector<OfferedMode> offered_resolutions(const ResolutionSet& listed, const ResolutionSet& fullscreen,
                                             const Resolution& screen, const Resolution& limit,
                                             bool want_full_screen);
// The list label: "( 640, 480)", plus " - " and the suffix text for a labelled mode.
std::u16string resolution_label(const OfferedMode& mode, const std::u16string& window_only_text,
                                const std::u16string& full_screen_only_text);

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

// The pressed state of up to 256 logical buttons: bit i in byte i / 8 at bit i % 8.
struct PressedButtons {
    uint8_t bytes[32];
};
inline void set_pressed(PressedButtons& buttons, int index, bool down) {
    const uint8_t bit = static_cast<uint8_t>(1u << (index % 8));
    buttons.bytes[index / 8] =
        static_cast<uint8_t>(down ? buttons.bytes[index / 8] | bit : buttons.bytes[index / 8] & ~bit);
}
inline bool is_pressed(const PressedButtons& buttons, int index) {
    return (buttons.bytes[index / 8] >> (index % 8) & 1) != 0;
}
// The lowest button below `count` pressed now and not at the previous tick, or
// kNothingCaptured; `previous` becomes `now`.
uint8_t take_new_press(PressedButtons& previous, const PressedButtons& now, int count);
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

#ifdef _WIN32
#include "framework/framework.h"
#include "settings/settings.h"

// Shows `text` in a small help popup of the tool's own, which takes no focus, whose top edge
// is centred on `anchor` (screen coordinates). It belongs to the owner's top-level window and
// goes with it. Returns the popup window.
HWND show_help_popup(HWND owner, const std::wstring& text, POINT anchor);
// Closes a popup show_help_popup opened, if it is still there.
void close_help_popup(HWND popup);

// A control of a page and the text that explains it.
struct ControlHelp {
    int control;
    uint32_t text;
};

// The help popups of a page: the mouse resting two page-timer ticks on a control that has
// help opens its popup, and moving off closes it; F1 opens the focused control's popup, and
// moving the focus off closes it. The page closes it when it is left.
class PageHelp {
public:
    PageHelp(const ControlHelp* texts, size_t count) : m_texts(texts), m_count(count) {}
    // One tick of the page timer.
    void Tick(HWND page);
    // F1: false when the focused control has no help.
    bool ShowForFocus(HWND page);
    void Close();

private:
    static constexpr int kRestTicks = 2;
    uint32_t TextFor(HWND page, HWND control) const;
    void Show(HWND page, HWND control, uint32_t text, bool by_keyboard);

    const ControlHelp* m_texts;
    size_t m_count;
    POINT m_lastCursor = {-1, -1};
    int m_stillTicks = 0;
    HWND m_control = nullptr;  // the control whose popup is open
    HWND m_window = nullptr;
    bool m_byKeyboard = false;
};

// Screen mode, resolution, aspect, quality and rendering options.
class CDisplayPage : public CPropertyPage {
public:
    CDisplayPage();

    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
    BOOL OnKillActive() override;
    void OnOK() override;

    DECLARE_MESSAGE_MAP()

private:
    void FillResolutions(bool want_full_screen, bool use_given, int32_t given_width, int32_t given_height);
    void UpdateScreenModeRadios();
    void OnSelchangeResolution();
    void OnScreenMode();
    void OnQuality();
    LRESULT OnTimer(WPARAM, LPARAM);
    LRESULT OnHelpRequest(WPARAM, LPARAM);

    int CheckedTier() const;
    bool SelectedMode(Resolution& mode) const;
    static Resolution ScreenSize();

    std::vector<Resolution> m_offeredModes;
    PageHelp m_help;
};

namespace nrv {
namespace peripheral {
class input_dx8;
class input_device_dx8;
}  // namespace peripheral
}  // namespace nrv

// The input manager of this run, owned by the application; null when there is none, and
// the controller pages then list no devices.
extern nrv::peripheral::input_dx8* g_input_manager;

// What a device's logical button is stored as; false when it is stored as nothing.
bool entry_for_button(const nrv::peripheral::input_device_dx8& device, uint8_t button, EntryCode& entry);
// The lowest logical button stored as the entry's type and code; -1 when none is.
int button_for_entry(const nrv::peripheral::input_device_dx8& device, uint32_t entry);
// The lowest slot from `start` on whose entry is the button's; -1 when none is.
int slot_for_button(const nrv::peripheral::input_device_dx8& device, uint8_t button, int start,
                    const uint32_t* entries);
// Which axes the game controller has, asked of DirectInput by joystick-state offset. An
// axis counts as present unless DirectInput says there is no object at its offset.
AxisPresence axis_presence(const nrv::peripheral::input_device_dx8& device);

// Whether a high-contrast theme is on: the system's answer unless a test puts its own in.
// What the tool draws itself then uses the system colours.
using HighContrastQuery = bool (*)();
extern HighContrastQuery g_high_contrast_on;

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

// Slot `slot`'s button bitmap, `side` pixels square: BITMAP resource `id` at its own size,
// otherwise its drawing at 200 % scaled. The caller owns it; null when the resource is
// missing or the side is not positive.
HBITMAP slot_bitmap(int slot, UINT id, int side);
// A child window's rectangle in its parent's client coordinates.
PixelRect child_rect(HWND parent, HWND child);

// The 24 overlays of the controller picture, one per function slot, loaded from the
// program's resources once and kept for the run. Missing ones are empty images.
const nrv::graphic::image* const* function_overlays();

// The press-a-button dialog: watches one device and ends with OK at the first logical
// button that goes from released to pressed between two of its ticks, leaving its index
// in CapturedButton(). Cancel and Escape end it with Cancel. The device is polled by
// whoever owns the input manager (the controller page's timer), not by the dialog.
class CBtnDlg : public CDialog {
public:
    // `owner` is disabled while the dialog runs.
    explicit CBtnDlg(CWnd* owner = nullptr);

    BOOL OnInitDialog() override;
    void SetDevice(const GUID& device) { m_device = device; }
    uint8_t CapturedButton() const { return m_captured; }

    DECLARE_MESSAGE_MAP()

private:
    LRESULT OnTimer(WPARAM, LPARAM);
    LRESULT OnHelpRequest(WPARAM, LPARAM);
    LRESULT OnDestroy(WPARAM, LPARAM);
    uint8_t Scan();

    PressedButtons m_pressed;
    uint8_t m_captured = kNothingCaptured;
    GUID m_device = {};
};

// Sent to the shown page of the sheet once game controllers came or went.
constexpr UINT kDevicesChangedMessage = WM_APP + 1;
// Sent by a slot button to its page to empty its slot (wParam: the slot).
constexpr UINT kClearSlotMessage = WM_APP + 2;

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

// Where a context menu asked for with WM_CONTEXTMENU's `position` opens: there, or under
// the control (screen rectangle) when it was asked for from the keyboard.
POINT context_menu_point(LPARAM position, const RECT& control);
// Draws the keyboard focus mark inside an owner-drawn item that has the focus.
void draw_focus_mark(const DRAWITEMSTRUCT& item);
// True when the system's own accessible object of the control is named after `label`.
bool system_names_after(HWND control, HWND label);
// True when `name` is what the system reads from the label `label`: the same text without
// mnemonic marks and a colon at the end.
bool is_label_name(const std::wstring& name, const std::wstring& label);
// Answers WM_GETOBJECT for a control whose accessible name (or value) is the window text of
// another control, and whose role is `role` unless it is 0; 0 when it cannot, and the caller
// then lets the control answer itself.
enum class BorrowedText { Name, Value };
LRESULT accessible_with_borrowed_text(HWND control, WPARAM wParam, LPARAM lParam, HWND lender,
                                      BorrowedText what, LONG role = 0);
// Tells screen readers that a note's text changed: its name changed, and it is a polite live
// region whose content changed, where the system knows live regions.
void announce_note(HWND note);

// The sheet's WM_DEVICECHANGE handling: an arrival or removal of a HID interface starts a
// short timer, restarted by every further one, so that a burst of notifications leads to
// one refresh of the input manager and one kDevicesChangedMessage to the shown page.
LRESULT on_device_change(HWND sheet, WPARAM event, LPARAM data);
// True for the arrival or removal of a HID interface, the only notifications acted on.
bool is_hid_interface_change(WPARAM event, LPARAM data);

// The Keyboard page (index 0, controller slot 0) and the Controller page (index 1, slots
// 1 to 4 chosen in its player combo): the device of the slot, the DirectInput or XInput
// mode, the 24 function assignments and the lit controller picture. Edits go into the
// settings record at once.
class ButtonPage : public CPropertyPage {
public:
    ButtonPage(int index, UINT title_string);
    ~ButtonPage() override;

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

    // Screen reader names, the steal note and the slot-clearing keys (button_access.cpp).
    void SetUpAccess();
    LRESULT OnClearSlotRequest(WPARAM, LPARAM);
    void ClearSlot(int slot);
    // Says under the picture which input `to` took from slot `from` and flashes from's
    // name box; with `from` negative, clears the note.
    void ShowTakenNote(int from, int to);
    void FlashTick();
    void StopFlashing();
    LRESULT OnControlColour(WPARAM, LPARAM);
    void OnControllerSettings();

    CBitmap m_slotBitmaps[kFunctionCount];
    int m_player;
    GUID m_device = {};
    std::vector<GUID> m_deviceList;
    CSlotButton m_slotButtons[kFunctionCount];
    CMyBitmapButton m_picture;
    uint32_t m_litMask = 0;
    bool m_litInHighContrast = false;  // how the lit parts were drawn
    int m_hoverSlot = -1;
    bool m_capturing = false;
    bool m_active = false;              // between OnSetActive and OnKillActive
    bool m_refillAfterCapture = false;  // devices changed while the capture dialog ran
    PageHelp m_help;
    int m_flashSlot = -1;  // the name box flashing after a steal, or -1
    int m_flashTicks = 0;
    std::vector<PadSlot> m_slotsBeforeXInput;  // slots 1 to 4 when XInput was chosen
};

// How the pages open a control panel: the shell's ShellExecuteW unless a test puts its
// own in to watch the call.
using ShellExecuteCall = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
extern ShellExecuteCall g_shell_execute;

// UDP port, UPnP, voice chat and the sound control panel. The page keeps no state of its
// own: it shows the settings record and writes it back on OK.
class COnlinePage : public CPropertyPage {
public:
    COnlinePage();

    BOOL OnInitDialog() override;
    void OnOK() override;

    DECLARE_MESSAGE_MAP()

private:
    void OnAutoPort();
    void OnUpnp();
    void OnVoiceChat();
    void OnSoundProperties();
    void OnVoiceTest();
    LRESULT OnHelpRequest(WPARAM, LPARAM);

    // The port edit is enabled exactly when Auto is not checked.
    void ApplyAutoRule();
    // The sound and voice test buttons are enabled exactly when voice chat is checked.
    void ApplyVoiceRule();
};

// The lowest and highest port OK stores; anything else keeps the previous port.
constexpr UINT kLowestUdpPort = 1025;
constexpr UINT kHighestUdpPort = 65534;

namespace nrv {
namespace audio {
class pcm_input_device;
class pcm_output_device;
}  // namespace audio
}  // namespace nrv

// The voice device test: plays the default voice-capture device back through the default
// voice-playback device until closed. When no format works on both, it shows the failure
// message and closes by itself. It owns both devices while it is open.
class CVoiceDlg : public CDialog {
public:
    CVoiceDlg();
    ~CVoiceDlg() override;

    BOOL OnInitDialog() override;

    // The devices in use; null before initialisation and after a failure.
    nrv::audio::pcm_input_device* CaptureDevice() const { return m_capture; }
    nrv::audio::pcm_output_device* PlaybackDevice() const { return m_playback; }

    DECLARE_MESSAGE_MAP()

private:
    LRESULT OnTimer(WPARAM, LPARAM);
    LRESULT OnHelpRequest(WPARAM, LPARAM);
    LRESULT OnDestroy(WPARAM, LPARAM);
    // Deletes both devices, stopping and closing them first.
    void ReleaseDevices();

    nrv::audio::pcm_input_device* m_capture = nullptr;
    nrv::audio::pcm_output_device* m_playback = nullptr;
};

#endif  // _WIN32
