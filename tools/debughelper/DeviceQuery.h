#pragma once
// Reading the present devices through SetupAPI: the trace viewer records which ones stand at each trace text.

#include <windows.h>
#include <setupapi.h>

#include <functional>
#include <string>
#include <vector>

using DeviceVisit = std::function<void(HDEVINFO set, SP_DEVINFO_DATA &device, const std::vector<std::string> &ids)>;

// Calls visit with every present device and its hardware IDs, in property order; false when the list could
// not be read.
bool ForEachPresentDevice(const DeviceVisit &visit);
// Whether some ID of ids begins with prefix, letter case ignored.
bool ListsPrefix(const std::vector<std::string> &ids, const std::string &prefix);
// One line: "DEV <instance> | hwid=<a,b> | class=... | desc=... | driver=... | mark=...", where mark is
// the value the sample packages leave on the driver key they install.
std::string DescribeDevice(HDEVINFO set, SP_DEVINFO_DATA &device, const std::vector<std::string> &ids);
