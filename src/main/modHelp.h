#pragma once
// The program's help: the user guide, an HTML book whose contents page is
// help/index.html. The main window names the guide at start-up; from then on
// F1 opens it in the help window from any window of the program, dialogs
// included, as Help > "Tavisk Help" does.
#include <QString>

class frmHelp;

namespace modHelp {

/// The guide's contents page for a program in programDir: help/index.html
/// beside the program (the build tree) or in the program's installed data
/// folder (the install tree), whichever is there, the first when neither is.
QString HelpFileFor(const QString& programDir);

/// The guide of the running program.
QString DefaultHelpFile();

/// Makes file the program's help file and lets F1 open it everywhere.
void SetHelpFile(const QString& file);
QString HelpFile();

/// Opens the help window on the guide's contents, or brings it forward when
/// it is open. Over a modal dialog the help window is modal too, so that it
/// can be read and closed; otherwise the program goes on beside it. Does
/// nothing before a help file is set.
void ShowHelp();

/// The open help window; null when there is none.
frmHelp* HelpWindow();

} // namespace modHelp
