#include "ui/ViewImages.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

// The resources of a static library are registered by hand; outside any namespace.
static void InitViewResources() {
    Q_INIT_RESOURCE(views);
}

namespace tarnel::ui {

namespace {

QIcon FromSvg(const QString& name) {
    static const bool registered = (InitViewResources(), true);
    (void)registered;
    QIcon icon;
    QSvgRenderer renderer(QStringLiteral(":/views/%1.svg").arg(name));
    if (!renderer.isValid()) return icon;
    for (int size : {16, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QIcon Themed(const QString& name) {
    const QIcon own = FromSvg(name);
    return QIcon::hasThemeIcon(name) ? QIcon::fromTheme(name, own) : own;
}

}  // namespace

QIcon LogMessageIcon() {
    return Themed(QStringLiteral("dialog-information"));
}
QIcon LogErrorIcon() {
    return Themed(QStringLiteral("dialog-error"));
}

}  // namespace tarnel::ui
