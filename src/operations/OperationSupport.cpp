#include "OperationSupport.h"

#include "MessageBox.h"
#include "StatusBar.h"
#include "frmMainRoutines.h"
#include "modFunctions.h"
#include "modOperations.h"
#include "modRegistry.h"
#include "modStoreLayout.h"

#include <QChar>

#include <exception>
#ifndef _WIN32
#include "RegistryStore.h"
#endif

namespace modOperations::support {

std::string Std(const QString& text) {
    return text.toStdString();
}

void WriteText(std::uint32_t root, const std::string& key, const std::string& value,
               const std::string& data) {
    modRegistry::WriteRegValue(root, key, value, modRegistry::REG_SZ_TYPE, data);
}

void WriteAssociation(const QString& caption, const QString& fileType, const QString& command) {
    using namespace modStoreLayout;
    const std::string type = Std(fileType);
    const std::string verb = CommandKey(type, Std(caption));
    WriteText(modRegistry::HKCR, verb, std::string(), Std(command));
    WriteText(modRegistry::HKCR, verb, MarkerName, MarkerData);
    WriteText(modRegistry::HKCR, verb, CreatedValue, DateStamp());
    WriteText(modRegistry::HKLM, AssociationKey(Std(caption), type), FileTypeValue, type);
}

bool WriteAsOneChange(const std::function<void()>& writes, QString* error) {
#ifdef _WIN32
    (void)error;
    writes();
    return true;
#else
    std::exception_ptr thrown;
    std::string reason;
    const bool kept = tavisk::registry::runInTransaction(
        [&] {
            try {
                writes();
                return true;
            } catch (...) {
                thrown = std::current_exception();
                return false;
            }
        },
        &reason);
    if (thrown) {
        std::rethrow_exception(thrown);
    }
    if (!kept && error != nullptr) {
        *error = QString::fromStdString(reason);
    }
    return kept;
#endif
}

bool WriteAsOneChange(frmMainRoutines& main, const std::function<void()>& writes) {
    QString error;
    if (WriteAsOneChange(writes, &error)) {
        return true;
    }
    MessageBox::show(&main.Form(),
                     QStringLiteral("Nothing was changed: the registry store did not keep the "
                                    "changes.\n\n") +
                         error,
                     MessageBox::Buttons::Ok, MessageBox::Icon::Critical);
    return false;
}

bool CarriesMarker(const QString& caption, const QString& fileType) {
    using namespace modStoreLayout;
    return modRegistry::ReadRegValue(modRegistry::HKCR, CommandKey(Std(fileType), Std(caption)),
                                     MarkerName) == MarkerData;
}

bool CaptionInUse(const QString& caption) {
    return modRegistry::RegKeyExists(modRegistry::HKLM,
                                     modStoreLayout::ApplicationKey(Std(caption)));
}

bool SameKeyName(const QString& one, const QString& other) {
    if (one.size() != other.size()) {
        return false;
    }
    for (qsizetype i = 0; i < one.size(); ++i) {
        if (QChar::toUpper(one[i].unicode()) != QChar::toUpper(other[i].unicode())) {
            return false;
        }
    }
    return true;
}

void ReportCaptionInUse(frmMainRoutines& main, const QString& caption) {
    MessageBox::exclamation(&main.Form(), QStringLiteral("An application with the menu caption '") +
                                              modFunctions::Isolate(caption) +
                                              QStringLiteral("' already exists."));
}

void ReportFailure(frmMainRoutines& main, const QString& what) {
    MessageBox::exclamation(&main.Form(), QStringLiteral("An error has occurred whilst ") + what +
                                              QStringLiteral(".  Please report this to ") +
                                              QString::fromLatin1(SupportAddress));
}

void SetStatus(frmMainRoutines& main, const QString& text, bool repaint) {
    if (repaint) {
        main.StatusBar1().showProgress(text);
    } else {
        main.StatusBar1().setPanelText(1, text);
    }
}

} // namespace modOperations::support
