#pragma once
// The program's own user guide (HTML, installed with the program) and the product web page,
// whose address is a build setting; without one the guide stands in for it.
#include <QUrl>

namespace tarnel::ui {

// The guide's index page: $TARNEL_HELP_DIR, then the installed copy relative to the program
// (../share/tarnel-audio-converter/guide), then the copy in the build tree. Empty when none
// exists.
QUrl HelpGuideUrl();
// The product web page, or the guide when the build names none.
QUrl ProductPageUrl();
// Opens the address in the desktop's browser; false when nothing could be started.
bool OpenInBrowser(const QUrl& url);

}  // namespace tarnel::ui
