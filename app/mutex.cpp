#include "app/app.h"

NamedMutex::NamedMutex(const char* name) {
    m_handle = CreateMutexA(nullptr, FALSE, name);
    if (m_handle && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(m_handle);
        m_handle = nullptr;
        return;
    }
    // A failed creation counts as the first instance: better two sheets than none.
    m_firstInstance = true;
}

NamedMutex::~NamedMutex() {
    if (!m_handle) return;
    ReleaseMutex(m_handle);
    CloseHandle(m_handle);
}
