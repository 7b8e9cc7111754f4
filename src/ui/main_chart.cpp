// Chart page: readout-mode polling, status cells and the log file.
#include "ui/main.h"
#include "ui_PageChart.h"

namespace talmir {

std::int32_t ChartSampleCounter = 0;

void TF_Face::SetUpChartPage() {}
void TF_Face::InitLedsHeader() {}
void TF_Face::btnStartClick() {}
void TF_Face::TimerTimer() {}
void TF_Face::BtnClearChartClick() {}
bool TF_Face::sgLedsDrawCell(int, int, const QRect&, QPainter*) {
    return false;
}

}  // namespace talmir
