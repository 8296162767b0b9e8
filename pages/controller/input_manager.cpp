// The run's input manager: the application creates and destroys it, the controller pages
// and the sheet's hot-plug handling use it.
#include "pages/controller/internal.h"

#include "nrv/peripheral/peripheral.h"

nrv::peripheral::input_dx8* g_input_manager = nullptr;

nrv::peripheral::input_device_dx8* find_input_device(const GUID& instance) {
    return g_input_manager ? nrv::peripheral::find_device_by_guid(*g_input_manager, instance) : nullptr;
}
