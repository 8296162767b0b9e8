// The devices of the run's input, as the controller pages look them up.
#include "pages/controller/internal.h"

nrv::peripheral::input_device_dx8* find_input_device(const nrv::peripheral::run_input* input,
                                                     const GUID& instance) {
    return input ? input->find_device(instance) : nullptr;
}
