#include "core/LedColors.h"

#include "core/IntText.h"

namespace talmir {

bool LedIsGreen(int column, const std::string& cellText) {
    const int32_t v = ParseIntOr(cellText, 0);
    return column == 2 ? v > 0 : v == 0;
}

}  // namespace talmir
