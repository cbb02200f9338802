#include "devices/aerovane/Aerovane.h"

namespace hortivex {} // namespace hortivex
