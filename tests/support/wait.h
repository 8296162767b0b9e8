// Waiting in a test for something to come true, another process's window or this thread's.
#pragma once

#include <windows.h>

namespace test_support {

// Lets time pass, handling this thread's window messages, until condition() holds or
// timeout_ms has passed; whether it holds at the end. condition() is asked every 20 ms or so.
template <class Condition>
bool wait_until(Condition condition, DWORD timeout_ms = 5000) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start >= timeout_ms) return condition();
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(20);
    }
    return true;
}

}  // namespace test_support
