// The program entry: hands control to the one CWinApp object.
#include "framework/framework.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    CWinApp* app = CWinApp::Current();
    if (!app) return 1;
    app->m_hInstance = instance;
    if (!app->InitInstance()) return app->ExitInstance();
    return app->Run();
}
