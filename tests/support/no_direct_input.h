// A machine without DirectInput, for as long as the guard lives.
#pragma once

#include "nrv/peripheral/peripheral.h"
#include "support/replace.h"

namespace test_support {

class NoDirectInput {
private:
    static HRESULT WINAPI refuse(HINSTANCE, DWORD, REFIID, void** object, IUnknown*) {
        *object = nullptr;
        return DIERR_OUTOFMEMORY;
    }
    Replaced<nrv::peripheral::direct_input_create_fn> m_create{nrv::peripheral::g_direct_input_create,
                                                               &refuse};
};

}  // namespace test_support
