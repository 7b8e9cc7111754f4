// The window "Ошибка угла": the angle error of a work-data run against the
// angle, its harmonics 1 to 8 as bars, and a line with the RMS and peak error
// and the converter's own error.
#pragma once

#include <QString>
#include <QWidget>
#include <memory>
#include <span>

#include "core/AngleError.h"

namespace Ui {
class AngleErrorWindow;
}

class QCPBars;
class QCPGraph;

namespace talmir {

class AngleErrorWindow : public QWidget {
    Q_OBJECT
public:
    explicit AngleErrorWindow(QWidget* parent = nullptr);
    ~AngleErrorWindow() override;

    // Analyses the samples and shows the result; a refusal (or a failure)
    // empties both charts and shows the reason instead. Without `channels`
    // (x and y hold no X/Y channels) the converter's error is not shown.
    void ShowSamples(std::span<const AngleSample> samples, bool channels = true);

signals:
    // "Обновить": the owner shows the samples it keeps now.
    void RefreshRequested();

public:
    std::unique_ptr<Ui::AngleErrorWindow> ui;
    QCPGraph* ErrorGraph = nullptr;
    QCPBars* HarmonicBars = nullptr;

private:
    void Clear(const QString& reason);
};

}  // namespace talmir
