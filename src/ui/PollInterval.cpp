#include "ui/PollInterval.h"

#include <QTimer>
#include <climits>
#include <cstdint>

#include "core/IntText.h"
#include "ui/UnitASensChart.h"

namespace talmir {

int PollIntervalMs(const QString& text) {
    const auto ms = static_cast<std::uint32_t>(ParseIntOr(text.toStdString(), 100));
    return ms > static_cast<std::uint32_t>(INT_MAX) ? INT_MAX : static_cast<int>(ms);
}

void RearmPollTimer(QTimer* timer) {
    if (AcquisitionActive && timer->interval() > 0) {
        timer->start();
    } else {
        timer->stop();
    }
}

}  // namespace talmir
