// Includes the layer check must refuse, and ones it must pass.
#include <vector>

#include "../device/DeviceError.h"
#include "abi_only.h"
#include "core/Own.h"
#include "ui/main.h"
