#pragma once
// What every modal dialog of the program shares: the Cancelled property the
// caller reads after the show, Cancel that hides the dialog, and Esc and a
// close through the title bar (or Alt+F4) counted as Cancel, so that only an OK
// that passed the dialog's checks ever reaches a caller as a confirmation.
// A dialog only hides itself; its caller discards it.
#include <QDialog>

class QLineEdit;

class CancellableDialog : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CancellableDialog)
    Q_PROPERTY(bool Cancelled READ Cancelled WRITE setCancelled)

public:
    ~CancellableDialog() override;

    /// True after Cancel, False after an OK that passed the checks.
    bool Cancelled() const;
    void setCancelled(bool cancelled);

    /// Esc: the cancel button's click.
    void reject() override;

    void cmdCancel_Click();

protected:
    explicit CancellableDialog(QWidget* parent);

    /// A title-bar close of the shown dialog counts as Cancel.
    void closeEvent(QCloseEvent* event) override;

    /// Cancelled = False, then hide: the end of an OK that passed the checks.
    void HideConfirmed();

    /// Shows a check's message and returns the focus to the offending box;
    /// returns false so that a check can end with it.
    bool RefuseInput(QLineEdit* box, const QString& message);

private:
    bool m_cancelled = false;
};
