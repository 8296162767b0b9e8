// Accessible objects of the tool's own controls for screen readers: the system's object of
// a control with its name or value borrowed from another control's text and, where asked,
// another role; and the events that tell readers of a changed note.
#include "pages/pages.h"

#include "nrv/win32/win32.h"

#include <oleacc.h>

#include <string>

namespace {

// oleacc is loaded when a client first asks, so that the program imports only DLLs every
// Windows has, and from the system folder only.
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

// The name the system's own accessible object gives the control; empty when there is none.
std::wstring standard_name(HWND control) {
    const Oleacc& library = oleacc();
    ComPtr<IAccessible> standard;
    if (!library.create_standard ||
        FAILED(library.create_standard(control, OBJID_CLIENT, __uuidof(IAccessible),
                                       reinterpret_cast<void**>(standard.put()))))
        return L"";
    VARIANT self = {};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    std::wstring result;
    if (SUCCEEDED(standard->get_accName(self, &name)) && name) result = name;
    SysFreeString(name);
    return result;
}

// The control's standard accessible object, with its name or its value read from another
// control's window text at the time a client asks.
class BorrowingAccessible final : public IAccessible {
public:
    // Takes over the reference to `standard`.
    BorrowingAccessible(IAccessible* standard, HWND lender, BorrowedText what, LONG role)
        : m_lender(lender), m_what(what), m_role(role) {
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
        // Nothing else: an interface of the standard object (IServiceProvider, IEnumVARIANT,
        // IAccIdentity, IMarshal...) would lead clients to it, past the borrowed text.
        *object = nullptr;
        return E_NOINTERFACE;
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
        if (m_role != 0 && is_self(child) && role) {
            role->vt = VT_I4;
            role->lVal = m_role;
            return S_OK;
        }
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
    LONG m_role;  // 0: the control's own
};

}  // namespace

LRESULT accessible_with_borrowed_text(HWND control, WPARAM wParam, LPARAM lParam, HWND lender,
                                      BorrowedText what, LONG role) {
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
    auto* borrowing = new BorrowingAccessible(standard, lender, what, role);
    const LRESULT answer = library.lresult_from_object(__uuidof(IAccessible), wParam, borrowing);
    borrowing->Release();
    return answer > 0 ? answer : 0;
}

bool system_names_after(HWND control, HWND label) {
    return label && is_label_name(standard_name(control), read_window_text(label));
}

namespace {

// Windows 8 and later: a live region's content changed (UI Automation's LiveRegionChanged).
constexpr DWORD kEventLiveRegionChanged = 0x8019;
// UI Automation's LiveSetting property and its value Polite: read out once the reader is idle.
const GUID kLiveSettingProperty = {
    0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
constexpr LONG kPoliteLiveSetting = 1;

// Marks the control a polite live region where the system knows live regions (Windows 8
// and later); elsewhere nothing happens. Done once per control, when its first text is told.
void mark_polite_live_region(HWND control) {
    constexpr wchar_t kMarked[] = L"CalcoraLiveRegion";
    if (GetPropW(control, kMarked)) return;
    SetPropW(control, kMarked, reinterpret_cast<HANDLE>(1));
    static const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    (void)com;
    ComPtr<IAccPropServices> services;
    if (FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                                reinterpret_cast<void**>(services.put()))))
        return;
    VARIANT polite = {};
    polite.vt = VT_I4;
    polite.lVal = kPoliteLiveSetting;
    services->SetHwndProp(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, kLiveSettingProperty,
                          polite);
}

}  // namespace

void announce_note(HWND note) {
    mark_polite_live_region(note);
    NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, note, OBJID_CLIENT, CHILDID_SELF);
    NotifyWinEvent(kEventLiveRegionChanged, note, OBJID_CLIENT, CHILDID_SELF);
}

bool is_label_name(const std::wstring& name, const std::wstring& label) {
    // As the system reads a label: without its mnemonic marks and a colon at its end.
    const auto as_read = [](const std::wstring& text) {
        std::wstring read;
        for (size_t at = 0; at < text.size(); ++at) {
            if (text[at] == L'&' && at + 1 < text.size()) ++at;
            read += text[at];
        }
        while (!read.empty() && (read.back() == L' ' || read.back() == L':')) read.pop_back();
        return read;
    };
    const std::wstring read = as_read(label);
    return !read.empty() && as_read(name) == read;
}
