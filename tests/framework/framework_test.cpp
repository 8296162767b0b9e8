// The dialog framework driven for real: pages created on first show, OK applying only
// those, modal results, message maps and owner-draw reflection.
#include "framework/framework.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr UINT kTestPage = 201;
constexpr UINT kTestDialog = 202;
constexpr UINT kRunScript = WM_APP + 1;

std::vector<std::string> g_events;

bool happened(const std::string& event) {
    for (const std::string& e : g_events)
        if (e == event) return true;
    return false;
}

class TestPage : public CPropertyPage {
public:
    explicit TestPage(int index) : CPropertyPage(kTestPage), m_index(index) {}

    BOOL OnInitDialog() override {
        log("init");
        return CPropertyPage::OnInitDialog();
    }
    BOOL OnSetActive() override {
        log("active");
        return CPropertyPage::OnSetActive();
    }
    void OnOK() override { log("ok"); }
    BOOL UpdateData(BOOL save) override {
        log(save ? "save" : "load");
        return TRUE;
    }
    void OnDpiChanged(int) override { log("dpi"); }
    // The page's own answer to a message, before the dialog's default handling.
    INT_PTR Answer(UINT message) { return DialogProc(message, 0, 0); }

    void OnPress() { log("press"); }
    void OnRange(UINT id) { log("range" + std::to_string(id)); }
    LRESULT OnHelpMessage(WPARAM, LPARAM) {
        log("help");
        return TRUE;
    }
    LRESULT OnRunScript(WPARAM, LPARAM) {
        if (m_script) m_script(GetParent(m_hWnd), m_hWnd);
        return 0;
    }

    void (*m_script)(HWND sheet, HWND page) = nullptr;

    DECLARE_MESSAGE_MAP()

private:
    void log(const std::string& what) { g_events.push_back(std::to_string(m_index) + ":" + what); }
    int m_index;
};

BEGIN_MESSAGE_MAP(TestPage, CPropertyPage)
ON_BN_CLICKED(1001, &TestPage::OnPress)
ON_CONTROL_RANGE(BN_CLICKED, 1010, 1011, &TestPage::OnRange)
ON_MESSAGE(WM_HELP, &TestPage::OnHelpMessage)
ON_MESSAGE(kRunScript, &TestPage::OnRunScript)
END_MESSAGE_MAP()

class TestSheet : public CPropertySheet {
public:
    TestSheet() : CPropertySheet(L"Framework test sheet") {}
    BOOL OnInitDialog() override {
        g_events.push_back("sheet:init");
        return CPropertySheet::OnInitDialog();
    }
};

// Once the modal loop runs, a thread timer finds the sheet and asks its first page to
// run the test's script from inside the loop.
void CALLBACK start_script(HWND, UINT, UINT_PTR id, DWORD) {
    HWND sheet = FindWindowW(nullptr, L"Framework test sheet");
    if (!sheet) return;
    KillTimer(nullptr, id);
    HWND page = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    PostMessageW(page, kRunScript, 0, 0);
}

INT_PTR run_sheet(void (*script)(HWND sheet, HWND page)) {
    g_events.clear();
    TestPage first(0), second(1), third(2);
    first.m_script = script;
    TestSheet sheet;
    sheet.AddPage(&first);
    sheet.AddPage(&second);
    sheet.AddPage(&third);
    sheet.m_psh.dwFlags |= PSH_NOAPPLYNOW;
    SetTimer(nullptr, 0, 20, &start_script);
    return sheet.DoModal();
}

