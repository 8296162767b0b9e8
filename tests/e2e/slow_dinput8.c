/* A dinput8.dll as a slow or faulty HID driver makes DirectInput look: it hands out the
 * system's DirectInput, but every listing of game controllers, or every creation of a game
 * controller's device, first sleeps.
 *
 * Put beside the program and loaded with the DLL override dinput8=n,b. The environment
 * says how: SLOW_IN, the calls that sleep ("listing", the default, or "creation"); SLOW_MS,
 * the sleep in milliseconds (20000 by default); and SLOW_FROM, the first such call that
 * sleeps (1 by default; 2 lets the first listing, at start-up, through, so that only the
 * listings after a device change sleep). While a call sleeps, the manual-reset event named
 * "slow_dinput8 sleeping" is set, so that a test can wait for the sleep to have begun. */
#define COBJMACROS
#include <windows.h>
#include <dinput.h>

#include <stdlib.h>
#include <string.h>

typedef HRESULT(WINAPI* create_fn)(HINSTANCE, DWORD, REFIID, void**, IUnknown*);

typedef struct {
    IDirectInput8W iface;
    IDirectInput8W* real;
    LONG references;
} slow_input;

static LONG slow_calls;

static DWORD setting(const char* name, DWORD fallback) {
    char value[32];
    DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length > 0 && length < sizeof value ? (DWORD)strtoul(value, NULL, 10) : fallback;
}

static slow_input* self_of(IDirectInput8W* iface) {
    return (slow_input*)iface;
}

static HRESULT WINAPI query_interface(IDirectInput8W* iface, REFIID riid, void** object) {
    if (IsEqualGUID(riid, &IID_IUnknown) || IsEqualGUID(riid, &IID_IDirectInput8W)) {
        *object = iface;
        IDirectInput8_AddRef(iface);
        return S_OK;
    }
    *object = NULL;
    return E_NOINTERFACE;
}

static ULONG WINAPI add_ref(IDirectInput8W* iface) {
    return (ULONG)InterlockedIncrement(&self_of(iface)->references);
}

static ULONG WINAPI release(IDirectInput8W* iface) {
    slow_input* self = self_of(iface);
    LONG left = InterlockedDecrement(&self->references);
    if (left == 0) {
        IDirectInput8_Release(self->real);
        HeapFree(GetProcessHeap(), 0, self);
    }
    return (ULONG)left;
}

static int slow_in(const char* calls) {
    char value[16];
    DWORD length = GetEnvironmentVariableA("SLOW_IN", value, sizeof value);
    const char* in = length > 0 && length < sizeof value ? value : "listing";
    return strcmp(in, calls) == 0;
}

/* Sleeps when this call is one of those that sleep. */
static void maybe_sleep(const char* calls) {
    HANDLE sleeping;
    if (!slow_in(calls) || (DWORD)InterlockedIncrement(&slow_calls) < setting("SLOW_FROM", 1)) return;
    sleeping = CreateEventW(NULL, TRUE, FALSE, L"slow_dinput8 sleeping");
    if (sleeping) SetEvent(sleeping);
    Sleep(setting("SLOW_MS", 20000));
    if (sleeping) {
        ResetEvent(sleeping);
        CloseHandle(sleeping);
    }
}

static HRESULT WINAPI create_device(IDirectInput8W* iface, REFGUID guid, IDirectInputDevice8W** device,
                                    IUnknown* outer) {
    if (!IsEqualGUID(guid, &GUID_SysKeyboard) && !IsEqualGUID(guid, &GUID_SysMouse)) maybe_sleep("creation");
    return IDirectInput8_CreateDevice(self_of(iface)->real, guid, device, outer);
}

static HRESULT WINAPI enum_devices(IDirectInput8W* iface, DWORD type, LPDIENUMDEVICESCALLBACKW callback,
                                   void* context, DWORD flags) {
    if (type == DI8DEVCLASS_GAMECTRL || type == DI8DEVCLASS_ALL) maybe_sleep("listing");
    return IDirectInput8_EnumDevices(self_of(iface)->real, type, callback, context, flags);
}

static HRESULT WINAPI get_device_status(IDirectInput8W* iface, REFGUID guid) {
    return IDirectInput8_GetDeviceStatus(self_of(iface)->real, guid);
}

static HRESULT WINAPI run_control_panel(IDirectInput8W* iface, HWND owner, DWORD flags) {
    return IDirectInput8_RunControlPanel(self_of(iface)->real, owner, flags);
}

static HRESULT WINAPI initialize(IDirectInput8W* iface, HINSTANCE instance, DWORD version) {
    return IDirectInput8_Initialize(self_of(iface)->real, instance, version);
}

static HRESULT WINAPI find_device(IDirectInput8W* iface, REFGUID guid, LPCWSTR name, GUID* instance) {
    return IDirectInput8_FindDevice(self_of(iface)->real, guid, name, instance);
}

static HRESULT WINAPI enum_devices_by_semantics(IDirectInput8W* iface, LPCWSTR user, LPDIACTIONFORMATW format,
                                                LPDIENUMDEVICESBYSEMANTICSCBW callback, void* context,
                                                DWORD flags) {
    return IDirectInput8_EnumDevicesBySemantics(self_of(iface)->real, user, format, callback, context, flags);
}

static HRESULT WINAPI configure_devices(IDirectInput8W* iface, LPDICONFIGUREDEVICESCALLBACK callback,
                                        LPDICONFIGUREDEVICESPARAMSW parameters, DWORD flags, void* context) {
    return IDirectInput8_ConfigureDevices(self_of(iface)->real, callback, parameters, flags, context);
}

static IDirectInput8WVtbl slow_input_functions = {
    query_interface,   add_ref,           release,    create_device, enum_devices,
    get_device_status, run_control_panel, initialize, find_device,   enum_devices_by_semantics,
    configure_devices,
};

__declspec(dllexport) HRESULT WINAPI
    DirectInput8Create(HINSTANCE instance, DWORD version, REFIID riid, void** object, IUnknown* outer) {
    static HMODULE system_library;
    WCHAR path[MAX_PATH];
    UINT length;
    create_fn create;
    slow_input* self;
    HRESULT result;

    *object = NULL;
    if (!IsEqualGUID(riid, &IID_IDirectInput8W)) return E_NOINTERFACE;
    if (!system_library) {
        length = GetSystemDirectoryW(path, MAX_PATH - 16);
        if (!length || length >= MAX_PATH - 16) return E_FAIL;
        lstrcatW(path, L"\\dinput8.dll");
        system_library = LoadLibraryW(path);
    }
    create = system_library ? (create_fn)(void (*)(void))GetProcAddress(system_library, "DirectInput8Create")
                            : NULL;
    if (!create) return E_FAIL;
    self = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof *self);
    if (!self) return E_OUTOFMEMORY;
    result = create(instance, version, riid, (void**)&self->real, outer);
    if (FAILED(result)) {
        HeapFree(GetProcessHeap(), 0, self);
        return result;
    }
    self->iface.lpVtbl = &slow_input_functions;
    self->references = 1;
    *object = &self->iface;
    return S_OK;
}
