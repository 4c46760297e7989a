// The main-camera library's optional extension, found by its export when the
// library is loaded: a library built to IHikSystemHead alone has none.
#pragma once

#include "IHikSystemHeadExt.h"

// The extension of system, or null when its library offers none.
IHikSystemHeadExt* FindHikSystemHeadExt(IHikSystemHead* system);
