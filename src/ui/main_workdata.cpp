// Work-data page: X, Y, angle and amplitude registers over time.
#include "ui/main.h"

namespace talmir {

std::uint32_t WorkDataSampleCounter = 0;

void TF_Face::SetUpWorkDataPage() {}
void TF_Face::BtnStartAngleWrkDataClick() {}
void TF_Face::TimerWorkDataTimer() {}
void TF_Face::Button1Click() {}
void TF_Face::cbSerXClick() {}
void TF_Face::cbSerYClick() {}
void TF_Face::cbSerAngleClick() {}
void TF_Face::cbSerAmplClick() {}

}  // namespace talmir
