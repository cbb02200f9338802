#pragma once

#include "devices/Device.h"

#include <initializer_list>

namespace hortivex {

// Under the machine root: deletes the named sub-keys of the device's key and of its "Schedule"
// key (each when that key exists), then the "Schedule" key itself. A missing name or a store
// that refuses a deletion is passed over; a room or controller name that cannot be a single key
// name deletes nothing.
void DeleteControllerSubKeys(const TDevice& device, std::initializer_list<const char*> names,
                             std::initializer_list<const char*> scheduleNames);

} // namespace hortivex
