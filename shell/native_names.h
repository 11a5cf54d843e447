// SPDX-License-Identifier: MIT
#pragma once
// What differs between the systems' file dialogs and folder names, one file per system in os/.

#include <QString>

namespace rq {

// The name the user knows a folder by: on Windows the long form of a path kept in its short
// (8.3) form, as "Strat.jfp" keeps a folder its code page cannot name. Unchanged where the
// folder is missing or has no other form.
QString longFolderName(const QString& path);

// Whether the file dialogs are the system's own (Windows: Desktop, Documents, OneDrive, Quick
// access, "New folder") rather than Qt's.
bool useNativeFileDialogs();

}  // namespace rq
