#include "frmAbout.h"

#include "Accessibility.h"
#include "Twips.h"
#include "modFunctions.h"
#include "modProduct.h"

#include <QLabel>
#include <QPushButton>

namespace {

// The design, in twips.
constexpr double FormWidth = 5700;
constexpr double FormHeight = 2700;
constexpr double TextLeft = 1260;
constexpr double TextWidth = 4200;

const QString Description =
    QStringLiteral("Tavisk adds entries of your own to the context menu of files; each runs "
                   "the program you choose on the clicked file. It only ever removes the "
                   "entries it wrote itself.");

QLabel* NewLabel(QWidget* parent, const QString& text, double top, double height) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    Twips::SetGeometry(label, TextLeft, top, TextWidth, height);
    return label;
}

QLabel* NewPicture(QWidget* parent) {
    auto* picture = new QLabel(parent);
    Twips::SetGeometry(picture, 240, 240, 720, 720);
    picture->setPixmap(
        modProduct::ProductPicture(QStringLiteral("Tavisk.svg")).pixmap(picture->size()));
    return picture;
}

QLabel* NewProductLabel(QWidget* parent) {
    QLabel* label = NewLabel(parent, modProduct::ProductName, 240, 285);
    label->setFont(modProduct::VerdanaFont(9.75, true));
    return label;
}

QPushButton* NewOkButton(QWidget* parent) {
    auto* button = new QPushButton(QStringLiteral("OK"), parent);
    Twips::SetGeometry(button, FormWidth - 240 - 1065, FormHeight - 180 - 405, 1065, 405);
    button->setDefault(true);
    return button;
}

} // namespace

frmAbout::frmAbout(QWidget* parent)
    : QDialog(parent), Picture1(NewPicture(this)), lblProduct(NewProductLabel(this)),
      lblVersion(NewLabel(this, QStringLiteral("Version: "), 570, 255)),
      lblDescription(NewLabel(this, Description, 990, 900)), cmdOk(NewOkButton(this)) {
    setObjectName(QStringLiteral("frmAbout"));
    Accessibility::NameControl(Picture1, modProduct::ProductName);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::white);
    colours.setColor(QPalette::WindowText, Qt::black);
    setPalette(colours);
    setFixedSize(Twips::ToPixels(FormWidth), Twips::ToPixels(FormHeight));
    connect(cmdOk, &QPushButton::clicked, this, &frmAbout::cmdOk_Click);
}

frmAbout::~frmAbout() = default;

void frmAbout::Form_Load() {
    modFunctions::CentreForm(this);
    setWindowTitle(QStringLiteral("About ") + modProduct::ProductName);
    lblProduct->setText(modProduct::ProductName);
    lblVersion->setText(modProduct::VersionText());
}

void frmAbout::cmdOk_Click() {
    accept();
}
