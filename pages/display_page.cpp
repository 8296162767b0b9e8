#include "pages/pages.h"

#include "res/resource.h"
#include "settings/settings.h"
#include "text/text.h"

namespace {

constexpr UINT_PTR kHoverTimer = 2;
constexpr UINT kHoverPeriodMs = 160;

// The controls that explain themselves when the cursor rests on them, or on F1.
constexpr ControlHelp kHelpTexts[] = {
    {IDC_QUALITY_LOW, kLowQualityHelpText},          {IDC_QUALITY_MEDIUM, kMediumQualityHelpText},
    {IDC_QUALITY_HIGH, kHighQualityHelpText},        {IDC_ASPECT_4_3, kAspect4To3HelpText},
    {IDC_ASPECT_16_9, kAspect16To9HelpText},         {IDC_WINDOW_MODE, kWindowModeHelpText},
    {IDC_FULL_SCREEN_MODE, kFullScreenModeHelpText},
};

}  // namespace

BEGIN_MESSAGE_MAP(CDisplayPage, CPropertyPage)
ON_CBN_SELCHANGE(IDC_RESOLUTION, &CDisplayPage::OnSelchangeResolution)
ON_BN_CLICKED(IDC_WINDOW_MODE, &CDisplayPage::OnScreenMode)
ON_BN_CLICKED(IDC_FULL_SCREEN_MODE, &CDisplayPage::OnScreenMode)
ON_BN_CLICKED(IDC_QUALITY_LOW, &CDisplayPage::OnQuality)
ON_BN_CLICKED(IDC_QUALITY_MEDIUM, &CDisplayPage::OnQuality)
ON_BN_CLICKED(IDC_QUALITY_HIGH, &CDisplayPage::OnQuality)
ON_MESSAGE(WM_TIMER, &CDisplayPage::OnTimer)
ON_MESSAGE(WM_HELP, &CDisplayPage::OnHelpRequest)
END_MESSAGE_MAP()

CDisplayPage::CDisplayPage()
    : CPropertyPage(IDD_DISPLAY_PAGE), m_help(kHelpTexts, sizeof kHelpTexts / sizeof kHelpTexts[0]) {
    m_psp.dwFlags &= ~PSP_HASHELP;
}

Resolution CDisplayPage::ScreenSize() {
    // The game has no DPI awareness: a window fits if it fits the desktop the game sees.
    return game_desktop_size();
}

int CDisplayPage::CheckedTier() const {
    if (IsDlgButtonChecked(IDC_QUALITY_LOW)) return 0;
    if (IsDlgButtonChecked(IDC_QUALITY_MEDIUM)) return 1;
    return 2;
}

bool CDisplayPage::SelectedMode(Resolution& mode) const {
    const LRESULT index = SendDlgItemMessage(IDC_RESOLUTION, CB_GETCURSEL);
    if (index < 0 || static_cast<size_t>(index) >= m_offeredModes.size()) return false;
    mode = m_offeredModes[index];
    return true;
}

BOOL CDisplayPage::OnInitDialog() {
    const int stored_quality = quality();
    if (stored_quality >= 0 && stored_quality <= 2)
        CheckDlgButton(IDC_QUALITY_LOW + stored_quality, BST_CHECKED);
    CheckDlgButton(wide_aspect() == 0 ? IDC_ASPECT_4_3 : IDC_ASPECT_16_9, BST_CHECKED);
    if (full_screen() == 0 || full_screen() == 1) {
        CheckDlgButton(full_screen() == 1 ? IDC_FULL_SCREEN_MODE : IDC_WINDOW_MODE, BST_CHECKED);
        OnScreenMode();
    }
    CheckDlgButton(IDC_VSYNC, vsync() ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_FRAME_SKIP, frame_skip() ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_NO_MOVIE, no_movie() ? BST_CHECKED : BST_UNCHECKED);

    FillResolutions(full_screen() == 1, true, screen_width(), screen_height());
    EnableDlgItem(IDC_VSYNC, quality() != 0);
    replace_text_placeholders(m_hWnd);
    return CPropertyPage::OnInitDialog();
}

BOOL CDisplayPage::OnSetActive() {
    SetTimer(kHoverTimer, kHoverPeriodMs);
    CPropertyPage::OnSetActive();
    return TRUE;
}

BOOL CDisplayPage::OnKillActive() {
    KillTimer(kHoverTimer);
    // Nothing would close the popup while the page is hidden.
    m_help.Close();
    return CPropertyPage::OnKillActive();
}

