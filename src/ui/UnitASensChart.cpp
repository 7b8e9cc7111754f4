#include "ui/UnitASensChart.h"

namespace talmir {

bool AcquisitionActive = false;
std::int32_t ASensSampleCounter = 0;

TF_ASens_Chart::TF_ASens_Chart(QWidget* parent) : QWidget(parent) {}

}  // namespace talmir
