// Input devices of the support library. (Placeholder surface until the input layer lands.)
#pragma once

#include <windows.h>

namespace nrv {
namespace peripheral {

// The input manager: owns the attached keyboards and game controllers.
class input_dx8 {
public:
    input_dx8();
    virtual ~input_dx8();
    // Creates DirectInput for the window, enumerates the devices and follows arrivals.
    virtual bool attach_window(HWND window);
};

}  // namespace peripheral
}  // namespace nrv
