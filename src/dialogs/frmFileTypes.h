#pragma once
// Lets the user tick the registered file types that are to get an
// application's shell verb. Creating the dialog reads the whole file-type
// catalogue from HKEY_CLASSES_ROOT into lvwFileTypes. The caller then sets the
// title and CurrentTypes (the types the application already has, removed from
// the list), shows it modally, reads Cancelled and, when it is False, the keys
// of the ticked rows (lvwFileTypes->ListItems()), and discards it.
#include "CancellableDialog.h"
#include "ImageList.h"

#include <QHash>
#include <QStringList>

#include <string>
#include <vector>

class ListView;
class QLabel;
class QPushButton;
class StatusBar;
struct ListItem;

class frmFileTypes final : public CancellableDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmFileTypes)

    /// The list's two small images, "FileType" and "File"; made before the list.
    ImageList ImageList1{QSize(16, 16)};

public:
    /// statusBar1 is the main window's status bar, which shows the progress of
    /// the catalogue's loading (none: no progress is shown).
    explicit frmFileTypes(StatusBar* statusBar1, QWidget* parent = nullptr);
    ~frmFileTypes() override;

    /// The file types the application already has, as the caller handed them.
    QStringList CurrentTypes() const;
    /// Keeps the types and removes from the list every row keyed by one of
    /// them; a name the list does not hold is passed over.
    void setCurrentTypes(const QStringList& types);

    QLabel* const Label2;
    ListView* const lvwFileTypes;
    QPushButton* const cmdOk;
    QPushButton* const cmdCancel;

    void cmdOk_Click();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Form_Load();
    void Form_Resize();
    void LoadFileTypes();
    void ShowStatus(const QString& text);
    /// A row's tooltip: the type's description (its key's default value) and
    /// the extensions whose keys name it.
    QString ToolTipOf(const ListItem& row);
    /// The ".ext" keys naming the type (compared without regard to case).
    QStringList ExtensionsOf(const QString& type);
    /// The window's outer size in twips, border and title bar included.
    double OuterWidth() const;
    double OuterHeight() const;

    StatusBar* m_statusBar1;
    QStringList m_currentTypes;
    /// The keys whose names start with "." under HKEY_CLASSES_ROOT, as the
    /// scan met them; read into m_extensions at the first tooltip.
    std::vector<std::string> m_extensionKeys;
    QHash<QString, QStringList> m_extensions; ///< by case-folded type name
    bool m_extensionsRead = false;
};
