// The dialog framework every window of the tool lives in: an application object, modal
// dialogs, a property sheet with its pages and bitmap buttons, over raw Win32. It offers
// only what the tool uses. Handlers are rows of a per-class message map; nothing throws.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "nrv/win32/win32.h"

#include <cstddef>
#include <utility>
#include <vector>

// --- Message maps -------------------------------------------------------------------------

class CWnd;

// One row of a message map: a WM_COMMAND notification from a control id (or a range of
// ids), or any other message. Handlers are members of the class that owns the map.
struct MessageMapEntry {
    enum class Kind { Command, CommandRange, Message };
    using CommandHandler = void (CWnd::*)();
    using RangeHandler = void (CWnd::*)(UINT);
    using MessageHandler = LRESULT (CWnd::*)(WPARAM, LPARAM);

    Kind kind;
    UINT message;  // the message for Kind::Message
    UINT code;     // the notification code for commands
    UINT first_id;
    UINT last_id;
    CommandHandler command;
    RangeHandler range;
    MessageHandler handler;
};

struct MessageMap {
    const MessageMap* base;
    const MessageMapEntry* entries;
    size_t count;
};

template <class T>
MessageMapEntry MapCommand(UINT id, UINT code, void (T::*fn)()) {
    return {MessageMapEntry::Kind::Command,
            WM_COMMAND,
            code,
            id,
            id,
            static_cast<MessageMapEntry::CommandHandler>(fn),
            nullptr,
            nullptr};
}
template <class T>
MessageMapEntry MapCommandRange(UINT first, UINT last, UINT code, void (T::*fn)(UINT)) {
    return {MessageMapEntry::Kind::CommandRange,
            WM_COMMAND,
            code,
            first,
            last,
            nullptr,
            static_cast<MessageMapEntry::RangeHandler>(fn),
            nullptr};
}
template <class T>
MessageMapEntry MapMessage(UINT message, LRESULT (T::*fn)(WPARAM, LPARAM)) {
    return {MessageMapEntry::Kind::Message,
            message,
            0,
            0,
            0,
            nullptr,
            nullptr,
            static_cast<MessageMapEntry::MessageHandler>(fn)};
}

#define DECLARE_MESSAGE_MAP() \
protected:                    \
    const MessageMap& GetMessageMap() const override;

// BEGIN_MESSAGE_MAP(CMyPage, CPropertyPage)
//     ON_BN_CLICKED(1003, &CMyPage::OnScreenMode)
// END_MESSAGE_MAP()
#define BEGIN_MESSAGE_MAP(Class, Base)                                          \
    const MessageMap& Class::GetMessageMap() const {                            \
        using ThisClass = Class;                                                \
        static const MessageMap* const base_map = &this->Base::GetMessageMap(); \
        static const MessageMapEntry entries[] = {
#define END_MESSAGE_MAP()                                                                      \
    MessageMapEntry {}                                                                         \
    }                                                                                          \
    ;                                                                                          \
    static const MessageMap map = {base_map, entries, sizeof entries / sizeof entries[0] - 1}; \
    return map;                                                                                \
    }
#define ON_COMMAND_CODE(id, code, fn) MapCommand<ThisClass>((id), (code), (fn)),
#define ON_BN_CLICKED(id, fn) ON_COMMAND_CODE(id, BN_CLICKED, fn)
#define ON_CBN_SELCHANGE(id, fn) ON_COMMAND_CODE(id, CBN_SELCHANGE, fn)
#define ON_CONTROL_RANGE(code, first, last, fn) MapCommandRange<ThisClass>((first), (last), (code), (fn)),
#define ON_MESSAGE(message, fn) MapMessage<ThisClass>((message), (fn)),

// --- Windows ------------------------------------------------------------------------------

