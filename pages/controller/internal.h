// What the files of the controller pages share among themselves and nobody else uses.
#pragma once

#include "pages/controller/controller.h"

#ifdef _WIN32

// Timers of the page window.
constexpr UINT_PTR kPageTimer = 2;   // polls the input manager and lights the picture
constexpr UINT_PTR kFlashTimer = 3;  // flashes the name box a capture took an input from

// Sent by a slot button to its page to empty its slot (wParam: the slot).
constexpr UINT kClearSlotMessage = WM_APP + 2;

// The device of the run's input with that instance GUID; null when there is none.
nrv::peripheral::input_device_dx8* find_input_device(const nrv::peripheral::run_input* input,
                                                     const GUID& instance);

// Which axes the game controller has, asked of DirectInput by joystick-state offset. An
// axis counts as present unless DirectInput says there is no object at its offset.
AxisPresence axis_presence(const nrv::peripheral::input_device_dx8& device);

// Slot `slot`'s button bitmap, `side` pixels square: BITMAP resource `id` at its own size,
// otherwise its drawing at 200 % scaled. The caller owns it; null when the resource is
// missing or the side is not positive.
HBITMAP slot_bitmap(int slot, UINT id, int side);
// A child window's rectangle in its parent's client coordinates.
PixelRect child_rect(HWND parent, HWND child);

// The press-a-button dialog: watches one device and ends with OK at the first logical
// button that goes from released to pressed between two of its ticks, leaving its index
// in CapturedButton(). Cancel and Escape end it with Cancel. The device is polled by
// whoever owns the input manager (the controller page's timer), not by the dialog.
class CBtnDlg : public CDialog {
public:
    // `owner` is disabled while the dialog runs; the watched device is one of `input`'s.
    CBtnDlg(CWnd* owner, nrv::peripheral::run_input* input);

    BOOL OnInitDialog() override;
    void SetDevice(const GUID& device) { m_device = device; }
    uint8_t CapturedButton() const { return m_captured; }

    DECLARE_MESSAGE_MAP()

private:
    LRESULT OnTimer(WPARAM, LPARAM);
    LRESULT OnHelpRequest(WPARAM, LPARAM);
    LRESULT OnDestroy(WPARAM, LPARAM);
    uint8_t Scan();

    nrv::peripheral::run_input* m_input;
    nrv::peripheral::press_reader m_presses;
    uint8_t m_captured = kNothingCaptured;
    GUID m_device = {};
};

// Draws the keyboard focus mark inside an owner-drawn item that has the focus.
void draw_focus_mark(const DRAWITEMSTRUCT& item);

#endif  // _WIN32
