#pragma once

#include <QIcon>

namespace linnery {

// The program's icon: the icon theme's "linnery" where one is installed, else the drawing built into the
// program, so a run from the build folder shows it too.
QIcon programIcon();
// Gives every window of the program that icon; called once at start-up.
void installProgramIcon();

} // namespace linnery
