#include "ui/HelpGuide.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

#ifndef TARNEL_GUIDE_DIR_FROM_BIN
#define TARNEL_GUIDE_DIR_FROM_BIN "../share/tarnel-audio-converter/guide"
#endif

namespace tarnel::ui {

namespace {

QUrl GuideIn(const QString& folder) {
    const QFileInfo index(QDir(folder), QStringLiteral("index.html"));
    return index.isFile() ? QUrl::fromLocalFile(index.absoluteFilePath()) : QUrl();
}

}  // namespace

QUrl HelpGuideUrl() {
    const QString env = qEnvironmentVariable("TARNEL_HELP_DIR");
    if (!env.isEmpty()) {
        if (QUrl url = GuideIn(env); url.isValid()) return url;
    }
    const QString appDir = QCoreApplication::applicationDirPath();
    if (QUrl url = GuideIn(appDir + QStringLiteral("/" TARNEL_GUIDE_DIR_FROM_BIN)); url.isValid()) {
        return url;
    }
    return GuideIn(QStringLiteral(TARNEL_BUILD_HELP_DIR));
}

QUrl ProductPageUrl() {
    const QString page = QStringLiteral(TARNEL_PRODUCT_PAGE);
    return page.isEmpty() ? HelpGuideUrl() : QUrl(page);
}

bool OpenInBrowser(const QUrl& url) {
    return url.isValid() && QDesktopServices::openUrl(url);
}

}  // namespace tarnel::ui
