#pragma once
// A push button of a dialog, bound to its control by the dialog's data exchange.

#include "platform/win32/Wnd.h"

class CButton : public CWnd {};
