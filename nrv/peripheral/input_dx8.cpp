#include "nrv/peripheral/peripheral.h"

namespace nrv {
namespace peripheral {

input_dx8::input_dx8() = default;
input_dx8::~input_dx8() = default;
bool input_dx8::attach_window(HWND) {
    return false;
}

}  // namespace peripheral
}  // namespace nrv
