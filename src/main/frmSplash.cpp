#include "frmSplash.h"

#include "Accessibility.h"
#include "Twips.h"
#include "modFunctions.h"
#include "modProduct.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QTimer>

#include <cstdlib>

namespace {

// The design, in twips.
constexpr double FormWidth = 6300;
constexpr double FormHeight = 3000;
constexpr int TimerInterval = 1000; // ms

QLabel* NewPicture(QWidget* parent, const QString& name, double left, double top, double width,
                   double height) {
    auto* picture = new QLabel(parent);
    Twips::SetGeometry(picture, left, top, width, height);
    picture->setPixmap(modProduct::ProductPicture(name).pixmap(picture->size()));
    return picture;
}

QLabel* NewVersionLabel(QWidget* parent) {
    auto* label = new QLabel(QStringLiteral("Version"), parent);
    label->setFont(modProduct::VerdanaFont(9, false));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Twips::SetGeometry(label, 3060, 1920, 3000, 330);
    return label;
}

QTimer* NewTimer(QObject* parent) {
    auto* timer = new QTimer(parent);
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer); // never before the full second
    timer->setInterval(TimerInterval);
    return timer;
}

} // namespace

frmSplash::frmSplash(ShowMainWindow showMainWindow, QWidget* parent)
    : QFrame(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      Picture1(NewPicture(this, QStringLiteral("Splash.svg"), 300, 300, 2400, 2400)),
      Picture2(NewPicture(this, QStringLiteral("Wordmark.svg"), 3000, 900, 3000, 900)),
      lblVersion(NewVersionLabel(this)), Timer1(NewTimer(this)),
      m_showMainWindow(std::move(showMainWindow)) {
    // The first window: from here on assistive tools see only shown windows,
    // so the splash leaves their view when it closes.
    Accessibility::Install();
    setObjectName(QStringLiteral("frmSplash"));
    Accessibility::NameControl(Picture1, modProduct::ProductName);
    Accessibility::NameControl(Picture2, modProduct::ProductName);
    setWindowTitle(modProduct::ProductName);
    setFrameShape(QFrame::Box);
    setLineWidth(1);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::white);
    colours.setColor(QPalette::WindowText, QColor(0x40, 0x40, 0x40));
    setPalette(colours);
    setFocusPolicy(Qt::StrongFocus);
    setFixedSize(Twips::ToPixels(FormWidth), Twips::ToPixels(FormHeight));
    connect(Timer1, &QTimer::timeout, this, &frmSplash::Timer1_Timer);
}

frmSplash::~frmSplash() = default;

void frmSplash::Form_Load() {
    modFunctions::CentreForm(this);
    lblVersion->setText(modProduct::VersionText());
    Timer1->start();
}

void frmSplash::Timer1_Timer() {
    HandOver();
}

void frmSplash::Form_KeyPress(const QString&) {
    HandOver();
}

void frmSplash::keyPressEvent(QKeyEvent* event) {
    if (event->text().isEmpty()) {
        QFrame::keyPressEvent(event);
        return;
    }
    Form_KeyPress(event->text());
}

void frmSplash::HandOver() {
    // The timer's tick and a key press may both come while the start-up
    // runs (it can show a message box): the main window is shown once.
    if (m_handedOver) {
        return;
    }
    m_handedOver = true;
    Timer1->stop();
    m_startupFailed = !(m_showMainWindow && m_showMainWindow());
    close();
    if (m_startupFailed) {
        QCoreApplication::exit(EXIT_FAILURE);
    }
}
