// The baselines for the start-up figure: a bare PropertySheetW with one empty page, built
// the same way as the tool (static, same compiler), doing nothing else; and, built with
// PROBE_FLOOR, the same after the hardware probe's Direct3D 8, Direct3D 9 and DirectDraw
// calls made once each, the least any start-up that probes the hardware can cost.
#ifdef PROBE_FLOOR
#include "probe/probe.h"
#endif

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <vector>

namespace {

// An empty 354 x 273 page template in memory.
std::vector<WORD> page_template() {
    std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD) + 3, 0);
    auto* dialog = reinterpret_cast<DLGTEMPLATE*>(words.data());
    dialog->style = WS_CHILD | WS_DISABLED | WS_CAPTION | DS_SETFONT;
    dialog->cx = 354;
    dialog->cy = 273;
    words.push_back(8);  // point size, then the face name
    for (const wchar_t* c = L"MS Shell Dlg"; *c; ++c) words.push_back(*c);
    words.push_back(0);
    return words;
}

INT_PTR CALLBACK page_proc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    InitCommonControls();
#ifdef PROBE_FLOOR
    probe_display_modes();
    probe_adapter();
#endif
    std::vector<WORD> dialog = page_template();
    PROPSHEETPAGEW page = {};
    page.dwSize = sizeof page;
    page.dwFlags = PSP_DLGINDIRECT | PSP_USETITLE;
    page.hInstance = instance;
    page.pResource = reinterpret_cast<LPCDLGTEMPLATEW>(dialog.data());
    page.pszTitle = L"Page";
    page.pfnDlgProc = page_proc;
    PROPSHEETHEADERW header = {};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW;
    header.hInstance = instance;
    header.pszCaption = L"Baseline";
    header.nPages = 1;
    header.ppsp = &page;
    PropertySheetW(&header);
    return 0;
}
