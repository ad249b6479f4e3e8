#pragma once

#include <QString>

namespace orvanta {

// True when a file can be created in the folder right now (asked of the file
// system, so read-only mounts and permissions both count).
bool IsWritableFolder(const QString& folder);

// A folder shared by many programs (/usr/bin and the like). Test pages never
// go there, even for root, who can write to it.
bool IsSystemProgramFolder(const QString& folder);

// The program's folder with "/" when it is writable and not a system
// program folder; otherwise `dataFolder`
// (created when missing) with "/". An installed program's folder is
// read-only, and the preview would silently show nothing.
QString ChooseWorkFolder(const QString& programFolder, const QString& dataFolder);

// Copies the button picture the image-link code refers to into `folder`
// (ending with "/") when it is not there. Throws FileWriteError.
void EnsureGoButtonIn(const QString& folder);

}  // namespace orvanta
