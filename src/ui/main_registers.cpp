// Register page: register list, picture, bit grid, value edits and the
// read/write buttons.
#include "ui/main.h"
#include "ui_PageConfig.h"

namespace talmir {

void TF_Face::SetUpRegisterPage() {}
void TF_Face::FillRegisterList() {}
void TF_Face::lbRegListClick() {}
void TF_Face::EditRegInHexChange(const QString&) {}
void TF_Face::btnReadRegClick() {}
void TF_Face::btnWriteRegClick() {}
void TF_Face::btnReadAllClick() {}
void TF_Face::btnWriteAllClick() {}
bool TF_Face::sgRegDrawCell(int, int, const QRect&, QPainter*) {
    return false;
}
void TF_Face::sgRegMouseUp(const QPoint&) {}

}  // namespace talmir
