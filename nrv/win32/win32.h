// What every Windows part of the tool shares, without the dialog framework: RAII owners of
// kernel handles, COM references, GDI objects, modules and critical sections, and the
// conversion between the system's wide strings and the UTF-16 strings of the portable code.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <string>
#include <utility>

// --- RAII owners --------------------------------------------------------------------------

// Owns one object of the handle type H and frees it once with Traits::free. The object
// counts as held while Traits::held says so (not null; for kernel handles also not
// INVALID_HANDLE_VALUE). The owners below are this with their own traits.
template <class H, class Traits>
class UniqueOwner {
public:
    UniqueOwner() = default;
    explicit UniqueOwner(H value) : m_value(value) {}
    ~UniqueOwner() { reset(); }
    UniqueOwner(UniqueOwner&& other) noexcept : m_value(other.release()) {}
    UniqueOwner& operator=(UniqueOwner&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueOwner(const UniqueOwner&) = delete;
    UniqueOwner& operator=(const UniqueOwner&) = delete;

    H get() const { return m_value; }
    explicit operator bool() const { return Traits::held(m_value); }
    H release() { return std::exchange(m_value, H{}); }
    void reset(H value = H{}) {
        if (*this) Traits::free(m_value);
        m_value = value;
    }

private:
    H m_value = H{};
};

struct KernelHandleTraits {
    static bool held(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    static void free(HANDLE handle) { CloseHandle(handle); }
};

// Owns a kernel HANDLE; closes it once.
class UniqueHandle : public UniqueOwner<HANDLE, KernelHandleTraits> {
public:
    using UniqueOwner::UniqueOwner;
    // Closes the handle now; false when the system reports a failure (for a file written
    // through it, data it had not yet written out may be lost). True when nothing was open.
    bool close() { return !*this || CloseHandle(release()) != FALSE; }
};

template <class T>
struct GdiObjectTraits {
    static bool held(T object) { return object != nullptr; }
    static void free(T object) { DeleteObject(object); }
};

// Owns a GDI object (bitmap, brush, font...).
template <class T>
using GdiObject = UniqueOwner<T, GdiObjectTraits<T>>;

struct ModuleTraits {
    static bool held(HMODULE module) { return module != nullptr; }
    static void free(HMODULE module) { FreeLibrary(module); }
};

// Owns a module from LoadLibrary.
class UniqueModule : public UniqueOwner<HMODULE, ModuleTraits> {
public:
    using UniqueOwner::UniqueOwner;
    // The exported function as the given pointer type, or null.
    template <class Fn>
    Fn proc(const char* name) const {
        return *this ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(get(), name))) : nullptr;
    }
};

// Owns one reference to a COM interface.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(ComPtr&& other) noexcept : m_ptr(std::exchange(other.m_ptr, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            reset();
            m_ptr = std::exchange(other.m_ptr, nullptr);
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    T* get() const { return m_ptr; }
    T* operator->() const { return m_ptr; }
    explicit operator bool() const { return m_ptr != nullptr; }
    // For out-parameters: drops the old reference first.
    T** put() {
        reset();
        return &m_ptr;
    }
    void reset() {
        if (m_ptr) std::exchange(m_ptr, nullptr)->Release();
    }
    void attach(T* ptr) {
        reset();
        m_ptr = ptr;
    }

private:
    T* m_ptr = nullptr;
};

// Holds a critical section for the scope.
class CriticalSectionLock {
public:
    explicit CriticalSectionLock(CRITICAL_SECTION& section) : m_section(section) {
        EnterCriticalSection(&m_section);
    }
    ~CriticalSectionLock() { LeaveCriticalSection(&m_section); }
    CriticalSectionLock(const CriticalSectionLock&) = delete;
    CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;

private:
    CRITICAL_SECTION& m_section;
};

// --- Wide strings -------------------------------------------------------------------------
// wchar_t is a UTF-16 unit on Windows, so the conversions copy unit by unit.

inline std::wstring wide_from(const std::u16string& text) {
    return std::wstring(text.begin(), text.end());
}
inline std::u16string u16_from(const std::wstring& text) {
    return std::u16string(text.begin(), text.end());
}

// --- The system ----------------------------------------------------------------------------

// The running Windows version as GetVersionExW reports it to this program (its manifest
// names the versions it knows); false when it cannot be read.
inline bool windows_version(DWORD& major, DWORD& minor) {
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExW(&version)) return false;
    major = version.dwMajorVersion;
    minor = version.dwMinorVersion;
    return true;
}

// --- DLLs loaded at run time ---------------------------------------------------------------
// Nothing else in the tool calls LoadLibrary: a DLL of Windows itself comes from the system
// folder only, so that a DLL planted in the tool's folder (often the game's folder) never
// runs inside it.

// The system call both loads go through, replaceable by tests (see tests/support);
// LoadLibraryExW by default.
using LoadLibraryExCall = HMODULE(WINAPI*)(LPCWSTR, HANDLE, DWORD);
extern LoadLibraryExCall g_load_library_ex;

// Loads a DLL of Windows (oleacc.dll, an XInput DLL) from the system folder and nothing
// else, its own dependencies too; null, with the system's error for GetLastError, when it
// is not there. `name` is a file name without a folder.
HMODULE load_system_library(const wchar_t* name);

// Loads one of the graphics, input and sound DLLs (d3d8, d3d9, ddraw, dinput8, dsound)
// through the normal search order, the program's folder first. Players put wrappers of
// these beside their games, and the tool usually lives in the game's folder: its probe
// must see the DLL the game will see.
HMODULE load_library_as_game_does(const wchar_t* name);
