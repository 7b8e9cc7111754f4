// XY circle page: sine against cosine with running extremes.
#include "ui/main.h"

namespace talmir {

void TF_Face::SetUpCirclePage() {}
void TF_Face::btnStartXYChartClick() {}
void TF_Face::TimerXYDataTimer() {}
void TF_Face::Button2Click() {}

}  // namespace talmir
