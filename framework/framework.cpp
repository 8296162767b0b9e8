#include "framework/framework.h"

#include <algorithm>
#include <cstdlib>

namespace {

const wchar_t kWindowObjectProp[] = L"framework.CWnd";
const wchar_t kSheetObjectProp[] = L"framework.CPropertySheet";

CWinApp* g_app = nullptr;
// The sheet whose PropertySheetW call is running; its callback has no context pointer.
CPropertySheet* g_creatingSheet = nullptr;

bool returns_value_directly(UINT message) {
    // Messages whose dialog-procedure return value is the result itself.
    switch (message) {
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
        case WM_COMPAREITEM:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
        case WM_QUERYDRAGICON:
        case WM_INITDIALOG:
            return true;
        default:
            return false;
    }
}

}  // namespace

// --- CWnd ---------------------------------------------------------------------------------

CWnd::~CWnd() {
    UnsubclassWindow();
}

const MessageMap& CWnd::GetMessageMap() const {
    static const MessageMap map = {nullptr, nullptr, 0};
    return map;
}

bool CWnd::DispatchMessageMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    const UINT id = LOWORD(wParam);
    const UINT code = HIWORD(wParam);
    for (const MessageMap* map = &GetMessageMap(); map; map = map->base) {
        for (size_t i = 0; i < map->count; ++i) {
            const MessageMapEntry& entry = map->entries[i];
            switch (entry.kind) {
                case MessageMapEntry::Kind::Command:
                    if (message == WM_COMMAND && code == entry.code && id == entry.first_id) {
                        (this->*entry.command)();
                        *result = 0;
                        return true;
                    }
                    break;
                case MessageMapEntry::Kind::CommandRange:
                    if (message == WM_COMMAND && code == entry.code && id >= entry.first_id &&
                        id <= entry.last_id) {
                        (this->*entry.range)(id);
                        *result = 0;
                        return true;
                    }
                    break;
                case MessageMapEntry::Kind::Message:
                    if (message == entry.message) {
                        *result = (this->*entry.handler)(wParam, lParam);
                        return true;
                    }
                    break;
            }
        }
    }
    return false;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
    return parent ? SubclassWindow(::GetDlgItem(parent->m_hWnd, id)) : FALSE;
}

BOOL CWnd::SubclassWindow(HWND hwnd) {
    if (!hwnd || m_originalProc) return FALSE;
    if (!SetPropW(hwnd, kWindowObjectProp, this)) return FALSE;
    m_hWnd = hwnd;
    m_originalProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::SubclassProc)));
    return TRUE;
}

void CWnd::UnsubclassWindow() {
    if (!m_originalProc) return;
    if (IsWindow(m_hWnd)) {
        SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_originalProc));
        RemovePropW(m_hWnd, kWindowObjectProp);
    }
    m_originalProc = nullptr;
    m_hWnd = nullptr;
}

CWnd* CWnd::FromSubclassed(HWND hwnd) {
    return hwnd ? static_cast<CWnd*>(GetPropW(hwnd, kWindowObjectProp)) : nullptr;
}

void CWnd::DrawItem(DRAWITEMSTRUCT*) {}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (DispatchMessageMap(message, wParam, lParam, &result)) return result;
    return CallOriginalProc(message, wParam, lParam);
}

LRESULT CWnd::CallOriginalProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return m_originalProc ? CallWindowProcW(m_originalProc, m_hWnd, message, wParam, lParam)
                          : DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CALLBACK CWnd::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* self = FromSubclassed(hwnd);
    if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        const LRESULT result = self->CallOriginalProc(message, wParam, lParam);
        self->UnsubclassWindow();
        return result;
    }
    return self->WindowProc(message, wParam, lParam);
}

bool CWnd::ReflectDrawItem(LPARAM lParam) {
    auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
    CWnd* control = item ? FromSubclassed(item->hwndItem) : nullptr;
    if (!control) return false;
    control->DrawItem(item);
    return true;
}

// --- Dialogs ------------------------------------------------------------------------------

INT_PTR CDialogBase::DialogResult(UINT message, LRESULT result) {
    if (returns_value_directly(message)) return static_cast<INT_PTR>(result);
    SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
    return TRUE;
}

INT_PTR CDialogBase::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog();
        case WM_DRAWITEM:
            if (ReflectDrawItem(lParam)) return TRUE;
            break;
        default:
            break;
    }
    LRESULT result = 0;
    if (DispatchMessageMap(message, wParam, lParam, &result)) return DialogResult(message, result);
    return FALSE;
}

