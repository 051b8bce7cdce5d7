#include "CommonDialog.h"

#include "FileDialog.h"

void CommonDialog::showOpen(QWidget* owner) {
    const QString chosen = FileDialog::getOpenFileName(owner);
    if (!chosen.isEmpty()) {
        m_fileName = chosen;
    }
}

QString CommonDialog::fileName() const {
    return m_fileName;
}
