// The Keyboard and Controller pages: device, mode, the 24 function assignments and the
// lit controller picture.
#include "pages/controller/internal.h"

#include "nrv/peripheral/peripheral.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "text/text.h"

#include <cstring>
#include <string>

namespace {

using nrv::peripheral::input_device_dx8;

constexpr UINT kPagePeriodMs = 160;
// What the page timer tells the input manager has passed: about one period.
constexpr float kTickSeconds = 0.166f;
constexpr int kKeyboardSlot = 0;
constexpr int kFirstPlayer = 1;
constexpr int kLastPlayer = 4;
constexpr int kGameControllerKind = nrv::peripheral::device_game_controller;

// The side of a slot button's square picture in pixels at 96 DPI.
constexpr int kSlotPictureSide = 20;

// The controls and picture of each function slot, in slot order.
struct FunctionSlot {
    int button;
    int name;
    UINT bitmap;
};
constexpr FunctionSlot kSlots[kFunctionCount] = {
    {IDC_SLOT_Y, IDC_NAME_Y, IDB_SLOT_Y},
    {IDC_SLOT_B, IDC_NAME_B, IDB_SLOT_B},
    {IDC_SLOT_A, IDC_NAME_A, IDB_SLOT_A},
    {IDC_SLOT_X, IDC_NAME_X, IDB_SLOT_X},
    {IDC_SLOT_LT, IDC_NAME_LT, IDB_SLOT_LT},
    {IDC_SLOT_RT, IDC_NAME_RT, IDB_SLOT_RT},
    {IDC_SLOT_LB, IDC_NAME_LB, IDB_SLOT_LB},
    {IDC_SLOT_RB, IDC_NAME_RB, IDB_SLOT_RB},
    {IDC_SLOT_START, IDC_NAME_START, IDB_SLOT_START},
    {IDC_SLOT_BACK, IDC_NAME_BACK, IDB_SLOT_BACK},
    {IDC_SLOT_LSTICK_PRESS, IDC_NAME_LSTICK_PRESS, IDB_SLOT_LSTICK_PRESS},
    {IDC_SLOT_RSTICK_PRESS, IDC_NAME_RSTICK_PRESS, IDB_SLOT_RSTICK_PRESS},
    {IDC_SLOT_DPAD_UP, IDC_NAME_DPAD_UP, IDB_SLOT_DPAD_UP},
    {IDC_SLOT_DPAD_RIGHT, IDC_NAME_DPAD_RIGHT, IDB_SLOT_DPAD_RIGHT},
    {IDC_SLOT_DPAD_DOWN, IDC_NAME_DPAD_DOWN, IDB_SLOT_DPAD_DOWN},
    {IDC_SLOT_DPAD_LEFT, IDC_NAME_DPAD_LEFT, IDB_SLOT_DPAD_LEFT},
    {IDC_SLOT_LSTICK_UP, IDC_NAME_LSTICK_UP, IDB_SLOT_LSTICK_UP},
    {IDC_SLOT_LSTICK_DOWN, IDC_NAME_LSTICK_DOWN, IDB_SLOT_LSTICK_DOWN},
    {IDC_SLOT_LSTICK_LEFT, IDC_NAME_LSTICK_LEFT, IDB_SLOT_LSTICK_LEFT},
    {IDC_SLOT_LSTICK_RIGHT, IDC_NAME_LSTICK_RIGHT, IDB_SLOT_LSTICK_RIGHT},
    {IDC_SLOT_RSTICK_UP, IDC_NAME_RSTICK_UP, IDB_SLOT_RSTICK_UP},
    {IDC_SLOT_RSTICK_DOWN, IDC_NAME_RSTICK_DOWN, IDB_SLOT_RSTICK_DOWN},
    {IDC_SLOT_RSTICK_LEFT, IDC_NAME_RSTICK_LEFT, IDB_SLOT_RSTICK_LEFT},
    {IDC_SLOT_RSTICK_RIGHT, IDC_NAME_RSTICK_RIGHT, IDB_SLOT_RSTICK_RIGHT},
};

// The mode radios explain themselves when the cursor rests on them, or on F1.
constexpr ControlHelp kModeHelp[] = {{IDC_XINPUT, kXInputHelpText}, {IDC_DIRECTINPUT, kDirectInputHelpText}};

// The controls the mode radios and the slot controls switch together.
constexpr int kSelectionControls[] = {IDC_PLAYER_LABEL, IDC_PLAYER, IDC_DEVICE_LABEL, IDC_DEVICE};

static_assert(sizeof(GUID) == sizeof(SettingsGuid), "a stored GUID is a GUID");

GUID to_guid(const SettingsGuid& stored) {
    GUID guid;
    std::memcpy(&guid, &stored, sizeof guid);
    return guid;
}

SettingsGuid to_stored(const GUID& guid) {
    SettingsGuid stored;
    std::memcpy(&stored, &guid, sizeof stored);
    return stored;
}

const SettingsGuid kNoDevice = {};

bool same_guid(const GUID& a, const GUID& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool holds(unsigned player, const SettingsGuid& device) {
    return std::memcmp(&pad_device(player), &device, sizeof device) == 0;
}

// A controller slot's device and entries as they are now, and put back.
PadSlot copy_of_slot(unsigned player) {
    PadSlot slot = {};
    slot.device_guid = pad_device(player);
    if (const uint32_t* entries = pad_assignments(player))
        std::memcpy(slot.assignments, entries, sizeof slot.assignments);
    return slot;
}

void put_slot(unsigned player, const PadSlot& slot) {
    pad_device(player) = slot.device_guid;
    store_pad_assignments(player, slot.assignments);
}

std::wstring device_name(const input_device_dx8& device) {
    std::wstring name;
    device.instance_name(name);
    return name;
}

std::wstring device_path(const input_device_dx8& device) {
    std::wstring path;
    device.device_path(path);
    return path;
}

PadIds device_ids(const input_device_dx8& device) {
    PadIds ids;
    device.product_ids(ids.vendor, ids.product);
    return ids;
}

}  // namespace

std::wstring player_name(int player) {
    return text_w(kControllerText) + L" " + std::to_wstring(player);
}

PadFamily device_family(const input_device_dx8& device) {
    return pad_family(u16_from(device_name(device)).c_str(), u16_from(device_path(device)).c_str(),
                      device_ids(device));
}

namespace {

// The text of the names printed on the family's pads; 0 where the pads keep the names
// DirectInput gives their buttons.
uint32_t printed_names_text(PadFamily family) {
    switch (family) {
        case PadFamily::Xbox:
            return kXboxNamesText;
        case PadFamily::DualShock4:
            return kDualShock4NamesText;
        case PadFamily::DualSense:
            return kDualSenseNamesText;
        case PadFamily::SwitchPro:
            return kSwitchProNamesText;
        default:
            return 0;
    }
}

// The name printed on a pad of the family for what is stored as the entry; empty for a
// control at no place (sticks, D-pad) and for families without names.
std::wstring printed_name(PadFamily family, uint32_t entry) {
    const uint32_t names = printed_names_text(family);
    const EntryCode code = entry_code_of(entry);
    const int place = names ? pad_place_of_entry(family, code.type, code.code) : -1;
    if (place < 0) return {};
    const std::vector<std::wstring> parts = text_parts_w(names);
    return size_t(place) < parts.size() ? parts[place] : std::wstring();
}

}  // namespace

BEGIN_MESSAGE_MAP(ButtonPage, CPropertyPage)
ON_CBN_SELCHANGE(IDC_PLAYER, &ButtonPage::OnSelchangePlayer)
ON_CBN_SELCHANGE(IDC_DEVICE, &ButtonPage::OnSelchangeDevice)
ON_BN_CLICKED(IDC_DIRECTINPUT, &ButtonPage::OnDirectInput)
ON_BN_CLICKED(IDC_XINPUT, &ButtonPage::OnXInput)
ON_BN_CLICKED(IDC_PICTURE, &ButtonPage::OnPictureClicked)
ON_BN_CLICKED(IDC_DEFAULT_SETTINGS, &ButtonPage::OnDefaultSettings)
ON_CONTROL_RANGE(BN_CLICKED, IDC_SLOT_LB, IDC_SLOT_LB, &ButtonPage::OnSlotButton)
ON_CONTROL_RANGE(BN_CLICKED, IDC_SLOT_LT, IDC_SLOT_BACK, &ButtonPage::OnSlotButton)
ON_MESSAGE(WM_TIMER, &ButtonPage::OnTimer)
ON_MESSAGE(WM_HELP, &ButtonPage::OnHelpRequest)
ON_MESSAGE(nrv::peripheral::kDevicesChangedMessage, &ButtonPage::OnDevicesChanged)
ON_COMMAND_CODE(IDC_DEVICE, CBN_CLOSEUP, &ButtonPage::OnListClosed)
ON_COMMAND_CODE(IDC_PLAYER, CBN_CLOSEUP, &ButtonPage::OnListClosed)
ON_MESSAGE(kClearSlotMessage, &ButtonPage::OnClearSlotRequest)
ON_MESSAGE(kUndoMessage, &ButtonPage::OnUndo)
ON_MESSAGE(WM_CTLCOLORSTATIC, &ButtonPage::OnControlColour)
ON_BN_CLICKED(IDC_CONTROLLER_SETTINGS, &ButtonPage::OnControllerSettings)
ON_BN_CLICKED(IDC_CHOOSE_PADS, &ButtonPage::OnChoosePads)
END_MESSAGE_MAP()

ButtonPage::ButtonPage(int index, UINT title_string)
    : CPropertyPage(IDD_BUTTON_PAGE),
      m_player(index),
      m_help(kModeHelp, sizeof kModeHelp / sizeof kModeHelp[0]) {
    m_psp.pszTitle = MAKEINTRESOURCEW(title_string);
    m_psp.dwFlags |= PSP_USETITLE;
    m_psp.dwFlags &= ~PSP_HASHELP;
    m_device = to_guid(pad_device(static_cast<unsigned>(m_player)));
    function_overlays();
}

ButtonPage::~ButtonPage() {
    if (m_input && m_watching) m_input->remove_watcher(m_watching);
}

BOOL ButtonPage::OnInitDialog() {
    for (int slot = 0; slot < kFunctionCount; ++slot) {
        const FunctionSlot& controls = kSlots[slot];
        CSlotButton& button = m_slotButtons[slot];
        button.LoadBitmaps(controls.bitmap);
        button.SubclassDlgItem(controls.button, this);
        button.SetSlot(slot, GetDlgItem(controls.name));

        m_slotBitmaps[slot].LoadBitmap(controls.bitmap);
        SendDlgItemMessage(controls.button, BM_SETIMAGE, IMAGE_BITMAP,
                           reinterpret_cast<LPARAM>(m_slotBitmaps[slot].get()));
    }
    m_picture.SubclassDlgItem(IDC_PICTURE, this);
    m_picture.LoadPicture();
    OnDpiChanged(window_dpi(m_hWnd));

    replace_text_placeholders(m_hWnd);
    SetUpAccess();
    m_capturing = false;
    // The shown page follows pads that come or go at once; the others when shown.
    if (m_input) m_input->add_watcher(m_watching = m_hWnd);
    return CPropertyPage::OnInitDialog();
}

BOOL ButtonPage::OnSetActive() {
    FillPage(m_player);
    SetTimer(kPageTimer, kPagePeriodMs);
    m_active = true;
    CPropertyPage::OnSetActive();
    return TRUE;
}

BOOL ButtonPage::OnKillActive() {
    KillTimer(kPageTimer);
    m_active = false;
    // Nothing would close the popup while the page is hidden.
    m_help.Close();
    return CPropertyPage::OnKillActive();
}

void ButtonPage::OnOK() {}

void ButtonPage::OnDpiChanged(int dpi) {
    // Drawn as large as the page's layout grows, so that the picture keeps its share of it.
    const int drawn = layout_dpi(m_hWnd, dpi);
    for (int slot = 0; slot < kFunctionCount; ++slot) FitSlotButton(slot, drawn);
    m_picture.SetDpi(drawn);
}

void ButtonPage::FitSlotButton(int slot, int drawn_dpi) {
    // The button keeps the rectangle the dialog's layout gave it, short of its name box,
    // and its picture is made to fit inside.
    const FunctionSlot& controls = kSlots[slot];
    HWND button = GetDlgItem(controls.button);
    const PixelRect laid_out = child_rect(m_hWnd, button);
    const PixelRect fitted = slot_button_rect(laid_out, child_rect(m_hWnd, GetDlgItem(controls.name)));
    const int width = fitted.right - fitted.left;
    const int height = fitted.bottom - fitted.top;
    if (fitted.right != laid_out.right)
        SetWindowPos(button, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOOWNERZORDER);
    const PixelRect picture = slot_picture_rect(kSlotPictureSide, drawn_dpi, {0, 0, width, height});
    if (HBITMAP bitmap = slot_bitmap(slot, controls.bitmap, picture.right - picture.left))
        m_slotButtons[slot].SetBitmap(bitmap);
}

input_device_dx8* ButtonPage::ShownDevice() const {
    return find_input_device(m_input, m_device);
}

void ButtonPage::FillPage(int slot, bool enumerate) {
    m_player = slot;
    ShowTakenNote(-1, -1);
    if (enumerate && m_input) m_input->manager().refresh_devices();
    SendDlgItemMessage(IDC_DEVICE, CB_RESETCONTENT);
    SendDlgItemMessage(IDC_PLAYER, CB_RESETCONTENT);
    m_device = to_guid(pad_device(static_cast<unsigned>(m_player)));
    m_deviceList.clear();
    LRESULT selection = 0;

    if (m_player != kKeyboardSlot) {
        for (int number = kFirstPlayer; number <= kLastPlayer; ++number) {
            const std::wstring entry = player_name(number);
            SendDlgItemMessage(IDC_PLAYER, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
        }
        SendDlgItemMessage(IDC_PLAYER, CB_SETCURSEL, m_player - kFirstPlayer);

        if (SendDlgItemMessage(IDC_DEVICE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"--")) >= 0)
            m_deviceList.push_back(GUID_NULL);
        EnableDlgItem(IDC_DEVICE, TRUE);
        EnableModeControls(true);
        ::CheckRadioButton(m_hWnd, IDC_XINPUT, IDC_DIRECTINPUT, xinput() ? IDC_XINPUT : IDC_DIRECTINPUT);
        EnableSlotControls(!xinput());

        const int count = m_input ? m_input->manager().device_count(kGameControllerKind) : 0;
        for (int n = 0; n < count; ++n) {
            const input_device_dx8* device = m_input->manager().device_at(kGameControllerKind, n);
            if (!device) continue;
            const LRESULT index = AddDeviceEntry(device_name(*device), device->instance_guid());
            if (index >= 0 && same_guid(device->instance_guid(), m_device) && !xinput()) selection = index;
        }
        // A stored pad that is not plugged in keeps the slot: its device and its 24
        // entries stay until the player chooses another device or "--".
        if (selection == 0 && !xinput()) selection = AddAbsentPadEntry();
        if (selection == 0) m_device = GUID_NULL;
    } else {
        const std::wstring keyboard = text_w(kKeyboardText);
        SendDlgItemMessage(IDC_DEVICE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(keyboard.c_str()));
        EnableSlotControls(true);
        EnableModeControls(false);
        EnableDlgItem(IDC_DEVICE, FALSE);
        m_deviceList.assign(1, GUID_SysKeyboard);
    }

    SendDlgItemMessage(IDC_DEVICE, CB_SETCURSEL, selection);
    ShowAssignments();
}

LRESULT ButtonPage::AddDeviceEntry(const std::wstring& name, const GUID& device) {
    // A name that begins an entry already listed (two pads of one model, or a name that is
    // the start of another) is numbered, so that every entry can be told apart.
    std::wstring text = name;
    for (int number = 2; SendDlgItemMessage(IDC_DEVICE, CB_FINDSTRING, static_cast<WPARAM>(-1),
                                            reinterpret_cast<LPARAM>(text.c_str())) != CB_ERR;
         ++number) {
        text = name + L" - " + std::to_wstring(number);
    }
    const LRESULT index =
        SendDlgItemMessage(IDC_DEVICE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    // The list and the combo stay in step: an entry the combo refused has no GUID either.
    if (index >= 0) m_deviceList.push_back(device);
    return index;
}

void ButtonPage::ShowAssignments() {
    const LRESULT selected = SendDlgItemMessage(IDC_DEVICE, CB_GETCURSEL);
    for (const FunctionSlot& controls : kSlots) SetDlgItemText(controls.name, L"");

    const bool listed = selected >= 0 && static_cast<size_t>(selected) < m_deviceList.size();
    const input_device_dx8* device = listed ? find_input_device(m_input, m_deviceList[selected]) : nullptr;
    const unsigned player = static_cast<unsigned>(m_player);
    if (!device) {
        m_device = GUID_NULL;
        EnableDlgItem(IDC_DEFAULT_SETTINGS, FALSE);
        if (IsAbsentPadEntry(selected)) ShowKeptEntries();
        return;
    }

    m_device = m_deviceList[selected];
    const PadFamily family = m_player != kKeyboardSlot ? device_family(*device) : PadFamily::Unknown;
    if (m_player != kKeyboardSlot)
        set_pad_device(player, to_stored(m_device), device_name(*device).c_str(),
                       device_path(*device).c_str(), device_ids(*device));
    if (const uint32_t* entries = pad_assignments(player)) {
        for (int slot = 0; slot < kFunctionCount; ++slot) {
            const int button = button_for_entry(*device, entries[slot]);
            std::wstring name = button >= 0 ? printed_name(family, entries[slot]) : std::wstring();
            if (button >= 0 && (!name.empty() || device->button_name(static_cast<uint8_t>(button), name)))
                SetDlgItemText(kSlots[slot].name, name.c_str());
        }
    }
    EnableDlgItem(IDC_DEFAULT_SETTINGS, TRUE);
}

// The player's own choice of device: "--", or a pad pulled out since the list was filled,
// leaves the slot without a device and with the default pad layout.
void ButtonPage::OnSelchangeDevice() {
    if (TakeOverKeptLayout()) return;
    ShowAssignments();
    if (m_player == kKeyboardSlot || ShownDevice() ||
        IsAbsentPadEntry(SendDlgItemMessage(IDC_DEVICE, CB_GETCURSEL)))
        return;
    set_pad_device(static_cast<unsigned>(m_player), kNoDevice, L"");
    // The entry of a stored pad that is not connected goes with it.
    FillPage(m_player, false);
}

// The player's stored pad is not plugged in: it is listed after "--" and selected, so that
// the player sees that its layout is kept. Its instance GUID stands for it in the list.
LRESULT ButtonPage::AddAbsentPadEntry() {
    if (same_guid(m_device, GUID_NULL) || find_input_device(m_input, m_device) || m_deviceList.empty())
        return 0;
    const std::wstring text = text_w(kNotConnectedText);
    const LRESULT index =
        SendDlgItemMessage(IDC_DEVICE, CB_INSERTSTRING, 1, reinterpret_cast<LPARAM>(text.c_str()));
    if (index != 1) return 0;
    m_deviceList.insert(m_deviceList.begin() + 1, m_device);
    return index;
}

bool ButtonPage::IsAbsentPadEntry(LRESULT entry) const {
    if (m_player == kKeyboardSlot || xinput() || entry <= 0 ||
        static_cast<size_t>(entry) >= m_deviceList.size())
        return false;
    const GUID& listed = m_deviceList[entry];
    return !same_guid(listed, GUID_NULL) &&
           same_guid(listed, to_guid(pad_device(static_cast<unsigned>(m_player)))) &&
           !find_input_device(m_input, listed);
}

// The kept entries of a pad that is not connected, by generic names: without the pad there
// are no names of its own to show.
void ButtonPage::ShowKeptEntries() {
    const uint32_t* entries = pad_assignments(static_cast<unsigned>(m_player));
    if (!entries) return;
    const KeptEntryPatterns patterns = {u16_from(text_w(kKeptButtonPattern)),
                                        u16_from(text_w(kKeptAxisHalfPattern)),
                                        u16_from(text_w(kKeptHatDirectionPattern))};
    for (int slot = 0; slot < kFunctionCount; ++slot)
        SetDlgItemText(kSlots[slot].name, wide_from(kept_entry_name(entries[slot], patterns)).c_str());
}

// A pad picked while the player's stored pad is not connected takes over the kept layout
// instead of its default one: the same pad plugged into another port, or plugged in again
// under Wine, comes back under a new instance GUID.
bool ButtonPage::TakeOverKeptLayout() {
    if (m_player == kKeyboardSlot || xinput()) return false;
    const unsigned player = static_cast<unsigned>(m_player);
    const GUID stored = to_guid(pad_device(player));
    const LRESULT selected = SendDlgItemMessage(IDC_DEVICE, CB_GETCURSEL);
    if (same_guid(stored, GUID_NULL) || find_input_device(m_input, stored) || selected < 0 ||
        static_cast<size_t>(selected) >= m_deviceList.size())
        return false;
    const input_device_dx8* device = find_input_device(m_input, m_deviceList[selected]);
    const uint32_t* kept = pad_assignments(player);
    if (!device || !kept) return false;

    uint32_t entries[kFunctionCount];
    std::memcpy(entries, kept, sizeof entries);
    set_pad_device(player, to_stored(m_deviceList[selected]), device_name(*device).c_str(),
                   device_path(*device).c_str(), device_ids(*device));
    store_pad_assignments(player, entries);
    FillPage(m_player, false);
    return true;
}

// Pads came or went while the page is shown: the device combo is filled again, and a pad
// stored for the player is selected again when it is back. The capture dialog relies on
// the page as it is, and a list that is open keeps its entries while the player chooses,
// so a change then waits until the dialog or the list has closed.
LRESULT ButtonPage::OnDevicesChanged(WPARAM, LPARAM) {
    if (!m_active) return 0;
    if (m_capturing || IsListOpen()) {
        m_refillPending = true;
        return 0;
    }
    m_refillPending = false;
    // The run's input has just listed the devices.
    FillPage(m_player, false);
    return 0;
}

bool ButtonPage::IsListOpen() {
    return SendDlgItemMessage(IDC_DEVICE, CB_GETDROPPEDSTATE) ||
           SendDlgItemMessage(IDC_PLAYER, CB_GETDROPPEDSTATE);
}

// After the choice the closing list may bring has been handled.
void ButtonPage::OnListClosed() {
    if (m_refillPending && !m_capturing)
        ::PostMessageW(m_hWnd, nrv::peripheral::kDevicesChangedMessage, 0, 0);
}

void ButtonPage::EnableSlotControls(bool enable) {
    const BOOL on = enable ? TRUE : FALSE;
    EnableDlgItem(IDC_PICTURE, on);
    for (int id : kSelectionControls) EnableDlgItem(id, on);
    for (const FunctionSlot& controls : kSlots) {
        EnableDlgItem(controls.button, on);
        EnableDlgItem(controls.name, on);
    }
    // In XInput mode Windows numbers the pads itself; without a pad there is none to press.
    EnableDlgItem(IDC_CHOOSE_PADS, enable && m_player != kKeyboardSlot && AnyPadAttached() ? TRUE : FALSE);
}

void ButtonPage::EnableModeControls(bool enable) {
    const BOOL on = enable ? TRUE : FALSE;
    for (int id : kSelectionControls) {
        if (id != IDC_DEVICE) EnableDlgItem(id, on);
    }
    EnableDlgItem(IDC_DIRECTINPUT, on);
    EnableDlgItem(IDC_XINPUT, on);
}

void ButtonPage::OnSelchangePlayer() {
    const LRESULT selected = SendDlgItemMessage(IDC_PLAYER, CB_GETCURSEL);
    if (selected >= 0 && selected <= kLastPlayer - kFirstPlayer)
        FillPage(static_cast<int>(selected) + kFirstPlayer);
}

void ButtonPage::OnDirectInput() {
    if (IsDlgButtonChecked(IDC_DIRECTINPUT) != BST_CHECKED) return;
    EnableSlotControls(true);
    set_xinput(false);
    if (RestoreSlotsBeforeXInput()) FillPage(m_player, false);
}

// Choosing XInput empties the four controller slots, and the file keeps them so while
// XInput is on; what they held is kept for a return to DirectInput in the same run, so
// that only looking at the XInput option loses no layout.
void ButtonPage::KeepSlotsBeforeXInput() {
    m_slotsBeforeXInput.clear();
    for (unsigned player = kFirstPlayer; player <= kLastPlayer; ++player)
        m_slotsBeforeXInput.push_back(copy_of_slot(player));
}

bool ButtonPage::RestoreSlotsBeforeXInput() {
    if (m_slotsBeforeXInput.size() != kLastPlayer - kFirstPlayer + 1) return false;
    for (unsigned player = kFirstPlayer; player <= kLastPlayer; ++player)
        put_slot(player, m_slotsBeforeXInput[player - kFirstPlayer]);
    m_slotsBeforeXInput.clear();
    return true;
}

bool ButtonPage::ReadWindowsVersion(DWORD& major, DWORD& minor) const {
    return windows_version(major, minor);
}

void ButtonPage::OnXInput() {
    if (IsDlgButtonChecked(IDC_XINPUT) != BST_CHECKED) return;
    DWORD major = 0;
    DWORD minor = 0;
    if (ReadWindowsVersion(major, minor) && xinput_supported(major, minor)) {
        // A click on the radio already checked changes nothing that could be kept.
        if (!xinput()) KeepSlotsBeforeXInput();
        const SettingsGuid first = m_deviceList.empty() ? kNoDevice : to_stored(m_deviceList.front());
        for (unsigned player = kFirstPlayer; player <= kLastPlayer; ++player) set_pad_device(player, first);
        SendDlgItemMessage(IDC_DEVICE, CB_SETCURSEL, 0);
        ShowAssignments();
        EnableSlotControls(false);
        set_xinput(true);
        return;
    }
    MessageBox(text_w(kXInputRefusedText).c_str(), text_w(kQualityText).c_str(), MB_ICONHAND);
    if (IsDlgButtonChecked(IDC_XINPUT) == BST_CHECKED)
        ::CheckRadioButton(m_hWnd, IDC_XINPUT, IDC_DIRECTINPUT, IDC_DIRECTINPUT);
}

void ButtonPage::OnSlotButton(UINT id) {
    for (int slot = 0; slot < kFunctionCount; ++slot) {
        if (kSlots[slot].button == static_cast<int>(id)) {
            OnSlotClicked(slot);
            return;
        }
    }
}

void ButtonPage::OnSlotClicked(int slot) {
    if (m_capturing || slot < 0 || slot >= kFunctionCount || !ShownDevice()) return;

    // The sheet is the dialog's owner and stays disabled while it runs, so the page and
    // its device list cannot change under it.
    CBtnDlg dialog(this, m_input);
    dialog.SetDevice(m_device);
    m_capturing = true;
    const INT_PTR result = dialog.DoModal();
    m_capturing = false;
    if (m_refillPending) {
        m_refillPending = false;
        FillPage(m_player, false);  // the devices were listed again meanwhile
    }
    const uint8_t captured = dialog.CapturedButton();
    if (result != IDOK || captured == kNothingCaptured) return;

    const unsigned player = static_cast<unsigned>(m_player);
    const uint32_t* stored = pad_assignments(player);
    if (!stored) return;
    uint32_t entries[kFunctionCount];
    std::memcpy(entries, stored, sizeof entries);
    EntryCode entry;
    int taken_from = -1;
    const input_device_dx8* device = ShownDevice();
    RememberForUndo();
    if (device && entry_for_button(*device, captured, entry)) {
        taken_from = slot_taken_from(entries, entry, slot);
        assign_entry(entries, slot, entry);
    }
    store_pad_assignments(player, entries);
    ShowAssignments();
    ShowTakenNote(taken_from, slot);
}

void ButtonPage::OnPictureClicked() {
    if (m_hoverSlot >= 0 && m_hoverSlot < kFunctionCount) OnSlotClicked(m_hoverSlot);
}

void ButtonPage::OnDefaultSettings() {
    const input_device_dx8* device = ShownDevice();
    if (!device) return;
    RememberForUndo();
    reset_pad_layout(static_cast<unsigned>(m_player), device_name(*device).c_str(),
                     device_path(*device).c_str(), device_ids(*device));
    ShowAssignments();
}

void ButtonPage::RememberForUndo(bool devices, unsigned other) {
    constexpr size_t kUndoDepth = 32;
    const unsigned player = static_cast<unsigned>(m_player);
    if (!pad_assignments(player)) return;
    UndoStep step = {devices, 1, {player, other}, {copy_of_slot(player), {}}};
    if (other != 0) {
        step.before[1] = copy_of_slot(other);
        step.count = 2;
    }
    if (m_undoSteps.size() == kUndoDepth) m_undoSteps.erase(m_undoSteps.begin());
    m_undoSteps.push_back(step);
}

LRESULT ButtonPage::OnUndo(WPARAM, LPARAM) {
    if (m_capturing || m_undoSteps.empty()) return 0;
    const UndoStep step = m_undoSteps.back();
    m_undoSteps.pop_back();
    if (step.devices) {
        // Each player the step changed gets its device and layout back. A device is held by
        // one player at most: another player that chose one of them since lets it go.
        for (unsigned n = 0; n < step.count; ++n) {
            const SettingsGuid& device = step.before[n].device_guid;
            for (unsigned other = kFirstPlayer; other <= kLastPlayer; ++other) {
                const bool in_step =
                    other == step.players[0] || (step.count == 2 && other == step.players[1]);
                if (!in_step && !holds(other, kNoDevice) && holds(other, device))
                    pad_device(other) = kNoDevice;
            }
        }
        for (unsigned n = 0; n < step.count; ++n) put_slot(step.players[n], step.before[n]);
        FillPage(m_player, false);
        return 0;
    }
    // A player that has another device since keeps that device's layout.
    const unsigned player = step.players[0];
    if (!holds(player, step.before[0].device_guid)) return 0;
    store_pad_assignments(player, step.before[0].assignments);
    if (player == static_cast<unsigned>(m_player)) {
        ShowAssignments();
        ShowTakenNote(-1, -1);
    }
    return 0;
}

bool ButtonPage::AnyPadAttached() const {
    return m_input && m_input->manager().device_count(kGameControllerKind) > 0;
}

void ButtonPage::OnChoosePads() {
    if (m_capturing || m_player == kKeyboardSlot || xinput() || !AnyPadAttached()) return;
    m_swapped[0] = m_swapped[1] = 0;
    // The sheet is the dialog's owner and stays disabled while it runs; the page changes
    // only through TakePad.
    CPadChoiceDlg dialog(this, m_input, m_player,
                         [this](int player, const GUID& pad) { return TakePad(player, pad); });
    m_capturing = true;
    dialog.DoModal();
    m_capturing = false;
    if (m_refillPending) {
        m_refillPending = false;
        FillPage(m_player, false);  // the devices were listed again meanwhile
        if (m_swapped[0]) ShowSwapNote(m_swapped[0], m_swapped[1]);
    }
}

bool ButtonPage::TakePad(int player, const GUID& pad) {
    if (player < kFirstPlayer || player > kLastPlayer || !find_input_device(m_input, pad)) return false;
    const unsigned taker = static_cast<unsigned>(player);
    const SettingsGuid stored = to_stored(pad);
    unsigned holder = 0;
    for (unsigned other = kFirstPlayer; other <= kLastPlayer; ++other) {
        if (other != taker && holds(other, stored)) holder = other;
    }
    // The page shows the player taking the pad, and the pass ends on the last one.
    FillPage(player, false);
    if (holds(taker, stored)) {
        // The player's own pad: nothing changes.
    } else if (holder != 0) {
        // Each keeps the layout of the pad it had: the two slots trade places.
        RememberForUndo(true, holder);
        const PadSlot taking = copy_of_slot(taker);
        put_slot(taker, copy_of_slot(holder));
        put_slot(holder, taking);
        m_swapped[0] = static_cast<int>(holder);
        m_swapped[1] = player;
        FillPage(player, false);
    } else {
        LRESULT entry = -1;
        for (size_t n = 0; n < m_deviceList.size(); ++n) {
            if (same_guid(m_deviceList[n], pad)) entry = static_cast<LRESULT>(n);
        }
        if (entry < 0) return false;
        RememberForUndo(true);
        SendDlgItemMessage(IDC_DEVICE, CB_SETCURSEL, static_cast<WPARAM>(entry));
        OnSelchangeDevice();
    }
    if (m_swapped[0]) ShowSwapNote(m_swapped[0], m_swapped[1]);
    return true;
}

LRESULT ButtonPage::OnTimer(WPARAM timer, LPARAM) {
    if (timer == kFlashTimer) {
        FlashTick();
        return 0;
    }
    m_help.Tick(m_hWnd);
    if (!m_input) return 0;
    m_input->manager().update(kTickSeconds);
    // While the capture dialog runs, the picture and the hovered slot stay as they are.
    if (!m_capturing) LightPicture();
    return 0;
}

void ButtonPage::LightPicture() {
    if (!m_picture.m_hWnd) return;
    const uint32_t mask = PartsToLight();
    const bool high_contrast = g_high_contrast_on();
    if (mask == m_litMask && high_contrast == m_litInHighContrast) return;
    m_litMask = mask;
    m_litInHighContrast = high_contrast;
    m_picture.ShowLit(mask);
}

// The slots of the buttons held down and the part under the mouse; none while no pad is
// shown, so that letting a pad go (or showing one that is not attached) leaves nothing lit.
uint32_t ButtonPage::PartsToLight() {
    m_hoverSlot = -1;
    const input_device_dx8* device = ShownDevice();
    const uint32_t* entries = pad_assignments(static_cast<unsigned>(m_player));
    if (!device || !entries) return 0;

    POINT cursor;
    GetCursorPos(&cursor);
    ScreenToClient(m_picture.m_hWnd, &cursor);
    cursor = m_picture.ToPicture(cursor);

    uint32_t mask = 0;
    const int count = device->button_count();
    for (int button = 0; button < count; ++button) {
        EntryCode entry;
        if (!device->is_button_down(static_cast<uint8_t>(button)) ||
            !entry_for_button(*device, static_cast<uint8_t>(button), entry))
            continue;
        for (int slot = slot_for_entry(entries, entry, 0); slot >= 0;
             slot = slot_for_entry(entries, entry, slot + 1))
            mask |= 1u << slot;
    }
    m_hoverSlot = hovered_slot(function_overlays(), cursor.x, cursor.y);
    if (m_hoverSlot >= 0) mask |= 1u << m_hoverSlot;
    return mask;
}

LRESULT ButtonPage::OnHelpRequest(WPARAM, LPARAM) {
    m_help.ShowForFocus(m_hWnd);
    return TRUE;
}
