#include "modProduct.h"

#include "modFunctions.h"

// The build passes the project's version in; it is written nowhere else.
#if !defined(TAVISK_VERSION_MAJOR) || !defined(TAVISK_VERSION_MINOR) ||                            \
    !defined(TAVISK_VERSION_PATCH)
#error "The build must define TAVISK_VERSION_MAJOR, TAVISK_VERSION_MINOR and TAVISK_VERSION_PATCH"
#endif

// The pictures live in this library's resources, which a static library must
// register by hand. Outside any namespace, as Qt asks.
static void InitialiseProductResources() {
    Q_INIT_RESOURCE(product);
}

namespace modProduct {

int MajorVersion() {
    return TAVISK_VERSION_MAJOR;
}

int MinorVersion() {
    return TAVISK_VERSION_MINOR;
}

int Revision() {
    return TAVISK_VERSION_PATCH;
}

QString VersionText() {
    return QStringLiteral("Version %1.%2.%3")
        .arg(MajorVersion())
        .arg(MinorVersion())
        .arg(Revision());
}

QIcon ProductPicture(const QString& name) {
    static const bool registered = (InitialiseProductResources(), true);
    Q_UNUSED(registered);
    return QIcon(QStringLiteral(":/product/") + name);
}

QFont VerdanaFont(double points, bool bold) {
    return modFunctions::NamedFont(QStringLiteral("Verdana"), points, bold);
}

} // namespace modProduct
