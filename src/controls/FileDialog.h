#pragma once
// The platform's open-file dialog, behind one door that tests can answer in
// advance (setNextFileName) instead of a human.
#include <QString>

class QWidget;

class FileDialog final {
public:
    /// The chosen file's full path, or the empty text when the user cancelled.
    static QString getOpenFileName(QWidget* parent);

    /// The next call returns this name at once without showing a dialog
    /// (the empty text stands for a cancelled dialog).
    static void setNextFileName(const QString& fileName);
    /// Dialogs opened (or answered) since the last reset.
    static int timesOpened();
    static void reset();
};