INT_PTR CDialogBase::RouteDialogMessage(CDialogBase* created, HWND hwnd, UINT message, WPARAM wParam,
                                        LPARAM lParam) {
    CDialogBase* self = nullptr;
    if (message == WM_INITDIALOG && created) {
        self = created;
        self->m_hWnd = hwnd;
        SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<CDialogBase*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    }
    if (!self) return FALSE;
    if (message == WM_NCDESTROY) {
        const INT_PTR result = self->DialogProc(message, wParam, lParam);
        SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        self->m_hWnd = nullptr;
        return result;
    }
    return self->DialogProc(message, wParam, lParam);
}

CDialog::CDialog(UINT template_id, CWnd* parent) : CDialogBase(template_id), m_parent(parent) {}

INT_PTR CDialog::DoModal() {
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId),
                           m_parent ? m_parent->m_hWnd : nullptr, &CDialog::StaticDialogProc,
                           reinterpret_cast<LPARAM>(this));
}

void CDialog::EndDialog(INT_PTR result) {
    ::EndDialog(m_hWnd, result);
}

INT_PTR CALLBACK CDialog::StaticDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* created = message == WM_INITDIALOG ? reinterpret_cast<CDialog*>(lParam) : nullptr;
    return RouteDialogMessage(created, hwnd, message, wParam, lParam);
}

INT_PTR CDialog::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_COMMAND) return CDialogBase::DialogProc(message, wParam, lParam);
    LRESULT result = 0;
    if (DispatchMessageMap(message, wParam, lParam, &result)) return TRUE;
    switch (LOWORD(wParam)) {
        case IDOK:
            OnOK();
            return TRUE;
        case IDCANCEL:
            OnCancel();
            return TRUE;
        default:
            return FALSE;
    }
}

// --- Property pages -----------------------------------------------------------------------

CPropertyPage::CPropertyPage(UINT template_id) : CDialogBase(template_id), m_psp() {
    m_psp.dwSize = sizeof m_psp;
    m_psp.dwFlags = PSP_DEFAULT;
    m_psp.hInstance = GetModuleHandleW(nullptr);
    m_psp.pszTemplate = MAKEINTRESOURCEW(template_id);
    m_psp.pfnDlgProc = &CPropertyPage::StaticPageProc;
    m_psp.lParam = reinterpret_cast<LPARAM>(this);
}

BOOL CPropertyPage::OnSetActive() {
    if (m_activatedBefore) UpdateData(FALSE);
    m_activatedBefore = true;
    return TRUE;
}

BOOL CPropertyPage::OnApply() {
    OnOK();
    return TRUE;
}

INT_PTR CALLBACK CPropertyPage::StaticPageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    // The sheet hands the page a copy of its descriptor, whose lParam is the page object.
    CPropertyPage* created = nullptr;
    if (message == WM_INITDIALOG && lParam)
        created = reinterpret_cast<CPropertyPage*>(reinterpret_cast<PROPSHEETPAGEW*>(lParam)->lParam);
    return RouteDialogMessage(created, hwnd, message, wParam, lParam);
}

void CPropertyPage::QueueDpiChange(int dpi) {
    // Done once the messages of the change are through: under per-monitor awareness
    // version 2 the system lays the page out again and gives it its new font in its default
    // handling of WM_DPICHANGED_AFTERPARENT, after this procedure has seen the message.
    const bool queued = m_pendingDpi != 0;
    m_pendingDpi = dpi;
    if (!queued) PostMessageW(m_hWnd, kPageDpiSettled, 0, 0);
}

INT_PTR CPropertyPage::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kWmDpiChangedAfterParent) {
        QueueDpiChange(window_dpi(m_hWnd));
        return FALSE;
    }
    if (message == kPageDpiSettled) {
        if (const int dpi = std::exchange(m_pendingDpi, 0)) OnDpiChanged(dpi);
        return TRUE;
    }
    if (message == kPageWriteAsOkMessage) {
        OnOK();
        return TRUE;
    }
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (message != WM_NOTIFY || !header || header->hwndFrom != GetParent(m_hWnd))
        return CDialogBase::DialogProc(message, wParam, lParam);

    switch (header->code) {
        case PSN_SETACTIVE:
            return DialogResult(message, OnSetActive() ? 0 : -1);
        case PSN_KILLACTIVE:
            // TRUE keeps the page: the sheet neither switches nor closes.
            return DialogResult(message, OnKillActive() ? FALSE : TRUE);
        case PSN_APPLY: {
            const BOOL accepted = OnApply();
            if (m_sheet) m_sheet->m_result = accepted ? IDOK : IDCANCEL;
            return DialogResult(message, accepted ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE);
        }
        case PSN_RESET:
            OnCancel();
            return DialogResult(message, 0);
        default:
            return CDialogBase::DialogProc(message, wParam, lParam);
    }
}

