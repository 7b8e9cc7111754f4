// The plain four-series chart window TF_Chart.
#pragma once

#include <QWidget>

namespace talmir {

class TF_Chart : public QWidget {
    Q_OBJECT
public:
    explicit TF_Chart(QWidget* parent = nullptr);
};

}  // namespace talmir
