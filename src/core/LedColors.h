#pragma once
// Colour rule of the status cells (EAH, EAL, LOCK_IN).

#include <string>

namespace talmir {

// Whether a status cell is drawn green (otherwise red). The text is read as an
// integer v, 0 when empty or not an integer. Column 2 (LOCK_IN) is green when
// v > 0; columns 0 and 1 (EAH, EAL) are green when v == 0.
bool LedIsGreen(int column, const std::string& cellText);

}  // namespace talmir
