// Texts in real windows: the placeholder pass over a dialog built from an in-memory
// template, and the shipped texts measured in the controls the templates give them.
#include "test_database.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "res/resource.h"

namespace {

constexpr WORD kButtonClass = 0x0080;
constexpr WORD kStaticClass = 0x0082;

// An extended dialog template in the 8-point "MS Shell Dlg" font of the program's templates.
class DialogTemplate {
public:
    DialogTemplate(const wchar_t* caption, short width, short height) {
        add_u16(1);  // version
        add_u16(0xFFFF);
        add_u32(0);  // help id
        add_u32(0);  // extended style
        add_u32(WS_POPUP | WS_CAPTION | DS_SETFONT | DS_FIXEDSYS);
        m_countAt = m_words.size();
        add_u16(0);
        add_u16(0), add_u16(0), add_u16(width), add_u16(height);
        add_u16(0);  // no menu
        add_u16(0);  // default class
        add_string(caption);
        add_u16(8), add_u16(FW_NORMAL), add_u16(0x0100);  // size, weight, italic 0, charset 1
        add_string(L"MS Shell Dlg");
    }

    void add(WORD window_class, DWORD style, int id, const wchar_t* text, short x, short y, short width,
             short height) {
        if (m_words.size() % 2) add_u16(0);  // items start on 4 bytes
        add_u32(0);                          // help id
        add_u32(0);                          // extended style
        add_u32(WS_CHILD | WS_VISIBLE | style);
        add_u16(x), add_u16(y), add_u16(width), add_u16(height);
        add_u32(static_cast<DWORD>(id));
        add_u16(0xFFFF), add_u16(window_class);
        add_string(text);
        add_u16(0);  // no creation data
        ++m_words[m_countAt];
    }

    HWND create() const {
        return CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                          reinterpret_cast<const DLGTEMPLATE*>(m_words.data()), nullptr,
                                          default_dialog_procedure, 0);
    }

private:
    static INT_PTR CALLBACK default_dialog_procedure(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
    void add_u16(int value) { m_words.push_back(static_cast<WORD>(value)); }
    void add_u32(DWORD value) { add_u16(value & 0xFFFF), add_u16(value >> 16); }
    void add_string(const wchar_t* text) {
        for (; *text; ++text) add_u16(*text);
        add_u16(0);
    }

    std::vector<WORD> m_words;
    size_t m_countAt = 0;
};

std::wstring window_text(HWND window) {
    wchar_t buffer[512] = {};
    GetWindowTextW(window, buffer, 512);
    return buffer;
}

class TextWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        clear_string_database();
        HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(IDR_STRING_DATABASE), MAKEINTRESOURCEW(10));
        HGLOBAL data = resource ? LoadResource(nullptr, resource) : nullptr;
        ASSERT_NE(data, nullptr);
        nrv::storage::memory_streambuf buffer(LockResource(data),
                                              static_cast<int32_t>(SizeofResource(nullptr, resource)));
        std::istream stream(&buffer);
        ASSERT_TRUE(load_string_database(stream));
    }
    void TearDown() override {
        if (m_dialog) DestroyWindow(m_dialog);
        clear_string_database();
        set_language(nullptr, nullptr);
    }
    HWND m_dialog = nullptr;
};

TEST_F(TextWindowTest, PlaceholdersOfEveryDescendantAreReplaced) {
    set_language("de", "DE");
    DialogTemplate dialog(L"TEXT_ID_003", 200, 120);
    dialog.add(kButtonClass, BS_GROUPBOX, 1018, L"TEXT_ID_052", 4, 4, 190, 40);
    dialog.add(kButtonClass, BS_AUTORADIOBUTTON, 1003, L"TEXT_ID_034", 10, 16, 60, 10);
    dialog.add(kButtonClass, BS_AUTORADIOBUTTON, 1073, L"4:3", 80, 16, 27, 10);
    dialog.add(kStaticClass, SS_LEFT, -1, L"TEXT_ID_036", 10, 50, 100, 8);
    dialog.add(kStaticClass, SS_LEFT, 0, L"TEXT_ID_033", 10, 60, 100, 8);
    dialog.add(kStaticClass, SS_LEFT, 1200, L"TEXT_ID_999", 10, 70, 100, 8);
    dialog.add(kStaticClass, SS_LEFT, 1201, L"See TEXT_ID_052", 10, 80, 100, 8);
    dialog.add(kButtonClass, BS_PUSHBUTTON, IDCANCEL, L"TEXT_ID_030", 10, 95, 50, 14);
    m_dialog = dialog.create();
    ASSERT_NE(m_dialog, nullptr);
    // A child of a control: the pass reaches children of children.
    HWND grandchild =
        CreateWindowExW(0, L"STATIC", L"TEXT_ID_078", WS_CHILD | WS_VISIBLE, 2, 2, 60, 12,
                        GetDlgItem(m_dialog, 1018), reinterpret_cast<HMENU>(1300), nullptr, nullptr);
    ASSERT_NE(grandchild, nullptr);
    HWND static_minus_one = FindWindowExW(m_dialog, nullptr, L"Static", L"TEXT_ID_036");
    HWND no_id = FindWindowExW(m_dialog, nullptr, L"Static", L"TEXT_ID_033");
    ASSERT_NE(static_minus_one, nullptr);
    ASSERT_NE(no_id, nullptr);

    replace_text_placeholders(m_dialog);

    EXPECT_EQ(window_text(GetDlgItem(m_dialog, 1018)), text_w(52));
    EXPECT_EQ(window_text(GetDlgItem(m_dialog, 1018)), L"UDP-Port (Standard: 5739)");
    EXPECT_EQ(window_text(GetDlgItem(m_dialog, 1003)), text_w(34));
    EXPECT_EQ(window_text(GetDlgItem(m_dialog, IDCANCEL)), text_w(30));
    EXPECT_EQ(window_text(static_minus_one), text_w(36));
    EXPECT_EQ(window_text(grandchild), text_w(78));
    EXPECT_EQ(window_text(GetDlgItem(m_dialog, 1073)), L"4:3");
    EXPECT_EQ(window_text(GetDlgItem(m_dialog, 1200)), L"");
    EXPECT_EQ(window_text(GetDlgItem(m_dialog, 1201)), L"See TEXT_ID_052");
    EXPECT_EQ(window_text(no_id), L"TEXT_ID_033");
    EXPECT_EQ(window_text(m_dialog), L"TEXT_ID_003");
}

