#pragma once
// The program's name and version as its windows show them, and the face of
// the product labels.
#include <QFont>
#include <QIcon>
#include <QString>

namespace modProduct {

/// The product name and the program's title.
inline const QString ProductName = QStringLiteral("Tavisk");

int MajorVersion();
int MinorVersion();
int Revision();

/// "Version " + major + "." + minor + "." + revision, e.g. "Version 1.5.0".
QString VersionText();

/// One of the product's pictures ("Tavisk.svg", the program's icon;
/// "Splash.svg"; "Wordmark.svg", its name), from the program's resources.
QIcon ProductPicture(const QString& name);

/// Verdana at this size and weight, or the default sans-serif face where
/// Verdana is not installed.
QFont VerdanaFont(double points, bool bold);

} // namespace modProduct
