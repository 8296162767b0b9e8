// Resource ids of the program's module.
#pragma once

#define IDI_SETTINGS 128
#define IDD_DISPLAY_PAGE 129
#define IDD_BUTTON_PAGE 132
#define IDD_CAPTURE 158
#define IDD_VOICE_TEST 159
#define IDD_ONLINE_PAGE 161
#define IDD_PAD_CHOICE 162
#define IDR_CONTROLLER_PICTURE 160
#define IDR_STRING_DATABASE 190
// The controller picture, its highlights and the slot-button bitmaps drawn at 200 %, for
// high DPI: BMP files back to back in one zlib stream.
#define IDR_PICTURES_2X 400

// Display page controls
#define IDC_SCREEN_MODE_GROUP 1075
#define IDC_WINDOW_MODE 1003
#define IDC_FULL_SCREEN_MODE 1004
#define IDC_RESOLUTION_GROUP 1081
#define IDC_RESOLUTION 1006
#define IDC_ASPECT_4_3 1073
#define IDC_ASPECT_16_9 1074
#define IDC_QUALITY_GROUP 1076
#define IDC_QUALITY_LOW 1007
#define IDC_QUALITY_MEDIUM 1008
#define IDC_QUALITY_HIGH 1009
#define IDC_OPTIONS_GROUP 1103
#define IDC_FRAME_SKIP 1105
#define IDC_VSYNC 1104
#define IDC_NO_MOVIE 1106

// Online page and voice test dialog controls
#define IDC_PORT_GROUP 1018
#define IDC_AUTO_PORT 1067
#define IDC_UDP_PORT 1015
#define IDC_UPNP 1068
#define IDC_VOICE_GROUP 1088
#define IDC_VOICE_CHAT 1083
#define IDC_SOUND_PROPERTIES 1090
#define IDC_VOICE_TEST 1091
#define IDC_VOICE_LINE_1 1092
#define IDC_VOICE_LINE_2 1093
#define IDC_VOICE_LINE_3 1094

// Controller picture highlights (RCDATA 166-189) and slot-button bitmaps (BITMAP 133,
// 135-157), one each per game-controller function.
#define IDR_OVERLAY_FIRST 166
#define IDR_OVERLAY_LB 166
#define IDR_OVERLAY_START 167
#define IDR_OVERLAY_A 168
#define IDR_OVERLAY_Y 169
#define IDR_OVERLAY_X 170
#define IDR_OVERLAY_DPAD_DOWN 171
#define IDR_OVERLAY_DPAD_LEFT 172
#define IDR_OVERLAY_DPAD_UP 173
#define IDR_OVERLAY_DPAD_RIGHT 174
#define IDR_OVERLAY_RSTICK_RIGHT 175
#define IDR_OVERLAY_RSTICK_LEFT 176
#define IDR_OVERLAY_B 177
#define IDR_OVERLAY_RSTICK_UP 178
#define IDR_OVERLAY_RSTICK_DOWN 179
#define IDR_OVERLAY_LSTICK_LEFT 180
#define IDR_OVERLAY_LSTICK_UP 181
#define IDR_OVERLAY_LSTICK_DOWN 182
#define IDR_OVERLAY_LSTICK_RIGHT 183
#define IDR_OVERLAY_LSTICK_PRESS 184
#define IDR_OVERLAY_RB 185
#define IDR_OVERLAY_RT 186
#define IDR_OVERLAY_RSTICK_PRESS 187
#define IDR_OVERLAY_BACK 188
#define IDR_OVERLAY_LT 189
#define IDR_OVERLAY_LAST 189
#define IDB_SLOT_LB 133
#define IDB_SLOT_START 135
#define IDB_SLOT_A 136
#define IDB_SLOT_Y 137
#define IDB_SLOT_X 138
#define IDB_SLOT_DPAD_DOWN 139
#define IDB_SLOT_DPAD_LEFT 140
#define IDB_SLOT_DPAD_UP 141
#define IDB_SLOT_DPAD_RIGHT 142
#define IDB_SLOT_RSTICK_RIGHT 143
#define IDB_SLOT_RSTICK_LEFT 144
#define IDB_SLOT_B 145
#define IDB_SLOT_RSTICK_UP 146
#define IDB_SLOT_RSTICK_DOWN 147
#define IDB_SLOT_LSTICK_LEFT 148
#define IDB_SLOT_LSTICK_UP 149
#define IDB_SLOT_LSTICK_DOWN 150
#define IDB_SLOT_LSTICK_RIGHT 151
#define IDB_SLOT_LSTICK_PRESS 152
#define IDB_SLOT_RB 153
#define IDB_SLOT_RT 154
#define IDB_SLOT_RSTICK_PRESS 155
#define IDB_SLOT_BACK 156
#define IDB_SLOT_LT 157

