#include "frmFileTypes.h"

#include "Accessibility.h"
#include "DialogControls.h"
#include "ListItemsModel.h"
#include "ListView.h"
#include "StatusBar.h"
#include "Twips.h"
#include "modFunctions.h"
#include "modRegistry.h"
#include "modStoreLayout.h"

#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

// The drawings of ImageList1, compiled into this library.
static void InitDialogResources() {
    Q_INIT_RESOURCE(dialogs);
}

using namespace DialogControls;

namespace {

// Where the platform reports no window frame (an offscreen or unmanaged
// window) the outer size is the client size plus a border of 4 pixels on each
// side and a title bar of 18 pixels, in twips at 96 dpi.
constexpr double FrameAllowanceWidth = 120;
constexpr double FrameAllowanceHeight = 390;

/// The name with every lower-case "file" preceded by a space; other cases of
/// the word are left alone.
QString DisplayName(const QString& name) {
    QString display = name;
    return display.replace(QStringLiteral("file"), QStringLiteral(" file"), Qt::CaseSensitive);
}

/// "File" for a display name ending in the word file, else "FileType".
QString SmallIconKey(const QString& displayName) {
    return displayName.toUpper().endsWith(QStringLiteral(" FILE")) ? QStringLiteral("File")
                                                                   : QStringLiteral("FileType");
}

} // namespace

frmFileTypes::frmFileTypes(StatusBar* statusBar1, QWidget* parent)
    : CancellableDialog(parent),
      Label2(NewLabel(this,
                      QStringLiteral("Select the file types to associate with this application."),
                      90, 90, 3750, 195)),
      lvwFileTypes(new ListView(&ImageList1, this)),
      cmdOk(NewButton(this, QStringLiteral("OK"), 5310, 5220, 1065, 405)),
      cmdCancel(NewButton(this, QStringLiteral("Cancel"), 6510, 5220, 1065, 405)),
      m_statusBar1(statusBar1) {
    InitDialogResources();
    ImageList1.addSvg(QStringLiteral("FileType"), QStringLiteral(":/dialogs/icons/filetype.svg"));
    ImageList1.addSvg(QStringLiteral("File"), QStringLiteral(":/dialogs/icons/file.svg"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Associate File Types with"));
    setFont(FormFont());
    resize(Twips::ToPixels(7635), Twips::ToPixels(5685));
    Twips::SetGeometry(lvwFileTypes, 60, 420, 6315, 4695);
    lvwFileTypes->setColumn(QStringLiteral("File Type"), 6000);
    lvwFileTypes->ListItems().setToolTipSource(
        [this](const ListItem& row) { return ToolTipOf(row); });
    cmdOk->setDefault(true);
    Accessibility::NameControl(lvwFileTypes, QStringLiteral("File Types"), Label2);
    setTabOrder(lvwFileTypes, cmdOk);
    setTabOrder(cmdOk, cmdCancel);
    lvwFileTypes->setFocus();
    connect(cmdOk, &QPushButton::clicked, this, &frmFileTypes::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmFileTypes::cmdCancel_Click);
    Form_Load();
}

frmFileTypes::~frmFileTypes() = default;

QStringList frmFileTypes::CurrentTypes() const {
    return m_currentTypes;
}

void frmFileTypes::setCurrentTypes(const QStringList& types) {
    m_currentTypes = types;
    for (const QString& type : types) {
        lvwFileTypes->ListItems().removeKey(type);
    }
}

void frmFileTypes::Form_Load() {
    modFunctions::SetHourglass();
    modFunctions::CentreForm(this);
    LoadFileTypes();
    modFunctions::SetDefaultPointer();
}

void frmFileTypes::cmdOk_Click() {
    HideConfirmed();
}

void frmFileTypes::resizeEvent(QResizeEvent* event) {
    CancellableDialog::resizeEvent(event);
    Form_Resize();
}

/// The list grows with the window to the right and downwards; both buttons
/// keep their distance from the right and bottom edges.
void frmFileTypes::Form_Resize() {
    SetWidth(lvwFileTypes, OuterWidth() - 260);
    SetTop(cmdOk, OuterHeight() - 850);
    SetTop(cmdCancel, TopOf(cmdOk));
    SetHeight(lvwFileTypes, OuterHeight() - 1300);
    SetLeft(cmdCancel, OuterWidth() - 1240);
    SetLeft(cmdOk, OuterWidth() - 2380);
}

double frmFileTypes::OuterWidth() const {
    const int outer = frameGeometry().width();
    return outer > width() ? Twips::FromPixels(outer)
                           : Twips::FromPixels(width()) + FrameAllowanceWidth;
}

double frmFileTypes::OuterHeight() const {
    const int outer = frameGeometry().height();
    return outer > height() ? Twips::FromPixels(outer)
                            : Twips::FromPixels(height()) + FrameAllowanceHeight;
}

/// One row per subkey of HKEY_CLASSES_ROOT whose DefaultIcon default value
/// can be read (an empty value counts), keyed by the unchanged subkey name.
/// The rows go into the list in one insertion after the scan.
void frmFileTypes::LoadFileTypes() {
    using namespace modRegistry;
    ShowStatus(QStringLiteral("Loading all file types..."));
    std::vector<ListItem> rows;
    std::int32_t index = 0;
    std::string name = EnumRegSubkey(HKCR, std::string(), index);
    while (name != NotFound) {
        const std::string icon =
            ReadRegValue(HKCR, name + modStoreLayout::DefaultIconKey, std::string());
        if (name.starts_with('.')) {
            m_extensionKeys.push_back(name);
        }
        if (icon != NotFound) {
            const QString key = QString::fromStdString(name);
            const QString display = DisplayName(key);
            rows.push_back({key, display, SmallIconKey(display)});
        }
        if (index == std::numeric_limits<std::int32_t>::max()) {
            break;
        }
        ++index;
        name = EnumRegSubkey(HKCR, std::string(), index);
    }
    lvwFileTypes->ListItems().append(std::move(rows));
    ShowStatus(QString());
}

QString frmFileTypes::ToolTipOf(const ListItem& row) {
    using namespace modRegistry;
    QStringList lines;
    const std::string description = ReadRegValue(HKCR, row.key.toStdString(), std::string());
    if (description != NotFound && !description.empty()) {
        lines.append(QString::fromStdString(description));
    }
    const QStringList extensions = ExtensionsOf(row.key);
    if (!extensions.isEmpty()) {
        lines.append(QStringLiteral("Extensions: ") + extensions.join(QStringLiteral(", ")));
    }
    return lines.isEmpty() ? row.text : lines.join(u'\n');
}

QStringList frmFileTypes::ExtensionsOf(const QString& type) {
    using namespace modRegistry;
    if (!m_extensionsRead) {
        // One pass over the extension keys, at the first tooltip only.
        m_extensionsRead = true;
        for (const std::string& extension : m_extensionKeys) {
            const std::string owner = ReadRegValue(HKCR, extension, std::string());
            if (owner != NotFound && !owner.empty()) {
                m_extensions[QString::fromStdString(owner).toCaseFolded()].append(
                    QString::fromStdString(extension));
            }
        }
    }
    return m_extensions.value(type.toCaseFolded());
}

void frmFileTypes::ShowStatus(const QString& text) {
    if (m_statusBar1) {
        m_statusBar1->showProgress(text);
    }
}