// A window the framework knows. Dialog controls can be subclassed onto a CWnd so that
// their owner-draw requests reach DrawItem.
class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }
    HWND m_hWnd = nullptr;

    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    LRESULT SendDlgItemMessage(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendDlgItemMessageW(m_hWnd, id, message, wParam, lParam);
    }
    void CheckDlgButton(int id, UINT check) const { ::CheckDlgButton(m_hWnd, id, check); }
    UINT IsDlgButtonChecked(int id) const { return ::IsDlgButtonChecked(m_hWnd, id); }
    void EnableDlgItem(int id, BOOL enable) const { ::EnableWindow(GetDlgItem(id), enable); }
    void SetDlgItemText(int id, const wchar_t* text) const { ::SetDlgItemTextW(m_hWnd, id, text); }
    void SetDlgItemInt(int id, UINT value, BOOL is_signed = TRUE) const {
        ::SetDlgItemInt(m_hWnd, id, value, is_signed);
    }
    UINT GetDlgItemInt(int id, BOOL* translated = nullptr, BOOL is_signed = TRUE) const {
        return ::GetDlgItemInt(m_hWnd, id, translated, is_signed);
    }
    void SetWindowText(const wchar_t* text) const { ::SetWindowTextW(m_hWnd, text); }
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse) const { return ::SetTimer(m_hWnd, id, elapse, nullptr); }
    BOOL KillTimer(UINT_PTR id) const { return ::KillTimer(m_hWnd, id); }
    int MessageBox(const wchar_t* text, const wchar_t* caption, UINT type) const {
        return ::MessageBoxW(m_hWnd, text, caption, type);
    }

    // Takes over the dialog control `id` of `parent`: its messages go to WindowProc and
    // owner-draw requests sent to the parent reach DrawItem.
    BOOL SubclassDlgItem(UINT id, CWnd* parent);
    BOOL SubclassWindow(HWND hwnd);
    void UnsubclassWindow();
    // The CWnd subclassed onto hwnd, if any.
    static CWnd* FromSubclassed(HWND hwnd);

    virtual void DrawItem(DRAWITEMSTRUCT* item);

protected:
    virtual const MessageMap& GetMessageMap() const;
    // Runs the map's handler for the message; false when no row matches.
    bool DispatchMessageMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // Messages of a subclassed control; the default passes them on to its own procedure.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT CallOriginalProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Sends owner-draw requests to the subclassed control they are meant for.
    static bool ReflectDrawItem(LPARAM lParam);

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    WNDPROC m_originalProc = nullptr;
};

// Shared dialog-procedure plumbing of CDialog and CPropertyPage. `this` is bound on
// WM_INITDIALOG; earlier messages get the dialog manager's default handling.
class CDialogBase : public CWnd {
public:
    virtual BOOL OnInitDialog() { return TRUE; }
    // What UpdateData would move between controls and members: this framework has no
    // data exchange, so it only reports success.
    virtual BOOL UpdateData(BOOL save_and_validate = TRUE) { return TRUE; }

protected:
    explicit CDialogBase(UINT template_id) : m_templateId(template_id) {}
    virtual INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Gives the dialog manager a message's result: the one place DWLP_MSGRESULT is written.
    INT_PTR DialogResult(UINT message, LRESULT result);
    // Routes a dialog message to the object bound to hwnd; `created` is the object the
    // WM_INITDIALOG message carries.
    static INT_PTR RouteDialogMessage(CDialogBase* created, HWND hwnd, UINT message, WPARAM wParam,
                                      LPARAM lParam);

    UINT m_templateId;
};

// A modal dialog built from a dialog template resource.
class CDialog : public CDialogBase {
public:
    explicit CDialog(UINT template_id, CWnd* parent = nullptr);
    // Runs the dialog; IDOK, IDCANCEL or what EndDialog was given; -1 on failure.
    virtual INT_PTR DoModal();
    void EndDialog(INT_PTR result);
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }

protected:
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    static INT_PTR CALLBACK StaticDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    CWnd* m_parent;
};

// --- Display scale ------------------------------------------------------------------------

// Lengths in the tool's code and the pictures of 100 % are for this DPI.
constexpr int kBaseDpi = 96;
// Sent when a window of a per-monitor DPI-aware program moves to a screen of another DPI:
// the new DPI in both words of wParam, the suggested window rectangle at lParam.
constexpr UINT kWmDpiChanged = 0x02E0;
// Sent to each child window after its top-level window's WM_DPICHANGED (per-monitor
// awareness version 2); a child dialog's new layout and font come in its default handling.
constexpr UINT kWmDpiChangedAfterParent = 0x02E3;
// Posted by a page to itself to size what it draws once a DPI change is through.
constexpr UINT kPageDpiSettled = WM_APP + 0x100;
// Sent to a page that was created: it writes its controls into the settings as OK would
// (OnOK), so that the caller can see what OK would save.
constexpr UINT kPageWriteAsOkMessage = WM_APP + 0x101;

// The system's per-window DPI (GetDpiForWindow, 0 where there is none) unless a test
// puts its own answer in.
using GetDpiForWindowCall = UINT(WINAPI*)(HWND);
extern GetDpiForWindowCall g_get_dpi_for_window;

// The DPI a window is shown at: its own where the system knows one per window (Windows 10
// 1607 and later, Wine), otherwise the system's; kBaseDpi when neither can be read.
int window_dpi(HWND window);
// A length in pixels at kBaseDpi as it is at `dpi`, rounded to the nearest pixel.
inline int scale_to_dpi(int length, int dpi) {
    return MulDiv(length, dpi, kBaseDpi);
}
// The DPI to draw a dialog's own pictures at so that they keep their share of the dialog
// when it is shown at `dpi`. A dialog's layout grows with the width of its font's
// characters, which does not follow the DPI exactly (8-point text is 7 pixels wide at 96 DPI
// and 13 at 192 under Wine), so the pictures grow by the same ratio. `dpi` itself when the
// dialog has no font that can be read.
int layout_dpi(HWND dialog, int dpi);

