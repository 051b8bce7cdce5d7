#include "CommonDialog.h"

#include "FileDialog.h"

QString CommonDialog::showOpen(QWidget* owner) {
    const QString chosen = FileDialog::getOpenFileName(owner);
    if (!chosen.isEmpty()) {
        m_fileName = chosen;
    }
    return chosen;
}

QString CommonDialog::fileName() const {
    return m_fileName;
}
