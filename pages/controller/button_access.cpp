// What makes the controller pages usable without a mouse and with a screen reader: names
// and values for assistive technology, the focus mark, clearing a slot from the keyboard
// or the slot's menu, the note that tells which input a capture took from another slot,
// and the button that opens the system's game controller settings.
#include "pages/controller/internal.h"

#include "nrv/win32/win32.h"

#include "res/resource.h"
#include "settings/settings.h"
#include "text/text.h"

#include <oleacc.h>
#include <windowsx.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr UINT kFlashPeriodMs = 150;
constexpr int kFlashTicks = 6;  // three times on and off

std::vector<std::wstring> part_names() {
    std::vector<std::wstring> names = text_parts_w(kPartNamesText);
    names.resize(kFunctionCount);
    return names;
}

// A control named by another control's window text (`lender`): a name box by its slot
// button, a combo box by its label.
LRESULT CALLBACK named_control_proc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                    DWORD_PTR lender) {
    // A control the system already names after its label keeps its own answer, and with it
    // all the system's object offers (UI Automation's combo box patterns among them).
    if (message == WM_GETOBJECT && static_cast<LONG>(lParam) == OBJID_CLIENT &&
        !system_names_after(control, reinterpret_cast<HWND>(lender))) {
        const LRESULT answer = accessible_with_borrowed_text(
            control, wParam, lParam, reinterpret_cast<HWND>(lender), BorrowedText::Name);
        if (answer) return answer;
    } else if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(control, named_control_proc, id);
    }
    return DefSubclassProc(control, message, wParam, lParam);
}

void name_after(HWND control, HWND lender) {
    if (control && lender)
        SetWindowSubclass(control, named_control_proc, 1, reinterpret_cast<DWORD_PTR>(lender));
}

bool system_high_contrast() {
    HIGHCONTRASTW contrast = {};
    contrast.cbSize = sizeof contrast;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON);
}

}  // namespace

HighContrastQuery g_high_contrast_on = &system_high_contrast;

std::wstring fill_pattern(const std::wstring& pattern, const std::vector<std::wstring>& values) {
    std::wstring text;
    size_t next = 0;
    for (size_t at = 0; at < pattern.size(); ++at) {
        if (pattern.compare(at, 2, L"%s") == 0 && next < values.size()) {
            text += values[next++];
            ++at;
        } else {
            text += pattern[at];
        }
    }
    return text;
}

void draw_focus_mark(const DRAWITEMSTRUCT& item) {
    if (!(item.itemState & ODS_FOCUS) || (item.itemState & ODS_NOFOCUSRECT)) return;
    RECT mark = item.rcItem;
    InflateRect(&mark, -1, -1);
    // Black on white in every theme, high contrast included, seen on any picture.
    SetTextColor(item.hDC, RGB(0, 0, 0));
    SetBkColor(item.hDC, RGB(255, 255, 255));
    DrawFocusRect(item.hDC, &mark);
}

// --- slot buttons ----------------------------------------------------------------------------

void CSlotButton::DrawItem(DRAWITEMSTRUCT* item) {
    if (!item) return;
    // The button is larger than its picture: the rest is the page's background, painted
    // each time so that the focus mark of an earlier draw never stays behind.
    HBRUSH background = reinterpret_cast<HBRUSH>(SendMessageW(GetParent(m_hWnd), WM_CTLCOLORBTN,
                                                              reinterpret_cast<WPARAM>(item->hDC),
                                                              reinterpret_cast<LPARAM>(m_hWnd)));
    FillRect(item->hDC, &item->rcItem, background ? background : GetSysColorBrush(COLOR_BTNFACE));
    DrawPictureCentred(*item);
    // With a high-contrast theme on, a frame in the text colour outlines each slot.
    if (g_high_contrast_on()) FrameRect(item->hDC, &item->rcItem, GetSysColorBrush(COLOR_WINDOWTEXT));
    draw_focus_mark(*item);
}

SIZE CSlotButton::PictureSize() const {
    BITMAP info = {};
    if (!m_bitmap || !GetObjectW(m_bitmap.get(), sizeof info, &info)) return {0, 0};
    return {info.bmWidth, info.bmHeight};
}