// Keyboard and Controller pages (dialog 132) and the capture dialog (dialog 158)
#define IDS_KEYBOARD_PAGE 102
#define IDS_CONTROLLER_PAGE 103
#define IDC_PLAYER_LABEL 1095
#define IDC_PLAYER 1096
#define IDC_DIRECTINPUT 1101
#define IDC_XINPUT 1100
#define IDC_DEVICE_LABEL 1080
#define IDC_DEVICE 1005
#define IDC_PICTURE 1072
#define IDC_DEFAULT_SETTINGS 1102
#define IDC_CAPTURE_PROMPT 1082
// The function slots: a picture button and a read-only box naming the assigned button.
#define IDC_SLOT_Y 1033
#define IDC_SLOT_B 1036
#define IDC_SLOT_A 1035
#define IDC_SLOT_X 1034
#define IDC_SLOT_LT 1020
#define IDC_SLOT_RT 1031
#define IDC_SLOT_LB 1012
#define IDC_SLOT_RB 1032
#define IDC_SLOT_START 1030
#define IDC_SLOT_BACK 1042
#define IDC_SLOT_LSTICK_PRESS 1029
#define IDC_SLOT_RSTICK_PRESS 1041
#define IDC_SLOT_DPAD_UP 1021
#define IDC_SLOT_DPAD_RIGHT 1024
#define IDC_SLOT_DPAD_DOWN 1023
#define IDC_SLOT_DPAD_LEFT 1022
#define IDC_SLOT_LSTICK_UP 1025
#define IDC_SLOT_LSTICK_DOWN 1027
#define IDC_SLOT_LSTICK_LEFT 1026
#define IDC_SLOT_LSTICK_RIGHT 1028
#define IDC_SLOT_RSTICK_UP 1037
#define IDC_SLOT_RSTICK_DOWN 1039
#define IDC_SLOT_RSTICK_LEFT 1038
#define IDC_SLOT_RSTICK_RIGHT 1040
#define IDC_NAME_Y 1049
#define IDC_NAME_B 1052
#define IDC_NAME_A 1051
#define IDC_NAME_X 1050
#define IDC_NAME_LT 1011
#define IDC_NAME_RT 1047
#define IDC_NAME_LB 1013
#define IDC_NAME_RB 1048
#define IDC_NAME_START 1046
#define IDC_NAME_BACK 1058
#define IDC_NAME_LSTICK_PRESS 1045
#define IDC_NAME_RSTICK_PRESS 1057
#define IDC_NAME_DPAD_UP 1014
#define IDC_NAME_DPAD_RIGHT 1017
#define IDC_NAME_DPAD_DOWN 1016
#define IDC_NAME_DPAD_LEFT 1015
#define IDC_NAME_LSTICK_UP 1018
#define IDC_NAME_LSTICK_DOWN 1043
#define IDC_NAME_LSTICK_LEFT 1019
#define IDC_NAME_LSTICK_RIGHT 1044
#define IDC_NAME_RSTICK_UP 1053
#define IDC_NAME_RSTICK_DOWN 1055
#define IDC_NAME_RSTICK_LEFT 1054
#define IDC_NAME_RSTICK_RIGHT 1056

// Controller page additions: the line telling which input a capture took from another
// slot, the button that opens the system's game controller settings, and the slot
// buttons' "Clear" menu command.
#define IDC_TAKEN_NOTE 1110
#define IDC_CONTROLLER_SETTINGS 1111
#define ID_CLEAR_SLOT 1112
// The button beside the device list that lets each player choose a pad by pressing it, and
// the prompt of the dialog it opens.
#define IDC_CHOOSE_PADS 1113
#define IDC_PAD_CHOICE_PROMPT 1114
