// Resource ids of the program's module.
#pragma once

#define IDI_SETTINGS 128
#define IDD_DISPLAY_PAGE 129
#define IDD_BUTTON_PAGE 132
#define IDD_CAPTURE 158
#define IDD_VOICE_TEST 159
#define IDD_ONLINE_PAGE 161
#define IDR_CONTROLLER_PICTURE 160
#define IDR_STRING_DATABASE 190
