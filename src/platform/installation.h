#pragma once
// Where the files installed with the program lie. An installation is a prefix
// holding bin/zarn and share/zarn (the manual in share/zarn/help), wherever
// that prefix is: /usr from the package, /usr/local or any PREFIX from make
// install, a staging folder from DESTDIR. The program finds them from its own
// executable's folder, so nothing depends on the prefix it was built for.

#include <QString>

namespace zarn {

// The folder of the program's installed data beside `executableFolder`
// (<prefix>/share/zarn for <prefix>/bin), or empty when there is none: the
// program then runs from a build or a folder of its own, not an installation.
QString InstalledDataFolder(const QString& executableFolder);

// The index.html of the HTML manual: the one installed beside
// `executableFolder` first, else the first zarn/help/index.html of the XDG
// data folders ($XDG_DATA_HOME, then $XDG_DATA_DIRS); empty when none exists.
QString InstalledManual(const QString& executableFolder);

}  // namespace zarn
