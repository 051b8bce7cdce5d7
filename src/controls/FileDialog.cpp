#include "FileDialog.h"

#include <QFileDialog>

#include <optional>

namespace {

std::optional<QString>& NextName() {
    static std::optional<QString> name;
    return name;
}

int& Opened() {
    static int opened = 0;
    return opened;
}

} // namespace

QString FileDialog::getOpenFileName(QWidget* parent) {
    ++Opened();
    if (NextName()) {
        QString name = *NextName();
        NextName().reset();
        return name;
    }
    return QFileDialog::getOpenFileName(parent);
}

void FileDialog::setNextFileName(const QString& fileName) {
    NextName() = fileName;
}

int FileDialog::timesOpened() {
    return Opened();
}

void FileDialog::reset() {
    NextName().reset();
    Opened() = 0;
}
