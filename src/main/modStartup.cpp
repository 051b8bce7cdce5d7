#include "modStartup.h"

#include "MessageBox.h"
#include "MimeImport.h"
#include "RegistryStore.h"

#include <QtGlobal>

namespace modStartup {
namespace {

using tavisk::registry::OpenResult;
using tavisk::registry::OpenStatus;

const QString KeepAdvice =
    QStringLiteral("Tavisk has not changed the file. Check its permissions, or move it aside "
                   "(keep it: it holds your entries) and start Tavisk again to get a new, empty "
                   "registry. To use another file, set TAVISK_REGISTRY to its name.");

/// For a file whose check found damage, permissions are beside the point.
const QString DamagedAdvice =
    QStringLiteral("Tavisk has not changed the file. Move it aside (keep it: it holds your "
                   "entries, and the details show what the check found) and start Tavisk again "
                   "to get a new, empty registry. To use another file, set TAVISK_REGISTRY to "
                   "its name.");

void FillWithFileTypes() {
    const auto result = tavisk::registry::importMimeDatabase();
    if (!result.ok) {
        // The tree does not need them; "tavisk-reg import-mime" reads them again.
        qWarning("Tavisk: the machine's file types were not read: %s", result.error.c_str());
    }
}

} // namespace

QString StoreProblem(const OpenResult& result) {
    const QString file = QString::fromStdString(result.path);
    switch (result.status) {
    case OpenStatus::Opened:
    case OpenStatus::Created:
        return QString();
    case OpenStatus::ReadOnly:
        return QStringLiteral("Tavisk can only read its registry file\n%1\n\nEvery change you made "
                              "would be lost when Tavisk next reads it, so Tavisk will not start "
                              "on it.\n\n%2")
            .arg(file, KeepAdvice);
    case OpenStatus::Failed:
        break;
    }
    return QStringLiteral("Tavisk cannot use its registry file\n%1\n\n%2\n\n%3")
        .arg(file, QString::fromStdString(result.message),
             result.details.empty() ? KeepAdvice : DamagedAdvice);
}

bool OpenRegistryStore() {
    const OpenResult result = tavisk::registry::openDefaultStore();
    const QString problem = StoreProblem(result);
    if (!problem.isEmpty()) {
        tavisk::registry::closeStore();
        // What a check of a damaged file found goes behind the details button:
        // the message itself stays a few lines long.
        MessageBox::show(nullptr, problem, MessageBox::Buttons::Ok, MessageBox::Icon::Critical,
                         MessageBox::Answer::Ok, QString::fromStdString(result.details));
        return false;
    }
    if (tavisk::registry::storeNeedsFileTypes(result)) {
        FillWithFileTypes();
    }
    return true;
}

} // namespace modStartup