void CSlotButton::DrawPictureCentred(const DRAWITEMSTRUCT& item) const {
    BITMAP info = {};
    if (!m_bitmap || !GetObjectW(m_bitmap.get(), sizeof info, &info)) return;
    HDC memory = CreateCompatibleDC(item.hDC);
    if (!memory) return;
    HGDIOBJ previous = SelectObject(memory, m_bitmap.get());
    const int left = (item.rcItem.left + item.rcItem.right - info.bmWidth) / 2;
    const int top = (item.rcItem.top + item.rcItem.bottom - info.bmHeight) / 2;
    BitBlt(item.hDC, left, top, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
}

LRESULT CSlotButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND page = GetParent(m_hWnd);
    switch (message) {
        case WM_GETDLGCODE: {
            // Enter is the button's own (it opens the capture dialog) instead of the sheet's OK.
            const auto* key = reinterpret_cast<const MSG*>(lParam);
            if (key && key->message == WM_KEYDOWN && key->wParam == VK_RETURN)
                return CallOriginalProc(message, wParam, lParam) | DLGC_WANTMESSAGE;
            break;
        }
        case WM_KEYDOWN:
            if (wParam == VK_RETURN && !(lParam & 0x40000000)) {
                SendMessageW(page, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(m_hWnd), BN_CLICKED),
                             reinterpret_cast<LPARAM>(m_hWnd));
                return 0;
            }
            if (wParam == VK_DELETE || wParam == VK_BACK) {
                SendMessageW(page, kClearSlotMessage, static_cast<WPARAM>(m_slot), 0);
                return 0;
            }
            break;
        case WM_CONTEXTMENU:
            ShowContextMenu(lParam);
            return 0;
        case WM_GETOBJECT:
            if (const LRESULT answer =
                    accessible_with_borrowed_text(m_hWnd, wParam, lParam, m_nameBox, BorrowedText::Value))
                return answer;
            break;
        default:
            break;
    }
    return CBitmapButton::WindowProc(message, wParam, lParam);
}

POINT context_menu_point(LPARAM position, const RECT& control) {
    const POINT at = {GET_X_LPARAM(position), GET_Y_LPARAM(position)};
    // From the keyboard (Shift+F10 or the menu key) both coordinates are -1. The whole
    // lParam is not compared: it need not be sign-extended in a 64-bit program.
    if (at.x == -1 && at.y == -1) return {control.left, control.bottom};
    return at;
}

void CSlotButton::ShowContextMenu(LPARAM position) {
    RECT rect = {};
    GetWindowRect(m_hWnd, &rect);
    const POINT at = context_menu_point(position, rect);
    HMENU menu = CreatePopupMenu();
    if (!menu) return;
    const std::wstring clear = text_w(kClearText);
    AppendMenuW(menu, MF_STRING, ID_CLEAR_SLOT, clear.c_str());
    const BOOL chosen =
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, at.x, at.y, 0, m_hWnd, nullptr);
    DestroyMenu(menu);
    if (chosen == ID_CLEAR_SLOT)
        SendMessageW(GetParent(m_hWnd), kClearSlotMessage, static_cast<WPARAM>(m_slot), 0);
}

// --- the page ------------------------------------------------------------------------------------

