#include "ui/CommandIcons.h"

#include <QFile>

#include "ui/CommandTable.h"

// The icons live in a static library; this pulls them into the program.
static void InitIcons() {
    Q_INIT_RESOURCE(tarnel_icons);
}

namespace tarnel::ui {

namespace {
void EnsureIcons() {
    static const bool loaded = (InitIcons(), true);
    (void)loaded;
}
}  // namespace

QIcon CommandIcon(const CommandInfo& command) {
    if (command.themeIcon && QIcon::hasThemeIcon(QString::fromUtf8(command.themeIcon))) {
        return QIcon::fromTheme(QString::fromUtf8(command.themeIcon));
    }
    if (!command.ownIcon) return {};
    EnsureIcons();
    const QString name = QString::fromUtf8(command.ownIcon);
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/%1.svg").arg(name), {}, QIcon::Normal);
    const QString disabled = QStringLiteral(":/icons/disabled/%1.svg").arg(name);
    if (QFile::exists(disabled)) icon.addFile(disabled, {}, QIcon::Disabled);
    return icon;
}

QIcon ProgramIcon() {
    EnsureIcons();
    return QIcon::fromTheme(QStringLiteral("tarnel-audio-converter"),
                            QIcon(QStringLiteral(":/icons/tarnel-audio-converter.svg")));
}

}  // namespace tarnel::ui
