#include "frmHelp.h"

#include "Accessibility.h"
#include "Twips.h"
#include "modFunctions.h"
#include "modProduct.h"

#include <QAction>
#include <QFileInfo>
#include <QStyle>
#include <QTextBrowser>
#include <QToolBar>

namespace {

// The design, in twips.
constexpr double FormWidth = 11400;
constexpr double FormHeight = 9000;

QAction* NewButton(QToolBar* toolbar, QStyle::StandardPixmap picture, const QString& caption,
                   const QKeySequence& shortcut) {
    QAction* action = toolbar->addAction(toolbar->style()->standardIcon(picture), caption);
    action->setShortcut(shortcut);
    return action;
}

QToolBar* NewToolbar(QMainWindow* form) {
    auto* toolbar = new QToolBar(form);
    toolbar->setObjectName(QStringLiteral("Toolbar"));
    toolbar->setMovable(false);
    toolbar->setFloatable(false);
    toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    form->addToolBar(toolbar);
    return toolbar;
}

QString MissingGuidePage(const QString& file) {
    return QStringLiteral("<h2>The guide is missing</h2><p>Tavisk looked for its user guide at "
                          "<code>%1</code> and found nothing there.</p><p>The guide is a "
                          "folder <code>help</code> that comes with the program: install "
                          "Tavisk again with <code>cmake --install</code>, or copy the "
                          "<code>help</code> folder of the sources to that place.</p>")
        .arg(file.toHtmlEscaped());
}

} // namespace

frmHelp::frmHelp(const QString& contents, QWidget* parent)
    : QMainWindow(parent), Toolbar(NewToolbar(this)),
      cmdBack(NewButton(Toolbar, QStyle::SP_ArrowBack, QStringLiteral("Back"), QKeySequence::Back)),
      cmdForward(NewButton(Toolbar, QStyle::SP_ArrowForward, QStringLiteral("Forward"),
                           QKeySequence::Forward)),
      cmdContents(NewButton(Toolbar, QStyle::SP_DirHomeIcon, QStringLiteral("Contents"),
                            QKeySequence(Qt::ALT | Qt::Key_Home))),
      brwGuide(new QTextBrowser(this)), m_contents(QUrl::fromLocalFile(contents)) {
    setObjectName(QStringLiteral("frmHelp"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(modProduct::ProductPicture(QStringLiteral("Tavisk.svg")));
    brwGuide->setObjectName(QStringLiteral("brwGuide"));
    Accessibility::NameControl(Toolbar, QStringLiteral("Toolbar"));
    Accessibility::NameControl(brwGuide, QStringLiteral("User Guide"));
    brwGuide->setOpenExternalLinks(true);
    setCentralWidget(brwGuide);
    resize(Twips::ToPixels(FormWidth), Twips::ToPixels(FormHeight));
    modFunctions::CentreForm(this);
    // Esc and the platform's close keys put the guide away.
    auto* closeKeys = new QAction(this);
    closeKeys->setShortcuts({QKeySequence(Qt::Key_Escape), QKeySequence(QKeySequence::Close)});
    addAction(closeKeys);
    connect(closeKeys, &QAction::triggered, this, &QWidget::close);
    cmdBack->setEnabled(false);
    cmdForward->setEnabled(false);
    connect(cmdBack, &QAction::triggered, this, &frmHelp::cmdBack_Click);
    connect(cmdForward, &QAction::triggered, this, &frmHelp::cmdForward_Click);
    connect(cmdContents, &QAction::triggered, this, &frmHelp::cmdContents_Click);
    connect(brwGuide, &QTextBrowser::backwardAvailable, cmdBack, &QAction::setEnabled);
    connect(brwGuide, &QTextBrowser::forwardAvailable, cmdForward, &QAction::setEnabled);
    connect(brwGuide, &QTextBrowser::sourceChanged, this, &frmHelp::brwGuide_SourceChanged);
    cmdContents_Click();
}

frmHelp::~frmHelp() = default;

void frmHelp::cmdContents_Click() {
    const QString file = m_contents.toLocalFile();
    if (QFileInfo(file).isFile()) {
        brwGuide->setSource(m_contents);
        return;
    }
    brwGuide->setHtml(MissingGuidePage(file));
    setWindowTitle(modProduct::ProductName + QStringLiteral(" Help"));
}

void frmHelp::cmdBack_Click() {
    brwGuide->backward();
}

void frmHelp::cmdForward_Click() {
    brwGuide->forward();
}

void frmHelp::brwGuide_SourceChanged() {
    // The window's caption follows the page: "Tavisk Help - Commands".
    const QString page = brwGuide->documentTitle();
    const QString help = modProduct::ProductName + QStringLiteral(" Help");
    setWindowTitle(page.isEmpty() || page == help ? help : help + QStringLiteral(" - ") + page);
}
