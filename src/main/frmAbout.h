#pragma once
// The About box: the program's picture, name, version and what it does, on
// white, centred, modal; OK closes it.
#include <QDialog>

class QLabel;
class QPushButton;

class frmAbout final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmAbout)

public:
    explicit frmAbout(QWidget* parent = nullptr);
    ~frmAbout() override;

    QLabel* const Picture1;
    QLabel* const lblProduct;
    QLabel* const lblVersion;
    QLabel* const lblDescription;
    QPushButton* const cmdOk;

    /// Centres the box and writes its caption, the product's name and the version.
    void Form_Load();
    /// Unloads the box.
    void cmdOk_Click();
};