TEST_F(TextWindowTest, TextWSpeaksTheCurrentLanguage) {
    set_language("fr", "FR");
    EXPECT_EQ(text_w(30), L"Annuler");
    EXPECT_EQ(text_w(36), L"R\u00E9solution");
    set_language("ja", "JP");
    EXPECT_EQ(text_w(30), L"Cancel");
    EXPECT_EQ(text_w(1), L"");
}

// Where the templates put each text, in dialog units, and what kind of control shows it.
enum class Kind { kRadio, kCheck, kButton, kStatic };
struct Placement {
    uint32_t text;
    Kind kind;
    short width;
    short height;
};

const Placement kPlacements[] = {
    {34, Kind::kRadio, 60, 10},    {35, Kind::kRadio, 60, 10},   {38, Kind::kRadio, 40, 10},
    {39, Kind::kRadio, 40, 10},    {40, Kind::kRadio, 40, 10},   {126, Kind::kCheck, 100, 14},
    {125, Kind::kCheck, 100, 14},  {131, Kind::kCheck, 130, 14}, {78, Kind::kStatic, 35, 8},
    {45, Kind::kStatic, 35, 8},    {47, Kind::kStatic, 108, 24}, {30, Kind::kButton, 50, 14},
    {121, Kind::kButton, 120, 14},
};

// The width in pixels that a button control leaves for its text. The allowances are in
// dialog units, sized for the usual 8-point shell font at 96 dpi (a 13-pixel mark and its
// gap, two edges and their margins), so that they scale with the font as the text does and
// stay on the safe side where Wine's font runs wider.
int text_room(HWND control, Kind kind) {
    RECT client;
    GetClientRect(control, &client);
    RECT allowance = {0, 0, kind == Kind::kButton ? 6 : 12, 0};
    MapDialogRect(GetParent(control), &allowance);
    return client.right - client.left - allowance.right;
}

// True when the control shows all of its text: button texts on one line, static texts
// word-wrapped within the control's height.
bool text_fits(HWND control, Kind kind) {
    const std::wstring text = window_text(control);
    HDC dc = GetDC(control);
    HGDIOBJ old_font = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    bool fits = false;
    if (kind == Kind::kStatic) {
        RECT client, needed;
        GetClientRect(control, &client);
        needed = client;
        DrawTextW(dc, text.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK);
        fits = needed.bottom <= client.bottom && needed.right <= client.right;
    } else {
        SIZE size = {};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        fits = size.cx <= text_room(control, kind);
    }
    SelectObject(dc, old_font);
    ReleaseDC(control, dc);
    return fits;
}

TEST_F(TextWindowTest, EveryLanguagesLabelsFitTheirControls) {
    const char* const blocks[][2] = {{"en", "GB"}, {"fr", "FR"}, {"de", "DE"},
                                     {"it", "IT"}, {"es", "ES"}, {"pt", "PT"}};
    DialogTemplate dialog(L"", 200, 300);
    const DWORD styles[] = {BS_AUTORADIOBUTTON, BS_AUTOCHECKBOX, BS_PUSHBUTTON, SS_LEFT};
    short y = 0;
    int id = 1000;
    for (const Placement& placement : kPlacements) {
        std::wstring placeholder = L"TEXT_ID_" + std::to_wstring(placement.text);
        dialog.add(placement.kind == Kind::kStatic ? kStaticClass : kButtonClass,
                   styles[static_cast<int>(placement.kind)], id++, placeholder.c_str(), 0, y, placement.width,
                   placement.height);
        y = static_cast<short>(y + placement.height);
    }
    for (const auto& block : blocks) {
        SCOPED_TRACE(block[0]);
        set_language(block[0], block[1]);
        m_dialog = dialog.create();
        ASSERT_NE(m_dialog, nullptr);
        replace_text_placeholders(m_dialog);
        id = 1000;
        for (const Placement& placement : kPlacements) {
            HWND control = GetDlgItem(m_dialog, id++);
            EXPECT_TRUE(text_fits(control, placement.kind))
                << "text " << placement.text
                << " does not fit its control: " << testing::PrintToString(window_text(control));
        }
        DestroyWindow(m_dialog);
        m_dialog = nullptr;
    }
}

}  // namespace
