// Register files: .rdt save and load, and the REG_CFG INI loader.
#include "ui/main.h"

namespace talmir {

void TF_Face::BtnRegsToFileClick() {}
void TF_Face::BtnRegsFromFileClick() {}
bool TF_Face::LoadRegsFromIni(const QString&) {
    return false;
}

}  // namespace talmir
