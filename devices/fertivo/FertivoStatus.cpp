#include "devices/fertivo/Fertivo.h"

namespace hortivex {} // namespace hortivex
