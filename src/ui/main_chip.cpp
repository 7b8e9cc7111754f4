// Chip identification and the two programming lines.
#include "ui/main.h"

namespace talmir {

void TF_Face::btnIniChipClick() {}
void TF_Face::chCFGClick() {}
void TF_Face::ch7VClick() {}

}  // namespace talmir