class CPropertySheet;

// A page of a property sheet, built from a dialog template the first time it is shown.
class CPropertyPage : public CDialogBase {
public:
    explicit CPropertyPage(UINT template_id);

    virtual BOOL OnSetActive();
    virtual BOOL OnKillActive() { return UpdateData(TRUE); }
    // Called for every created page when the sheet is closed with OK.
    virtual void OnOK() {}
    virtual void OnCancel() {}
    virtual BOOL OnApply();
    // Called for every created page once the sheet has moved to a screen of another DPI,
    // taken its new size and laid the page out again, for what the page draws or sizes itself.
    virtual void OnDpiChanged(int dpi) {}

    PROPSHEETPAGEW m_psp;

protected:
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    friend class CPropertySheet;
    static INT_PTR CALLBACK StaticPageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // Calls OnDpiChanged with the DPI last queued once the messages of the change are through.
    void QueueDpiChange(int dpi);
    CPropertySheet* m_sheet = nullptr;
    bool m_activatedBefore = false;
    int m_pendingDpi = 0;
};

// A modal property sheet over PropertySheetW. Pages are added in tab order; OK applies
// every page that was created and DoModal returns IDOK, anything else IDCANCEL.
class CPropertySheet : public CWnd {
public:
    CPropertySheet(const wchar_t* caption, CWnd* parent = nullptr, UINT select_page = 0);
    ~CPropertySheet() override;

    void AddPage(CPropertyPage* page);
    int GetPageCount() const { return static_cast<int>(m_pages.size()); }
    CPropertyPage* GetPage(int index) const { return m_pages[index]; }
    virtual INT_PTR DoModal();
    virtual BOOL OnInitDialog() { return TRUE; }

    PROPSHEETHEADERW m_psh;

protected:
    virtual LRESULT SheetProc(UINT message, WPARAM wParam, LPARAM lParam);

private:
    friend class CPropertyPage;
    LRESULT OnDpiChanged(WPARAM wParam, LPARAM lParam);
    static int CALLBACK SheetCallback(HWND hwnd, UINT message, LPARAM lParam);
    static LRESULT CALLBACK StaticSheetProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void AttachSheetWindow(HWND hwnd);

    std::vector<CPropertyPage*> m_pages;
    // The pages' descriptors back to back, each taking its own dwSize bytes, as the
    // system walks them.
    std::vector<BYTE> m_pageDescriptors;
    WNDPROC m_sheetOriginalProc = nullptr;
    // IDOK once every page accepted the apply that OK starts; a page refusing it keeps
    // the sheet open and the result at IDCANCEL.
    INT_PTR m_result = IDCANCEL;
};

// A push button drawn from a bitmap resource.
class CBitmapButton : public CWnd {
public:
    CBitmapButton() = default;
    ~CBitmapButton() override;
    // Loads the bitmap shown in the button's normal state.
    BOOL LoadBitmaps(UINT normal_id);
    // Resizes the control to its bitmap.
    void SizeToContent();
    // Shows this bitmap, which the button owns from now on, instead of the loaded one.
    void SetBitmap(HBITMAP bitmap);
    void DrawItem(DRAWITEMSTRUCT* item) override;

protected:
    GdiObject<HBITMAP> m_bitmap;
};

// The bytes of one of the program's own resources, which stay for the life of the process,
// and their count in `size`; null, with `size` 0, when there is no such resource.
const void* resource_bytes(UINT id, const wchar_t* type, DWORD& size);

// A bitmap resource owned for the life of the object.
class CBitmap {
public:
    BOOL LoadBitmap(UINT id);
    HBITMAP get() const { return m_bitmap.get(); }

private:
    GdiObject<HBITMAP> m_bitmap;
};

// --- The application ----------------------------------------------------------------------

// The one application object. WinMain calls InitInstance; when it returns FALSE the
// process ends without a message loop.
class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual BOOL InitInstance() { return TRUE; }
    virtual int Run();
    virtual int ExitInstance() { return 0; }
    // Routes a command sent to the application; only the Help command has a handler.
    virtual BOOL OnCmdMsg(UINT id);
    void OnHelp() {}

    CWnd* m_pMainWnd = nullptr;
    HINSTANCE m_hInstance = nullptr;

    static CWinApp* Current();
};

constexpr UINT ID_HELP = 57670;

// Kept for the start-up sequence's shape: the framework hosts no ActiveX controls.
inline void AfxEnableControlContainer() {}