void CDisplayPage::OnOK() {
    set_full_screen(IsDlgButtonChecked(IDC_FULL_SCREEN_MODE) ? 1 : 0);
    set_quality(IsDlgButtonChecked(IDC_QUALITY_LOW) ? 0 : (IsDlgButtonChecked(IDC_QUALITY_HIGH) ? 2 : 1));
    set_wide_aspect(IsDlgButtonChecked(IDC_ASPECT_4_3) ? 0 : 1);
    Resolution mode;
    if (SelectedMode(mode)) {
        set_screen_width(mode.width);
        set_screen_height(mode.height);
    }
    set_vsync(IsDlgButtonChecked(IDC_VSYNC) == BST_CHECKED);
    set_frame_skip(IsDlgButtonChecked(IDC_FRAME_SKIP) == BST_CHECKED);
    set_no_movie(IsDlgButtonChecked(IDC_NO_MOVIE) == BST_CHECKED);
}

void CDisplayPage::FillResolutions(bool want_full_screen, bool use_given, int32_t given_width,
                                   int32_t given_height) {
    Resolution target = {given_width, given_height};
    Resolution selected;
    if (!use_given && SelectedMode(selected)) target = selected;

    SendDlgItemMessage(IDC_RESOLUTION, CB_RESETCONTENT);
    SendDlgItemMessage(IDC_RESOLUTION, WM_CLEAR);
    m_offeredModes.clear();

    const Resolution limit = max_resolution_for(CheckedTier(), video_memory_mb());
    const std::vector<OfferedMode> offered =
        offered_resolutions(listed_modes(), fullscreen_modes(), ScreenSize(), limit, want_full_screen);
    const std::u16string window_only = u16_from(text_w(kWindowOnlyText));
    const std::u16string full_screen_only = u16_from(text_w(kFullScreenOnlyText));

    LRESULT target_index = -1;
    for (const OfferedMode& mode : offered) {
        m_offeredModes.push_back(mode.resolution);
        const std::wstring label = wide_from(resolution_label(mode, window_only, full_screen_only));
        const LRESULT index =
            SendDlgItemMessage(IDC_RESOLUTION, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(label.c_str()));
        if (mode.resolution.width == target.width && mode.resolution.height == target.height)
            target_index = index;
    }
    SendDlgItemMessage(IDC_RESOLUTION, CB_SETCURSEL, target_index >= 0 ? target_index : 0);
    UpdateScreenModeRadios();
}

void CDisplayPage::UpdateScreenModeRadios() {
    // With nothing selected there is nothing to judge by: the radios stay as they are.
    Resolution mode;
    if (!SelectedMode(mode)) return;
    EnableDlgItem(IDC_WINDOW_MODE, fits_screen(mode, ScreenSize()));
    EnableDlgItem(IDC_FULL_SCREEN_MODE, fullscreen_modes().count(mode) != 0);
}

void CDisplayPage::OnSelchangeResolution() {
    Resolution mode;
    if (SelectedMode(mode)) {
        const bool wide = is_wider_than_4_3(mode);
        CheckDlgButton(IDC_ASPECT_4_3, wide ? BST_UNCHECKED : BST_CHECKED);
        CheckDlgButton(IDC_ASPECT_16_9, wide ? BST_CHECKED : BST_UNCHECKED);
    }
    UpdateScreenModeRadios();
}

void CDisplayPage::OnScreenMode() {
    FillResolutions(IsDlgButtonChecked(IDC_FULL_SCREEN_MODE) == BST_CHECKED, false, 0, 0);
}

void CDisplayPage::OnQuality() {
    int tier = CheckedTier();
    if (tier != 0 && !can_run_tier(tier)) {
        MessageBox(text_w(kQualityRefusedText).c_str(), text_w(kQualityText).c_str(), MB_ICONERROR);
        CheckDlgButton(IDC_QUALITY_MEDIUM, BST_UNCHECKED);
        CheckDlgButton(IDC_QUALITY_HIGH, BST_UNCHECKED);
        if (tier == 1 || !can_run_tier(1)) {
            CheckDlgButton(IDC_QUALITY_LOW, BST_CHECKED);
            tier = 0;
        } else {
            CheckDlgButton(IDC_QUALITY_MEDIUM, BST_CHECKED);
            tier = 1;
        }
    }
    FillResolutions(IsDlgButtonChecked(IDC_FULL_SCREEN_MODE) == BST_CHECKED, false, 0, 0);
    EnableDlgItem(IDC_VSYNC, tier != 0);
}

LRESULT CDisplayPage::OnTimer(WPARAM, LPARAM) {
    m_help.Tick(m_hWnd);
    return 0;
}

LRESULT CDisplayPage::OnHelpRequest(WPARAM, LPARAM) {
    m_help.ShowForFocus(m_hWnd);
    return TRUE;
}
