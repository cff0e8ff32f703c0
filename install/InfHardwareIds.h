#pragma once
// The hardware IDs that an INF lists for the driver kind in force, read from the kind's models
// sections in order.

#include "platform/CString.h"
#include "platform/CStringArray.h"

// Every value of every section, in file order; false when the INF cannot be opened.
bool ReadKindHardwareIds(const CString &infPath, CStringArray &ids);

// The first value of the first section that has one (empty when none does); false when the INF
// cannot be opened.
bool ReadFirstKindHardwareId(const CString &infPath, CString &id);
