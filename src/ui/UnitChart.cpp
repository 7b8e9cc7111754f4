#include "ui/UnitChart.h"

namespace talmir {

TF_Chart::TF_Chart(QWidget* parent) : QWidget(parent) {}

}  // namespace talmir