TEST(Sheet, OkAppliesOnlyThePagesThatWereShown) {
    const INT_PTR result = run_sheet([](HWND sheet, HWND) {
        SendMessageW(sheet, PSM_SETCURSEL, 2, 0);
        SendMessageW(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_TRUE(happened("sheet:init"));
    EXPECT_TRUE(happened("0:init"));
    EXPECT_TRUE(happened("2:init"));
    EXPECT_FALSE(happened("1:init")) << "a page is created only when first shown";
    EXPECT_TRUE(happened("0:ok"));
    EXPECT_TRUE(happened("2:ok"));
    EXPECT_FALSE(happened("1:ok"));
}

TEST(Sheet, CancelAppliesNothing) {
    const INT_PTR result =
        run_sheet([](HWND sheet, HWND) { SendMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0); });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_FALSE(happened("0:ok"));
}

TEST(Sheet, ClosingTheWindowCountsAsCancel) {
    const INT_PTR result = run_sheet([](HWND sheet, HWND) { PostMessageW(sheet, WM_CLOSE, 0, 0); });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_FALSE(happened("0:ok"));
}

TEST(Sheet, ReturningToAPageReloadsItsControls) {
    run_sheet([](HWND sheet, HWND) {
        SendMessageW(sheet, PSM_SETCURSEL, 1, 0);
        SendMessageW(sheet, PSM_SETCURSEL, 0, 0);
        SendMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
    // The first activation loads nothing; a later one refreshes the controls.
    int loads = 0;
    for (const std::string& e : g_events) loads += e == "0:load";
    EXPECT_EQ(loads, 1);
    EXPECT_TRUE(happened("0:save"));
}

TEST(MessageMap, RoutesCommandsRangesAndMessages) {
    run_sheet([](HWND sheet, HWND page) {
        SendMessageW(GetDlgItem(page, 1001), BM_CLICK, 0, 0);
        SendMessageW(GetDlgItem(page, 1002), BM_CLICK, 0, 0);  // no row: ignored
        SendMessageW(GetDlgItem(page, 1011), BM_CLICK, 0, 0);
        HELPINFO help = {sizeof help};
        SendMessageW(page, WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
        SendMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
    EXPECT_TRUE(happened("0:press"));
    EXPECT_TRUE(happened("0:range1011"));
    EXPECT_FALSE(happened("0:range1010"));
    EXPECT_TRUE(happened("0:help"));
}

// After WM_DPICHANGED_AFTERPARENT the page leaves the message to the dialog's default
// handling (which lays it out again at the new DPI) and sizes what it draws once that is
// through.
TEST(Page, LeavesTheDpiChangeToTheDefaultHandlingThenSizesItsDrawing) {
    static INT_PTR answer = -1;
    run_sheet([](HWND sheet, HWND page) {
        auto* object = reinterpret_cast<CDialogBase*>(GetWindowLongPtrW(page, DWLP_USER));
        answer = static_cast<TestPage*>(object)->Answer(kWmDpiChangedAfterParent);
        PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
    EXPECT_EQ(answer, FALSE) << "the default handling does not run";
    EXPECT_TRUE(happened("0:dpi"));
}

class TestDialog : public CDialog {
public:
    TestDialog() : CDialog(kTestDialog) {}
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        PostMessageW(m_hWnd, WM_COMMAND, MAKEWPARAM(m_button, BN_CLICKED), 0);
        return TRUE;
    }
    void OnFinish() { EndDialog(77); }
    UINT m_button = 1001;
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(TestDialog, CDialog)
ON_BN_CLICKED(1001, &TestDialog::OnFinish)
END_MESSAGE_MAP()

TEST(Dialog, ModalRunReturnsWhatEndsIt) {
    TestDialog finish;
    EXPECT_EQ(finish.DoModal(), 77);
    TestDialog ok;
    ok.m_button = IDOK;
    EXPECT_EQ(ok.DoModal(), IDOK);
    TestDialog cancel;
    cancel.m_button = IDCANCEL;
    EXPECT_EQ(cancel.DoModal(), IDCANCEL);
    EXPECT_EQ(ok.m_hWnd, nullptr) << "the object lets go of its window when it is destroyed";
}

class DrawnButton : public CWnd {
public:
    void DrawItem(DRAWITEMSTRUCT* item) override { drawn = item->CtlID; }
    UINT drawn = 0;
};

TEST(Subclassing, OwnerDrawReachesTheControlObject) {
    HWND parent = CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    HWND button = CreateWindowW(L"BUTTON", L"", WS_CHILD | BS_OWNERDRAW, 0, 0, 20, 20, parent,
                                reinterpret_cast<HMENU>(55), nullptr, nullptr);
    DrawnButton control;
    ASSERT_TRUE(control.SubclassWindow(button));
    EXPECT_EQ(CWnd::FromSubclassed(button), &control);
    EXPECT_FALSE(control.SubclassWindow(button)) << "a CWnd takes one window";
    DestroyWindow(parent);
    EXPECT_EQ(control.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromSubclassed(button), nullptr);
}

}  // namespace
