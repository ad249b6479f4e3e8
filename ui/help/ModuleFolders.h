#pragma once

#include <QStringList>

namespace orvanta {

// Where the program's loadable modules are looked for, in order: beside an
// installed program (../lib/orvanta/plugins), the build tree, the install
// prefix.
QStringList ModuleFolders();

}  // namespace orvanta
