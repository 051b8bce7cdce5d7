#include "CancellableDialog.h"

#include "MessageBox.h"

#include <QCloseEvent>
#include <QLineEdit>

CancellableDialog::CancellableDialog(QWidget* parent) : QDialog(parent) {}

CancellableDialog::~CancellableDialog() = default;

bool CancellableDialog::Cancelled() const {
    return m_cancelled;
}

void CancellableDialog::setCancelled(bool cancelled) {
    m_cancelled = cancelled;
}

void CancellableDialog::reject() {
    cmdCancel_Click();
}

void CancellableDialog::cmdCancel_Click() {
    m_cancelled = true;
    setResult(QDialog::Rejected);
    hide();
}

void CancellableDialog::closeEvent(QCloseEvent* event) {
    if (isVisible()) {
        cmdCancel_Click();
    }
    event->accept();
}

void CancellableDialog::HideConfirmed() {
    m_cancelled = false;
    setResult(QDialog::Accepted);
    hide();
}

bool CancellableDialog::RefuseInput(QLineEdit* box, const QString& message) {
    MessageBox::exclamation(this, message);
    box->setFocus();
    return false;
}
