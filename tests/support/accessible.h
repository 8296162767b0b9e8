// What a screen reader reads of a window: the object AccessibleObjectFromWindow gives for
// its client area, and that object's name, role and value. From a window of another
// process the object comes through WM_GETOBJECT and COM's marshalling, as it comes to a
// reader; the calling thread has COM initialised. Link oleacc, ole32 and oleaut32.
#pragma once

#include <windows.h>
#include <oleacc.h>
#include <oleauto.h>

#include <string>

namespace test_support {

struct AccessibleView {
    std::wstring name;
    LONG role = 0;  // 0: none read
    std::wstring value;
};

// The text one of IAccessible's string getters gives; empty when it gives none.
template <class Getter>
std::wstring accessible_string(Getter get) {
    BSTR text = nullptr;
    const HRESULT read = get(&text);
    std::wstring taken = SUCCEEDED(read) && text ? text : L"";
    SysFreeString(text);
    return taken;
}

inline AccessibleView accessible_view(HWND window) {
    AccessibleView view;
    IAccessible* object = nullptr;
    // The interface id from the header: the one the import library carries is not usable.
    if (FAILED(AccessibleObjectFromWindow(window, OBJID_CLIENT, __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&object))) ||
        !object)
        return view;
    VARIANT self = {};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    view.name = accessible_string([&](BSTR* text) { return object->get_accName(self, text); });
    view.value = accessible_string([&](BSTR* text) { return object->get_accValue(self, text); });
    VARIANT role = {};
    if (SUCCEEDED(object->get_accRole(self, &role)) && role.vt == VT_I4) view.role = role.lVal;
    object->Release();
    return view;
}

}  // namespace test_support
