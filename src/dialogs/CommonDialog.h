#pragma once
// The open-file dialog as a form keeps it: the name of the last file chosen
// stays in fileName() until another is chosen, so after a cancelled browse it
// still names the earlier choice (empty before any file was ever chosen).
#include <QString>

class QWidget;

class CommonDialog final {
public:
    /// Shows the platform's open-file dialog, with no filter, title, initial
    /// folder or default extension of the program's own. Returns the file
    /// chosen this time, or the empty text when the browse was cancelled.
    QString showOpen(QWidget* owner);

    QString fileName() const;

private:
    QString m_fileName;
};
