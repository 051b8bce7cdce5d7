#pragma once
// The help window: the user guide, an HTML book, with Back, Forward and
// Contents. Links inside the guide open in the window; links elsewhere open
// in the desktop's browser.
#include <QMainWindow>
#include <QUrl>

class QAction;
class QTextBrowser;
class QToolBar;

class frmHelp final : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmHelp)

public:
    /// contents: the guide's contents page.
    explicit frmHelp(const QString& contents, QWidget* parent = nullptr);
    ~frmHelp() override;

    QToolBar* const Toolbar;
    QAction* const cmdBack;
    QAction* const cmdForward;
    QAction* const cmdContents;
    QTextBrowser* const brwGuide;

    /// The contents page, or where it was looked for when it is missing.
    void cmdContents_Click();
    void cmdBack_Click();
    void cmdForward_Click();

    QUrl Contents() const { return m_contents; }

private:
    void brwGuide_SourceChanged();

    QUrl m_contents;
};
