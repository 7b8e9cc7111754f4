// The sensor chart window TF_ASens_Chart ("KESTON Chart"): polls registers
// 34 to 37 and plots them over time. This module also holds the run flag
// shared by every acquisition timer of the tool.
#pragma once

#include <QWidget>
#include <cstdint>

namespace talmir {

// Run flag of all acquisition timers: a start sets it, a stop or a page
// change clears it, and each armed timer re-arms itself only while it is set.
extern bool AcquisitionActive;
extern std::int32_t ASensSampleCounter;

class TF_ASens_Chart : public QWidget {
    Q_OBJECT
public:
    explicit TF_ASens_Chart(QWidget* parent = nullptr);
};

}  // namespace talmir
