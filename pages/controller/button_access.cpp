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
    std::vector<std::wstring> names;
    const std::wstring all = text_w(kPartNamesText);
    size_t start = 0;
    for (size_t bar = all.find(L'|'); bar != std::wstring::npos; bar = all.find(L'|', start)) {
        names.push_back(all.substr(start, bar - start));
        start = bar + 1;
    }
    names.push_back(all.substr(start));
    names.resize(kFunctionCount);
    return names;
}

// The pattern with each "%s" replaced by the next of the values, in order.
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

// oleacc is loaded when a client first asks, so that the program imports only DLLs every
// Windows has.
using CreateStdAccessibleObjectFn = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
using LresultFromObjectFn = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
struct Oleacc {
    UniqueModule module{load_system_library(L"oleacc.dll")};
    CreateStdAccessibleObjectFn create_standard =
        module.proc<CreateStdAccessibleObjectFn>("CreateStdAccessibleObject");
    LresultFromObjectFn lresult_from_object = module.proc<LresultFromObjectFn>("LresultFromObject");
};
const Oleacc& oleacc() {
    static const Oleacc library;
    return library;
}

bool is_self(const VARIANT& child) {
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

// The control's standard accessible object, with its name or its value read from another
// control's window text at the time a client asks.
class BorrowingAccessible final : public IAccessible {
public:
    // Takes over the reference to `standard`.
    BorrowingAccessible(IAccessible* standard, HWND lender, BorrowedText what)
        : m_lender(lender), m_what(what) {
        m_standard.attach(standard);
    }
    BorrowingAccessible(const BorrowingAccessible&) = delete;
    BorrowingAccessible& operator=(const BorrowingAccessible&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
            IsEqualIID(riid, __uuidof(IAccessible))) {
            *object = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        return m_standard->QueryInterface(riid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&m_references); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&m_references);
        if (left == 0) delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        return m_standard->GetTypeInfoCount(count);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
        return m_standard->GetTypeInfo(index, locale, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override {
        return m_standard->GetIDsOfNames(riid, names, count, locale, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID locale, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argument) override {
        return m_standard->Invoke(id, riid, locale, flags, params, result, exception, argument);
    }

    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (m_what == BorrowedText::Name && is_self(child)) return Borrow(name);
        return m_standard->get_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        if (m_what == BorrowedText::Value && is_self(child)) return Borrow(value);
        return m_standard->get_accValue(child, value);
    }

    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        return m_standard->get_accParent(parent);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
        return m_standard->get_accChildCount(count);
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
        return m_standard->get_accChild(child, object);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
        return m_standard->get_accDescription(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        return m_standard->get_accRole(child, role);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        return m_standard->get_accState(child, state);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* text) override {
        return m_standard->get_accHelp(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
        return m_standard->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* text) override {
        return m_standard->get_accKeyboardShortcut(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override {
        return m_standard->get_accFocus(child);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
        return m_standard->get_accSelection(children);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* text) override {
        return m_standard->get_accDefaultAction(child, text);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override {
        return m_standard->accSelect(flags, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                          VARIANT child) override {
        return m_standard->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
        return m_standard->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG left, LONG top, VARIANT* child) override {
        return m_standard->accHitTest(left, top, child);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        return m_standard->accDoDefaultAction(child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
        return m_standard->put_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
        return m_standard->put_accValue(child, value);
    }

private:
    virtual ~BorrowingAccessible() = default;

    HRESULT Borrow(BSTR* text) const {
        if (!text) return E_POINTER;
        *text = nullptr;
        if (!IsWindow(m_lender)) return S_FALSE;
        const std::wstring lent = read_window_text(m_lender);
        if (lent.empty()) return S_FALSE;
        *text = SysAllocString(lent.c_str());
        return *text ? S_OK : E_OUTOFMEMORY;
    }

    LONG m_references = 1;
    ComPtr<IAccessible> m_standard;
    HWND m_lender;
    BorrowedText m_what;
};

// A control named by another control's window text (`lender`): a name box by its slot
// button, a combo box by its label.
LRESULT CALLBACK named_control_proc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                    DWORD_PTR lender) {
    if (message == WM_GETOBJECT) {
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

}  // namespace

LRESULT accessible_with_borrowed_text(HWND control, WPARAM wParam, LPARAM lParam, HWND lender,
                                      BorrowedText what) {
    if (static_cast<LONG>(lParam) != OBJID_CLIENT) return 0;
    const Oleacc& library = oleacc();
    if (!library.create_standard || !library.lresult_from_object) return 0;
    // The answer is marshalled through COM, which this thread then needs; it stays in its
    // apartment for the rest of the run.
    static const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    (void)com;
    IAccessible* standard = nullptr;
    if (FAILED(library.create_standard(control, OBJID_CLIENT, __uuidof(IAccessible),
                                       reinterpret_cast<void**>(&standard))))
        return 0;
    auto* borrowing = new BorrowingAccessible(standard, lender, what);
    const LRESULT answer = library.lresult_from_object(__uuidof(IAccessible), wParam, borrowing);
    borrowing->Release();
    return answer > 0 ? answer : 0;
}

namespace {

bool system_high_contrast() {
    HIGHCONTRASTW contrast = {};
    contrast.cbSize = sizeof contrast;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON);
}

}  // namespace

HighContrastQuery g_high_contrast_on = &system_high_contrast;

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
    CBitmapButton::DrawItem(item);
    // With a high-contrast theme on, a frame in the text colour outlines each slot.
    if (g_high_contrast_on()) FrameRect(item->hDC, &item->rcItem, GetSysColorBrush(COLOR_WINDOWTEXT));
    draw_focus_mark(*item);
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

void CSlotButton::ShowContextMenu(LPARAM position) {
    POINT at = {GET_X_LPARAM(position), GET_Y_LPARAM(position)};
    if (position == -1) {
        // From the keyboard (Shift+F10 or the menu key): under the button.
        RECT rect;
        GetWindowRect(m_hWnd, &rect);
        at = {rect.left, rect.bottom};
    }
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
    // The system's game controller settings belong to the Controller page only.
    if (m_player == 0) {
        if (HWND button = GetDlgItem(IDC_CONTROLLER_SETTINGS)) ShowWindow(button, SW_HIDE);
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
        if (note) ::SetWindowTextW(note, L"");
        return;
    }

    const std::vector<std::wstring> names = part_names();
    const std::wstring input = read_window_text(m_slotButtons[to].NameBox());
    if (note)
        ::SetWindowTextW(note, fill_pattern(text_w(kTakenNoteText), {input, names[from], names[to]}).c_str());
    m_flashSlot = from;
    m_flashTicks = kFlashTicks;
    SetTimer(kFlashTimer, kFlashPeriodMs);
    if (HWND box = m_slotButtons[from].NameBox()) InvalidateRect(box, nullptr, TRUE);
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
    g_shell_execute(m_hWnd, L"open", L"control", L"joy.cpl", nullptr, SW_SHOWNA);
}