// --- The sheet ----------------------------------------------------------------------------

CPropertySheet::CPropertySheet(const wchar_t* caption, CWnd* parent, UINT select_page) : m_psh() {
    m_psh.dwSize = sizeof m_psh;
    m_psh.dwFlags = PSH_DEFAULT;
    m_psh.hwndParent = parent ? parent->m_hWnd : nullptr;
    m_psh.hInstance = GetModuleHandleW(nullptr);
    m_psh.pszCaption = caption;
    m_psh.nStartPage = select_page;
}

// The pages are not touched here: a derived sheet that owns them has already destroyed
// them. A page only looks at its sheet while the sheet runs.
CPropertySheet::~CPropertySheet() = default;

void CPropertySheet::AddPage(CPropertyPage* page) {
    if (!page) return;
    page->m_sheet = this;
    m_pages.push_back(page);
}

INT_PTR CPropertySheet::DoModal() {
    m_pageDescriptors.clear();
    for (CPropertyPage* page : m_pages) {
        const auto* bytes = reinterpret_cast<const BYTE*>(&page->m_psp);
        const DWORD size = std::min<DWORD>(page->m_psp.dwSize, sizeof page->m_psp);
        m_pageDescriptors.insert(m_pageDescriptors.end(), bytes, bytes + size);
    }
    if (m_pages.empty()) return -1;

    m_psh.dwFlags |= PSH_PROPSHEETPAGE | PSH_USECALLBACK;
    m_psh.dwFlags &= ~PSH_MODELESS;
    m_psh.nPages = static_cast<UINT>(m_pages.size());
    m_psh.ppsp = reinterpret_cast<LPCPROPSHEETPAGEW>(m_pageDescriptors.data());
    m_psh.pfnCallback = &CPropertySheet::SheetCallback;

    m_result = IDCANCEL;
    g_creatingSheet = this;
    const INT_PTR shown = PropertySheetW(&m_psh);
    g_creatingSheet = nullptr;
    return shown < 0 ? -1 : m_result;
}

int CALLBACK CPropertySheet::SheetCallback(HWND hwnd, UINT message, LPARAM lParam) {
    if (message == PSCB_PRECREATE && lParam) {
        // No "?" button in the caption: the tool has no context help.
        auto* words = reinterpret_cast<WORD*>(lParam);
        const bool extended = words[1] == 0xFFFF;
        auto* style = reinterpret_cast<DWORD*>(extended ? words + 6 : words);
        *style &= ~static_cast<DWORD>(DS_CONTEXTHELP);
    } else if (message == PSCB_INITIALIZED && g_creatingSheet) {
        g_creatingSheet->AttachSheetWindow(hwnd);
    }
    return 0;
}

void CPropertySheet::AttachSheetWindow(HWND hwnd) {
    m_hWnd = hwnd;
    SetPropW(hwnd, kSheetObjectProp, this);
    m_sheetOriginalProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CPropertySheet::StaticSheetProc)));
    OnInitDialog();
}

LRESULT CALLBACK CPropertySheet::StaticSheetProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<CPropertySheet*>(GetPropW(hwnd, kSheetObjectProp));
    if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        const WNDPROC original = self->m_sheetOriginalProc;
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        RemovePropW(hwnd, kSheetObjectProp);
        self->m_sheetOriginalProc = nullptr;
        self->m_hWnd = nullptr;
        return CallWindowProcW(original, hwnd, message, wParam, lParam);
    }
    return self->SheetProc(message, wParam, lParam);
}

LRESULT CPropertySheet::SheetProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kWmDpiChanged) return OnDpiChanged(wParam, lParam);
    LRESULT result = 0;
    if (DispatchMessageMap(message, wParam, lParam, &result)) return result;
    return CallWindowProcW(m_sheetOriginalProc, m_hWnd, message, wParam, lParam);
}

