// Access to the two auxiliary chart windows, which start hidden.
#include "ui/main.h"

namespace talmir {

void TF_Face::AttachAuxiliaryWindows(TF_Chart*, TF_ASens_Chart*) {}

}  // namespace talmir
