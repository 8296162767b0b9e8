// Help for the controls of a page: a popup of the tool's own on every system. It takes no
// focus, so the click that follows resting the mouse on a choice reaches the choice (the
// system's HTML Help popup takes the focus and swallows that click).
#include "pages/pages.h"

#include "text/text.h"

#include <oleacc.h>

#include <algorithm>

namespace {

const wchar_t kPopupClass[] = L"CalcoraHelpPopup";
// At 96 DPI; the popup scales both to the DPI of its owner.
constexpr int kPopupTextWidth = 300;
constexpr int kPopupMargin = 6;

HFONT owner_font(HWND owner) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(owner, WM_GETFONT, 0, 0));
    return font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

// The popup is measured and painted at its owner's DPI, in its owner's font: the popup
// itself may be made on another screen than the one it is shown on.
int popup_margin(HWND owner) {
    return scale_to_dpi(kPopupMargin, window_dpi(owner));
}

RECT text_rect(HDC dc, const std::wstring& text, int dpi) {
    RECT rect = {0, 0, scale_to_dpi(kPopupTextWidth, dpi), 0};
    DrawTextW(dc, text.c_str(), -1, &rect, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    return rect;
}

// The popup's window rectangle for the text: its top edge centred on the anchor, kept on
// the anchor's monitor.
RECT popup_rect(HWND owner, const std::wstring& text, POINT anchor) {
    HDC dc = GetDC(owner);
    HGDIOBJ previous = SelectObject(dc, owner_font(owner));
    const RECT text_size = text_rect(dc, text, window_dpi(owner));
    SelectObject(dc, previous);
    ReleaseDC(owner, dc);

    const int margin = popup_margin(owner);
    RECT frame = {0, 0, text_size.right + 2 * margin, text_size.bottom + 2 * margin};
    AdjustWindowRectEx(&frame, WS_POPUP | WS_BORDER, FALSE, WS_EX_TOOLWINDOW);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;

    MONITORINFO monitor = {sizeof monitor};
    GetMonitorInfoW(MonitorFromPoint(anchor, MONITOR_DEFAULTTONEAREST), &monitor);
    int left = anchor.x - width / 2;
    int top = anchor.y;
    left = std::max<int>(monitor.rcWork.left, std::min<int>(left, monitor.rcWork.right - width));
    top = std::max<int>(monitor.rcWork.top, std::min<int>(top, monitor.rcWork.bottom - height));
    return {left, top, left + width, top + height};
}

LRESULT CALLBACK popup_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            RECT client;
            GetClientRect(window, &client);
            FillRect(dc, &client, GetSysColorBrush(COLOR_INFOBK));
            HWND owner = GetWindow(window, GW_OWNER);
            HGDIOBJ previous = SelectObject(dc, owner_font(owner));
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
            const int margin = popup_margin(owner);
            InflateRect(&client, -margin, -margin);
            DrawTextW(dc, read_window_text(window).c_str(), -1, &client, DT_WORDBREAK | DT_NOPREFIX);
            SelectObject(dc, previous);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_MOUSEACTIVATE:
            return MA_NOACTIVATE;
        case WM_GETOBJECT:
            // A tooltip to screen readers, named by its text.
            if (const LRESULT answer = accessible_with_borrowed_text(window, wParam, lParam, window,
                                                                     BorrowedText::Name, ROLE_SYSTEM_TOOLTIP))
                return answer;
            return DefWindowProcW(window, message, wParam, lParam);
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

bool register_popup_class() {
    static const bool registered = [] {
        WNDCLASSEXW window_class = {sizeof window_class};
        window_class.style = CS_DROPSHADOW | CS_SAVEBITS;
        window_class.lpfnWndProc = popup_proc;
        window_class.hInstance = GetModuleHandleW(nullptr);
        window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        window_class.lpszClassName = kPopupClass;
        return RegisterClassExW(&window_class) != 0;
    }();
    return registered;
}

HWND show_own_popup(HWND owner, const std::wstring& text, POINT anchor) {
    if (!register_popup_class()) return nullptr;
    HWND top = GetAncestor(owner, GA_ROOT);
    // Made where it is shown, so that it is on that screen from the start.
    const RECT place = popup_rect(top, text, anchor);
    HWND popup = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kPopupClass, text.c_str(),
                                 WS_POPUP | WS_BORDER, place.left, place.top, place.right - place.left,
                                 place.bottom - place.top, top, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!popup) return nullptr;
    SetWindowPos(popup, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    // Screen readers read a tooltip when it shows.
    NotifyWinEvent(EVENT_OBJECT_SHOW, popup, OBJID_CLIENT, CHILDID_SELF);
    return popup;
}

}  // namespace

HWND show_help_popup(HWND owner, const std::wstring& text, POINT anchor) {
    return show_own_popup(owner, text, anchor);
}

void close_help_popup(HWND popup) {
    // Only a popup of this thread that still exists: a handle kept after its window went
    // may name another window by now.
    if (!popup || !IsWindow(popup) || GetWindowThreadProcessId(popup, nullptr) != GetCurrentThreadId())
        return;
    wchar_t name[64] = {};
    GetClassNameW(popup, name, 64);
    if (std::wstring(name) == kPopupClass) DestroyWindow(popup);
}

// --- help of a page --------------------------------------------------------------------------

void PageHelp::Tick(HWND page) {
    if (m_control && m_byKeyboard && GetFocus() != m_control) Close();
    POINT cursor;
    if (!GetCursorPos(&cursor)) return;
    if (cursor.x != m_lastCursor.x || cursor.y != m_lastCursor.y) {
        m_lastCursor = cursor;
        m_stillTicks = 0;
        if (m_control && !m_byKeyboard && WindowFromPoint(cursor) != m_control) Close();
        return;
    }
    if (m_control || ++m_stillTicks < kRestTicks) return;
    m_stillTicks = 0;
    HWND under = WindowFromPoint(cursor);
    if (const uint32_t text = TextFor(page, under)) Show(page, under, text, false);
}

bool PageHelp::ShowForFocus(HWND page) {
    HWND focus = GetFocus();
    const uint32_t text = TextFor(page, focus);
    if (!text) return false;
    Close();
    Show(page, focus, text, true);
    return true;
}

void PageHelp::Close() {
    close_help_popup(m_window);
    m_window = nullptr;
    m_control = nullptr;
}

uint32_t PageHelp::TextFor(HWND page, HWND control) const {
    if (!control) return 0;
    for (size_t index = 0; index < m_count; ++index) {
        if (GetDlgItem(page, m_texts[index].control) == control) return m_texts[index].text;
    }
    return 0;
}

void PageHelp::Show(HWND page, HWND control, uint32_t text, bool by_keyboard) {
    RECT rect;
    GetWindowRect(control, &rect);
    // Centred one control height below the control's lower edge.
    const POINT anchor = {(rect.left + rect.right) / 2, 2 * rect.bottom - rect.top};
    m_window = show_help_popup(page, text_w(text), anchor);
    m_control = control;
    m_byKeyboard = by_keyboard;
}

std::wstring read_window_text(HWND window) {
    std::wstring text(GetWindowTextLengthW(window) + 1, L'\0');
    text.resize(GetWindowTextW(window, &text[0], static_cast<int>(text.size())));
    return text;
}
