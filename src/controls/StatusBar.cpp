#include "StatusBar.h"

#include "Twips.h"

#include <QLabel>
#include <QMouseEvent>

namespace {

// Panel 1 is 11218 HIMETRIC units wide as designed (at least one inch); the
// others one inch each.
constexpr double HimetricPerInch = 2540.0;
constexpr double Panel1Twips = 11218.0 / HimetricPerInch * Twips::PerInch;
constexpr double InchTwips = Twips::PerInch;

} // namespace

StatusBar::StatusBar(QWidget* parent) : QStatusBar(parent) {
    setSizeGripEnabled(true);
    for (int i = 0; i < 4; ++i) {
        auto* label = new QLabel(this);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setContentsMargins(3, 0, 3, 0);
        label->setMinimumWidth(Twips::ToPixels(InchTwips));
        m_panels[static_cast<std::size_t>(i)] = label;
    }
    m_panels[0]->setMinimumWidth(Twips::ToPixels(InchTwips));
    m_panels[0]->setFixedWidth(Twips::ToPixels(Panel1Twips));
    for (std::size_t i = 1; i < 4; ++i) {
        m_panels[i]->setFixedWidth(Twips::ToPixels(InchTwips));
    }
    m_panels[2]->setAlignment(Qt::AlignCenter);
    m_panels[3]->setAlignment(Qt::AlignCenter);
    addWidget(m_panels[0], 1);
    for (std::size_t i = 1; i < 4; ++i) {
        addPermanentWidget(m_panels[i]);
    }
    setKeyState(false, false, false);
}

QString StatusBar::panelText(int panel) const {
    return m_panels.at(static_cast<std::size_t>(panel - 1))->text();
}

void StatusBar::setPanelText(int panel, const QString& text) {
    m_panels.at(static_cast<std::size_t>(panel - 1))->setText(text);
}

void StatusBar::showProgress(const QString& text) {
    setPanelText(1, text);
    repaint();
}

void StatusBar::setKeyState(bool capsLock, bool numLock, bool known) {
    const auto draw = [known](QLabel* label, const QString& text, bool on) {
        label->setText(known ? text : QString());
        label->setEnabled(known && on);
    };
    draw(m_panels[2], QStringLiteral("CAPS"), capsLock);
    draw(m_panels[3], QStringLiteral("NUM"), numLock);
}

void StatusBar::setHeightTwips(double twips) {
    setFixedHeight(Twips::ToPixels(twips));
}

void StatusBar::mouseReleaseEvent(QMouseEvent* event) {
    for (int i = 0; i < 4; ++i) {
        if (m_panels[static_cast<std::size_t>(i)]->geometry().contains(
                event->position().toPoint())) {
            emit panelClicked(i + 1);
        }
    }
    QStatusBar::mouseReleaseEvent(event);
}