LRESULT CPropertySheet::OnDpiChanged(WPARAM wParam, LPARAM lParam) {
    // The system's handling first: under per-monitor awareness version 2 it scales the
    // dialog parts of the sheet and its pages. Then the size the system suggests, then
    // what the pages draw and size themselves.
    CallWindowProcW(m_sheetOriginalProc, m_hWnd, kWmDpiChanged, wParam, lParam);
    if (const auto* suggested = reinterpret_cast<const RECT*>(lParam)) {
        SetWindowPos(m_hWnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // Where the system sends the pages no WM_DPICHANGED_AFTERPARENT of their own (before
    // per-monitor awareness version 2, and under Wine), this is their only word of the change.
    const int dpi = HIWORD(wParam);
    for (CPropertyPage* page : m_pages) {
        if (page->m_hWnd) page->QueueDpiChange(dpi);
    }
    return 0;
}

// --- Bitmap buttons -----------------------------------------------------------------------

CBitmapButton::~CBitmapButton() = default;

BOOL CBitmapButton::LoadBitmaps(UINT normal_id) {
    m_bitmap.reset(::LoadBitmapW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(normal_id)));
    return m_bitmap ? TRUE : FALSE;
}

void CBitmapButton::SizeToContent() {
    BITMAP info = {};
    if (!m_hWnd || !m_bitmap || !GetObjectW(m_bitmap.get(), sizeof info, &info)) return;
    SetWindowPos(m_hWnd, nullptr, 0, 0, info.bmWidth, info.bmHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CBitmapButton::SetBitmap(HBITMAP bitmap) {
    m_bitmap.reset(bitmap);
    if (m_hWnd) InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CBitmapButton::DrawItem(DRAWITEMSTRUCT* item) {
    if (!item || !m_bitmap) return;
    HDC memory = CreateCompatibleDC(item->hDC);
    if (!memory) return;
    HGDIOBJ previous = SelectObject(memory, m_bitmap.get());
    BITMAP info = {};
    GetObjectW(m_bitmap.get(), sizeof info, &info);
    BitBlt(item->hDC, item->rcItem.left, item->rcItem.top, info.bmWidth, info.bmHeight, memory, 0, 0,
           SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
}

const void* resource_bytes(UINT id, const wchar_t* type, DWORD& size) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), type);
    HGLOBAL data = resource ? LoadResource(module, resource) : nullptr;
    const void* bytes = data ? LockResource(data) : nullptr;
    size = bytes ? SizeofResource(module, resource) : 0;
    return bytes;
}

BOOL CBitmap::LoadBitmap(UINT id) {
    m_bitmap.reset(::LoadBitmapW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id)));
    return m_bitmap ? TRUE : FALSE;
}

// --- Display scale ------------------------------------------------------------------------

namespace {

UINT WINAPI system_dpi_for_window(HWND window) {
    // Loaded at run time: older systems have no per-window DPI.
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto get_dpi_for_window = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    return get_dpi_for_window ? get_dpi_for_window(window) : 0;
}

}  // namespace

GetDpiForWindowCall g_get_dpi_for_window = &system_dpi_for_window;

int window_dpi(HWND window) {
    if (window) {
        const UINT dpi = g_get_dpi_for_window(window);
        if (dpi > 0) return static_cast<int>(dpi);
    }
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kBaseDpi;
}

namespace {

// The average width of the font's characters as dialogs measure it for their layout (the
// horizontal dialog base unit); 0 when the font cannot be made.
int dialog_character_width(const LOGFONTW& description) {
    HFONT font = CreateFontIndirectW(&description);
    HDC screen = font ? GetDC(nullptr) : nullptr;
    if (!screen) {
        if (font) DeleteObject(font);
        return 0;
    }
    HGDIOBJ previous = SelectObject(screen, font);
    static const wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE size = {};
    const BOOL measured = GetTextExtentPoint32W(screen, kLetters, 52, &size);
    SelectObject(screen, previous);
    ReleaseDC(nullptr, screen);
    DeleteObject(font);
    return measured ? (size.cx / 26 + 1) / 2 : 0;
}

}  // namespace

int layout_dpi(HWND dialog, int dpi) {
    const auto font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    LOGFONTW description = {};
    if (!font || !GetObjectW(font, sizeof description, &description) || description.lfHeight == 0) return dpi;
    // The font's size in points, then its characters at `dpi` and at the base DPI.
    const int points = MulDiv(std::abs(description.lfHeight), 72, window_dpi(dialog));
    description.lfHeight = -MulDiv(points, dpi, 72);
    const int at_dpi = dialog_character_width(description);
    description.lfHeight = -MulDiv(points, kBaseDpi, 72);
    const int at_base = dialog_character_width(description);
    return at_dpi > 0 && at_base > 0 ? MulDiv(kBaseDpi, at_dpi, at_base) : dpi;
}

// --- The application ----------------------------------------------------------------------

CWinApp::CWinApp() {
    g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

CWinApp* CWinApp::Current() {
    return g_app;
}

int CWinApp::Run() {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return ExitInstance();
}

BOOL CWinApp::OnCmdMsg(UINT id) {
    if (id != ID_HELP) return FALSE;
    OnHelp();
    return TRUE;
}
