// What the files of the controller pages share among themselves and nobody else uses.
#pragma once

#include "pages/controller/controller.h"

#include <functional>
#include <string>
#include <vector>

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

// A dialog whose presses are its own while it is open: it looks at them on its scan timer,
// and pad navigation leaves the watched device alone (GUID_NULL: every pad) from
// StartReading() until the dialog is destroyed.
class CPressDlg : public CDialog {
public:
    DECLARE_MESSAGE_MAP()

protected:
    static constexpr UINT_PTR kScanTimer = 1;
    CPressDlg(UINT template_id, CWnd* owner, nrv::peripheral::run_input* input)
        : CDialog(template_id, owner), m_input(input) {}
    void StartReading(const GUID& device);

    nrv::peripheral::run_input* m_input;

private:
    LRESULT OnHelpRequest(WPARAM, LPARAM);
    LRESULT OnDestroy(WPARAM, LPARAM);
};

// The press-a-button dialog: watches one device and ends with OK at the first logical
// button that goes from released to pressed between two of its ticks, leaving its index
// in CapturedButton(). Cancel and Escape end it with Cancel. The device is polled by
// whoever owns the input manager (the controller page's timer), not by the dialog.
class CBtnDlg : public CPressDlg {
public:
    // `owner` is disabled while the dialog runs; the watched device is one of `input`'s.
    CBtnDlg(CWnd* owner, nrv::peripheral::run_input* input);

    BOOL OnInitDialog() override;
    void SetDevice(const GUID& device) { m_device = device; }
    uint8_t CapturedButton() const { return m_captured; }

    DECLARE_MESSAGE_MAP()

private:
    LRESULT OnTimer(WPARAM, LPARAM);
    uint8_t Scan();

    nrv::peripheral::press_reader m_presses;
    uint8_t m_captured = kNothingCaptured;
    GUID m_device = {};
};

// The dialog in which the players choose their pads by pressing a button on them, one after
// the other from `first_player` on. The first pad on which a face button or Start goes down
// after the dialog opened (a button held then counts once it was let go and pressed again)
// is handed to `take` for the player whose turn it is; when `take` says it was taken, the
// turn passes to the next player, and after player 4 the dialog ends with OK. A pad taken
// in this pass is not taken again for a later player. Back on any pad, Escape and Cancel end
// it with Cancel, as does the last pad going; the pads taken so far stay taken. Every pad's
// presses are the dialog's while it is open: pad navigation leaves them alone.
class CPadChoiceDlg : public CPressDlg {
public:
    // Takes the pad for the player; false when it could not be taken.
    using TakeFunction = std::function<bool(int player, const GUID& pad)>;
    CPadChoiceDlg(CWnd* owner, nrv::peripheral::run_input* input, int first_player, TakeFunction take);

    BOOL OnInitDialog() override;

    DECLARE_MESSAGE_MAP()

private:
    struct Pad {
        GUID instance;
        nrv::peripheral::press_reader presses;
    };
    LRESULT OnTimer(WPARAM, LPARAM);
    // Every pad's presses since the last look: Close when Back went down on any of them,
    // otherwise Take with `pressed` the first pad listed on which a face button or Start did.
    PadChoicePress Scan(GUID& pressed);
    bool TakenInThisPass(const GUID& pad) const;
    void ShowPrompt(bool announce);

    TakeFunction m_take;
    int m_player;             // whose turn it is
    std::vector<Pad> m_pads;  // the pads listed at the last look, each with its place in its press log
    std::vector<GUID> m_taken;
};

// How the tool names a player of the Controller page (1 to 4): "Controller 2".
std::wstring player_name(int player);
// The pattern with each "%s" replaced by the next of the values, in order.
std::wstring fill_pattern(const std::wstring& pattern, const std::vector<std::wstring>& values);

// Draws the keyboard focus mark inside an owner-drawn item that has the focus.
void draw_focus_mark(const DRAWITEMSTRUCT& item);

#endif  // _WIN32
