#pragma once

#include <QString>
#include <QStringList>

namespace orvanta {

// Where the program's loadable modules are looked for, in order: the plug-in
// folder relative to the program's own folder (where an installed program
// keeps them), then this build's plug-in folder, but only for a program that
// lies inside this build tree. No fixed system path is searched: a build
// folder that is gone could be made again by anyone.
QStringList ModuleFolders(const QString& programFolder);

// For the running program.
QStringList ModuleFolders();

}  // namespace orvanta