void ButtonPage::SetUpAccess() {
    const std::vector<std::wstring> names = part_names();
    for (int slot = 0; slot < kFunctionCount; ++slot) {
        HWND button = m_slotButtons[slot].m_hWnd;
        HWND box = m_slotButtons[slot].NameBox();
        if (!button) continue;
        ::SetWindowTextW(button, names[slot].c_str());
        name_after(box, button);
    }
    name_after(GetDlgItem(IDC_PLAYER), GetDlgItem(IDC_PLAYER_LABEL));
    name_after(GetDlgItem(IDC_DEVICE), GetDlgItem(IDC_DEVICE_LABEL));
    if (m_picture.m_hWnd) ::SetWindowTextW(m_picture.m_hWnd, text_w(kPictureNameText).c_str());
    // The system's game controller settings and the choice of pads by pressing them belong
    // to the Controller page only; the device list takes the room of the latter.
    if (m_player == 0) {
        for (int id : {IDC_CONTROLLER_SETTINGS, IDC_CHOOSE_PADS}) {
            if (HWND button = GetDlgItem(id)) ShowWindow(button, SW_HIDE);
        }
        HWND list = GetDlgItem(IDC_DEVICE);
        HWND choice = GetDlgItem(IDC_CHOOSE_PADS);
        // A drop-down list's window is as high as the list when it is open. (Wine answers 0
        // to the question where that is, and tells it all the same.)
        RECT dropped = {};
        if (list && choice)
            ::SendMessageW(list, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
        if (dropped.bottom > dropped.top) {
            const PixelRect room = child_rect(m_hWnd, list);
            MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&dropped), 2);
            ::SetWindowPos(list, nullptr, 0, 0, child_rect(m_hWnd, choice).right - room.left,
                           dropped.bottom - room.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
}

LRESULT ButtonPage::OnClearSlotRequest(WPARAM slot, LPARAM) {
    ClearSlot(static_cast<int>(slot));
    return 0;
}

void ButtonPage::ClearSlot(int slot) {
    if (m_capturing || slot < 0 || slot >= kFunctionCount || !ShownDevice()) return;
    const unsigned player = static_cast<unsigned>(m_player);
    const uint32_t* stored = pad_assignments(player);
    if (!stored) return;
    uint32_t entries[kFunctionCount];
    std::memcpy(entries, stored, sizeof entries);
    RememberForUndo();
    // As a capture leaves the slot it takes an input from.
    assign_entry(entries, slot, {kUnassignedType, 0});
    store_pad_assignments(player, entries);
    ShowAssignments();
    ShowTakenNote(-1, slot);
}

void ButtonPage::ShowTakenNote(int from, int to) {
    HWND note = GetDlgItem(IDC_TAKEN_NOTE);
    const bool taken = from >= 0 && from < kFunctionCount && to >= 0 && to < kFunctionCount;
    StopFlashing();
    if (!taken) {
        // A line saying that pads are still looked for is no entry of the device list:
        // nothing can choose it.
        const bool looking = m_player != 0 && m_input && m_input->still_looking();
        const std::wstring idle = looking ? text_w(kLookingForPadsText) : std::wstring();
        if (note && read_window_text(note) != idle) {
            ::SetWindowTextW(note, idle.c_str());
            if (looking)
                announce_note(note);
            else
                NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, note, OBJID_CLIENT, CHILDID_SELF);
        }
        return;
    }

    const std::vector<std::wstring> names = part_names();
    const std::wstring input = read_window_text(m_slotButtons[to].NameBox());
    if (note) {
        ::SetWindowTextW(note, fill_pattern(text_w(kTakenNoteText), {input, names[from], names[to]}).c_str());
        announce_note(note);
    }
    m_flashSlot = from;
    m_flashTicks = kFlashTicks;
    SetTimer(kFlashTimer, kFlashPeriodMs);
    if (HWND box = m_slotButtons[from].NameBox()) InvalidateRect(box, nullptr, TRUE);
}

void ButtonPage::ShowSwapNote(int first, int second) {
    HWND note = GetDlgItem(IDC_TAKEN_NOTE);
    StopFlashing();
    if (!note) return;
    const std::wstring text =
        fill_pattern(text_w(kPadsSwappedText), {player_name(first), player_name(second)});
    ::SetWindowTextW(note, text.c_str());
    announce_note(note);
}

void ButtonPage::FlashTick() {
    if (m_flashSlot < 0 || --m_flashTicks <= 0) {
        StopFlashing();
        return;
    }
    if (HWND box = m_slotButtons[m_flashSlot].NameBox()) InvalidateRect(box, nullptr, TRUE);
}

void ButtonPage::StopFlashing() {
    KillTimer(kFlashTimer);
    HWND box = m_flashSlot >= 0 ? m_slotButtons[m_flashSlot].NameBox() : nullptr;
    m_flashSlot = -1;
    m_flashTicks = 0;
    if (box) InvalidateRect(box, nullptr, TRUE);
}

// The flashing name box is drawn in the selection colours while it is lit.
LRESULT ButtonPage::OnControlColour(WPARAM dc, LPARAM control) {
    const bool lit = m_flashSlot >= 0 && m_flashTicks % 2 == 0 &&
                     reinterpret_cast<HWND>(control) == m_slotButtons[m_flashSlot].NameBox();
    if (!lit) return 0;
    HDC context = reinterpret_cast<HDC>(dc);
    SetTextColor(context, GetSysColor(COLOR_HIGHLIGHTTEXT));
    SetBkColor(context, GetSysColor(COLOR_HIGHLIGHT));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_HIGHLIGHT));
}

void ButtonPage::OnControllerSettings() {
    g_shell_execute(m_hWnd, L"open", L"control", L"joy.cpl", nullptr, SW_SHOWNORMAL);
}
