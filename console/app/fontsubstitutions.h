// Windows font faces named by the console's style sheets and overlay,
// mapped onto the CJK fonts installed here.
#pragma once

void installFontSubstitutions();
