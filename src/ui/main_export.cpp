// One-shot export of one reading to a data file.
#include "ui/main.h"

namespace talmir {

void TF_Face::ReadAngleDataToFile(std::uint8_t, const QString&) {}

}  // namespace talmir
