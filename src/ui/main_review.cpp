// The review window from the main window: the button "Просмотр…" beside
// "CHIP HardID", a file dropped on the window, and "talmir FILE".
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QMimeData>
#include <QUrl>

#include "ui/ReviewWindow.h"
#include "ui/main.h"
#include "ui_main.h"

namespace talmir {

namespace {

// The one local file a drag carries; empty for anything else.
QString DroppedFile(const QMimeData* data) {
    if (data == nullptr || data->urls().size() != 1) return QString();
    const QUrl url = data->urls().front();
    return url.isLocalFile() ? url.toLocalFile() : QString();
}

}  // namespace

void TF_Face::SetUpReview() {
    setAcceptDrops(true);
    ChooseReviewFile = [this] {
        return QFileDialog::getOpenFileName(this, tr("Просмотр файла"), QString(),
                                            tr("Данные (*.csv *.txt);;Все файлы (*)"));
    };
    connect(ui->btnReview, &QPushButton::clicked, this, &TF_Face::btnReviewClick);
    connect(ui->btnCapture, &QPushButton::clicked, this, &TF_Face::btnCaptureClick);
}

void TF_Face::btnReviewClick() {
    const QString name = ChooseReviewFile();
    if (!name.isEmpty()) OpenReview(name);
}

ReviewWindow* TF_Face::OpenReview(const QString& fileName) {
    auto* window = new ReviewWindow(this);
    window->errorSink = state_.errorSink;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->OpenFile(fileName);
    window->show();
    return window;
}

void TF_Face::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TF_Face::dropEvent(QDropEvent* event) {
    const QString file = DroppedFile(event->mimeData());
    if (file.isEmpty()) return;
    event->acceptProposedAction();
    OpenReview(file);
}

}  // namespace talmir
