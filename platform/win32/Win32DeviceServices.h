#pragma once
// The real device-installation services: setupapi, and newdev.dll loaded from the system directory only.

#include "platform/DeviceServices.h"

DeviceServices &Win32DeviceServicesInstance();
