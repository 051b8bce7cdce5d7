#pragma once
// The open-file dialog as a dialog keeps it: the name of the last file chosen
// stays in fileName() until another is chosen, so a cancelled browse leaves
// it as it was (empty before any file was ever chosen).
#include <QString>

class QWidget;

class CommonDialog final {
public:
    /// Shows the platform's open-file dialog, with no filter, title, initial
    /// folder or default extension of the program's own.
    void showOpen(QWidget* owner);

    QString fileName() const;

private:
    QString m_fileName;
};
